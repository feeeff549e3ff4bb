// xmlbench [SHAPE[:K[:D]]:BYTES ...]
//
// Times the load of hostile XML shapes, as a clipboard block, through
// CXmlDocument (the loads' pre-checks and the system parser), and prints
// one line per case: shape, bytes, milliseconds, the goal (kGoalMs), those
// of the pre-checks alone, and "read" or the refusal (and "over the goal"
// after a load that took longer). Without a shape it times
// the worst 4 MB shape at each bound of the pre-checks (kWorst).
// A shape is filled with its repeated unit up to BYTES; K is the attributes
// or namespace declarations per element, D the depth of a chain:
//   attrs      one element with attributes a0="" a1="" ... (K unused)
//   ns         one element with namespace declarations xmlns:p0="u" ...
//   broken     attrs with a tag that does not close right
//   grid:K[:N] elements each with K attributes (named from N different
//              names in turn: with the root and e, grid:128:9998 holds 10,000)
//   ugrid:K    elements each with K attributes p:a0="" ..., p undeclared
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
//   targets:K  processing instructions <?A?><?B?> ..., K different targets
//              in turn (0: all different)
//   ids        empty elements with xml:id="a0", "a1" ..., all different
//   badids     the same with xml:id="1" (no name), sameids with xml:id="a"
//   langs, bases  the same with xml:lang="x0" ..., xml:base="0" ...
//   values     the same with a="0" ..., values of up to 3 characters
//   deep:K:D   chains of depth D (deepns: under a default namespace)
//   longname   elements with a name of 49,000 bytes
//   value      one attribute value of BYTES
//   chain-UNIT:K:D  a chain of D elements, each with K attributes, then the
//              unit repeated at its bottom; the text's pieces there are
//              what Wine's parser walks the chain for (each piece, from
//              the element to the root, every attribute of each): amp
//              "&amp;", lt "&lt;", alt "a&lt;", charref "&#9;", crlf
//              "a\r\n", lf "a\n", comment "a<!---->", pi "a<?p?>", plain
//              "a", kanji, cdata "<![CDATA[a]]>", elem "<a/>", textel
//              "<a>x</a>", space " <a/>", aelem "a<a/>"
//   nschain-UNIT:K:D  the same with K namespace declarations per element
//   nearchain-UNIT:K:D  the same with K attributes p0:spac0 ... in 32
//              namespaces (a name the walk compares with "space")
//   spacechain-UNIT:K:D  the same with K attributes p0:space ... under
//              namespaces one letter off the XML namespace
//   xmlspace-UNIT:K:D  the same with xml:space="v..." (K letters; 0:
//              "preserve") on the chain's first element and no other attribute
//   pspace-UNIT:K:D  the same with the value as p:space, p bound to the XML
//              namespace (the same expanded name)
//   spaced-UNIT:K:D  the same with K attributes and then xml:space="preserve"
//              on every element (the walk stops at the nearest, after
//              comparing the attributes before it)
//   KIND-UNIT+:K:D  the same with 100,000 units, then "a&lt;" outside the
//              chain up to BYTES
// SHAPE@ENCODING puts a declaration of that encoding in front; SHAPE* puts
// 98,000 elements first under the root (near the bound of nodes), each with
// an attribute, the first 10,000 an xml:id (what costs the system parser
// most, to its bound); SHAPE! times the system parser alone, without the
// pre-checks; SHAPE# reads the text as a settings file (the settings
// reader's walk through the root's children included).
// Under Wine the system parser's cost of a shape shows in how the time grows
// with BYTES (and with K and D); the pre-checks must keep every shape at
// 4 MB under 2 s.
#include "decoration/SettingXml.h"
#include "foundation/ByteStream.h"
#include "foundation/File.h"
#include "foundation/GlobalMemory.h"
#include "foundation/PathUtil.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlDocument.h"
#include "foundation/XmlSyntaxCheck.h"
#include "platform/MsXml.h"
#include "platform/Variant.h"
#include "tools/ToolRuntime.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Every document of up to 4 MiB reads or is refused within this, whatever its shape.
const double kGoalMs = 2000;
const char kAlnum[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::string Attributes(const char* prefix, size_t k, const char* value)
{
    std::string s;
    for (size_t i = 0; i < k; ++i)
        s += std::string(" ") + prefix + std::to_string(i) + "=\"" + value + "\"";
    return s;
}

// The unit a chain holds at its bottom; empty for no such unit.
std::string ChainUnit(const std::string& unit)
{
    const char* const units[][2] = {
        {"amp", "&amp;"}, {"lt", "&lt;"}, {"alt", "a&lt;"}, {"charref", "&#9;"}, {"crlf", "a\r\n"},
        {"lf", "a\n"}, {"comment", "a<!---->"}, {"pi", "a<?p?>"}, {"plain", "a"}, {"kanji", "\xE6\xBC\xA2"},
        {"cdata", "<![CDATA[a]]>"}, {"elem", "<a/>"}, {"textel", "<a>x</a>"}, {"space", " <a/>"}, {"aelem", "a<a/>"},
    };
    for (const auto& u : units)
        if (unit == u[0])
            return u[1];
    return std::string();
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
    const size_t dash = name.find('-');
    if (dash != std::string::npos) {
        // A chain of d elements with k attributes (or declarations) each.
        const std::string kind = name.substr(0, dash);
        if (kind == "nearchain")
            for (size_t i = 0; i < 32; ++i)
                head += " xmlns:p" + std::to_string(i) + "=\"u" + std::to_string(i) + "\"";
        if (kind == "spacechain")
            for (size_t i = 0; i < k; ++i)
                head += " xmlns:p" + std::to_string(i) + "=\"http://www.w3.org/XML/1998/namespac" +
                        std::to_string(i) + "\"";
        head += ">";
        for (size_t i = 0; i < d; ++i) {
            std::string attributes;
            if (kind == "chain")
                attributes = Attributes("a", k, "");
            else if (kind == "nschain")
                attributes = Attributes(("xmlns:r" + std::to_string(i) + "_").c_str(), k, "u");
            else if (kind == "nearchain")
                for (size_t j = 0; j < k; ++j)
                    attributes += " p" + std::to_string(j % 32) + ":spac" + std::to_string(j / 32) + "=\"\"";
            else if (kind == "spacechain")
                for (size_t j = 0; j < k; ++j)
                    attributes += " p" + std::to_string(j) + ":space=\"\"";
            else if ((kind == "xmlspace" || kind == "pspace") && i == 0)
                attributes = (kind == "pspace" ? " xmlns:p=\"http://www.w3.org/XML/1998/namespace\" p" : " xml") +
                             std::string(":space=\"") + (k ? std::string(k, 'v') : "preserve") + "\"";
            else if (kind == "spaced")
                attributes = Attributes("a", k, "") + " xml:space=\"preserve\"";
            head += "<c" + attributes + ">";
            tail = "</c>" + tail;
        }
        // UNIT+: 100,000 units (as many pieces of text as xml:space's scope
        // may hold with space), then "a<a/>" after the chain to BYTES.
        const bool then = name.back() == '+';
        unit = ChainUnit(name.substr(dash + 1, name.size() - dash - 1 - then));
        for (size_t n = 0; !unit.empty() && head.size() + body.size() + unit.size() + tail.size() < bytes &&
                           (!then || n < 100000);
             ++n)
            body += unit;
        if (!then)
            return head + body + tail;
        const std::string close = tail.substr(0, tail.size() - 11);  // the chain's end tags, not </Settings>
        body += close;
        while (head.size() + body.size() + 16 < bytes)
            body += "a&lt;";
        return head + body + "</Settings>";
    }
    if (name == "broken")  // one element with attributes, its tag not closed right
        return Shape("attrs", k, d, bytes).substr(0, bytes) + " x/>";
    if (name == "grid" && d > k) {
        body.reserve(bytes);
        for (size_t n = 0; head.size() + body.size() + 8 * k < bytes;) {
            body += "<e";
            for (size_t j = 0; j < k; ++j, n = (n + 1) % d)
                body += " a" + std::to_string(n) + "=\"\"";
            body += "/>";
        }
        return head + ">" + body + tail;
    }
    if (name == "grid")
        unit = "<e" + Attributes("a", k, "") + "/>";
    else if (name == "ugrid")
        unit = "<e" + Attributes("p:a", k, "") + "/>";
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
    if (name == "targets") {
        // Processing instructions <?A?><?B?> ..., K targets in turn (0: all different).
        for (size_t i = 0; head.size() + body.size() < bytes; ++i) {
            std::string t;
            for (size_t n = k ? i % k : i; t.empty() || n; n /= 52)
                t += kAlnum[10 + n % 52];
            if (t.size() < 3 || !EqualsNoCase(std::wstring(t.begin(), t.begin() + 3), L"xml"))  // reserved
                body += "<?" + t + "?>";
        }
    }
    if (name == "badids" || name == "sameids" || name == "ids" || name == "langs" || name == "bases" ||
        name == "values") {
        const char* attribute = name == "langs"    ? "xml:lang"
                                : name == "bases"  ? "xml:base"
                                : name == "values" ? "a"
                                                   : "xml:id";
        for (size_t i = 0; head.size() + body.size() < bytes; ++i) {
            std::string v = name == "badids" ? "1" : name == "sameids" ? "a" : "";
            if (name == "ids" || name == "langs" || name == "bases")
                v = (name == "ids" ? "a" : name == "langs" ? "x" : "") + std::to_string(i);
            for (size_t n = i; name == "values" && (v.empty() || n); n /= 62)
                v += kAlnum[n % 62];
            body += std::string("<e ") + attribute + "=\"" + v + "\"/>";
        }
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

// The system parser's own load of the text into a bare document (no
// pre-checks, none of the loads' properties): whether it took the text.
bool ParseAlone(const std::string& text)
{
    CComPtr<IXMLDOMDocument> doc;
    CComPtr<IStream> stream;
    if (FAILED(::CoCreateInstance(kClsidDOMDocument, nullptr, CLSCTX_INPROC_SERVER, kIidIXMLDOMDocument,
                                  reinterpret_cast<void**>(&doc))) ||
        FAILED(doc->put_async(VARIANT_FALSE)) ||
        FAILED(CreateByteStream(stream, std::vector<BYTE>(text.begin(), text.end()))))
        return false;
    CVariant source;
    source.Get().vt = VT_UNKNOWN;
    source.Get().punkVal = stream;
    stream->AddRef();
    VARIANT_BOOL ok = VARIANT_FALSE;
    return doc->load(source.Get(), &ok) == S_OK && ok == VARIANT_TRUE;
}

// The worst 4 MB text at each bound of the loads' pre-checks, and the
// shapes that once stalled the parser beyond them.
const wchar_t* const kWorst[] = {
    // 128 attributes on an element; one element with them all.
    L"grid:128:4194304", L"attrs:4194304", L"broken:4194304",
    // 32 namespace declarations in scope.
    L"nsgrid:32:4194304", L"prefixed:42:1:4194304", L"prefixed:32:6:4194304",
    // 10,000 different names, the attributes of elements in turn.
    L"grid:128:9998:4194304",
    // 100,000 nodes (elements with an attribute, 10,000 xml:id values: what
    // costs the parser most), then the weightiest walks over the pieces of a
    // text, as a block and as a settings file; the densest flat text and
    // 10,001 xml:id values, refused.
    L"chain-alt*:84:2:4194304", L"chain-alt*#:84:2:4194304", L"nearchain-alt*:44:1:4194304",
    L"spacechain-alt*:1:1:4194304", L"chain-alt*:0:23:4194304", L"chain-crlf*:0:23:4194304", L"refs*:4194304",
    L"chain-aelem:0:0:4194304", L"chain-aelem#:0:0:4194304", L"ids:4194304", L"siblings:4194304",
    // 24 levels, and a weight of 192 over the pieces of a text: 24 levels,
    // 2 x 84 attributes, 44 in a namespace, a p:space; in xml:space's
    // scope 100,000 pieces of text over 8 levels, and over 23 levels each
    // with xml:space and 56 attributes (the walk stops at the nearest),
    // then the rest of the text outside it (more in the scope is refused).
    L"chain-alt:0:23:4194304", L"chain-crlf:0:23:4194304", L"chain-alt:84:2:4194304",
    L"nearchain-alt:44:1:4194304", L"spacechain-alt:1:1:4194304", L"xmlspace-amp+:0:8:4194304",
    L"spaced-amp+:56:23:4194304", L"xmlspace-space:0:7:4194304", L"deep:0:23:4194304",
    // Beyond a bound: refused.
    L"chain-amp:128:256:4194304", L"chain-comment:128:256:4194304", L"chain-alt:0:256:4194304",
    L"spacechain-alt:32:256:4194304", L"xmlspace-alt:1000000:1:4194304", L"pspace-alt:100000:1:4194304",
    L"spaced-alt:56:24:4194304", L"spaced-space+:48:22:4194304", L"undeclared:1:4194304",
    L"ugrid:128:4194304", L"names:0:4194304", L"targets:4194304", L"badids:4194304", L"sameids:4194304",
    L"langs:4194304", L"bases:4194304", L"values:4194304", L"blanks:4194304",
    // Linear.
    L"refs:4194304", L"longname:4194304", L"value:4194304",
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    CToolRuntime runtime;
    std::vector<std::wstring> shapes(argv + 1, argv + argc);
    if (shapes.empty())
        shapes.assign(std::begin(kWorst), std::end(kWorst));
    for (const std::wstring& wide : shapes) {
        std::vector<std::string> parts;
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
        const bool alone = !parts[0].empty() && parts[0].back() == '!';
        const bool asFile = !parts[0].empty() && parts[0].back() == '#';
        if (alone || asFile)
            parts[0].pop_back();
        const bool nodesFirst = !parts[0].empty() && parts[0].back() == '*';
        if (nodesFirst)
            parts[0].pop_back();
        std::string nodes;
        for (size_t i = 0; nodesFirst && i < 98000; ++i)
            nodes += (i < 10000 ? "<e xml:id=\"a" : "<e a=\"") + std::to_string(i) + "\"/>";
        std::string text = Shape(parts[0], k, d, bytes - nodes.size());
        text.insert(text.find('>', text.find("<Settings")) + 1, nodes);
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
        CSettingXmlReader reader;
        CSetting setting;
        std::wstring path;
        if (asFile) {
            GetTempPathOrThrow(path);
            path += L"xmlbench.knt";
            CFile file;
            file.CreateAlways(path);
            file.Write(text);
        }
        const double t0 = NowMs();
        const bool ok = asFile ? reader.Read(setting, path) : alone ? ParseAlone(text) : doc.LoadGlobalMemory(block);
        const double ms = NowMs() - t0;
        if (asFile)
            ::DeleteFileW(path.c_str());
        std::wstring what = ok      ? L"read"
                            : alone ? L"refused by the parser"
                                    : (asFile ? reader.GetError() : doc.GetError()).message;
        for (wchar_t& c : what)
            if (c == L'\r' || c == L'\n')
                c = L' ';
        WriteLine(STD_OUTPUT_HANDLE, wide + L" bytes=" + std::to_wstring(text.size()) + L" ms=" +
                                         std::to_wstring(static_cast<long>(ms)) + L" goal=" +
                                         std::to_wstring(static_cast<long>(kGoalMs)) + L" check=" +
                                         std::to_wstring(static_cast<long>(check)) + L" " + what.substr(0, 160) +
                                         (ms >= kGoalMs ? L" over the goal" : L""));
    }
    return 0;
}
