#include "ui/ColorDlg.h"
#include "foundation/XmlValue.h"
#include "platform/ScopedFlag.h"
#include <algorithm>

namespace {

const int kChannelEdits[3] = {IDC_RED_EDIT, IDC_GREEN_EDIT, IDC_BLUE_EDIT};
const int kChannelTrackbars[3] = {IDC_RED_SLIDER, IDC_GREEN_SLIDER, IDC_BLUE_SLIDER};

bool Excluded(const std::vector<int>& excluded, int id)
{
    return std::find(excluded.begin(), excluded.end(), id) != excluded.end();
}

int ChannelOfEdit(int id) { return id == IDC_RED_EDIT ? 0 : (id == IDC_GREEN_EDIT ? 1 : 2); }

BYTE Channel(COLORREF c, int i) { return i == 0 ? GetRValue(c) : (i == 1 ? GetGValue(c) : GetBValue(c)); }

COLORREF WithChannel(COLORREF c, int i, BYTE v)
{
    BYTE r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    (i == 0 ? r : (i == 1 ? g : b)) = v;
    return RGB(r, g, b);
}

} // namespace

bool ParseChannelText(const std::wstring& text, BYTE& value, bool& clamped)
{
    const std::wstring trimmed = TrimCopyIf(text, [](wchar_t c) { return c == L' ' || c == L'\t'; });
    clamped = false;
    int v = 0;
    if (!trimmed.empty() && !ParseFixedPoint(v, trimmed, 0))
        return false;
    const int c = std::min(255, std::max(0, v));
    clamped = c != v;
    value = static_cast<BYTE>(c);
    return true;
}

// --- the page ------------------------------------------------------------------

CColorPageMono::CColorPageMono() : CColorPageImpl<CColorPageMono>(IDS_PAGE_MONO) {}

void CColorPageMono::SetInitialColor(COLORREF color, bool alsoPrevious)
{
    SelectedSwatch.Color = color;
    if (alsoPrevious)
        PreviousSwatch.Color = color;
}

void CColorPageMono::SetColor(const std::vector<int>& excluded, COLORREF color, bool redraw)
{
    if (Updating)
        return;
    CScopedFlag updating(Updating);
    if (!Excluded(excluded, IDC_MONO_SELECTED))
        SelectedSwatch.SetColor(color, redraw);
    if (!Excluded(excluded, IDC_PICKER_HS))
        PickerHS.SetColor(color, redraw);
    if (!Excluded(excluded, IDC_PICKER_L))
        PickerL.SetColor(color, redraw);
    if (!Excluded(excluded, IDC_MONO_COLOR) && ColorCombo.m_hWnd)
        ColorCombo.SetText(FormatColorHex(color));
    for (int i = 0; i < 3; ++i) {
        if (i < static_cast<int>(Trackbars.size()) && !Excluded(excluded, kChannelTrackbars[i]))
            ::SendMessageW(Trackbars[i], TBM_SETPOS, TRUE, Channel(color, i));
    }
    for (int i = 0; i < 3; ++i) {
        if (i < static_cast<int>(Edits.size()) && !Excluded(excluded, kChannelEdits[i])) {
            CWindow edit(Edits[i]);
            const std::wstring text = FormatInt(Channel(color, i));
            if (edit.GetWindowText() != text)
                edit.SetWindowText(text);
        }
    }
    FireChanged(0);
}

