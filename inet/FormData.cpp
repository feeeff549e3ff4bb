// Form-post parsing. A header line is cut at ";" outside quotes into its
// value and its attributes, and an attribute's quoted value is taken whole,
// spaces included. Bodies are split only at literal CR LF: an apostrophe or a
// double quote in a field value is data and never hides a delimiter line, and
// a multi-line value keeps its inner CR LF. URL-encoded names and values are
// decoded byte-wise before they are read in the code page.
#include "inet/FormData.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include "inet/Url.h"
#include "inet/Variant.h"
#include <boost/regex.hpp>
#include <cwctype>

namespace {

std::wstring Lower(const std::wstring& text)
{
    std::wstring out = text;
    ToLowerInPlace(out);
    return out;
}

// The first of the patterns that matches anywhere in the text.
bool SearchFirst(const std::wstring& text, const boost::wregex* patterns, size_t count, boost::wsmatch& match)
{
    for (size_t i = 0; i < count; ++i) {
        if (boost::regex_search(text, match, patterns[i]))
            return true;
    }
    return false;
}

std::string FormDecode(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    auto digit = [&text](size_t i) { return HexDigitOrMinus(static_cast<unsigned char>(text[i])); };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && digit(i + 1) >= 0 && digit(i + 2) >= 0) {
            out += static_cast<char>(digit(i + 1) * 16 + digit(i + 2));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

void FinishPart(CFormFields& fields, const CHeaderMap& part, const std::wstring& value)
{
    if (part.empty() && value.empty())
        return;
    auto disposition = part.find(L"content-disposition");
    if (disposition == part.end() || CompareAsciiNoCase(disposition->second.value.c_str(), L"form-data") != 0)
        return;
    auto name = disposition->second.attributes.find(L"name");
    if (name == disposition->second.attributes.end() || name->second.empty())
        return;
    fields[name->second] = value;
}

bool IsDeviceName(const std::wstring& name)
{
    std::wstring base = Lower(name.substr(0, name.find(L'.')));
    TrimIf(base, [](wchar_t c) { return c == L' '; });
    static const wchar_t* const devices[] = {L"con", L"prn", L"aux", L"nul", L"clock$", L"conin$", L"conout$"};
    for (const wchar_t* device : devices) {
        if (base == device)
            return true;
    }
    return base.size() == 4 && (base.compare(0, 3, L"com") == 0 || base.compare(0, 3, L"lpt") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

} // namespace

void SplitQuoted(const std::wstring& text, const std::wstring& separators, std::list<std::wstring>& out,
                 const std::wstring& quotes, const std::wstring& escapes, bool keepQuotes)
{
    std::wstring token;
    wchar_t quote = 0;
    bool afterEscape = false;
    for (wchar_t c : text) {
        if (quote) {
            if (c != quote || keepQuotes)
                token += c;
            if (c == quote)
                quote = 0;
        } else if (afterEscape) {
            token.back() = c;
            afterEscape = false;
        } else if (quotes.find(c) != std::wstring::npos) {
            quote = c;
            if (keepQuotes)
                token += c;
        } else if (separators.find(c) != std::wstring::npos) {
            if (!token.empty())
                out.push_back(token);
            token.clear();
        } else {
            token += c;
            afterEscape = escapes.find(c) != std::wstring::npos;
        }
    }
    if (!token.empty())
        out.push_back(token);
}

void SplitLines(const std::wstring& text, std::list<std::wstring>& out)
{
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            break;
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size())
        out.push_back(text.substr(start));
}

void SplitAtAny(const std::wstring& text, const std::wstring& separators, std::list<std::wstring>& out)
{
    size_t start = text.find_first_not_of(separators);
    while (start != std::wstring::npos) {
        size_t end = text.find_first_of(separators, start);
        out.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        start = end == std::wstring::npos ? end : text.find_first_not_of(separators, end);
    }
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ParseHeaderLine(CHeaderMap& headers, const std::wstring& line)
{
    static const boost::wregex headerPatterns[] = {
        boost::wregex(L"\\s*(\\S+)\\s*:\\s*'(.*)'\\s*"),
        boost::wregex(L"\\s*(\\S+)\\s*:\\s*\"(.*)\"\\s*"),
        boost::wregex(L"\\s*(\\S+)\\s*:\\s*(\\S*)\\s*"),
    };
    static const boost::wregex attributePatterns[] = {
        boost::wregex(L"\\s*(\\S+)\\s*=\\s*'(.*)'\\s*"),
        boost::wregex(L"\\s*(\\S+)\\s*=\\s*\"(.*)\"\\s*"),
        boost::wregex(L"\\s*(\\S+)\\s*=\\s*(\\S*)\\s*"),
    };
    // Quotes stay in the pieces, so that the quoted patterns take a quoted
    // value whole instead of the last pattern cutting it at its first space.
    std::list<std::wstring> pieces;
    SplitQuoted(line, L";", pieces, L"'\"", L"", true);
    if (pieces.empty())
        return false;
    boost::wsmatch match;
    if (!SearchFirst(pieces.front(), headerPatterns, 3, match))
        return false;
    HeaderField& field = headers[Lower(match[1].str())];
    field.value = match[2].str();
    pieces.pop_front();
    for (const std::wstring& piece : pieces) {
        if (SearchFirst(piece, attributePatterns, 3, match))
            field.attributes[Lower(match[1].str())] = match[2].str();
    }
    return true;
}

HRESULT ParseHeaders(CHeaderMap& headers, const std::wstring& text)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        ParseHeaderLine(headers, line);
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return S_OK;
}

HRESULT ParseHeadersFromVariant(CHeaderMap& headers, const VARIANT& in)
{
    std::wstring text;
    HRESULT hr = VariantToString(text, &in);
    if (FAILED(hr))
        return hr;
    return ParseHeaders(headers, text);
}

HRESULT ParseFields(CFormFields& fields, const std::string& text)
{
    fields.clear();
    static const boost::regex field("\\s*(\\S+)\\s*=\\s*(\\S*)\\s*");
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        boost::smatch match;
        if (boost::regex_search(piece, match, field)) {
            std::wstring name, value;
            try {
                MultiByteToWideString(CP_THREAD_ACP, 0, FormDecode(match[1].str()), name);
                MultiByteToWideString(CP_THREAD_ACP, 0, FormDecode(match[2].str()), value);
            } catch (const my::CException& e) {
                return e.code ? e.code : E_FAIL;
            }
            fields[name] = value;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return S_OK;
}

HRESULT ParseMultipart(CFormFields& fields, const std::string& body, const std::wstring& boundary)
{
    fields.clear();
    std::wstring text;
    try {
        MultiByteToWideString(CP_THREAD_ACP, 0, body, text);
    } catch (const my::CException& e) {
        return e.code ? e.code : E_FAIL;
    }
    const std::wstring delimiter = L"--" + boundary;
    std::list<std::wstring> lines;
    SplitLines(text, lines);
    CHeaderMap part;
    std::wstring value;
    bool inBody = false;
    bool bodyStarted = false;
    for (const std::wstring& line : lines) {
        if (StartsWith(line, delimiter)) {
            FinishPart(fields, part, value);
            part.clear();
            value.clear();
            inBody = false;
            bodyStarted = false;
        } else if (!inBody) {
            if (line.empty())
                inBody = true;
            else
                ParseHeaderLine(part, line);
        } else {
            // The value is kept whole: a text area's lines keep their breaks,
            // where gluing the lines together would change what was sent.
            if (bodyStarted)
                value += L"\r\n";
            value += line;
            bodyStarted = true;
        }
    }
    if (inBody)
        FinishPart(fields, part, value);
    return S_OK;
}

HRESULT ParsePostData(CFormFields& fields, const VARIANT& postData, const VARIANT& headers)
{
    fields.clear();
    std::string body;
    HRESULT hr = VariantToBytes(body, &postData);
    if (FAILED(hr))
        return hr;
    CHeaderMap headerMap;
    hr = ParseHeadersFromVariant(headerMap, headers);
    if (FAILED(hr))
        return hr;
    auto type = headerMap.find(L"content-type");
    if (type != headerMap.end()) {
        auto boundary = type->second.attributes.find(L"boundary");
        if (boundary != type->second.attributes.end())
            return ParseMultipart(fields, body, boundary->second);
    }
    return ParseFields(fields, body);
}

bool ExtractDownloadFileName(const std::wstring& contentDisposition, std::wstring& name)
{
    static const boost::wregex quoted(L"filename\\s*=\\s*\"([^\";]*)\"");
    static const boost::wregex plain(L"filename\\s*=\\s*([^;]*)");
    boost::wsmatch match;
    if (boost::regex_search(contentDisposition, match, quoted) ||
        boost::regex_search(contentDisposition, match, plain)) {
        name = match[1].str();
        return true;
    }
    name.clear();
    return false;
}

std::wstring MakeDownloadFileNameSafe(const std::wstring& name)
{
    // A server's "..\..\x.exe" or "/etc/x" must not reach outside the folder
    // the caller chose: only the last component counts.
    size_t cut = name.find_last_of(L"/\\");
    std::wstring out = cut == std::wstring::npos ? name : name.substr(cut + 1);
    for (wchar_t& c : out) {
        if (c < 0x20 || c == 0x7F)
            c = L'_';
    }
    MakeFileNameSafe(out);
    // Windows drops trailing dots and spaces, so "x.exe. " would name "x.exe"
    // and ".." nothing at all.
    while (!out.empty() && (out.back() == L' ' || out.back() == L'.'))
        out.pop_back();
    out.erase(0, out.find_first_not_of(L' ') == std::wstring::npos ? out.size() : out.find_first_not_of(L' '));
    if (out.empty())
        return out;
    if (IsDeviceName(out))
        out.insert(out.begin(), L'_');
    return out;
}
