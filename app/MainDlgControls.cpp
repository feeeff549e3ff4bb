// The controls of the main window and the settings they edit: filling them
// from the settings, and taking each change back into the settings.
#include "app/MainDlg.h"
#include "app/NamedEffectsCombo.h"
#include "decoration/NamedEffects.h"
#include "decoration/Setting.h"
#include "foundation/NamedValues.h"
#include "foundation/StringUtil.h"
#include "foundation/TextDecode.h"
#include "foundation/XmlValue.h"
#include "platform/ScopedFlag.h"
#include <algorithm>

namespace knt {

namespace {

const int kSeqWidths = 10;

// Row of a row control id whose column starts at `first`, else -1.
int RowOf(int id, int first) { return id >= first && id < first + 5 ? id - first : -1; }

void AddComboString(HWND combo, const std::wstring& text)
{
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsEmptyCombo(HWND combo) { return ::SendMessageW(combo, CB_GETCOUNT, 0, 0) <= 0; }

int ComboSelection(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

// The entry of `list` chosen in a combo filled from it, in its order; null
// while nothing is chosen.
template <class List>
auto ChosenEntry(HWND combo, const List& list) -> decltype(list[0].get())
{
    const int index = ComboSelection(combo);
    return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)].get() : nullptr;
}

int CustomPresetIndex()
{
    const CNamedEffects& presets = GetNamedEffects();
    for (size_t i = 0; i < presets.size(); ++i)
        if (!presets[i]->Effect)
            return static_cast<int>(i);
    return -1;
}

// A number box of the window: its (first row's) control, the field, its
// decimals (tenths show one), whether it shows a zero fraction ("3.0"),
// whether a minus sign may be typed, and the ranges of ready-made values
// (first, last, step) its list offers. The field's bounds come from its
// record's field list: a number beyond them is stored at the bound.
struct CValueRange {
    int first, last, step;
};
template <class S>
struct CNumberColumn {
    int firstId;
    int S::*member;
    int decimals;
    bool keepZeros;
    bool allowSign;
    CValueRange ranges[2];
};

const CNumberColumn<CFontSetting> kFontNumbers[kFontNumberBoxes] = {
    {IDC_FONT_SIZE, &CFontSetting::Size, 1, false, false, {{70, 480, 10}}},
    {IDC_FONT_ALPHA, &CFontSetting::Alpha, 0, false, false, {{0, 100, 5}}},
    {IDC_CHAR_SPACING, &CFontSetting::CharWidth, 0, false, false, {{90, 150, 5}}},
    {IDC_LINE_SPACING, &CFontSetting::LineWidth, 0, false, false, {{90, 150, 5}}},
    {IDC_LEADING, &CFontSetting::LeadingWidth, 0, false, false, {{0, 100, 5}}},
};

const CNumberColumn<CBorderingSetting> kRowNumbers[kRowNumberColumns] = {
    {IDC_DECO_SIZE, &CBorderingSetting::Size, 1, true, false, {{0, 9, 1}, {10, 80, 5}}},
    {IDC_DECO_ALPHA, &CBorderingSetting::Alpha, 0, false, false, {{0, 100, 5}}},
    {IDC_DECO_BLUR, &CBorderingSetting::Blur, 1, false, false, {{0, 100, 5}}},
    {IDC_DECO_ANGLE, &CBorderingSetting::Angle, 0, false, true, {{0, 180, 5}, {-5, -175, -5}}},
    {IDC_DECO_DISTANCE, &CBorderingSetting::Distance, 1, false, false, {{0, 100, 5}}},
};

template <class S>
void BindNumber(CComboBoxNumber<S>& box, HWND combo, S* setting, const CNumberColumn<S>& column)
{
    const CIntForm bounds = FieldBounds(column.member);
    box.Attach(combo, setting, column.member,
               {column.decimals, column.keepZeros, column.allowSign, bounds.low, bounds.high});
}

// The box shows its field; its list is filled the first time.
template <class S>
void ShowNumber(CComboBoxNumber<S>& box, S* setting, const CNumberColumn<S>& column)
{
    box.Setting = setting;
    if (IsEmptyCombo(box))
        for (const CValueRange& r : column.ranges)
            box.AddValues(r.first, r.last, r.step);
    box.ShowValue();
}

} // namespace

// --- Filling ------------------------------------------------------------------

void CMainDlg::BindNumbers()
{
    for (int i = 0; i < kFontNumberBoxes; ++i) {
        BindNumber(m_fontNumbers[i], GetDlgItem(kFontNumbers[i].firstId), &m_setting.FontSetting, kFontNumbers[i]);
        m_fontNumbers[i].AddValueChangedListener(this, &CMainDlg::OnFontNumberChanged);
    }
    for (int row = 0; row < kDecorationRows; ++row) {
        for (int c = 0; c < kRowNumberColumns; ++c) {
            CComboBoxNumber<CBorderingSetting>& box = m_rowNumbers[row][c];
            BindNumber(box, GetDlgItem(kRowNumbers[c].firstId + row), &m_setting.Borderings[static_cast<size_t>(row)],
                       kRowNumbers[c]);
            box.AddValueChangedListener(this, &CMainDlg::OnRowNumberChanged);
        }
    }
}

void CMainDlg::InitControls(bool first)
{
    CScopedFlag filling(m_filling);
    const bool lists = first || !m_controlsFilled;
    const CFontSetting& font = m_setting.FontSetting;

    std::wstring text = m_setting.Text;
    ToCrLf(text);
    if (m_text.GetWindowText() != text)
        m_text.SetWindowText(text);

    HWND charSets = GetDlgItem(IDC_CHARSET);
    if (lists) {
        m_fonts.EnumerateCharSets();
        ::SendMessageW(charSets, CB_RESETCONTENT, 0, 0);
        for (const CCharSet& set : m_fonts.GetCharSets())
            AddComboString(charSets, set.Name);
    }
    int charSet = m_fonts.IndexOfCharSet(font.CharSet, font.IsVertical());
    ::SendMessageW(charSets, CB_SETCURSEL, std::max(charSet, 0), 0);
    FillFontFaces(false);

    for (int i = 0; i < kFontNumberBoxes; ++i)
        ShowNumber(m_fontNumbers[i], &m_setting.FontSetting, kFontNumbers[i]);
    m_facePaint.SetPaint(m_setting.PaintSetting);
    if (IsEmptyCombo(m_faceColor))
        m_faceColor.Fill();
    m_faceColor.SetText(FormatColorHex(m_setting.PaintSetting.Color));

    for (int row = 0; row < kDecorationRows; ++row)
        RefreshDecorationRow(row);

    CheckRadioButton(m_hWnd, IDC_UNIT_CHAR, IDC_UNIT_PARAGRAPH,
                     IDC_UNIT_CHAR + static_cast<int>(std::min<UINT>(m_setting.Unit, TextUnit::PARAGRAPH)));

    HWND fnameTypes = GetDlgItem(IDC_FNAME_TYPE);
    HWND seqWidths = GetDlgItem(IDC_FNAME_SEQ_WIDTH);
    HWND formats = GetDlgItem(IDC_SAVE_FORMAT);
    HWND trims = GetDlgItem(IDC_TRIM);
    if (lists) {
        for (const auto& entry : GetNamedFnameTypes())
            AddComboString(fnameTypes, entry->Name);
        for (int width = 1; width <= kSeqWidths; ++width)
            AddComboString(seqWidths, FormatInt(width));
        for (const auto& entry : GetNamedSaveFormats())
            AddComboString(formats, entry->name);
        m_jpegQuality.Fill();
        for (const auto& entry : GetNamedTrimTypes())
            AddComboString(trims, entry->Name);
        m_bkColor.Fill();
    }
    ::SendMessageW(fnameTypes, CB_SETCURSEL, GetNamedFnameTypes().IndexOfValue(m_setting.FnameType), 0);
    ::SendMessageW(seqWidths, CB_SETCURSEL, m_setting.FnameSeqWidth - 1, 0);
    int format = -1;
    for (size_t i = 0; i < GetNamedSaveFormats().size(); ++i)
        if (static_cast<UINT>(GetNamedSaveFormats()[i]->value) == m_setting.SaveFormat.Type)
            format = static_cast<int>(i);
    ::SendMessageW(formats, CB_SETCURSEL, format, 0);
    CheckDlgButton(IDC_SINGLE_FILE, m_setting.SingleFile ? BST_CHECKED : BST_UNCHECKED);
    m_jpegQuality.SetText(FormatInt(m_setting.SaveFormat.JpegQuality));
    m_bkColor.SetText(FormatColorHex(m_setting.BkColor));
    CPaintSetting background;
    background.Color = m_setting.BkColor;
    m_bkPaint.SetPaint(background);
    CheckDlgButton(IDC_TRANSPARENT, m_setting.Transparent ? BST_CHECKED : BST_UNCHECKED);
    ::SendMessageW(trims, CB_SETCURSEL, GetNamedTrimTypes().IndexOfValue(m_setting.TrimType), 0);

    m_controlsFilled = true;
    SetJobControlsState(m_jobs.IsSaveRunning());
}

void CMainDlg::RefreshDecorationRow(int row)
{
    if (row < 0 || row >= kDecorationRows || static_cast<size_t>(row) >= m_setting.Borderings.size())
        return;
    CScopedFlag filling(m_filling);
    CBorderingSetting& b = m_setting.Borderings[static_cast<size_t>(row)];
    CheckDlgButton(IDC_DECO_USE + row, m_setting.UseBorderings[static_cast<size_t>(row)] ? BST_CHECKED : BST_UNCHECKED);

    HWND presets = GetDlgItem(IDC_DECO_PRESET + row);
    if (IsEmptyCombo(presets))
        FillComboFromNamedEffects(presets, GetNamedEffects());
    if (IsEmptyCombo(m_rowColors[row]))
        m_rowColors[row].Fill();
    for (int c = 0; c < kRowNumberColumns; ++c)
        ShowNumber(m_rowNumbers[row][c], &b, kRowNumbers[c]);
    m_rowPaints[row].SetPaint(b.Paint);
    m_rowColors[row].SetText(FormatColorHex(b.Paint.Color));
    const int preset = GetNamedEffects().IndexOf(b);
    ::SendMessageW(presets, CB_SETCURSEL, preset >= 0 ? preset : CustomPresetIndex(), 0);
}

// --- The font line: character set, face, style --------------------------------

void CMainDlg::FillFontFaces(bool userChange)
{
    const int index = ComboSelection(GetDlgItem(IDC_CHARSET));
    const std::vector<CCharSet>& sets = m_fonts.GetCharSets();
    CFontSetting& font = m_setting.FontSetting;
    if (index >= 0 && static_cast<size_t>(index) < sets.size()) {
        if (userChange)
            font.CharSet = sets[static_cast<size_t>(index)].CharSet;
        m_fonts.EnumerateFaces(sets[static_cast<size_t>(index)].CharSet, sets[static_cast<size_t>(index)].Vertical);
    } else {
        m_fonts.EnumerateFaces(font.CharSet, font.IsVertical());
    }
    HWND faces = GetDlgItem(IDC_FONT_FACE);
    ::SendMessageW(faces, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& face : m_fonts.GetFaces())
        AddComboString(faces, face);
    // A face no installed font has is not shown as another one: the combo
    // stays blank and the preview names the face. A character set the user
    // chose takes its first face when it lacks the current one.
    int face = m_fonts.IndexOfFace(font.FontFace);
    if (face < 0 && userChange && !m_fonts.GetFaces().empty())
        face = 0;
    ::SendMessageW(faces, CB_SETCURSEL, face, 0);
    FillFontStyles(userChange);
}

void CMainDlg::FillFontStyles(bool userChange)
{
    CFontSetting& font = m_setting.FontSetting;
    HWND faces = GetDlgItem(IDC_FONT_FACE);
    const int index = ComboSelection(faces);
    if (userChange && index >= 0 && static_cast<size_t>(index) < m_fonts.GetFaces().size())
        font.FontFace = m_fonts.GetFaces()[static_cast<size_t>(index)];
    m_fonts.EnumerateStyles(font.CharSet, font.FontFace);
    HWND styles = GetDlgItem(IDC_FONT_STYLE);
    ::SendMessageW(styles, CB_RESETCONTENT, 0, 0);
    for (const auto& style : m_fonts.GetStyles())
        AddComboString(styles, style->name);
    ::SendMessageW(styles, CB_SETCURSEL, std::max(0, m_fonts.IndexOfStyle(font)), 0);
    ApplyFontStyle(userChange);
}

void CMainDlg::ApplyFontStyle(bool userChange)
{
    const int index = ComboSelection(GetDlgItem(IDC_FONT_STYLE));
    if (userChange && index >= 0 && static_cast<size_t>(index) < m_fonts.GetStyles().size())
        m_setting.FontSetting.SetLogFontStyle(m_fonts.GetStyles()[static_cast<size_t>(index)]->logFont);
    RequestPreview(true);
}

LRESULT CMainDlg::OnFontCascade(WORD, WORD id, HWND, BOOL&)
{
    if (m_filling)
        return 0;
    if (id == IDC_CHARSET)
        FillFontFaces(true);
    else if (id == IDC_FONT_FACE)
        FillFontStyles(true);
    else
        ApplyFontStyle(true);
    return 0;
}

// --- Numbers --------------------------------------------------------------------

bool CMainDlg::GetSelectedCharSet(int& charSet, bool& vertical)
{
    const int index = m_hWnd ? ComboSelection(GetDlgItem(IDC_CHARSET)) : -1;
    const std::vector<CCharSet>& sets = m_fonts.GetCharSets();
    if (index < 0 || static_cast<size_t>(index) >= sets.size())
        return false;
    charSet = static_cast<int>(sets[static_cast<size_t>(index)].CharSet);
    vertical = sets[static_cast<size_t>(index)].Vertical;
    return true;
}

void CMainDlg::OnFontNumberChanged(UINT32, UINT32) { RequestPreview(true); }

// A row that is switched off changes nothing in the preview: it is only
// saved. The row's preset follows its values.
void CMainDlg::OnRowNumberChanged(UINT32 sender, UINT32)
{
    const CComboBoxNumber<CBorderingSetting>* box = EventPointer<CComboBoxNumber<CBorderingSetting>>(sender);
    const int row = static_cast<int>((box - &m_rowNumbers[0][0]) / kRowNumberColumns);
    SelectMatchingPreset(row);
    RequestPreview(m_setting.UseBorderings[static_cast<size_t>(row)] != 0);
}

void CMainDlg::SelectMatchingPreset(int row)
{
    const int preset = GetNamedEffects().IndexOf(m_setting.Borderings[static_cast<size_t>(row)]);
    ::SendMessageW(GetDlgItem(IDC_DECO_PRESET + row), CB_SETCURSEL, preset, 0);
}

// --- Colours --------------------------------------------------------------------

// The colour and quality combos report here once their edit field shows the
// chosen entry's value, after a step, and at every keystroke; the field
// holds the value (the list, names). A box the user left shows what it
// stored: 250 typed into the quality stores 100, a text that is no colour
// black (000000).
void CMainDlg::OnSelChange(CWindow*, UINT code, UINT id, HWND window)
{
    if (m_filling)
        return;
    if (code == CBN_KILLFOCUS) {
        const std::wstring stored = StoredComboText(static_cast<int>(id));
        if (!stored.empty())
            SetComboText(window, stored);
        return;
    }
    if (id == IDC_JPEG_QUALITY) {
        OnJpegQualityChanged();
        return;
    }
    ApplyColor(static_cast<int>(id), ColorOfBoxText(CWindow(window).GetWindowText()));
}

std::wstring CMainDlg::StoredComboText(int id) const
{
    if (id == IDC_JPEG_QUALITY)
        return FormatInt(m_setting.SaveFormat.JpegQuality);
    if (id == IDC_FONT_COLOR)
        return FormatColorHex(m_setting.PaintSetting.Color);
    if (id == IDC_BK_COLOR)
        return FormatColorHex(m_setting.BkColor);
    const int row = RowOf(id, IDC_DECO_COLOR);
    return row < 0 ? std::wstring() : FormatColorHex(m_setting.Borderings[static_cast<size_t>(row)].Paint.Color);
}

void CMainDlg::OnJpegQualityChanged()
{
    // Put back with the caret behind the same digits as before.
    const std::wstring digits =
        ShowFilteredNumberText(m_jpegQuality, TrimCopyIf(m_jpegQuality.GetWindowText(), IsSpaceOrCr), false, false);
    long quality = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9')
            break;
        quality = std::min(quality * 10 + (c - L'0'), 1000L);
    }
    // The encoder takes 0 to 100; a stored value beyond would pass on to it.
    m_setting.SaveFormat.JpegQuality = static_cast<int>(std::max(0L, std::min(quality, 100L)));
    RequestPreview(false);
}

