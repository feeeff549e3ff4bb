// The main window: the text to decorate, the live preview beside it, the
// font line, the five decoration rows, the save options, Run, Stop and the
// progress bar. Every control writes straight into the settings and asks for
// a new preview (RequestPreview, which also saves the settings file).
//
// The class is spread over several files by concern, so that each can grow
// on its own:
//   MainDlg.cpp          creation and teardown, the message map's small
//                        handlers, menus, info strip, title, resize rules
//                        and window layout
//   MainDlgControls.cpp  filling the controls from the settings and taking
//                        their changes back (font line, rows, save options)
//   MainDlgJobs.cpp      Run, Stop, the timer and what the job control
//                        needs of the window
// Row pop-up menus, drops, and the paint and colour dialogs hook in through
// the handlers marked as seams below.
#pragma once
#include "app/CommandView.h"
#include "app/DibWindow.h"
#include "app/DropTargets.h"
#include "app/FontChoices.h"
#include "app/FullScreenManager.h"
#include "app/PaintButton.h"
#include "app/RowMenus.h"
#include "app/SplitterWindowEx.h"
#include "app/JobControl.h"
#include "decoration/WindowLayout.h"
#include "platform/Menu.h"
#include "outline/FontSetting.h"
#include "ui/BoundCombos.h"
#include "ui/ComboBox2.h"
#include "ui/DialogImpl.h"
#include "ui/DialogResize.h"
#include "ui/ImageButton.h"
#include "ui/MessageLoop.h"
#include "ui/Mixins.h"
#include "resources/main_window.h"
#include <string>

class CSetting;

