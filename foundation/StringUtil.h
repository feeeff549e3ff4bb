// Small text operations shared by the whole library: comparisons without case
// that never depend on the user's regional settings, splitting, line ends,
// character translation, and
// UTF-16 <-> code-page conversions that raise my::CException on failure.
#pragma once
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <cwctype>
#include <list>
#include <locale.h>
#include <string>

// Names compared without case: paths, file and folder names, font faces.
// Every letter that has a case folds, as the file system and the font mapper
// fold it: each UTF-16 unit is taken to its upper case by the system's
// file-system table (CompareStringOrdinal ignoring case), so Ｆｏｏ and ｆｏｏ,
// Ä and ä are one name. Three-way results order by the folded units. This is
// the one rule of the program for names: a comparison of names uses these.
int CompareNoCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength);
inline int CompareNoCase(const std::wstring& a, const std::wstring& b)
{
    return CompareNoCase(a.c_str(), a.size(), b.c_str(), b.size());
}
inline bool EqualsNoCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}
inline bool SameCharNoCase(wchar_t a, wchar_t b) { return a == b || CompareNoCase(&a, 1, &b, 1) == 0; }
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);
bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix);
// The folded form of a name, by the same table: equal keys for exactly the
// names EqualsNoCase finds equal (for sets and maps of names).
std::wstring NoCaseKey(const std::wstring& name);

// Tokens defined in ASCII compared without case: protocol words (HTTP
// character sets, MIME parts), window class names, SVG ids. Only A-Z fold
// (the "C" locale), as those definitions fold them: no other letter may pass
// for one of theirs.
_locale_t GetComparisonLocale();
int CompareAsciiNoCase(const wchar_t* a, const wchar_t* b);

// "62,914,560": a size a reader can take in at a glance.
std::wstring GroupedDigits(ULONGLONG n);
// A text for a message: a long one by its first `most` units and an
// ellipsis, never splitting a surrogate pair.
std::wstring ShortenedForMessage(const std::wstring& text, size_t most = 64);

template <class T, class U>
inline bool FlagsAllSet(T value, U mask) { return (value & mask) == mask; }

// Appends every piece between delimiter characters, empty pieces included;
// an empty text appends nothing.
void SplitString(const std::wstring& text, const std::wstring& delimiters, std::list<std::wstring>& out);
// Strips one outer pair per pair character, tried once each in order.
bool StripEnclosingPairs(std::wstring& text, const std::wstring& pairChars);
// Lone line feeds get a carriage return before them; a final lone carriage
// return gets a line feed after it.
void ToCrLf(std::wstring& text);
bool TranslateChars(std::wstring& text, const std::wstring& from, const std::wstring& to);
bool ReplaceChar(std::wstring& text, wchar_t what, wchar_t with);
inline bool IsDot(wchar_t c) { return c == L'.'; }
// UTF-16 surrogates. A pair is one character; a lone half is a character of
// its own.
inline bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// The UTF-16 units of the character that starts at i: 2 for a pair, else 1.
inline size_t CharLengthAt(const std::wstring& text, size_t i)
{
    return i + 1 < text.size() && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]) ? 2 : 1;
}
// The UTF-8 bytes of the character that starts at i (a lone surrogate is
// written as U+FFFD, three bytes): what a name costs where Wine counts 255
// bytes rather than 255 units.
inline size_t CharUtf8Length(const std::wstring& text, size_t i)
{
    if (CharLengthAt(text, i) == 2)
        return 4;
    return text[i] < 0x80 ? 1 : text[i] < 0x800 ? 2 : 3;
}
// The code point of the character that starts at i.
inline UINT32 CodePointAt(const std::wstring& text, size_t i)
{
    if (CharLengthAt(text, i) == 1)
        return text[i];
    return 0x10000 + ((static_cast<UINT32>(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
}
// 0 to 15 for "0"-"9", "a"-"f" and "A"-"F", -1 for any other character.
inline int HexDigitOrMinus(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}
bool IsAllDots(const std::wstring& text);

// True for what iswspace calls white space, and for a carriage return.
inline bool IsSpaceOrCr(wchar_t c) { return iswspace(c) != 0 || c == L'\r'; }

// Removes the leading and trailing characters for which pred holds.
template <class Pred>
void TrimIf(std::wstring& text, Pred pred)
{
    size_t end = text.size();
    while (end > 0 && pred(text[end - 1]))
        --end;
    size_t begin = 0;
    while (begin < end && pred(text[begin]))
        ++begin;
    text.erase(end);
    text.erase(0, begin);
}

template <class Pred>
std::wstring TrimCopyIf(const std::wstring& text, Pred pred)
{
    std::wstring out = text;
    TrimIf(out, pred);
    return out;
}

// A null pointer counts as an empty text.
template <class Pred>
std::wstring TrimCopyIfSz(const wchar_t* text, Pred pred)
{
    return text ? TrimCopyIf(std::wstring(text), pred) : std::wstring();
}

// Listeners told about an event in list order.
class CEventListener {
public:
    virtual void OnEvent(UINT32 a, UINT32 b) = 0;
protected:
    ~CEventListener() = default;
};
typedef std::list<boost::shared_ptr<CEventListener>> CEventListeners;
void BroadcastEvent(const CEventListeners& listeners, UINT32 a, UINT32 b);

// Code-page conversions; failures raise IDS_CONVERT_CODE_PAGE_FAILED (to bytes) or IDS_CONVERT_TO_UNICODE_FAILED (to UTF-16).
void WideCharsToMultiByte(UINT codePage, DWORD flags, const wchar_t* text, int count, std::string& out);
void WideToMultiByte(UINT codePage, const std::wstring& text, std::string& out);
void MultiBytesToWide(UINT codePage, DWORD flags, const char* bytes, int count, std::wstring& out);
void MultiByteToWideString(UINT codePage, DWORD flags, const std::string& bytes, std::wstring& out);
