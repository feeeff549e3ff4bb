// Picking one colour: the single-colour page (swatches of the new and the
// previous colour, the hex combo with the named colours, the hue-saturation
// field and lightness bar, and red, green and blue as edits and trackbars),
// and the one-page sheet that holds it on its own.
#pragma once
#include "foundation/NamedValues.h"
#include "resources/paint_dialog.h"
#include "resources/strings_app.h"
#include "ui/ColorControl.h"
#include "ui/ColorPage.h"
#include "ui/ColorPicker.h"
#include "ui/ComboBox2.h"
#include "ui/EventListeners.h"
#include <vector>

class CColorPageMono : public CColorPageImpl<CColorPageMono>,
                       public COnChangeColorHandler,
                       public COnSelChangeHandler {
public:
    enum { IDD = IDD_PAGE_MONO };

    CColorControl SelectedSwatch;
    CColorControl PreviousSwatch;
    CColorPickerHS PickerHS;
    CColorPickerL PickerL;
    CComboBox2<CNamedColors> ColorCombo;
    std::vector<HWND> Trackbars;  // red, green, blue
    std::vector<HWND> Edits;
    bool Updating = false;

    CColorPageMono();

    COLORREF GetColor() const { return SelectedSwatch.GetColor(); }
    COLORREF GetPreviousColor() const { return PreviousSwatch.GetColor(); }
    // Before the page window exists: nothing is drawn or fired.
    void SetInitialColor(COLORREF color, bool alsoPrevious);
    // The one way the colour changes: every control not excluded shows it,
    // then the page fires. Re-entered from the controls it writes, it does
    // nothing, so their echoes are dropped.
    void SetColor(const std::vector<int>& excluded, COLORREF color, bool redraw);

    // COnChangeColorHandler, COnSelChangeHandler
    void OnChangeColor(CWindow* picker) override;
    void OnSelChange(CWindow* sender, UINT code, UINT id, HWND window) override;

    BEGIN_MSG_MAP(CColorPageMono)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
        COMMAND_HANDLER(IDC_RED_EDIT, EN_CHANGE, OnEditChange)
        COMMAND_HANDLER(IDC_GREEN_EDIT, EN_CHANGE, OnEditChange)
        COMMAND_HANDLER(IDC_BLUE_EDIT, EN_CHANGE, OnEditChange)
        COMMAND_HANDLER(IDC_RED_EDIT, EN_KILLFOCUS, OnEditLeft)
        COMMAND_HANDLER(IDC_GREEN_EDIT, EN_KILLFOCUS, OnEditLeft)
        COMMAND_HANDLER(IDC_BLUE_EDIT, EN_KILLFOCUS, OnEditLeft)
        CHAIN_MSG_MAP(CColorPageImpl<CColorPageMono>)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHScroll(UINT, WPARAM, LPARAM lp, BOOL& handled);
    LRESULT OnEditChange(WORD, WORD id, HWND edit, BOOL&);
    // A channel's edit left shows the channel of the colour (an empty or
    // refused text gives way to it).
    LRESULT OnEditLeft(WORD, WORD id, HWND edit, BOOL&);
};

// A channel typed into an edit: empty reads as 0; anything that is no
// integer is refused (false); values are clamped to 0..255, and `clamped`
// says whether that changed the value.
bool ParseChannelText(const std::wstring& text, BYTE& value, bool& clamped);

// The colour sheet: one single-colour page. Tag is the caller's, for its
// listener to tell which value the sheet edits.
class CColorDlg : public CPropertySheetImpl<CColorDlg>, public CCenterPropertySheet<CColorDlg> {
public:
    int Tag = 0;
    CColorPageMono MonoPage;
    CEventListeners Listeners;  // told with the sheet after every change

    CColorDlg();
    void OnPageChanged(UINT32, UINT32 value) { FireChanged(value); }

    BEGIN_MSG_MAP(CColorDlg)
        CHAIN_MSG_MAP(CCenterPropertySheet<CColorDlg>)
    END_MSG_MAP()

    virtual void FireChanged(UINT32 value) { BroadcastEvent(Listeners, EventArg(this), value); }
    // Runs the sheet with the owner. Anything but OK (1) puts the previous
    // colour back and fires once more, so the listener restores its value.
    INT_PTR Run(HWND owner);
};
