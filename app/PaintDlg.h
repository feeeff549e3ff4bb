// The paint dialog: a property sheet whose three pages edit the paint of the
// text face or of a decoration (single colour, linear gradation, texture);
// the selected tab is the paint's type. Every edit on any page updates the
// sheet's paint at once and fires, so the caller can redraw its preview
// while the dialog is open; anything but OK puts the paint back.
#pragma once
#include "app/LinearGradationPanel.h"
#include "app/PaintPageRules.h"
#include "decoration/BorderingSetting.h"
#include "foundation/StringUtil.h"
#include "ui/ColorButton.h"
#include "ui/ColorDlg.h"

// The texture's file list in a combo: names in the list, the full path in
// the edit field, compared with the shown text exactly.
template <>
struct CComboBox2Traits<CFolderFileList> {
    static std::wstring ItemText(const CFolderFileList& list, size_t i) { return list[i]->name; }
    static std::wstring EditText(const CFolderFileList& list, size_t i) { return list[i]->path; }
    static int FindEntry(const CFolderFileList& list, const std::wstring& text)
    {
        // A typed text by the path it names, as the page stores it, and as
        // the file system takes it, whatever its case (the folder is kept
        // for a path typed in another case); one of its very case first,
        // as a folder under Wine may hold a.png beside A.png.
        const std::wstring path = TexturePathOfTypedText(text);
        int found = kNotInList;
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i]->path == path)
                return static_cast<int>(i);
            else if (found == kNotInList && EqualsNoCase(list[i]->path, path))
                found = static_cast<int>(i);
        return found;
    }
    static int StepIndex(const CFolderFileList& list, const std::wstring& text, bool towardsFirst)
    {
        return UnorderedStepIndex(FindEntry(list, text), towardsFirst, list.size());
    }
};

// The unit combo of the gradation and texture pages: the text units, with
// `unit` selected.
void InitUnitCombo(HWND combo, UINT unit);
// The chosen unit into `unit`; true when that changed it.
bool TakeUnitChoice(HWND combo, UINT& unit);

// --- linear gradation ------------------------------------------------------

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
        COMMAND_HANDLER(IDC_GRAD_ANGLE, CBN_KILLFOCUS, OnNumberLeft)
        COMMAND_RANGE_CODE_HANDLER(IDC_STOP_POS, IDC_STOP_POS + kGradationRows - 1, CBN_KILLFOCUS, OnNumberLeft)
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
    // A number box left shows what it stored.
    LRESULT OnNumberLeft(WORD, WORD id, HWND box, BOOL&);
    void InitRow(int i);
    // The stop colour dialog's listener: the sender's Tag is the stop.
    void OnStopDialogChanged(UINT32 sender, UINT32 value);
    void ChangedStop(int index);
};

// --- texture -----------------------------------------------------------------

class CColorPageTexture : public CColorPageImpl<CColorPageTexture>,
                          public COnSelChangeHandler,
                          public CComboListMaker {
public:
    enum { IDD = IDD_PAGE_TEXTURE };

    CTextureSetting Texture;
    CComboBox2<CFolderFileList> FileCombo;
    CFolderFileList FileList;  // made when needed (MakeList)

    CColorPageTexture();

    // The image files of the texture's folder, into the list.
    void MakeList(bool dropping) override;
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
        COMMAND_RANGE_CODE_HANDLER(IDC_TEXTURE_RATE_X, IDC_TEXTURE_RATE_Y, CBN_KILLFOCUS, OnNumberLeft)
        COMMAND_RANGE_CODE_HANDLER(IDC_TEXTURE_OFFSET_X, IDC_TEXTURE_OFFSET_Y, CBN_KILLFOCUS, OnNumberLeft)
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
    LRESULT OnNumberLeft(WORD, WORD id, HWND box, BOOL&);
    LRESULT OnCheck(WORD, WORD id, HWND, BOOL&);
    // The stored path into the box.
    void ShowPath();
    // A path into another folder than the list's: the list goes, or, dropped, lists that folder.
    void LetGoOfOtherFolder();

    std::wstring m_listedFolder;  // the folder FileList holds, while m_listMade
    bool m_listMade = false;
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

    virtual void FireChanged(UINT32 value) { BroadcastEvent(Listeners, EventArg(this), value); }
    void OnPageActivated(UINT32 sender, UINT32 value);
    void OnPageChanged(UINT32 sender, UINT32 value);
};
