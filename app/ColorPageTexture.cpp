// The texture page: the image file (typed, chosen from the image files of
// its folder, or browsed), the fit mode with its scales, the extent, the
// mirrored tiling and the offsets. Every edit changes the page's texture
// and fires; a typed path updates the paint at every keystroke.
//
// The painter opens a relative path from the current folder, while the
// settings reader joins one to the settings folder: the page keeps the full
// path the session uses, and the box goes on showing what was typed.
#include "app/PaintDlg.h"
#include "decoration/NamedEffects.h"
#include "decoration/SettingLimits.h"
#include "foundation/PathUtil.h"
#include "foundation/XmlValue.h"
#include "ui/BitmapOpenDialog.h"
#include "ui/NumberStep.h"
#include <algorithm>

namespace {

const wchar_t* const kRateItems[] = {L"10.0", L"25.0", L"33.3", L"50.0", L"75.0",
                                     L"100.0", L"150.0", L"200.0", L"300.0", L"400.0"};

} // namespace

CColorPageTexture::CColorPageTexture() : CColorPageImpl<CColorPageTexture>(IDS_PAGE_TEXTURE) {}

void CColorPageTexture::RefreshFileList(const std::wstring& shown)
{
    if (!RefreshTextureFileList(FileList, Texture.Path))
        return;
    if (!FileCombo.m_hWnd)
        return;
    FileCombo.Fill();
    FileCombo.SetText(shown);
}

void CColorPageTexture::UpdateRateEnables()
{
    const CTextureRateEnables e = GetTextureRateEnables(Texture);
    ::EnableWindow(GetDlgItem(IDC_TEXTURE_RATE_X), e.rateX);
    ::EnableWindow(GetDlgItem(IDC_TEXTURE_SAME_RATE), e.sameRate);
    ::EnableWindow(GetDlgItem(IDC_TEXTURE_RATE_Y), e.rateY);
}

LRESULT CColorPageTexture::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    FileCombo.SubclassWindow(GetDlgItem(IDC_TEXTURE_FILE));
    // A typed text is stored as its full path: it leaves room for the
    // current folder it is joined to.
    ::SendMessageW(FileCombo.m_hWnd, CB_LIMITTEXT, RoomForTypedTexturePath(), 0);
    FileCombo.Listener = this;
    FileCombo.List = &FileList;
    RefreshFileList(Texture.Path);
    HWND fit = GetDlgItem(IDC_TEXTURE_FIT);
    FillComboFromNamedInts(fit, GetImageFitTypeNames());
    SelectNamedIntValue(fit, GetImageFitTypeNames(), static_cast<int>(Texture.Type));
    InitUnitCombo(GetDlgItem(IDC_UNIT), Texture.Unit);
    KeepDroppedListChoices(m_hWnd);
    const double rates[2] = {Texture.RateX, Texture.RateY};
    for (int i = 0; i < 2; ++i) {
        CComboBoxW combo(GetDlgItem(IDC_TEXTURE_RATE_X + i));
        // Plain combos: the wheel and Up and Down step through their lists
        // by the number boxes' rule.
        StepNumbersByWheelAndArrows(combo, {true, kReadAsReal});
        for (const wchar_t* item : kRateItems)
            combo.AddString(item);
        combo.SetWindowText(FormatTextureRate(rates[i]));
    }
    CheckDlgButton(IDC_TEXTURE_SAME_RATE, Texture.SameRate ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_ENTIRE, Texture.Entire ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_TEXTURE_FLIP, Texture.Flip ? BST_CHECKED : BST_UNCHECKED);
    const int offsets[2] = {Texture.OffsetX, Texture.OffsetY};
    for (int i = 0; i < 2; ++i) {
        HWND combo = GetDlgItem(IDC_TEXTURE_OFFSET_X + i);
        StepNumbersByWheelAndArrows(combo, {true, 0});
        FillComboRange(combo, -8, 8, 1, 0);
        SetDlgItemText(IDC_TEXTURE_OFFSET_X + i, FormatInt(offsets[i]));
    }
    UpdateRateEnables();
    return TRUE;
}

