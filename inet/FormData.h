// The reading side of form posts: header lines with their attributes,
// URL-encoded bodies and multipart/form-data bodies, and the file name a
// server suggests for a download.
#pragma once
#include "inet/UrlRequest.h"
#include <windows.h>
#include <oleauto.h>
#include <list>
#include <map>
#include <string>

struct HeaderField {
    std::wstring value;                                // before the first ";"
    std::map<std::wstring, std::wstring> attributes;  // names in lower case
};
// Keyed by the header name in lower case.
typedef std::map<std::wstring, HeaderField> CHeaderMap;

// The fields of a post: multipart when the content type has a boundary,
// URL-encoded otherwise. The results of the VARIANT conversions are returned.
HRESULT ParsePostData(CFormFields& fields, const VARIANT& postData, const VARIANT& headers);
HRESULT ParseHeadersFromVariant(CHeaderMap& headers, const VARIANT& in);
// One header per line (CR LF or LF).
HRESULT ParseHeaders(CHeaderMap& headers, const std::wstring& text);
// "Name: value; attr=x; attr2="quoted value"". False when it is no header.
bool ParseHeaderLine(CHeaderMap& headers, const std::wstring& line);
// The body in the thread's ANSI code page; a value keeps its inner line breaks.
HRESULT ParseMultipart(CFormFields& fields, const std::string& body, const std::wstring& boundary);
// Names and values decoded ("+", "%XX") and then read in the thread's ANSI
// code page.
HRESULT ParseFields(CFormFields& fields, const std::string& text);

// Tokens between separators; a quote character starts a run in which
// separators do not count (the quotes are dropped unless kept); the
// character after an escape character replaces it. Empty tokens are dropped.
void SplitQuoted(const std::wstring& text, const std::wstring& separators, std::list<std::wstring>& out,
                 const std::wstring& quotes, const std::wstring& escapes, bool keepQuotes = false);
// Pieces ending in CR LF, each without it (empty ones too), and a last
// non-empty piece without one.
void SplitLines(const std::wstring& text, std::list<std::wstring>& out);
// Tokens between runs of separator characters; never an empty token.
void SplitAtAny(const std::wstring& text, const std::wstring& separators, std::list<std::wstring>& out);
bool StartsWith(const std::wstring& text, const std::wstring& prefix);

// The file name of a Content-Disposition value as the server wrote it; false
// when there is none.
bool ExtractDownloadFileName(const std::wstring& contentDisposition, std::wstring& name);
// A server's name reduced to one safe file name: the last path component,
// no characters a file name cannot hold, no device name; "" when nothing
// usable is left.
std::wstring MakeDownloadFileNameSafe(const std::wstring& name);
