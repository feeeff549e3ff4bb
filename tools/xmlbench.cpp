// xmlbench SHAPE[:K[:D]]:BYTES ...
//
// Times the load of hostile XML shapes, as a clipboard block, through
// CXmlDocument (the loads' pre-checks and the system parser), and prints
// one line per case: shape, bytes, milliseconds, those of the pre-checks
// alone, and "read" or the refusal.
// A shape is filled with its repeated unit up to BYTES; K is the attributes
// or namespace declarations per element, D the depth of a chain:
//   attrs      one element with attributes a0="" a1="" ... (K unused)
//   ns         one element with namespace declarations xmlns:p0="u" ...
//   broken     attrs with a tag that does not close right
//   grid:K     elements each with K attributes
//   nsgrid:K   elements each with K namespace declarations
//   scope:K:D  a chain of D elements, each declaring K namespaces, then
//              empty elements
//   prefixed:K:D  a chain of D elements, the outermost declaring a namespace,
//              then elements with K attributes in it (each looked up through
//              the chain)
//   uris       elements each declaring a namespace, every URI different
//   undeclared:K  empty elements with K prefixes in turn, none declared
//   texts      elements with texts of up to 3 characters, all different
//   blanks     elements with blank texts, all different
//   refs       one text of characters and references
//   siblings   empty elements <a/>
//   names:K    empty elements, K different names in turn (0: all different)
//   deep:K:D   chains of depth D (deepns: under a default namespace)
//   longname   elements with a name of 49,000 bytes
//   value      one attribute value of BYTES
// SHAPE@ENCODING puts a declaration of that encoding in front.
// Under Wine the system parser's cost of a shape shows in how the time grows
// with BYTES; the pre-checks must keep every shape at 4 MB near a second.
#include "foundation/GlobalMemory.h"
#include "foundation/XmlDocument.h"
#include "foundation/XmlSyntaxCheck.h"
#include "tools/ToolRuntime.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kAlnum[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::string Attributes(const char* prefix, size_t k, const char* value)
{
    std::string s;
    for (size_t i = 0; i < k; ++i)
        s += std::string(" ") + prefix + std::to_string(i) + "=\"" + value + "\"";
    return s;
}

std::string Shape(const std::string& name, size_t k, size_t d, size_t bytes)
{
    std::string head = "<Settings", body, tail = "</Settings>";
    std::string unit;
    const size_t colon = name.find('@');
    if (colon != std::string::npos)  // shape@encoding: the same under a declared encoding
        return "<?xml version=\"1.0\" encoding=\"" + name.substr(colon + 1) + "\"?>" +
               Shape(name.substr(0, colon), k, d, bytes);
    if (name == "attrs" || name == "ns") {
        const bool ns = name == "ns";
        for (size_t i = 0; head.size() < bytes; ++i)
            head += std::string(ns ? " xmlns:p" : " a") + std::to_string(i) + (ns ? "=\"u\"" : "=\"\"");
        return head + ">" + tail;
    }
    if (name == "broken")  // one element with attributes, its tag not closed right
        return Shape("attrs", k, d, bytes).substr(0, bytes) + " x/>";
    if (name == "grid")
        unit = "<e" + Attributes("a", k, "") + "/>";
    else if (name == "nsgrid")
        unit = "<e" + Attributes("xmlns:p", k, "u") + "/>";
    else if (name == "refs")
        unit = "a&amp;&#66;";
    else if (name == "siblings")
        unit = "<a/>";
    else if (name == "longname")
        unit = "<" + std::string(49000, 'n') + "/>";
    else if (name == "deep" || name == "deepns") {
        for (size_t i = 0; i < d; ++i)
            unit += "<d>";
        for (size_t i = 0; i < d; ++i)
            unit += "</d>";
    }
    head += ">";
    if (name == "scope" || name == "prefixed") {
        for (size_t i = 0; i < d; ++i)
            head += name == "prefixed" ? (i == 0 ? "<c xmlns:q0=\"u\">" : "<c>")
                                       : "<c" + Attributes(("xmlns:r" + std::to_string(i) + "_").c_str(), k, "u") + ">";
        for (size_t i = 0; i < d; ++i)
            tail = "</c>" + tail;
        unit = name == "scope" ? "<a/>" : "<q0:a" + Attributes("q0:b", k, "") + "/>";
    }
    if (name == "value")
        return "<Settings v=\"" + std::string(bytes, 'v') + "\"/>";
    body.reserve(bytes);
    if (name == "deepns")
        head = "<Settings xmlns=\"u\">";
    if (name == "texts" || name == "blanks") {
        // Short texts and blank ones, every one different.
        for (size_t i = 0; head.size() + body.size() < bytes; ++i) {
            std::string t;
            for (size_t n = i; t.empty() || n; n /= (name == "texts" ? 62 : 3))
                t += name == "texts" ? kAlnum[n % 62] : " \t\n"[n % 3];
            body += "<a>" + t + "</a>";
        }
    }
    if (name == "uris") {
        for (size_t i = 0; head.size() + body.size() < bytes; ++i)
            body += "<e xmlns:p=\"" + std::to_string(i) + "\"/>";
    }
    if (name == "names") {
        for (size_t i = 0; head.size() + body.size() < bytes; ++i)
            body += "<a" + std::to_string(k ? i % k : i) + "/>";
    }
    if (name == "undeclared") {
        for (size_t i = 0; head.size() + body.size() < bytes; ++i)
            body += "<p" + std::to_string(k ? i % k : i) + ":a/>";
    } else {
        while (!unit.empty() && head.size() + body.size() + unit.size() < bytes)
            body += unit;
    }
    return head + body + tail;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    CToolRuntime runtime;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::string> parts;
        const std::wstring wide = argv[i];
        const std::string arg(wide.begin(), wide.end());
        for (size_t at = 0;;) {
            const size_t colon = arg.find(':', at);
            parts.push_back(arg.substr(at, colon == std::string::npos ? std::string::npos : colon - at));
            if (colon == std::string::npos)
                break;
            at = colon + 1;
        }
        const size_t bytes = std::strtoul(parts.back().c_str(), nullptr, 10);
        const size_t k = parts.size() > 2 ? std::strtoul(parts[1].c_str(), nullptr, 10) : 0;
        const size_t d = parts.size() > 3 ? std::strtoul(parts[2].c_str(), nullptr, 10) : 1;
        const std::string text = Shape(parts[0], k, d, bytes);
        CGlobalMemory block;
        block.Alloc(text.size());
        {
            void* p = nullptr;
            CGlobalLocker lock(p, block);
            std::memcpy(p, text.data(), text.size());
        }
        CXmlSyntaxFault fault;
        const double c0 = NowMs();
        FindXmlReadingFault(text, fault);
        const double check = NowMs() - c0;
        CXmlDocument doc;
        const double t0 = NowMs();
        const bool ok = doc.LoadGlobalMemory(block);
        const double ms = NowMs() - t0;
        std::wstring what = ok ? L"read" : doc.GetError().message;
        for (wchar_t& c : what)
            if (c == L'\r' || c == L'\n')
                c = L' ';
        WriteLine(STD_OUTPUT_HANDLE, wide + L" bytes=" +
                                         std::to_wstring(text.size()) + L" ms=" +
                                         std::to_wstring(static_cast<long>(ms)) + L" check=" +
                                         std::to_wstring(static_cast<long>(check)) + L" " + what.substr(0, 160));
    }
    return 0;
}