LRESULT CColorPageTexture::OnFit(WORD, WORD, HWND, BOOL&)
{
    boost::shared_ptr<CNamedInt> fit = GetSelectedNamedInt(GetDlgItem(IDC_TEXTURE_FIT), GetImageFitTypeNames());
    if (fit) {
        Texture.Type = static_cast<UINT>(fit->value);
        UpdateRateEnables();
        FireChanged(0);
    }
    return 0;
}

LRESULT CColorPageTexture::OnUnit(WORD, WORD, HWND, BOOL&)
{
    if (TakeUnitChoice(GetDlgItem(IDC_UNIT), Texture.Unit))
        FireChanged(0);
    return 0;
}

LRESULT CColorPageTexture::OnRate(WORD, WORD id, HWND, BOOL&)
{
    double percent = 0.0;
    if (!ReadComboDouble(m_hWnd, id, true, percent))
        return 0;
    // Within the scale's bounds (0.1% to 100000%): a rate of 0 would draw nothing.
    const double rate = std::min(std::max(percent / 100.0, limits::kMinRate), limits::kMaxRate);
    (id == IDC_TEXTURE_RATE_X ? Texture.RateX : Texture.RateY) = rate;
    FireChanged(0);
    return 0;
}

LRESULT CColorPageTexture::OnOffset(WORD, WORD id, HWND, BOOL&)
{
    int offset = 0;
    if (!ReadComboInt(m_hWnd, id, true, 0, offset))
        return 0;
    (id == IDC_TEXTURE_OFFSET_X ? Texture.OffsetX : Texture.OffsetY) =
        ClampInt(offset, -limits::kMaxOffset, limits::kMaxOffset);
    FireChanged(0);
    return 0;
}

LRESULT CColorPageTexture::OnNumberLeft(WORD, WORD id, HWND box, BOOL&)
{
    if (id == IDC_TEXTURE_RATE_X || id == IDC_TEXTURE_RATE_Y)
        SetComboText(box, FormatTextureRate(id == IDC_TEXTURE_RATE_X ? Texture.RateX : Texture.RateY));
    else
        SetComboText(box, FormatInt(id == IDC_TEXTURE_OFFSET_X ? Texture.OffsetX : Texture.OffsetY));
    return 0;
}

LRESULT CColorPageTexture::OnCheck(WORD, WORD id, HWND, BOOL&)
{
    const bool ticked = IsDlgButtonChecked(id) == BST_CHECKED;
    if (id == IDC_ENTIRE) {
        Texture.Entire = ticked;
    } else if (id == IDC_TEXTURE_SAME_RATE) {
        Texture.SameRate = ticked;
        UpdateRateEnables();
    } else {
        Texture.Flip = ticked;
    }
    FireChanged(0);
    return 0;
}

void CColorPageTexture::OnSelChange(CWindow*, UINT code, UINT, HWND)
{
    // Left, the box goes on showing what was typed: the path stored is its full path.
    if (code == CBN_KILLFOCUS)
        return;
    // A chosen entry's full path is in the field by now (the list shows
    // only the names).
    const std::wstring text = FileCombo.GetWindowText();
    Texture.Path = TexturePathOfTypedText(text);
    RefreshFileList(text);
    FireChanged(0);
}

bool CColorPageTexture::Browse()
{
    Gdiplus::CBitmapOpenDialog dialog(TextureBrowseInitialName(FileCombo.GetWindowText()),
                                      OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NODEREFERENCELINKS);
    const INT_PTR result = dialog.DoModal(m_hWnd);
    if (result == IDOK) {
        Texture.Path = dialog.GetPath();
        RefreshFileList(Texture.Path);
        FireChanged(0);
        return true;
    }
    ShowCommonDialogFailure(*this, ::CommDlgExtendedError());
    return false;
}

LRESULT CColorPageTexture::OnBrowse(WORD, WORD, HWND, BOOL&)
{
    Browse();
    return 0;
}
