// The font list dialog: picks the face, weight and slant of the text's font
// from a list in which every entry is drawn in its own font. The list can be
// narrowed by character set (vertical faces as a choice of their own),
// weight class and slant; the sample text and its height can be changed
// while the dialog is open, and the sample texts used before are offered
// again. The dialog runs its own modal loop and keeps its own settings
// record, which the caller stores back whether the dialog ends with OK or
// with Cancel.
#pragma once
#include "app/FontChoices.h"
#include "app/FontCollection.h"
#include "app/FontListBox.h"
#include "decoration/FontListDlgSetting.h"
#include "resources/font_list.h"
#include "ui/BoundCombos.h"
#include "ui/DialogResize.h"
#include "ui/ModalDialog.h"
#include "ui/WindowLayoutManager.h"

// The sample height's bounds: a list box item is at most 255 pixels high,
// and a height below 1 would make the item height negative.
const int kMinSampleSize = 1;
const int kMaxSampleSize = 255;

// The weight, italic and font-type choice lists of the filters.
const CNamedInts& GetFontWeightFilterNames();
const CNamedInts& GetFontItalicFilterNames();
const CNamedInts& GetFontTypeNames();

class CFontListDlg;
typedef CWindowLayoutManager<CFontListDlg, WM_APP, CDialogLayout> CFontListDlgLayout;

class CFontListDlg : public CModalDialogImpl<CFontListDlg>,
                     public CDialogResize<CFontListDlg>,
                     public CFontListDlgLayout {
public:
    enum { IDD = IDD_FONT_LIST };

    CFontListDlgSetting Setting;
    LOGFONTW SelectedFont = {};  // in: the current font; out: the chosen entry
    LOGFONTW TopFont = {};       // in and out: the first visible entry
    CFontChoices CharSets;  // the character-set box's entries
    CComboBoxCharSet<CFontListDlgSetting, CCharSet> CharSetBox;
    CComboBoxEnum<CFontListDlgSetting> TypeBox;
    CComboBoxInt<CFontListDlgSetting, kMinSampleSize, kMaxSampleSize> SizeBox;
    CComboBoxEnum<CFontListDlgSetting> WeightBox;
    CComboBoxEnum<CFontListDlgSetting> ItalicBox;
    CComboBoxString<CFontListDlgSetting, CMruStrings> SampleBox;
    CFontCollection Fonts;
    CFontListBox List;

    CFontListDlg();

    BEGIN_MSG_MAP(CFontListDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnEnd)
        COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
        COMMAND_HANDLER(IDC_FONT_LIST_LIST, LBN_DBLCLK, OnListDoubleClick)
        CHAIN_MSG_MAP(CFontListDlgLayout)
        CHAIN_MSG_MAP(CDialogResize<CFontListDlg>)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

    BEGIN_DLGRESIZE_MAP(CFontListDlg)
        DLGRESIZE_CONTROL(IDC_FONT_LIST_SAMPLE, DLSZ_SIZE_X)
        DLGRESIZE_CONTROL(IDC_FONT_LIST_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y)
        DLGRESIZE_CONTROL(IDC_FONT_LIST_INFO, DLSZ_SIZE_X | DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDOK, DLSZ_MOVE_X | DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDCANCEL, DLSZ_MOVE_X | DLSZ_MOVE_Y)
    END_DLGRESIZE_MAP()

    // Enter in the sample box keeps the dialog open: the text joins the
    // used texts instead.
    bool PreTranslateModalMessage(MSG& msg);

    // Lists the fonts again, with a new enumeration or from the collection.
    void RebuildList(bool enumerate);
    // The sample text joins the used texts; the drop-down list follows.
    void KeepSampleText();

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&);
    LRESULT OnListDoubleClick(WORD, WORD, HWND, BOOL&);
    void OnCharSetChanged(UINT32, UINT32);
    void OnFilterChanged(UINT32, UINT32);
    void OnTypeChanged(UINT32, UINT32);
    void OnSizeChanged(UINT32, UINT32);
    void OnSampleTextChanged(UINT32, UINT32);
    void OnSampleEnter(UINT32, UINT32);
    bool IsInSampleBox(HWND window) const;
};
