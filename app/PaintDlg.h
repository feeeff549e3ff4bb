// The paint dialog: a property sheet whose three pages edit the paint of the
// text face or of a decoration (single colour, linear gradation, texture);
// the selected tab is the paint's type. Every edit on any page updates the
// sheet's paint at once and fires, so the caller can redraw its preview
// while the dialog is open; anything but OK puts the paint back.
#pragma once
#include "app/LinearGradationPanel.h"
#include "decoration/BorderingSetting.h"
#include "foundation/FolderList.h"
#include "ui/ColorButton.h"
#include "ui/ColorDlg.h"

// --- linear gradation ------------------------------------------------------

const int kGradationRows = 12;

// The stop a control of the row table belongs to (use, button, "#" label,
// colour, position, trackbar), or -1.
int StopIndexOfControl(UINT id);
// A stop's position as its combo shows it: hundredths with two decimals.
std::wstring FormatStopPos(double pos);
// Where the position trackbar (0..rangeMax) stands for a value; values
// outside 0..1 are not clamped here, the trackbar clamps them itself.
int StopPosToTrackbar(double pos, int rangeMax);

class CColorPageLinear : public CColorPageImpl<CColorPageLinear>,
                         public COnClickHandler,
                         public COnSelChangeHandler {
public:
    enum { IDD = IDD_PAGE_LINEAR };

    CLinearGradation Gradation;  // rows show its first twelve stops
    CLinearGradationPanel Preview;
    CComboBox2<CNamedColors> StopCombos[kGradationRows];
    CColorButton StopButtons[kGradationRows];

    CColorPageLinear();

    // A stop's colour; fires only while the stop is in use, so that a
    // stop can be prepared without touching the preview.
    void SetStopColor(int index, COLORREF color);
    // A stop's position from its combo or its trackbar (sourceId), shown on
    // the other one.
    void SetStopPos(UINT sourceId, double value);

    void OnClick(CWindow* sender, UINT code, UINT id, HWND window) override;
    void OnSelChange(CWindow* sender, UINT code, UINT id, HWND window) override;

    BEGIN_MSG_MAP(CColorPageLinear)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
        COMMAND_HANDLER(IDC_GRAD_ANGLE, CBN_SELCHANGE, OnAngle)
        COMMAND_HANDLER(IDC_GRAD_ANGLE, CBN_EDITCHANGE, OnAngle)
        COMMAND_HANDLER(IDC_UNIT, CBN_SELCHANGE, OnUnit)
        COMMAND_HANDLER(IDC_UNIT, CBN_EDITCHANGE, OnUnit)
        COMMAND_HANDLER(IDC_ENTIRE, BN_CLICKED, OnEntire)
        COMMAND_RANGE_CODE_HANDLER(IDC_STOP_USE, IDC_STOP_USE + kGradationRows - 1, BN_CLICKED, OnUse)
        COMMAND_RANGE_CODE_HANDLER(IDC_STOP_POS, IDC_STOP_POS + kGradationRows - 1, CBN_SELCHANGE, OnPosCombo)
        COMMAND_RANGE_CODE_HANDLER(IDC_STOP_POS, IDC_STOP_POS + kGradationRows - 1, CBN_EDITCHANGE, OnPosCombo)
        CHAIN_MSG_MAP(CColorPageImpl<CColorPageLinear>)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHScroll(UINT, WPARAM, LPARAM lp, BOOL& handled);
    LRESULT OnAngle(WORD, WORD, HWND, BOOL&);
    LRESULT OnUnit(WORD, WORD, HWND, BOOL&);
    LRESULT OnEntire(WORD, WORD, HWND, BOOL&);
    LRESULT OnUse(WORD, WORD id, HWND, BOOL&);
    LRESULT OnPosCombo(WORD, WORD id, HWND, BOOL&);
    void InitRow(int i);
    void ChangedStop(int index);
};

// --- texture -----------------------------------------------------------------

