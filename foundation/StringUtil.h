// Small text operations shared by the whole library.
#pragma once
#include <cwctype>
#include <string>

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
    text = text.substr(begin, end - begin);
}

template <class Pred>
void TrimCopyIf(std::wstring& out, const std::wstring& text, Pred pred)
{
    out = text;
    TrimIf(out, pred);
}