LRESULT CColorPageMono::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    SelectedSwatch.EdgeFlags = BF_LEFT | BF_TOP | BF_RIGHT;
    SelectedSwatch.SubclassWindow(GetDlgItem(IDC_MONO_SELECTED));
    PreviousSwatch.EdgeFlags = BF_LEFT | BF_RIGHT | BF_BOTTOM;
    PreviousSwatch.SubclassWindow(GetDlgItem(IDC_MONO_PREVIOUS));
    PickerHS.Listener = this;
    PickerHS.SubclassWindow(GetDlgItem(IDC_PICKER_HS));
    PickerL.Listener = this;
    PickerL.SubclassWindow(GetDlgItem(IDC_PICKER_L));
    ColorCombo.SubclassWindow(GetDlgItem(IDC_MONO_COLOR));
    ColorCombo.List = &GetNamedColors();
    ColorCombo.Fill();
    ColorCombo.Listener = this;
    Trackbars.clear();
    Edits.clear();
    for (int i = 0; i < 3; ++i) {
        HWND trackbar = GetDlgItem(kChannelTrackbars[i]);
        ::SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
        ::SendMessageW(trackbar, TBM_SETLINESIZE, 0, 1);
        ::SendMessageW(trackbar, TBM_SETPAGESIZE, 0, 1);
        Trackbars.push_back(trackbar);
        Edits.push_back(GetDlgItem(kChannelEdits[i]));
    }
    SetColor({}, GetColor(), true);
    SetDlgItemText(IDC_MONO_PREVIOUS_COLOR, FormatColorHex(GetPreviousColor()));
    return TRUE;
}

void CColorPageMono::OnChangeColor(CWindow* picker)
{
    if (Updating)
        return;  // an echo of SetColor
    if (picker == &PickerHS)
        PickerL.SetHueSaturation(PickerHS.Hue, PickerHS.Saturation, true);
    // The pickers keep their exact values; only the other controls follow.
    SetColor({IDC_PICKER_HS, IDC_PICKER_L}, HslToRgb(PickerHS.Hue, PickerHS.Saturation, PickerL.Lightness), true);
}

void CColorPageMono::OnSelChange(CWindow*, UINT code, UINT, HWND)
{
    if (code == CBN_KILLFOCUS) {
        // Left, the box shows the colour its text stood for (black for a text that is no colour).
        ColorCombo.SetText(FormatColorHex(GetColor()));
        return;
    }
    // The field holds the colour (the list, names).
    SetColor({IDC_MONO_COLOR}, ColorOfBoxText(ColorCombo.GetWindowText()), true);
}

LRESULT CColorPageMono::OnHScroll(UINT, WPARAM, LPARAM lp, BOOL& handled)
{
    HWND source = reinterpret_cast<HWND>(lp);
    auto it = std::find(Trackbars.begin(), Trackbars.end(), source);
    if (!source || it == Trackbars.end()) {
        handled = FALSE;
        return 0;
    }
    BYTE rgb[3];
    for (int i = 0; i < 3; ++i)
        rgb[i] = static_cast<BYTE>(::SendMessageW(Trackbars[i], TBM_GETPOS, 0, 0));
    SetColor({kChannelTrackbars[it - Trackbars.begin()]}, RGB(rgb[0], rgb[1], rgb[2]), true);
    return 0;
}

LRESULT CColorPageMono::OnEditChange(WORD, WORD id, HWND edit, BOOL&)
{
    if (Updating)
        return 0;
    const int channel = ChannelOfEdit(id);
    BYTE value = 0;
    bool clamped = false;
    if (!ParseChannelText(CWindow(edit).GetWindowText(), value, clamped))
        return 0;
    // An out-of-range entry is rewritten at once; an empty one stays empty.
    std::vector<int> excluded;
    if (!clamped)
        excluded.push_back(id);
    SetColor(excluded, WithChannel(GetColor(), channel, value), true);
    return 0;
}

LRESULT CColorPageMono::OnEditLeft(WORD, WORD id, HWND edit, BOOL&)
{
    const std::wstring text = FormatInt(Channel(GetColor(), ChannelOfEdit(id)));
    CWindow box(edit);
    if (box.GetWindowText() != text) {
        CScopedFlag updating(Updating);  // the edit's own notice changes nothing
        box.SetWindowText(text);
    }
    return 0;
}

// --- the sheet -------------------------------------------------------------------

CColorDlg::CColorDlg() : CPropertySheetImpl<CColorDlg>(IDS_SELECT_COLOR_TITLE)
{
    AddPage(MonoPage.Create());
    AddMemfunListener(MonoPage.ContentListeners, this, &CColorDlg::OnPageChanged);
}

INT_PTR CColorDlg::Run(HWND owner)
{
    const INT_PTR result = DoModal(owner);
    if (result != 1) {
        MonoPage.SetInitialColor(MonoPage.GetPreviousColor(), false);
        FireChanged(0);
    }
    return result;
}
