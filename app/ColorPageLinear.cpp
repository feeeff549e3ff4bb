// The linear gradation page: angle, unit, whole-image flag, the preview
// strip and twelve stop rows (in use, colour button, hex colour, position as
// text and as trackbar). Stops are never added, removed or reordered here:
// a stop leaves the gradation by being unticked, positions may be in any
// order, and stops after the twelfth are carried along unchanged.
#include "app/PaintDlg.h"
#include "decoration/FieldWalks.h"
#include "decoration/NamedEffects.h"
#include "foundation/XmlValue.h"
#include "ui/NumberStep.h"

namespace {
const int kPosRangeMax = 100;
} // namespace

CColorPageLinear::CColorPageLinear() : CColorPageImpl<CColorPageLinear>(IDS_PAGE_LINEAR) {}

LRESULT CColorPageLinear::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    HWND angle = GetDlgItem(IDC_GRAD_ANGLE);
    // The number boxes are plain combos: the wheel and Up and Down step
    // through their lists by the number boxes' rule, read as they are read.
    StepNumbersByWheelAndArrows(angle, {true, 0});
    FillComboRange(angle, 0, 180, 5, 0);
    FillComboRange(angle, -5, -175, -5, 0);
    SetDlgItemText(IDC_GRAD_ANGLE, FormatInt(static_cast<int>(Gradation.Angle)));
    InitUnitCombo(GetDlgItem(IDC_UNIT), Gradation.Unit);
    KeepDroppedListChoices(m_hWnd);
    CheckDlgButton(IDC_ENTIRE, Gradation.Entire ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < kGradationRows; ++i)
        InitRow(i);
    Preview.SubclassWindow(GetDlgItem(IDC_GRAD_PREVIEW));
    Preview.SetGradation(Gradation);
    return TRUE;
}

void CColorPageLinear::InitRow(int i)
{
    const CColorPosSetting& stop = Gradation.Stops[static_cast<size_t>(i)];
    CheckDlgButton(IDC_STOP_USE + i, stop.Use ? BST_CHECKED : BST_UNCHECKED);
    StopButtons[i].SubclassWindow(GetDlgItem(IDC_STOP_BUTTON + i));
    StopButtons[i].Listener = this;
    StopButtons[i].SetColor(stop.Color);
    StopCombos[i].SubclassWindow(GetDlgItem(IDC_STOP_COLOR + i));
    StopCombos[i].List = &GetNamedColors();
    StopCombos[i].Fill();
    StopCombos[i].Listener = this;
    StopCombos[i].SetText(FormatColorHex(stop.Color));
    HWND pos = GetDlgItem(IDC_STOP_POS + i);
    StepNumbersByWheelAndArrows(pos, {true, kReadAsReal});
    FillComboRange(pos, 0, 100, 5, 2);
    SetDlgItemText(IDC_STOP_POS + i, FormatStopPos(stop.Pos));
    HWND trackbar = GetDlgItem(IDC_STOP_SLIDER + i);
    ::SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, kPosRangeMax));
    ::SendMessageW(trackbar, TBM_SETLINESIZE, 0, 1);
    ::SendMessageW(trackbar, TBM_SETPAGESIZE, 0, 1);
    ::SendMessageW(trackbar, TBM_SETPOS, TRUE, StopPosToTrackbar(stop.Pos, kPosRangeMax));
}

void CColorPageLinear::ChangedStop(int index)
{
    Preview.SetGradation(Gradation);
    if (Gradation.Stops[static_cast<size_t>(index)].Use)
        FireChanged(0);
}

void CColorPageLinear::SetStopColor(int index, COLORREF color)
{
    if (index < 0 || index >= kGradationRows)
        return;
    Gradation.Stops[static_cast<size_t>(index)].Color = color;
    if (StopButtons[index].GetColor() != color) {
        StopButtons[index].SetColor(color);
        if (StopButtons[index].m_hWnd)
            StopButtons[index].InvalidateRect(nullptr, FALSE);
    }
    ChangedStop(index);
}

void CColorPageLinear::SetStopPos(UINT sourceId, double value)
{
    const int index = StopIndexOfControl(sourceId);
    if (index < 0)
        return;
    Gradation.Stops[static_cast<size_t>(index)].Pos = value;
    Preview.SetGradation(Gradation);
    if (sourceId == static_cast<UINT>(IDC_STOP_POS + index)) {
        HWND trackbar = GetDlgItem(IDC_STOP_SLIDER + index);
        const int max = static_cast<int>(::SendMessageW(trackbar, TBM_GETRANGEMAX, 0, 0));
        ::SendMessageW(trackbar, TBM_SETPOS, TRUE, StopPosToTrackbar(value, max));
    } else {
        SetDlgItemText(IDC_STOP_POS + index, FormatStopPos(value));
    }
    if (Gradation.Stops[static_cast<size_t>(index)].Use)
        FireChanged(0);
}

