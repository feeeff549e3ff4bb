// The texture page: the image file (typed, chosen from the image files of
// its folder, or browsed), the fit mode with its scales, the extent, the
// mirrored tiling and the offsets. Every edit changes the page's texture
// and fires; a typed path updates the paint at every keystroke.
//
// The painter opens a relative path from the current folder, while the
// settings reader joins one to the settings folder: the page keeps the full
// path the session uses, which the box shows once left.
//
// A user's picture folder may hold many thousands of images, and listing
// them and filling the list takes seconds there: the list is made only when
// it drops (anew, so that it holds what the folder holds then) or when the
// wheel or a key steps through it before that, and a keystroke that changes
// the folder only lets the old folder's list go (or lists the new folder in
// a dropped list).
#include "app/PaintDlg.h"
#include "decoration/FieldWalks.h"
#include "decoration/NamedEffects.h"
#include "decoration/SettingLimits.h"
#include "foundation/PathUtil.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlValue.h"
#include "ui/BitmapOpenDialog.h"
#include "ui/NumberStep.h"

namespace {

const wchar_t* const kRateItems[] = {L"10.0", L"25.0", L"33.3", L"50.0", L"75.0",
                                     L"100.0", L"150.0", L"200.0", L"300.0", L"400.0"};

} // namespace

CColorPageTexture::CColorPageTexture() : CColorPageImpl<CColorPageTexture>(IDS_PAGE_TEXTURE) {}

void CColorPageTexture::ShowPath()
{
    // Not through the entries: they hold names, never a full path.
    if (FileCombo.GetWindowText() != Texture.Path)
        FileCombo.SetWindowText(Texture.Path);
}

void CColorPageTexture::MakeList(bool dropping)
{
    if ((m_listMade && !dropping) || !RefreshTextureFileList(FileList, Texture.Path))
        return;
    m_listedFolder = TextureListFolder(Texture.Path);
    m_listMade = true;
    FileCombo.Fill();
}

void CColorPageTexture::LetGoOfOtherFolder()
{
    // An empty path keeps the list it had, to choose from.
    if (Texture.Path.empty() || (m_listMade && EqualsNoCase(TextureListFolder(Texture.Path), m_listedFolder)))
        return;
    // A dropped list is looked at: it shows the folder typed into it, listed
    // once for each change of folder, never for a change of name alone.
    if (FileCombo.GetDroppedState()) {
        MakeList(true);
        return;
    }
    if (!m_listMade)
        return;
    FileList.clear();
    m_listMade = false;
    FileCombo.Fill();
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
    FileCombo.ListMaker = this;
    FileCombo.List = &FileList;
    ShowPath();
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
    // As a file's rate is read (a rate of 0 would draw nothing), and as the
    // box shows it once left: 33.33 is stored as the 33.3 shown.
    (id == IDC_TEXTURE_RATE_X ? Texture.RateX : Texture.RateY) = ShownTextureRate(ClampRate(percent / 100.0));
    FireChanged(0);
    return 0;
}

LRESULT CColorPageTexture::OnOffset(WORD, WORD id, HWND, BOOL&)
{
    int offset = 0;
    if (!ReadComboInt(m_hWnd, id, true, 0, offset))
        return 0;
    int CTextureSetting::*member = id == IDC_TEXTURE_OFFSET_X ? &CTextureSetting::OffsetX : &CTextureSetting::OffsetY;
    const CIntForm bounds = FieldBounds(member);
    Texture.*member = ClampInt(offset, bounds.low, bounds.high);
    FireChanged(0);
    return 0;
}

LRESULT CColorPageTexture::OnNumberLeft(WORD, WORD id, HWND box, BOOL&)
{
    if (id == IDC_TEXTURE_RATE_X || id == IDC_TEXTURE_RATE_Y) {
        // A rate read from a file may hold more digits than the box shows:
        // once the box is left, the texture keeps the rate it shows.
        double& rate = id == IDC_TEXTURE_RATE_X ? Texture.RateX : Texture.RateY;
        const double shown = ShownTextureRate(rate);
        if (shown != rate) {
            rate = shown;
            FireChanged(0);
        }
        SetComboText(box, FormatTextureRate(rate));
    } else
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
    // Left, the box shows the full path it stored.
    if (code == CBN_KILLFOCUS) {
        ShowPath();
        return;
    }
    // A chosen entry's full path is in the field by now (the list shows
    // only the names).
    Texture.Path = TexturePathOfTypedText(FileCombo.GetWindowText());
    LetGoOfOtherFolder();
    FireChanged(0);
}

bool CColorPageTexture::Browse()
{
    Gdiplus::CBitmapOpenDialog dialog(TextureBrowseInitialName(FileCombo.GetWindowText()),
                                      OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NODEREFERENCELINKS);
    const INT_PTR result = dialog.DoModal(m_hWnd);
    if (result == IDOK) {
        Texture.Path = dialog.GetPath();
        ShowPath();
        LetGoOfOtherFolder();
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