void CMainDlg::ApplyColor(int id, COLORREF color)
{
    bool schedule = true;
    if (id == IDC_FONT_COLOR) {
        m_setting.PaintSetting.Type = PaintType::MONO;
        m_setting.PaintSetting.Color = color;
        m_setting.FontSetting.Color = color;
        m_facePaint.SetPaint(m_setting.PaintSetting);
    } else if (id == IDC_BK_COLOR) {
        m_setting.BkColor = color;
        CPaintSetting background;
        background.Color = color;
        m_bkPaint.SetPaint(background);
    } else {
        const int row = RowOf(id, IDC_DECO_COLOR);
        if (row < 0)
            return;
        m_setting.Borderings[static_cast<size_t>(row)].Paint.Color = color;
        m_rowPaints[row].SetPaint(m_setting.Borderings[static_cast<size_t>(row)].Paint);
        schedule = m_setting.UseBorderings[static_cast<size_t>(row)] != 0;
        SelectMatchingPreset(row);
    }
    RequestPreview(schedule);
}

// --- Check boxes, presets, choices --------------------------------------------

LRESULT CMainDlg::OnTextChanged(WORD, WORD, HWND, BOOL&)
{
    if (m_filling)
        return 0;
    m_setting.Text = ConvertCrLfToLf(TrimCopyIf(m_text.GetWindowText(), IsSpaceOrCr));
    RequestPreview(true);
    return 0;
}

