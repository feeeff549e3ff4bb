// The drop-down list of an editable combo box, taken over so that the
// combo's search finds only whole texts: a prefix search (LB_FINDSTRING) is
// answered by the exact search, and the exact search compares with case.
// With UseDefaultSearch the list's own searches run instead.
#pragma once
#include "ui/WindowImpl.h"
#include <string>

// The exact, case-sensitive search: from max(start, 0) to the end, then, for
// a start of at least 1, from the first item to just before it; -1 (LB_ERR)
// when no item equals the text.
template <class GetText>
int FindExactText(int count, int start, const std::wstring& text, GetText getText)
{
    const int from = start < 0 ? 0 : start;
    for (int i = from; i < count; ++i)
        if (getText(i) == text)
            return i;
    for (int i = 0; i < from && i < count; ++i)
        if (getText(i) == text)
            return i;
    return LB_ERR;
}

class CListBoxCb : public CWindowImpl<CListBoxCb, CListBoxW> {
public:
    bool UseDefaultSearch = false;

    BEGIN_MSG_MAP(CListBoxCb)
        MESSAGE_HANDLER(LB_FINDSTRING, OnFindString)
        MESSAGE_HANDLER(LB_FINDSTRINGEXACT, OnFindStringExact)
    END_MSG_MAP()

private:
    LRESULT OnFindString(UINT, WPARAM wp, LPARAM lp, BOOL& handled);
    LRESULT OnFindStringExact(UINT, WPARAM wp, LPARAM lp, BOOL& handled);
};
