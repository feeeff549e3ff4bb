#include "foundation/XmlSyntaxCheck.h"
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation_io.h"
#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

namespace {

// The text as characters, and where undecodable bytes began (npos: none).
struct CDecoded {
    std::wstring text;
    size_t badAt = std::wstring::npos;
};

// The encoding a declaration at the start names, as written; empty for none.
// `at` receives the name's offset.
std::string DeclaredEncoding(const std::string& bytes, size_t& at)
{
    if (bytes.compare(0, 5, "<?xml") != 0)
        return std::string();
    const size_t end = bytes.find("?>");
    const size_t word = bytes.find("encoding", 0);
    if (word == std::string::npos || (end != std::string::npos && word > end))
        return std::string();
    size_t q = bytes.find_first_of("\"'", word);
    if (q == std::string::npos)
        return std::string();
    const size_t close = bytes.find(bytes[q], q + 1);
    at = q + 1;
    return bytes.substr(q + 1, close == std::string::npos ? 0 : close - q - 1);
}

bool IsUtf8Name(std::string name)
{
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name == "utf-8" || name == "utf8";
}

bool HasUtf16Mark(const std::string& bytes)
{
    return bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

bool HasUtf8Mark(const std::string& bytes) { return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0; }

void DecodeUtf8(const std::string& bytes, size_t from, CDecoded& out)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = from; i < n;) {
        const unsigned c = b[i];
        unsigned code, need;
        if (c < 0x80) {
            code = c;
            need = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            code = c & 0x1F;
            need = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            code = c & 0x0F;
            need = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            code = c & 0x07;
            need = 3;
        } else {
            out.badAt = out.text.size();
            return;
        }
        if (need && i + need >= n) {
            out.badAt = out.text.size();
            return;
        }
        for (unsigned k = 1; k <= need; ++k) {
            if ((b[i + k] & 0xC0) != 0x80) {
                out.badAt = out.text.size();
                return;
            }
            code = (code << 6) | (b[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF are no text.
        static const unsigned least[4] = {0, 0x80, 0x800, 0x10000};
        if (code < least[need] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            out.badAt = out.text.size();
            return;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.text.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            out.text.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.text.push_back(static_cast<wchar_t>(code));
        }
        i += need + 1;
    }
}

CDecoded Decode(const std::string& bytes)
{
    CDecoded out;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    if (HasUtf16Mark(bytes)) {
        const bool little = b[0] == 0xFF;
        for (size_t i = 2; i + 1 < n; i += 2)
            out.text.push_back(static_cast<wchar_t>(little ? b[i] | (b[i + 1] << 8) : (b[i] << 8) | b[i + 1]));
        return out;
    }
    const bool bom = HasUtf8Mark(bytes);
    size_t at = 0;
    const std::string declared = DeclaredEncoding(bom ? bytes.substr(3) : bytes, at);
    if (bom || declared.empty() || IsUtf8Name(declared)) {
        DecodeUtf8(bytes, bom ? 3 : 0, out);
        return out;
    }
    for (unsigned char c : bytes)
        out.text.push_back(static_cast<wchar_t>(c));
    return out;
}

// Wine's parser refuses an element nested deeper than this, and a text,
// attribute value, comment or CDATA section longer than this in UTF-8.
const size_t kMaxParsedDepth = 257;
const size_t kMaxParsedText = 10000000;

// Bytes of a character in UTF-8; each half of a surrogate pair counts half.
size_t Utf8Units(wchar_t c) { return c < 0x80 ? 1 : c < 0x800 || IsHighSurrogate(c) || IsLowSurrogate(c) ? 2 : 3; }

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsNameStart(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' || c >= 0x80;
}

bool IsNameChar(wchar_t c) { return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.'; }

// A code point XML 1.0 allows, written or referenced.
bool IsXmlCodePoint(unsigned long c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// A character XML 1.0 does not allow anywhere.
bool IsForbidden(const std::wstring& t, size_t i)
{
    const wchar_t c = t[i];
    if (c < 0x20)
        return c != L'\t' && c != L'\n' && c != L'\r';
    if (c == 0xFFFE || c == 0xFFFF)
        return true;
    if (IsHighSurrogate(c))
        return !(i + 1 < t.size() && IsLowSurrogate(t[i + 1]));
    if (IsLowSurrogate(c))
        return !(i > 0 && IsHighSurrogate(t[i - 1]));
    return false;
}

class CScanner {
public:
    explicit CScanner(const std::wstring& text) : t(text), n(text.size()) {}

    // The first fault: its position and message; false when there is none.
    bool Run(size_t& at, std::wstring& reason);

    // Where the text first went beyond what the parser takes, as far as Run
    // got (npos: nowhere): an element too deep, a text too long.
    size_t deepAt = std::wstring::npos;
    size_t longAt = std::wstring::npos;

private:
    const std::wstring& t;
    const size_t n;
    size_t p = 0;
    std::vector<std::wstring> open;
    bool rootSeen = false;

    void Measure(size_t from, size_t to)
    {
        size_t bytes = 0;
        for (size_t i = from; i < to && longAt == std::wstring::npos; ++i)
            if ((bytes += Utf8Units(t[i])) > kMaxParsedText)
                longAt = from;
    }

    struct CFault {
        size_t at;
        std::wstring reason;
    };
    [[noreturn]] void Fail(size_t at, UINT id, const std::wstring& a1 = std::wstring(),
                           const std::wstring& a2 = std::wstring())
    {
        throw CFault{at, CSimpleErr::Format(id, a1, a2)};
    }

    bool At(const wchar_t* s) const { return t.compare(p, wcslen(s), s) == 0; }
    std::wstring Name()
    {
        const size_t start = p;
        if (p < n && IsNameStart(t[p]))
            while (p < n && IsNameChar(t[p]))
                ++p;
        return t.substr(start, p - start);
    }
    void SkipSpace()
    {
        while (p < n && IsSpace(t[p]))
            ++p;
    }
    // Past the end mark of a construct that began at `start`.
    void SkipPast(const wchar_t* mark, size_t start)
    {
        const size_t end = t.find(mark, p);
        if (end == std::wstring::npos)
            Fail(start, IDS_XML_SYNTAX_UNCLOSED_MARKUP);
        Measure(p, end);
        p = end + wcslen(mark);
    }
    void Reference();
    void StartTag(size_t start);
    void EndTag(size_t start);
    void Doctype(size_t start);
};

void CScanner::Reference()
{
    const size_t start = p;
    const size_t semi = t.find(L';', p);
    const std::wstring shown = t.substr(start, std::min<size_t>(semi == std::wstring::npos ? 12 : semi - start + 1, 12));
    if (semi == std::wstring::npos || semi - start > 12)
        Fail(start, IDS_XML_SYNTAX_BAD_REFERENCE, shown);
    const std::wstring body = t.substr(start + 1, semi - start - 1);
    bool ok;
    if (!body.empty() && body[0] == L'#') {
        const bool hex = body.size() > 1 && body[1] == L'x';
        const size_t first = hex ? 2 : 1;
        ok = body.size() > first;
        unsigned long code = 0;
        for (size_t i = first; i < body.size() && ok; ++i) {
            const wchar_t c = body[i];
            const int digit = hex ? HexDigitOrMinus(c) : c >= L'0' && c <= L'9' ? c - L'0' : -1;
            ok = digit >= 0;
            // Past the last code point the value only has to stay past it.
            code = std::min<unsigned long>(code * (hex ? 16 : 10) + static_cast<unsigned long>(digit), 0x110000);
        }
        if (ok && !IsXmlCodePoint(code))
            Fail(start, IDS_XML_SYNTAX_BAD_CHARACTER_REFERENCE, shown);
    } else {
        ok = body == L"lt" || body == L"gt" || body == L"amp" || body == L"apos" || body == L"quot";
    }
    if (!ok)
        Fail(start, IDS_XML_SYNTAX_BAD_REFERENCE, shown);
    p = semi + 1;
}

void CScanner::StartTag(size_t start)
{
    ++p;
    const std::wstring name = Name();
    if (name.empty())
        Fail(start, IDS_XML_SYNTAX_BAD_TAG);
    if (rootSeen && open.empty())
        Fail(start, IDS_XML_SYNTAX_SECOND_ROOT, name);
    rootSeen = true;
    if (open.size() >= kMaxParsedDepth && deepAt == std::wstring::npos)
        deepAt = start;
    std::set<std::wstring> attributes;
    for (;;) {
        const size_t before = p;
        SkipSpace();
        if (p >= n)
            Fail(start, IDS_XML_SYNTAX_BAD_TAG);
        if (t[p] == L'>') {
            ++p;
            open.push_back(name);
            return;
        }
        if (At(L"/>")) {
            p += 2;
            return;
        }
        // Attributes stand apart from the name and from each other.
        const size_t attributeAt = p;
        if (p == before)
            Fail(attributeAt, IDS_XML_SYNTAX_BAD_TAG);
        const std::wstring attribute = Name();
        if (attribute.empty())
            Fail(attributeAt, IDS_XML_SYNTAX_BAD_TAG);
        SkipSpace();
        if (p >= n || t[p] != L'=')
            Fail(attributeAt, IDS_XML_SYNTAX_BAD_ATTRIBUTE, attribute);
        ++p;
        SkipSpace();
        if (p >= n || (t[p] != L'"' && t[p] != L'\''))
            Fail(attributeAt, IDS_XML_SYNTAX_BAD_ATTRIBUTE, attribute);
        const wchar_t quote = t[p++];
        const size_t valueAt = p;
        while (p < n && t[p] != quote) {
            if (t[p] == L'<')
                Fail(attributeAt, IDS_XML_SYNTAX_BAD_ATTRIBUTE, attribute);
            if (t[p] == L'&')
                Reference();
            else if (IsForbidden(t, p))
                Fail(p, IDS_XML_SYNTAX_BAD_CHARACTER);
            else
                ++p;
        }
        if (p >= n)
            Fail(attributeAt, IDS_XML_SYNTAX_BAD_ATTRIBUTE, attribute);
        Measure(valueAt, p);
        ++p;
        if (!attributes.insert(attribute).second)
            Fail(attributeAt, IDS_XML_SYNTAX_BAD_ATTRIBUTE, attribute);
    }
}

void CScanner::EndTag(size_t start)
{
    p += 2;
    const std::wstring name = Name();
    SkipSpace();
    if (name.empty() || p >= n || t[p] != L'>')
        Fail(start, IDS_XML_SYNTAX_BAD_TAG);
    ++p;
    if (open.empty())
        Fail(start, IDS_XML_SYNTAX_STRAY_END_TAG, name);
    if (name != open.back())
        Fail(start, IDS_XML_SYNTAX_END_TAG_MISMATCH, name, open.back());
    open.pop_back();
}

void CScanner::Doctype(size_t start)
{
    if (rootSeen)
        Fail(start, IDS_XML_SYNTAX_BAD_TAG);
    int depth = 0;
    wchar_t quote = 0;
    for (p += 9; p < n; ++p) {
        const wchar_t c = t[p];
        if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == L'"' || c == L'\'') {
            quote = c;
        } else if (c == L'[') {
            ++depth;
        } else if (c == L']') {
            --depth;
        } else if (c == L'>' && depth <= 0) {
            ++p;
            return;
        }
    }
    Fail(start, IDS_XML_SYNTAX_UNCLOSED_MARKUP);
}

bool CScanner::Run(size_t& at, std::wstring& reason)
{
    try {
        if (p < n && t[p] == 0xFEFF)
            ++p;
        size_t textAt = p;
        while (p < n) {
            const size_t start = p;
            const wchar_t c = t[p];
            if (c == L'<') {
                Measure(textAt, start);
                if (At(L"<?")) {
                    p += 2;
                    SkipPast(L"?>", start);
                } else if (At(L"<!--")) {
                    p += 4;
                    SkipPast(L"-->", start);
                } else if (At(L"<![CDATA[")) {
                    if (open.empty())
                        Fail(start, IDS_XML_SYNTAX_TEXT_OUTSIDE_ROOT);
                    p += 9;
                    SkipPast(L"]]>", start);
                } else if (At(L"<!DOCTYPE")) {
                    Doctype(start);
                } else if (At(L"</")) {
                    EndTag(start);
                } else {
                    StartTag(start);
                }
                textAt = p;
            } else if (IsForbidden(t, p)) {
                Fail(p, IDS_XML_SYNTAX_BAD_CHARACTER);
            } else if (open.empty()) {
                if (!IsSpace(c))
                    Fail(p, IDS_XML_SYNTAX_TEXT_OUTSIDE_ROOT);
                ++p;
            } else if (c == L'&') {
                Reference();
            } else {
                ++p;
            }
        }
        Measure(textAt, n);
        if (!open.empty())
            Fail(n, IDS_XML_SYNTAX_UNCLOSED, open.back());
        if (!rootSeen)
            Fail(n, IDS_XML_SYNTAX_NO_ROOT);
        return false;
    } catch (const CFault& fault) {
        at = fault.at;
        reason = fault.reason;
        return true;
    }
}

} // namespace

namespace {

// Line and column of a position in the decoded text.
void Place(const std::wstring& t, size_t at, CXmlSyntaxFault& fault)
{
    fault.line = 1;
    fault.column = 1;
    for (size_t i = 0; i < at && i < t.size(); ++i) {
        const wchar_t c = t[i];
        if (c == L'\n' || (c == L'\r' && !(i + 1 < t.size() && t[i + 1] == L'\n'))) {
            ++fault.line;
            fault.column = 1;
        } else if (c != L'\r' && !IsLowSurrogate(c)) {
            ++fault.column;
        }
    }
}

} // namespace

bool FindXmlSyntaxFault(const std::string& bytes, CXmlSyntaxFault& fault)
{
    const CDecoded decoded = Decode(bytes);
    size_t at = 0;
    std::wstring reason;
    // The text is scanned as far as it decoded; bytes that did not decode
    // are the fault when the markup before them was sound.
    const std::wstring& t = decoded.text;
    if (!CScanner(decoded.badAt == std::wstring::npos ? t : t.substr(0, decoded.badAt)).Run(at, reason) ||
        (decoded.badAt != std::wstring::npos && at >= decoded.badAt)) {
        if (decoded.badAt == std::wstring::npos)
            return false;
        at = decoded.badAt;
        reason = LoadResourceString(IDS_XML_SYNTAX_BAD_BYTES);
    }
    Place(t, at, fault);
    fault.reason = reason;
    return true;
}

bool FindXmlParserLimit(const std::string& bytes, CXmlSyntaxFault& fault)
{
    const CDecoded decoded = Decode(bytes);
    const std::wstring t = decoded.text.substr(0, decoded.badAt);
    CScanner scanner(t);
    size_t at = 0;
    std::wstring reason;
    scanner.Run(at, reason);
    if (scanner.deepAt != std::wstring::npos && scanner.deepAt <= scanner.longAt) {
        Place(t, scanner.deepAt, fault);
        fault.reason = CSimpleErr::Format(IDS_XML_LIMIT_TOO_DEEP, std::to_wstring(kMaxParsedDepth));
        return true;
    }
    if (scanner.longAt != std::wstring::npos) {
        Place(t, scanner.longAt, fault);
        fault.reason = CSimpleErr::Format(IDS_XML_LIMIT_TEXT_TOO_LONG, std::to_wstring(kMaxParsedText));
        return true;
    }
    if (HasUtf16Mark(bytes))
        return false;
    const bool bom = HasUtf8Mark(bytes);
    size_t nameAt = 0;
    const std::string declared = DeclaredEncoding(bom ? bytes.substr(3) : bytes, nameAt);
    if (declared.empty() || IsUtf8Name(declared))
        return false;
    // The declaration is ASCII: its offset is its place in the text.
    Place(t, nameAt, fault);
    std::wstring name;
    for (char c : declared)
        name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    fault.reason = CSimpleErr::Format(IDS_XML_LIMIT_ENCODING, name);
    return true;
}