void CMainDlg::SetSettingText(const std::wstring& text)
{
    m_setting.Text = text;
    std::wstring shown = text;
    ToCrLf(shown);
    {
        CScopedFlag filling(m_filling);
        m_text.SetWindowText(shown);
    }
    RequestPreview(true);
}

LRESULT CMainDlg::OnRowUseClicked(WORD, WORD id, HWND, BOOL&)
{
    const int row = id - IDC_DECO_USE;
    m_setting.UseBorderings[static_cast<size_t>(row)] = IsDlgButtonChecked(id) == BST_CHECKED;
    RequestPreview(true);
    return 0;
}

LRESULT CMainDlg::OnPresetChosen(WORD, WORD id, HWND, BOOL&)
{
    if (m_filling)
        return 0;
    const int row = id - IDC_DECO_PRESET;
    const CNamedEffect* chosen = ChosenEntry(GetDlgItem(id), GetNamedEffects());
    if (!chosen)
        return 0;
    const boost::shared_ptr<CEffectSetting> effect = chosen->GetEffect();
    if (const CBorderingSetting* preset = dynamic_cast<const CBorderingSetting*>(effect.get())) {
        m_setting.Borderings[static_cast<size_t>(row)] = *preset;
        RefreshDecorationRow(row);
        RequestPreview(true);
    }
    return 0;
}

