#include "ui/ComboBox2.h"
#include "foundation/XmlValue.h"
#include <commctrl.h>

namespace {

LRESULT CALLBACK EditWheelProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        // A one-line field has nothing to scroll: the default procedure
        // hands the wheel to the parent, the combo.
        return ::DefWindowProcW(edit, msg, wp, lp);
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(edit, EditWheelProc, id);
        break;
    }
    return ::DefSubclassProc(edit, msg, wp, lp);
}

} // namespace

int CComboBox2Traits<CNamedColors>::FindText(const CNamedColors& list, const std::wstring& text)
{
    COLORREF colour = 0;  // a text that is no colour counts as black
    if (!ParseColorHex(colour, text))
        colour = 0;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i]->color == colour)
            return static_cast<int>(i);
    return kNotInList;
}

std::wstring CComboBox2Traits<CNamedInts>::EditText(const CNamedInts& list, size_t i)
{
    return FormatFixedPoint(list[i]->value, 0, false);
}

int CComboBox2Traits<CNamedInts>::FindText(const CNamedInts& list, const std::wstring& text)
{
    int value = 0;
    if (!ParseFixedPoint(value, text, 0))
        return kIgnoreStep;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i]->value == value)
            return static_cast<int>(i);
    return kNotInList;
}

int WheelStepIndex(int current, int delta, size_t count)
{
    if (delta == 0)
        return kNotInList;
    const int next = current == kNotInList ? (delta < 0 ? 0 : kNotInList) : current + (delta > 0 ? -1 : 1);
    return next >= 0 && static_cast<size_t>(next) < count ? next : kNotInList;
}

bool ComboHasFocus(HWND combo)
{
    HWND focus = ::GetFocus();
    return focus && (focus == combo || ::IsChild(combo, focus));
}

void PassEditWheelToCombo(HWND combo)
{
    // Installed again on the same field, the subclass is only renewed.
    if (HWND edit = ::FindWindowExW(combo, nullptr, L"Edit", nullptr))
        ::SetWindowSubclass(edit, EditWheelProc, 0, 0);
}
