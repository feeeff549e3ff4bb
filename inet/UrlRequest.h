// One request: a URL, a referer and form fields that become a POST body.
// Its text form is the URL, then "::" and the fields as name=value joined by
// "&" in name order, neither escaped (only when there are fields).
#pragma once
#include "inet/Url.h"
#include <windows.h>
#include <map>
#include <string>

typedef std::map<std::wstring, std::wstring> CFormFields;

class CUrlRequest {
public:
    CUrl url;
    std::wstring referer;
    CFormFields fields;

    // The text form: the fields behind the first "::" are parsed and cut off,
    // the rest is parsed as the URL.
    HRESULT SetUrl(const wchar_t* text);
    // The fields of the reference (behind "::", none when it has none) go
    // into this record; its URL part is resolved against this record's URL
    // into out, whose referer and fields stay. Resolving into this record
    // itself follows a link with its own form fields. Nothing changes on failure.
    HRESULT Resolve(CUrlRequest& out, const wchar_t* reference);
    std::wstring ToString() const;
    // At most maxLength characters: the last path segments with the query
    // and the fields, the server in front when there is room.
    std::wstring ToShortString(int maxLength) const;
    // "" without fields, else "::" and the pairs.
    std::wstring GetFieldsText() const;
    // The pairs joined by "&", without "::".
    std::wstring GetFieldPairs() const;
};

bool operator==(const CUrlRequest& a, const CUrlRequest& b);
inline bool operator!=(const CUrlRequest& a, const CUrlRequest& b) { return !(a == b); }
bool operator<(const CUrlRequest& a, const CUrlRequest& b);
// The text forms in the shell's logical order (digit runs by value).
int CompareLogical(const CUrlRequest& a, const CUrlRequest& b);

// Fields of a text "a=1&b=2": pieces that are no "name=value" are skipped, a
// later value of a name replaces the earlier one. The text goes through the
// thread's ANSI code page first.
HRESULT ParseFieldText(CFormFields& fields, const std::wstring& text);

// "utf-8", "utf-7", "shift_jis", "euc-jp", "ISO-2022-JP" without regard to
// case; 0 (the ANSI code page) for any other name.
UINT CodePageOfCharset(const std::wstring& charset);
// application/x-www-form-urlencoded in a code page: every byte but digits,
// letters and - . _ ~ as "%XX", a space included (IDS_CONVERT_CODE_PAGE_FAILED when a text does not
// convert).
std::string EncodeFormFields(const CFormFields& fields, UINT codePage);