LRESULT CMainDlg::OnUnitClicked(WORD, WORD id, HWND, BOOL&)
{
    m_setting.Unit = static_cast<UINT>(id - IDC_UNIT_CHAR);
    RequestPreview(true);
    return 0;
}

LRESULT CMainDlg::OnFnameTypeChanged(WORD, WORD, HWND, BOOL&)
{
    if (const CNamedDword* chosen = ChosenEntry(GetDlgItem(IDC_FNAME_TYPE), GetNamedFnameTypes()))
        m_setting.FnameType = chosen->Value;
    ShowFormatDependentState();
    RequestPreview(false);
    return 0;
}

LRESULT CMainDlg::OnSeqWidthChanged(WORD, WORD, HWND, BOOL&)
{
    const int index = ComboSelection(GetDlgItem(IDC_FNAME_SEQ_WIDTH));
    if (index >= 0)
        m_setting.FnameSeqWidth = index + 1;
    RequestPreview(false);
    return 0;
}

LRESULT CMainDlg::OnTrimChanged(WORD, WORD, HWND, BOOL&)
{
    if (const CNamedDword* chosen = ChosenEntry(GetDlgItem(IDC_TRIM), GetNamedTrimTypes()))
        m_setting.TrimType = chosen->Value;
    RequestPreview(true);
    return 0;
}

LRESULT CMainDlg::OnSaveFormatChanged(WORD, WORD, HWND, BOOL&)
{
    if (const CNamedInt* chosen = ChosenEntry(GetDlgItem(IDC_SAVE_FORMAT), GetNamedSaveFormats()))
        m_setting.SaveFormat.Type = static_cast<UINT>(chosen->value);
    ShowFormatDependentState();
    RequestPreview(true);
    return 0;
}

LRESULT CMainDlg::OnSingleFileClicked(WORD, WORD, HWND, BOOL&)
{
    m_setting.SingleFile = IsDlgButtonChecked(IDC_SINGLE_FILE) == BST_CHECKED;
    RequestPreview(false);
    return 0;
}

LRESULT CMainDlg::OnTransparentClicked(WORD, WORD, HWND, BOOL&)
{
    m_setting.Transparent = IsDlgButtonChecked(IDC_TRANSPARENT) == BST_CHECKED;
    RequestPreview(true);
    return 0;
}

} // namespace knt