LRESULT CColorPageLinear::OnHScroll(UINT, WPARAM, LPARAM lp, BOOL& handled)
{
    HWND trackbar = reinterpret_cast<HWND>(lp);
    const UINT id = trackbar ? static_cast<UINT>(::GetDlgCtrlID(trackbar)) : 0;
    if (StopIndexOfControl(id) < 0 || id < static_cast<UINT>(IDC_STOP_SLIDER)) {
        handled = FALSE;
        return 0;
    }
    const int max = static_cast<int>(::SendMessageW(trackbar, TBM_GETRANGEMAX, 0, 0));
    const int pos = static_cast<int>(::SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    SetStopPos(id, max > 0 ? static_cast<double>(pos) / max : 0.0);
    return 0;
}

LRESULT CColorPageLinear::OnAngle(WORD, WORD, HWND, BOOL&)
{
    int angle = 0;
    if (!ReadComboInt(m_hWnd, IDC_GRAD_ANGLE, true, 0, angle))
        return 0;
    // Typed angles outside the list are taken as they are, within the field's bounds.
    angle = ClampInt(angle, kAngleBounds.low, kAngleBounds.high);
    if (static_cast<UINT>(angle) != Gradation.Angle) {
        Gradation.Angle = static_cast<UINT>(angle);
        Preview.SetGradation(Gradation);
        FireChanged(0);
    }
    return 0;
}

LRESULT CColorPageLinear::OnUnit(WORD, WORD, HWND, BOOL&)
{
    if (TakeUnitChoice(GetDlgItem(IDC_UNIT), Gradation.Unit))
        FireChanged(0);
    return 0;
}

LRESULT CColorPageLinear::OnEntire(WORD, WORD, HWND, BOOL&)
{
    Gradation.Entire = IsDlgButtonChecked(IDC_ENTIRE) == BST_CHECKED;
    Preview.SetGradation(Gradation);
    FireChanged(0);
    return 0;
}

LRESULT CColorPageLinear::OnUse(WORD, WORD id, HWND, BOOL&)
{
    const int index = StopIndexOfControl(id);
    Gradation.Stops[static_cast<size_t>(index)].Use = IsDlgButtonChecked(id) == BST_CHECKED;
    Preview.SetGradation(Gradation);
    FireChanged(0);
    return 0;
}

LRESULT CColorPageLinear::OnPosCombo(WORD, WORD id, HWND, BOOL&)
{
    double value = 0.0;
    // A stop lies in 0..1: 5 typed is stored as 1, and 0.999 as the 0.99
    // the box shows once left, as the other number boxes store what they show.
    if (ReadComboDouble(m_hWnd, id, true, value))
        SetStopPos(id, ShownStopPos(ClampUnit(value)));
    return 0;
}

LRESULT CColorPageLinear::OnNumberLeft(WORD, WORD id, HWND box, BOOL&)
{
    const int stop = StopIndexOfControl(id);
    if (stop < 0) {
        SetComboText(box, FormatInt(static_cast<int>(Gradation.Angle)));
        return 0;
    }
    // A position read from a file may hold more digits than the box shows:
    // once the box is left, the stop keeps the position it shows.
    const double shown = ShownStopPos(Gradation.Stops[static_cast<size_t>(stop)].Pos);
    if (shown != Gradation.Stops[static_cast<size_t>(stop)].Pos)
        SetStopPos(id, shown);
    SetComboText(box, FormatStopPos(shown));
    return 0;
}

void CColorPageLinear::OnSelChange(CWindow*, UINT code, UINT id, HWND)
{
    const int index = StopIndexOfControl(id);
    if (index < 0)
        return;
    if (code == CBN_KILLFOCUS) {
        // Left, the box shows the colour stored (black for a text that is no colour).
        StopCombos[index].SetText(FormatColorHex(Gradation.Stops[static_cast<size_t>(index)].Color));
        return;
    }
    // The field holds the colour (the list, names).
    SetStopColor(index, ColorOfBoxText(StopCombos[index].GetWindowText()));
}

void CColorPageLinear::OnClick(CWindow*, UINT, UINT id, HWND)
{
    const int index = StopIndexOfControl(id);
    if (index < 0)
        return;
    CColorDlg dlg;
    dlg.Tag = index;
    dlg.MonoPage.SetInitialColor(Gradation.Stops[static_cast<size_t>(index)].Color, true);
    AddMemfunListener(dlg.Listeners, this, &CColorPageLinear::OnStopDialogChanged);
    // Owned by the paint sheet, whatever window is active: the sheet stays
    // disabled, so it cannot close under the stop's sheet.
    dlg.Run(GetParent());
}

void CColorPageLinear::OnStopDialogChanged(UINT32 sender, UINT32)
{
    const CColorDlg* dlg = EventPointer<CColorDlg>(sender);
    const int i = dlg->Tag;
    if (i < 0 || i >= kGradationRows)
        return;
    const COLORREF color = dlg->MonoPage.GetColor();
    StopCombos[i].SetText(FormatColorHex(color));
    SetStopColor(i, color);
}
