#include "foundation/StringUtil.h"
#include "foundation/Error.h"
#include "foundation/RegexUtil.h"
#include "foundation/TextDecode.h"
#include "resources/strings_foundation.h"
#include <algorithm>
#include <climits>
#include <string.h>

namespace {

struct CComparisonLocale {
    _locale_t handle;
    CComparisonLocale() : handle(_create_locale(LC_ALL, "C")) {}
    ~CComparisonLocale()
    {
        if (handle)
            _free_locale(handle);
    }
};

// Created during static initialisation, before any thread can race on it.
const _locale_t g_comparisonLocaleAtStart = GetComparisonLocale();

} // namespace

_locale_t GetComparisonLocale()
{
    static CComparisonLocale locale;
    return locale.handle;
}

int CompareNoCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    // Compared in slices the call's int lengths hold; a slice that differs
    // decides.
    const size_t kSlice = 1u << 30;
    for (;;) {
        const int n = static_cast<int>(std::min(aLength, kSlice)), m = static_cast<int>(std::min(bLength, kSlice));
        const int r = ::CompareStringOrdinal(a, n, b, m, TRUE);
        if (r != CSTR_EQUAL || (aLength <= kSlice && bLength <= kSlice))
            return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
        a += n, b += m, aLength -= static_cast<size_t>(n), bLength -= static_cast<size_t>(m);
    }
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix)
{
    return text.size() >= prefix.size() && CompareNoCase(text.c_str(), prefix.size(), prefix.c_str(), prefix.size()) == 0;
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix)
{
    return text.size() >= suffix.size() &&
           CompareNoCase(text.c_str() + (text.size() - suffix.size()), suffix.size(), suffix.c_str(), suffix.size()) == 0;
}

std::wstring NoCaseKey(const std::wstring& name)
{
    std::wstring key = name;
    // LCMAP_UPPERCASE without linguistic casing is the file-system table
    // that CompareStringOrdinal folds with; one unit becomes one unit. Were
    // it ever refused, the user's table is the nearest there is.
    if (!key.empty() && ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(),
                                        static_cast<int>(name.size()), &key[0], static_cast<int>(key.size()),
                                        nullptr, nullptr, 0) != static_cast<int>(key.size())) {
        key = name;
        ::CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    }
    return key;
}

std::wstring GroupedDigits(ULONGLONG n)
{
    std::wstring digits = std::to_wstring(n);
    for (size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, 1, L',');
    return digits;
}

std::wstring ShortenedForMessage(const std::wstring& text, size_t most)
{
    if (text.size() <= most)
        return text;
    size_t n = most;
    if (n > 0 && IsHighSurrogate(text[n - 1]))
        --n;
    return text.substr(0, n) + L"\x2026";
}

int CompareAsciiNoCase(const wchar_t* a, const wchar_t* b)
{
    return _wcsicmp_l(a, b, GetComparisonLocale());
}

