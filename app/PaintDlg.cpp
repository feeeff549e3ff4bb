#include "app/PaintDlg.h"
#include "decoration/NamedEffects.h"

void InitUnitCombo(HWND combo, UINT unit)
{
    FillComboFromNamedInts(combo, GetNamedTextUnits());
    SelectNamedIntValue(combo, GetNamedTextUnits(), static_cast<int>(unit));
}

bool TakeUnitChoice(HWND combo, UINT& unit)
{
    boost::shared_ptr<CNamedInt> chosen = GetSelectedNamedInt(combo, GetNamedTextUnits());
    if (!chosen || static_cast<UINT>(chosen->value) == unit)
        return false;
    unit = static_cast<UINT>(chosen->value);
    return true;
}

CPaintDlg::CPaintDlg() : CPropertySheetImpl<CPaintDlg>(IDS_SELECT_COLOR_TITLE)
{
    AddPage(MonoPage.Create());
    AddPage(LinearPage.Create());
    AddPage(TexturePage.Create());
    for (CEventListeners* lists : {&MonoPage.ActivationListeners, &LinearPage.ActivationListeners,
                                   &TexturePage.ActivationListeners})
        AddMemfunListener(*lists, this, &CPaintDlg::OnPageActivated);
    for (CEventListeners* lists : {&MonoPage.ContentListeners, &LinearPage.ContentListeners,
                                   &TexturePage.ContentListeners})
        AddMemfunListener(*lists, this, &CPaintDlg::OnPageChanged);
}

void CPaintDlg::SetPaint(const CPaintSetting& paint)
{
    CurrentPaint = paint;
    SavedPaint = paint;
    MonoPage.SetInitialColor(paint.Color, true);
    LinearPage.Gradation = paint.LinearGradation;
    TexturePage.Texture = paint.Texture;
    SetActivePage(paint.Type < PaintType::Count ? static_cast<int>(paint.Type) : 0);
}

INT_PTR CPaintDlg::Run(HWND owner)
{
    const INT_PTR result = DoModal(owner);
    if (result != 1) {
        CurrentPaint = SavedPaint;
        FireChanged(0);
    }
    return result;
}

namespace {
// The paint type of the selected tab; the type held when no tab is selected.
UINT TypeOfTab(int index, UINT held)
{
    return index >= 0 && static_cast<UINT>(index) < PaintType::Count ? static_cast<UINT>(index) : held;
}
} // namespace

void CPaintDlg::OnPageActivated(UINT32, UINT32)
{
    const UINT index = TypeOfTab(GetActiveIndex(), CurrentPaint.Type);
    if (index != CurrentPaint.Type) {
        CurrentPaint.Type = index;
        FireChanged(0);
    }
}

void CPaintDlg::OnPageChanged(UINT32, UINT32)
{
    CurrentPaint.Type = TypeOfTab(GetActiveIndex(), CurrentPaint.Type);
    CurrentPaint.Color = MonoPage.GetColor();
    CurrentPaint.LinearGradation = LinearPage.Gradation;
    CurrentPaint.Texture = TexturePage.Texture;
    FireChanged(0);
}
