#include "inet/UrlRequest.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include <boost/regex.hpp>
#include <list>
#include <shlwapi.h>
#include <sstream>
#include <vector>

namespace {

const wchar_t kFieldSeparator[] = L"::";

void SplitFieldPart(const std::wstring& text, std::wstring& url, std::wstring& fieldText, bool& hasFields)
{
    size_t cut = text.find(kFieldSeparator);
    hasFields = cut != std::wstring::npos;
    url = hasFields ? text.substr(0, cut) : text;
    fieldText = hasFields ? text.substr(cut + 2) : std::wstring();
}

std::wstring Shortened(const std::wstring& text, size_t maxLength)
{
    if (text.size() <= maxLength)
        return text;
    return text.substr(0, maxLength >= 3 ? maxLength - 3 : 0) + L"...";
}

} // namespace

HRESULT ParseFieldText(CFormFields& fields, const std::wstring& text)
{
    std::wstring roundTrip;
    try {
        std::string ansi;
        WideToMultiByte(CP_THREAD_ACP, text, ansi);
        MultiByteToWideString(CP_THREAD_ACP, 0, ansi, roundTrip);
    } catch (const my::CException& e) {
        return e.code ? e.code : E_FAIL;
    }
    fields.clear();
    static const boost::wregex field(L"\\s*(\\S+)\\s*=\\s*(\\S*)\\s*");
    std::list<std::wstring> pieces;
    SplitString(roundTrip, L"&", pieces);
    for (const std::wstring& piece : pieces) {
        boost::wsmatch match;
        if (boost::regex_search(piece, match, field))
            fields[match[1].str()] = match[2].str();
    }
    return S_OK;
}

UINT CodePageOfCharset(const std::wstring& charset)
{
    static const struct { const wchar_t* name; UINT codePage; } table[] = {
        {L"utf-8", 65001}, {L"utf-7", 65000}, {L"shift_jis", 932}, {L"euc-jp", 51932}, {L"ISO-2022-JP", 50220},
    };
    for (const auto& entry : table) {
        if (CompareAsciiNoCase(charset.c_str(), entry.name) == 0)
            return entry.codePage;
    }
    return 0;
}

std::string EncodeFormFields(const CFormFields& fields, UINT codePage)
{
    static const char hex[] = "0123456789ABCDEF";
    auto append = [&](std::string& out, const std::wstring& text) {
        std::string bytes;
        WideToMultiByte(codePage, text, bytes);
        for (unsigned char c : bytes) {
            bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         c == '-' || c == '.' || c == '_' || c == '~';
            if (plain) {
                out += static_cast<char>(c);
            } else {
                out += '%';
                out += hex[c >> 4];
                out += hex[c & 0xF];
            }
        }
    };
    std::string body;
    bool first = true;
    for (const auto& field : fields) {
        if (!first)
            body += '&';
        first = false;
        append(body, field.first);
        body += '=';
        append(body, field.second);
    }
    return body;
}

HRESULT CUrlRequest::SetUrl(const wchar_t* text)
{
    std::wstring urlText, fieldText;
    bool hasFields = false;
    SplitFieldPart(text ? text : L"", urlText, fieldText, hasFields);
    CFormFields parsed;
    if (hasFields) {
        HRESULT hr = ParseFieldText(parsed, fieldText);
        if (FAILED(hr))
            return hr;
    }
    fields.swap(parsed);
    url.Parse(urlText);
    return S_OK;
}

HRESULT CUrlRequest::Resolve(CUrlRequest& out, const wchar_t* reference)
{
    std::wstring urlText, fieldText;
    bool hasFields = false;
    SplitFieldPart(reference ? reference : L"", urlText, fieldText, hasFields);
    CFormFields parsed;
    if (hasFields) {
        HRESULT hr = ParseFieldText(parsed, fieldText);
        if (FAILED(hr))
            return hr;
    }
    CUrl resolved;
    HRESULT hr = url.Resolve(resolved, urlText);
    if (FAILED(hr))
        return hr;
    // Both parts change only when both succeeded; `out` may be this record.
    fields.swap(parsed);
    out.url = resolved;
    return S_OK;
}

std::wstring CUrlRequest::GetFieldPairs() const
{
    std::wstring out;
    for (const auto& field : fields) {
        if (!out.empty())
            out += L'&';
        out += field.first + L"=" + field.second;
    }
    return out;
}

std::wstring CUrlRequest::GetFieldsText() const
{
    return fields.empty() ? std::wstring() : kFieldSeparator + GetFieldPairs();
}

std::wstring CUrlRequest::ToString() const { return url.Url + GetFieldsText(); }

std::wstring CUrlRequest::ToShortString(int maxLength) const
{
    const size_t limit = maxLength < 0 ? 0 : static_cast<size_t>(maxLength);
    std::list<std::wstring> pieces;
    SplitString(url.Path, L"/", pieces);
    std::vector<std::wstring> segments;
    for (const std::wstring& piece : pieces) {
        if (!piece.empty())
            segments.push_back(piece);
    }
    if (segments.empty())
        return Shortened(ToString(), limit);
    std::wstring tail = segments.back() + url.Extra + GetFieldsText();
    if (tail.size() > limit)
        return Shortened(tail, limit);
    std::wostringstream prefix;
    url.WritePrefix(prefix, true);
    const std::wstring head = prefix.str();
    std::wstring result = tail;
    for (size_t i = segments.size() - 1;; --i) {
        if (i == 0) {
            std::wstring whole = head + L"/" + tail;
            return whole.size() <= limit ? whole : result;
        }
        std::wstring candidate = head + L"/.../" + tail;
        if (candidate.size() > limit)
            return result;
        result = candidate;
        tail = segments[i - 1] + L"/" + tail;
    }
}

bool operator==(const CUrlRequest& a, const CUrlRequest& b)
{
    return a.url.EqualsExactly(b.url) && a.referer == b.referer && a.fields == b.fields;
}

bool operator<(const CUrlRequest& a, const CUrlRequest& b)
{
    if (!a.url.EqualsExactly(b.url))
        return a.url.Url < b.url.Url;
    if (a.referer != b.referer)
        return a.referer < b.referer;
    return a.GetFieldPairs() < b.GetFieldPairs();
}

int CompareLogical(const CUrlRequest& a, const CUrlRequest& b)
{
    return StrCmpLogicalW(a.ToString().c_str(), b.ToString().c_str());
}