void SplitString(const std::wstring& text, const std::wstring& delimiters, std::list<std::wstring>& out)
{
    if (text.empty())
        return;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find_first_of(delimiters, start);
        if (pos == std::wstring::npos) {
            out.push_back(text.substr(start));
            return;
        }
        out.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

bool StripEnclosingPairs(std::wstring& text, const std::wstring& pairChars)
{
    if (text.empty())
        return false;
    size_t l = 0;
    size_t r = text.size() - 1;
    for (wchar_t c : pairChars) {
        if (l > r)
            break;
        if (text[l] == c && text[r] == c) {
            if (l == r) {
                text.clear();
                return true;
            }
            ++l;
            --r;
        }
    }
    if (l == 0)
        return false;
    // Two adjacent quotes leave l one past r: nothing remains between them.
    text = l > r ? std::wstring() : text.substr(l, r - l + 1);
    return true;
}

void ToCrLf(std::wstring& text)
{
    const bool endsInCr = !text.empty() && text.back() == L'\r';
    text = ConvertLfToCrLf(text);
    if (endsInCr)
        text.push_back(L'\n');
}

bool TranslateChars(std::wstring& text, const std::wstring& from, const std::wstring& to)
{
    if (from.size() != to.size())
        return false;
    for (wchar_t& c : text) {
        size_t pos = from.find(c);
        if (pos != std::wstring::npos)
            c = to[pos];
    }
    return true;
}

bool ReplaceChar(std::wstring& text, wchar_t what, wchar_t with)
{
    if (what == with)
        return false;
    bool replaced = false;
    for (wchar_t& c : text) {
        if (c == what) {
            c = with;
            replaced = true;
        }
    }
    return replaced;
}

bool IsAllDots(const std::wstring& text)
{
    for (wchar_t c : text) {
        if (!IsDot(c))
            return false;
    }
    return true;
}

void BroadcastEvent(const CEventListeners& listeners, UINT32 a, UINT32 b)
{
    for (const boost::shared_ptr<CEventListener>& listener : listeners) {
        if (listener)
            listener->OnEvent(a, b);
    }
}

bool RegexMatchNoThrow(const std::wstring& text, const boost::wregex& regex,
                       boost::wsmatch& match, std::wstring& errorText)
{
    errorText.clear();
    try {
        return boost::regex_match(text, match, regex);
    } catch (const std::exception& e) {
        errorText = WidenWhat(e.what());
        return false;
    }
}

void WideCharsToMultiByte(UINT codePage, DWORD flags, const wchar_t* text, int count, std::string& out)
{
    out.clear();
    if (count == 0)
        return;
    int n = WideCharToMultiByte(codePage, flags, text, count, nullptr, 0, nullptr, nullptr);
    if (n == 0)
        throw my::CException(IDS_CONVERT_CODE_PAGE_FAILED, NumberToWString(static_cast<long>(codePage)));
    out.assign(static_cast<size_t>(n) + 1, '\0');
    n = WideCharToMultiByte(codePage, flags, text, count, &out[0], n + 1, nullptr, nullptr);
    if (n == 0) {
        out.clear();
        throw my::CException(IDS_CONVERT_CODE_PAGE_FAILED, NumberToWString(static_cast<long>(codePage)));
    }
    out.resize(static_cast<size_t>(n));
    // A count of -1 converts the terminator too; it is not part of the text.
    if (count < 0 && !out.empty() && out.back() == '\0')
        out.pop_back();
}

void WideToMultiByte(UINT codePage, const std::wstring& text, std::string& out)
{
    if (text.size() > static_cast<size_t>(INT_MAX))
        ThrowCastErrorU64(L"size_t", L"int", text.size());
    WideCharsToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), out);
}

void MultiBytesToWide(UINT codePage, DWORD flags, const char* bytes, int count, std::wstring& out)
{
    out.clear();
    if (count == 0)
        return;
    int n = MultiByteToWideChar(codePage, flags, bytes, count, nullptr, 0);
    if (n == 0)
        throw my::CException(IDS_CONVERT_TO_UNICODE_FAILED, NumberToWString(static_cast<long>(codePage)));
    out.assign(static_cast<size_t>(n) + 1, L'\0');
    n = MultiByteToWideChar(codePage, flags, bytes, count, &out[0], n + 1);
    if (n == 0) {
        out.clear();
        throw my::CException(IDS_CONVERT_TO_UNICODE_FAILED, NumberToWString(static_cast<long>(codePage)));
    }
    out.resize(static_cast<size_t>(n));
    if (count < 0 && !out.empty() && out.back() == L'\0')
        out.pop_back();
}

void MultiByteToWideString(UINT codePage, DWORD flags, const std::string& bytes, std::wstring& out)
{
    if (bytes.size() > static_cast<size_t>(INT_MAX))
        ThrowCastErrorU64(L"size_t", L"int", bytes.size());
    MultiBytesToWide(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out);
}