namespace knt {

// The number boxes of the font line, and of each decoration row.
const int kFontNumberBoxes = 5;
const int kRowNumberColumns = 5;

class CMainDlg : public CDialogImpl<CMainDlg>,
                 public CFullScreenManager<CMainDlg, WM_APP>,
                 public CDialogResize<CMainDlg>,
                 public CDialogEdit<CMainDlg>,
                 public CSingleTimerImpl<CMainDlg, 100, 1>,
                 public CMessageFilter,
                 public CIdleHandler,
                 public COnSelChangeHandler,
                 public COnSizeHandler,
                 public CJobView,
                 public CCommandView {
public:
    enum { IDD = IDD_MAIN };
    // Messages of the window to itself; WM_APP applies the pending window
    // layout (the full-screen manager's).
    enum {
        WM_APP_JOB = WM_APP + 1,  // a task finished: collect it now
    };
    typedef CFullScreenManager<CMainDlg, WM_APP> CLayoutManager;
    typedef CSingleTimerImpl<CMainDlg, 100, 1> CJobTimer;
    // The pane's id inside the splitter area.
    static const int kPreviewPaneId = 300;

    explicit CMainDlg(CSetting& setting);
    ~CMainDlg();

    // --- What commands, rows and dialogs use (CCommandView) -------------
    CSetting& GetSetting() { return m_setting; }
    HWND GetViewWindow() override { return m_hWnd; }
    // Every change of a setting: the settings file is written at once and,
    // with schedule, a new preview follows.
    void RequestPreview(bool schedule) override;
    // Fills every control from the settings (first: also the lists).
    void InitControls(bool first) override;
    // Decoration row r (0-4) from the settings.
    void RefreshDecorationRow(int row) override;
    // A text loaded by a command: settings, edit and a preview.
    void SetSettingText(const std::wstring& text) override;
    // The decoration-settings file shown in the title.
    std::wstring GetFilePath() override { return m_currentFilePath; }
    void SetFilePath(const std::wstring& path) override;
    // Where the window stands now (for the settings file).
    void StoreWindowLayout(CWindowLayout& layout) override;
    bool GetSelectedCharSet(int& charSet, bool& vertical) override;
    // Frames control id as a drop target (-1: none).
    void SetDropHighlight(int id) override;
    CJobControl& GetJobs() { return m_jobs; }
    CDibWindow& GetPreviewPane() { return m_pane; }
    HWND GetTextBox() const { return m_text; }
    // A control of the dialog by id, the text box inside the splitter too.
    HWND FindControl(int id) const;

    // --- CMessageFilter, CIdleHandler, COnSelChangeHandler, COnSizeHandler
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override { return FALSE; }
    // A colour value combo or the JPEG quality combo took a value.
    void OnSelChange(CWindow* sender, UINT code, UINT id, HWND window) override;
    void OnSize(HWND window, UINT type, int cx, int cy) override;
    // For the layout manager: the splitter bar's place in pixels.
    int GetLayoutSplitterPos() const { return m_splitter.GetSplitterPos(); }
    static const CDialogResizeItem* GetDlgResizeMap();

    BEGIN_MSG_MAP(CMainDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_ENDSESSION, OnEndSession)
        MESSAGE_HANDLER(WM_TIMER, OnTimerMessage)
        MESSAGE_HANDLER(WM_APP_JOB, OnJobMessage)
        MESSAGE_HANDLER(WM_ACTIVATE, OnActivate)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        COMMAND_HANDLER(IDC_TEXT, EN_CHANGE, OnTextChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_CHARSET, IDC_FONT_STYLE, CBN_SELCHANGE, OnFontCascade)
        COMMAND_ID_HANDLER(IDC_FONT_PAINT, OnPaintButton)
        COMMAND_RANGE_HANDLER(IDC_DECO_PAINT, IDC_DECO_PAINT + 4, OnPaintButton)
        COMMAND_ID_HANDLER(IDC_FONT_MENU, OnFontMenu)
        COMMAND_RANGE_HANDLER(IDC_DECO_USE, IDC_DECO_USE + 4, OnRowUseClicked)
        COMMAND_ID_HANDLER(IDC_SINGLE_FILE, OnSingleFileClicked)
        COMMAND_ID_HANDLER(IDC_TRANSPARENT, OnTransparentClicked)
        COMMAND_RANGE_CODE_HANDLER(IDC_DECO_PRESET, IDC_DECO_PRESET + 4, CBN_SELCHANGE, OnPresetChosen)
        COMMAND_RANGE_HANDLER(IDC_DECO_MENU, IDC_DECO_MENU + 4, OnRowMenu)
        COMMAND_RANGE_HANDLER(IDM_DECO_MOVE_UP, IDM_DECO_PASTE + 4, OnRowCommand)
        COMMAND_RANGE_HANDLER(IDC_UNIT_CHAR, IDC_UNIT_PARAGRAPH, OnUnitClicked)
        COMMAND_HANDLER(IDC_FNAME_TYPE, CBN_SELCHANGE, OnFnameTypeChanged)
        COMMAND_HANDLER(IDC_FNAME_SEQ_WIDTH, CBN_SELCHANGE, OnSeqWidthChanged)
        COMMAND_HANDLER(IDC_TRIM, CBN_SELCHANGE, OnTrimChanged)
        COMMAND_HANDLER(IDC_SAVE_FORMAT, CBN_SELCHANGE, OnSaveFormatChanged)
        COMMAND_ID_HANDLER(IDC_BK_PAINT, OnBkPaintButton)
        COMMAND_ID_HANDLER(IDM_FILE_OPEN, OnFileOpen)
        COMMAND_ID_HANDLER(IDM_FILE_SAVE, OnFileSave)
        COMMAND_ID_HANDLER(IDM_FILE_SAVE_AS, OnFileSave)
        COMMAND_ID_HANDLER(IDM_SELECT_FONT, OnSelectFont)
        COMMAND_ID_HANDLER(IDC_RUN, OnRunClicked)
        COMMAND_ID_HANDLER(IDCANCEL, OnClose)
        COMMAND_ID_HANDLER(IDC_STOP, OnStopClicked)
        COMMAND_ID_HANDLER(IDM_HELP_HOME_PAGE, OnOpenWebPage)
        COMMAND_ID_HANDLER(IDM_HELP_USAGE, OnOpenWebPage)
        COMMAND_ID_HANDLER(IDM_APP_ABOUT, OnAbout)
        COMMAND_ID_HANDLER(IDC_OPEN_FOLDER, OnOpenOutputFolder)
        COMMAND_ID_HANDLER(IDM_DROP_OPEN, OnDropCommand)
        COMMAND_ID_HANDLER(IDM_DROP_TEXT, OnDropCommand)
        // WM_APP (the pending layout), WM_WINDOWPOSCHANGED, WM_SYSCOMMAND.
        CHAIN_MSG_MAP(CLayoutManager)
        CHAIN_MSG_MAP(CDialogResize<CMainDlg>)
        CHAIN_MSG_MAP(CDialogEdit<CMainDlg>)
        CHAIN_MSG_MAP(CJobTimer)
        // The colour and quality combos take their changes from here, the
        // image buttons their custom draw.
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

private:
    // --- MainDlg.cpp ----------------------------------------------------
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEndSession(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileOpen(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileSave(WORD, WORD id, HWND, BOOL&);
    LRESULT OnSelectFont(WORD, WORD, HWND, BOOL&);
    LRESULT OnOpenWebPage(WORD, WORD id, HWND, BOOL&);
    LRESULT OnAbout(WORD, WORD, HWND, BOOL&);
    LRESULT OnOpenOutputFolder(WORD, WORD, HWND, BOOL&);
    LRESULT OnDropCommand(WORD, WORD id, HWND, BOOL&);
    // Seams: the font and row pop-up menus, the row menu commands, the
    // paint dialogs of the face, the rows and the background.
    LRESULT OnFontMenu(WORD, WORD, HWND, BOOL&);
    LRESULT OnRowMenu(WORD, WORD id, HWND, BOOL&);
    LRESULT OnRowCommand(WORD, WORD id, HWND, BOOL&);
    LRESULT OnPaintButton(WORD, WORD id, HWND, BOOL&);
    LRESULT OnBkPaintButton(WORD, WORD, HWND, BOOL&);

    void CreatePanes();
    void PaintInfoStrip(HDC dc);
    void UpdateInfoStrip();
    void UpdateTitle();

    // --- MainDlgControls.cpp ---------------------------------------------
    LRESULT OnTextChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnFontCascade(WORD, WORD id, HWND, BOOL&);
    LRESULT OnRowUseClicked(WORD, WORD id, HWND, BOOL&);
    LRESULT OnPresetChosen(WORD, WORD id, HWND, BOOL&);
    LRESULT OnUnitClicked(WORD, WORD id, HWND, BOOL&);
    LRESULT OnFnameTypeChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnSeqWidthChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnTrimChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnSaveFormatChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnSingleFileClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnTransparentClicked(WORD, WORD, HWND, BOOL&);
    void OnJpegQualityChanged();
    // The text of the value a colour or quality combo stored, as it shows it.
    std::wstring StoredComboText(int id) const;

    void FillFontFaces(bool userChange);
    void FillFontStyles(bool userChange);
    void ApplyFontStyle(bool userChange);
    // The number boxes of the font line and the rows (their table is in
    // MainDlgControls.cpp); a value a box stored.
    void BindNumbers();
    void OnFontNumberChanged(UINT32 sender, UINT32);
    void OnRowNumberChanged(UINT32 sender, UINT32);
    void ApplyColor(int id, COLORREF color);
    void SelectMatchingPreset(int row);
    void ShowFormatDependentState();
    void ShowFormatDependentState(bool running);

    // --- MainDlgJobs.cpp -------------------------------------------------
    LRESULT OnTimerMessage(UINT, WPARAM wp, LPARAM, BOOL&);
    LRESULT OnJobMessage(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnRunClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnStopClicked(WORD, WORD, HWND, BOOL&);
    // Turning off the control that has the keyboard focus leaves the focus
    // nowhere: whatever turns inputs off and on runs under a CFocusHandOver,
    // which hands such a focus on (HandOnFocus; true when it moved it), and
    // so does the window's return to the front (OnActivate).
    class CFocusHandOver;
    bool HandOnFocus(HWND before);
    LRESULT OnActivate(UINT, WPARAM wp, LPARAM, BOOL& handled);
public:
    // CJobView
    SIZE GetPreviewSize() override;
    void SetJobControlsState(bool running) override;
    void SetProgress(int upper, int position) override;
    void ShowImage(const boost::shared_ptr<CDib>& image, bool alignRight) override;
    void ShowPreviewError(const std::wstring& text) override;
    void ShowFinished(int count, bool oneFile, const std::wstring& path, const std::wstring& folder) override;
    ::CMsg& GetJobMsg() override;
    void WakeUp() override;

private:
    CSetting& m_setting;
    HACCEL m_accelerators = nullptr;
    CMenuHandle m_fontMenu;
    int m_dropHighlight = -1;
    CSplitterWindowEx m_splitter;
    CEditW m_text;
    CDibWindow m_pane;
    CPaintButton m_facePaint;
    CPaintButton m_rowPaints[5];
    CPaintButton m_bkPaint;
    CComboBox2<CNamedColors> m_faceColor;
    CComboBox2<CNamedColors> m_rowColors[5];
    CComboBox2<CNamedColors> m_bkColor;
    CComboBox2<CNamedJpegQualities> m_jpegQuality;
    CComboBoxNumber<CFontSetting> m_fontNumbers[kFontNumberBoxes];
    CComboBoxNumber<CBorderingSetting> m_rowNumbers[5][kRowNumberColumns];
    CImageButton m_fontMenuButton;
    CImageButton m_rowMenuButtons[5];
    RECT m_infoStrip = {0, 0, 0, 0};
    std::wstring m_infoNote;
    SIZE m_infoImage = {0, 0};
    SIZE m_infoPane = {0, 0};
    CFontChoices m_fonts;
    std::wstring m_initialCaption;
    std::wstring m_currentFilePath;
    bool m_controlsFilled = false;
    bool m_filling = false;  // InitControls is setting texts: their notifications are no user's
    CMainDropTargets m_drops;
    CRowMenus m_rowMenus;
    CJobControl m_jobs;
    // The last focus handed on: the control it was taken from, and where it went.
    HWND m_focusTakenFrom = nullptr;
    HWND m_focusTakenTo = nullptr;
    HWND m_focusWhenInactive = nullptr;  // the focus when another window took the activation
};

// The main window object while it exists (its constructor sets it), else null.
CMainDlg* GetMainDlg();

} // namespace knt