// The scale combos' text for a rate: per mille rounded, shown in percent
// with one decimal ("100.0" for 1, "33.3" for 1/3).
std::wstring FormatTextureRate(double rate);
// Which scale controls a texture setting enables.
struct CTextureRateEnables {
    bool rateX;     // horizontal scale
    bool sameRate;  // "same as horizontal"
    bool rateY;     // vertical scale
};
CTextureRateEnables GetTextureRateEnables(const CTextureSetting& texture);
// Refills the list with the image files in the folder of `path`; an empty
// path leaves it as it is. False when it was left.
bool RefreshTextureFileList(CFolderFileList& list, const std::wstring& path);
// The browse dialog's initial name: a folder (ending in a separator) gets
// "image.jpg" so that the dialog opens in it.
std::wstring TextureBrowseInitialName(const std::wstring& comboText);

class CColorPageTexture : public CColorPageImpl<CColorPageTexture>, public COnSelChangeHandler {
public:
    enum { IDD = IDD_PAGE_TEXTURE };

    CTextureSetting Texture;
    CComboBox2<CFolderFileList> FileCombo;
    CFolderFileList FileList;

    CColorPageTexture();

    void RefreshFileList();
    void UpdateRateEnables();
    // Runs the image open dialog from the combo's text; true when a file
    // was chosen (the page then fired).
    bool Browse();

    void OnSelChange(CWindow* sender, UINT code, UINT id, HWND window) override;

    BEGIN_MSG_MAP(CColorPageTexture)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_HANDLER(IDC_TEXTURE_BROWSE, BN_CLICKED, OnBrowse)
        COMMAND_HANDLER(IDC_TEXTURE_FIT, CBN_SELCHANGE, OnFit)
        COMMAND_HANDLER(IDC_UNIT, CBN_SELCHANGE, OnUnit)
        COMMAND_RANGE_CODE_HANDLER(IDC_TEXTURE_RATE_X, IDC_TEXTURE_RATE_Y, CBN_SELCHANGE, OnRate)
        COMMAND_RANGE_CODE_HANDLER(IDC_TEXTURE_RATE_X, IDC_TEXTURE_RATE_Y, CBN_EDITCHANGE, OnRate)
        COMMAND_RANGE_CODE_HANDLER(IDC_TEXTURE_OFFSET_X, IDC_TEXTURE_OFFSET_Y, CBN_SELCHANGE, OnOffset)
        COMMAND_RANGE_CODE_HANDLER(IDC_TEXTURE_OFFSET_X, IDC_TEXTURE_OFFSET_Y, CBN_EDITCHANGE, OnOffset)
        COMMAND_HANDLER(IDC_ENTIRE, BN_CLICKED, OnCheck)
        COMMAND_HANDLER(IDC_TEXTURE_SAME_RATE, BN_CLICKED, OnCheck)
        COMMAND_HANDLER(IDC_TEXTURE_FLIP, BN_CLICKED, OnCheck)
        CHAIN_MSG_MAP(CColorPageImpl<CColorPageTexture>)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnBrowse(WORD, WORD, HWND, BOOL&);
    LRESULT OnFit(WORD, WORD, HWND, BOOL&);
    LRESULT OnUnit(WORD, WORD, HWND, BOOL&);
    LRESULT OnRate(WORD, WORD id, HWND, BOOL&);
    LRESULT OnOffset(WORD, WORD id, HWND, BOOL&);
    LRESULT OnCheck(WORD, WORD id, HWND, BOOL&);
};

// --- the sheet ----------------------------------------------------------------

class CPaintDlg : public CPropertySheetImpl<CPaintDlg>, public CCenterPropertySheet<CPaintDlg> {
public:
    CPaintSetting CurrentPaint;  // Type = the selected tab
    CPaintSetting SavedPaint;    // what Cancel puts back
    void* Tag = nullptr;         // the caller's, read back by its listener
    CColorPageMono MonoPage;
    CColorPageLinear LinearPage;
    CColorPageTexture TexturePage;
    CEventListeners Listeners;   // told with the sheet after every change

    CPaintDlg();

    BEGIN_MSG_MAP(CPaintDlg)
        CHAIN_MSG_MAP(CCenterPropertySheet<CPaintDlg>)
    END_MSG_MAP()

    // The caller's set-up: the paint to edit, handed to the pages before
    // their windows exist, and the start tab.
    void SetPaint(const CPaintSetting& paint);
    // Runs the sheet; anything but OK (1) restores the saved paint and fires
    // once more, so the listener puts it back.
    INT_PTR Run(HWND owner);

    virtual void FireChanged(UINT32 value) { BroadcastEvent(Listeners, SenderValue(this), value); }
    void OnPageActivated();
    void OnPageChanged();
};
