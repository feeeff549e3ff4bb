#include "ui/ListBoxCb.h"

LRESULT CListBoxCb::OnFindString(UINT, WPARAM wp, LPARAM lp, BOOL& handled)
{
    if (UseDefaultSearch) {
        handled = FALSE;
        return 0;
    }
    return SendMessage(LB_FINDSTRINGEXACT, wp, lp);
}

LRESULT CListBoxCb::OnFindStringExact(UINT, WPARAM wp, LPARAM lp, BOOL& handled)
{
    if (UseDefaultSearch || !lp) {
        handled = FALSE;
        return 0;
    }
    const std::wstring text(reinterpret_cast<const wchar_t*>(lp));
    return FindExactText(GetCount(), static_cast<int>(wp), text, [this](int i) { return GetText(i); });
}
