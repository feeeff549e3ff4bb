// The main window: the text to decorate, the live preview beside it, the
// font line, the five decoration rows, the save options, Run, Stop and the
// progress bar. Every control writes straight into the settings and asks for
// a new preview (RequestPreview, which also saves the settings file).
//
// The class is spread over several files by concern, so that each can grow
// on its own:
//   MainDlg.cpp          creation and teardown, the message map's small
//                        handlers, menus, edit commands, info strip, title,
//                        window layout
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
#include "app/PaintButton.h"
#include "app/RowMenus.h"
#include "app/SplitterWindowEx.h"
#include "app/JobControl.h"
#include "decoration/WindowLayout.h"
#include "ui/DialogImpl.h"
#include "ui/MessageLoop.h"
#include "resources/main_window.h"
#include <string>
#include <vector>

class CSetting;

namespace knt {

class CMainDlg : public CDialogImpl<CMainDlg>,
                 public CMessageFilter,
                 public CIdleHandler,
                 public COnSizeHandler,
                 public CJobView,
                 public CCommandView {
public:
    enum { IDD = IDD_MAIN };
    // Messages of the window to itself.
    enum {
        WM_APP_LAYOUT = WM_APP,           // apply the pending window layout
        WM_APP_JOB = WM_APP + 1,          // a task finished: collect it now
        WM_APP_COLOR_PICKED = WM_APP + 2  // a colour list entry was chosen (wParam: control)
    };
    static const UINT_PTR kTimerId = 1;
    static const UINT kTimerMs = 100;
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

    // --- CMessageFilter, CIdleHandler, COnSizeHandler ------------------
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override { return FALSE; }
    void OnSize(HWND window, UINT type, int cx, int cy) override;

    BEGIN_MSG_MAP(CMainDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_ENDSESSION, OnEndSession)
        MESSAGE_HANDLER(WM_TIMER, OnTimerMessage)
        MESSAGE_HANDLER(WM_APP_JOB, OnJobMessage)
        MESSAGE_HANDLER(WM_APP_COLOR_PICKED, OnColorPicked)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SIZE, OnSizeDialog)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
        MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
        MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
        MESSAGE_HANDLER(WM_APP_LAYOUT, OnApplyLayout)
        COMMAND_HANDLER(IDC_TEXT, EN_CHANGE, OnTextChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_CHARSET, IDC_FONT_STYLE, CBN_SELCHANGE, OnFontCascade)
        COMMAND_RANGE_HANDLER(IDC_FONT_SIZE, IDC_LEADING, OnFontLineCommand)
        COMMAND_RANGE_HANDLER(IDC_DECO_USE, IDC_DECO_USE + 4, OnRowUseClicked)
        COMMAND_RANGE_CODE_HANDLER(IDC_DECO_PRESET, IDC_DECO_PRESET + 4, CBN_SELCHANGE, OnPresetChosen)
        COMMAND_RANGE_HANDLER(IDC_DECO_SIZE, IDC_DECO_SIZE + 4, OnRowCombo)
        COMMAND_RANGE_HANDLER(IDC_DECO_PAINT, IDC_DECO_PAINT + 4, OnPaintButton)
        COMMAND_RANGE_HANDLER(IDC_DECO_COLOR, IDC_DECO_DISTANCE + 4, OnRowCombo)
        COMMAND_RANGE_HANDLER(IDC_DECO_MENU, IDC_DECO_MENU + 4, OnRowMenu)
        COMMAND_RANGE_HANDLER(IDM_DECO_MOVE_UP, IDM_DECO_PASTE + 4, OnRowCommand)
        COMMAND_RANGE_HANDLER(IDC_UNIT_CHAR, IDC_UNIT_PARAGRAPH, OnUnitClicked)
        COMMAND_HANDLER(IDC_FNAME_TYPE, CBN_SELCHANGE, OnFnameTypeChanged)
        COMMAND_HANDLER(IDC_FNAME_SEQ_WIDTH, CBN_SELCHANGE, OnSeqWidthChanged)
        COMMAND_HANDLER(IDC_TRIM, CBN_SELCHANGE, OnTrimChanged)
        COMMAND_HANDLER(IDC_SAVE_FORMAT, CBN_SELCHANGE, OnSaveFormatChanged)
        COMMAND_ID_HANDLER(IDC_SINGLE_FILE, OnSingleFileClicked)
        COMMAND_ID_HANDLER(IDC_TRANSPARENT, OnTransparentClicked)
        COMMAND_ID_HANDLER(IDC_JPEG_QUALITY, OnJpegQualityCommand)
        COMMAND_ID_HANDLER(IDC_BK_COLOR, OnBkColorCommand)
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
        COMMAND_ID_HANDLER(IDC_FONT_MENU, OnFontMenu)
        COMMAND_RANGE_HANDLER(IDM_EDIT_DESELECT, IDM_EDIT_DESELECT, OnEditCommand)
        COMMAND_RANGE_HANDLER(IDM_EDIT_COPY, IDM_EDIT_UNDO, OnEditCommand)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

private:
    // --- MainDlg.cpp ----------------------------------------------------
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEndSession(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSizeDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnWindowPosChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSysCommand(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnApplyLayout(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileOpen(WORD, WORD, HWND, BOOL&);
    LRESULT OnFileSave(WORD, WORD id, HWND, BOOL&);
    LRESULT OnSelectFont(WORD, WORD, HWND, BOOL&);
    LRESULT OnOpenWebPage(WORD, WORD id, HWND, BOOL&);
    LRESULT OnAbout(WORD, WORD, HWND, BOOL&);
    LRESULT OnOpenOutputFolder(WORD, WORD, HWND, BOOL&);
    LRESULT OnDropCommand(WORD, WORD id, HWND, BOOL&);
    LRESULT OnEditCommand(WORD, WORD id, HWND, BOOL&);
    // Seams: the font and row pop-up menus, the row menu commands, the
    // paint dialogs of the face, the rows and the background.
    LRESULT OnFontMenu(WORD, WORD, HWND, BOOL&);
    LRESULT OnRowMenu(WORD, WORD id, HWND, BOOL&);
    LRESULT OnRowCommand(WORD, WORD id, HWND, BOOL&);
    LRESULT OnPaintButton(WORD, WORD id, HWND, BOOL&);
    LRESULT OnBkPaintButton(WORD, WORD, HWND, BOOL&);

    void CreatePanes();
    void LayoutPanes();
    void PaintInfoStrip(HDC dc);
    void UpdateInfoStrip();
    void UpdateTitle();
    void ApplyLayout(const CWindowLayout& layout);
    // Full screen: no frame, the whole monitor; only a stored layout asks for it.
    void SetFullScreen(bool on);

    // --- MainDlgControls.cpp ---------------------------------------------
    LRESULT OnTextChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnFontCascade(WORD, WORD id, HWND, BOOL&);
    LRESULT OnFontLineCommand(WORD code, WORD id, HWND, BOOL&);
    LRESULT OnRowUseClicked(WORD, WORD id, HWND, BOOL&);
    LRESULT OnPresetChosen(WORD, WORD id, HWND, BOOL&);
    LRESULT OnRowCombo(WORD code, WORD id, HWND, BOOL&);
    LRESULT OnUnitClicked(WORD, WORD id, HWND, BOOL&);
    LRESULT OnFnameTypeChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnSeqWidthChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnTrimChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnSaveFormatChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnSingleFileClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnTransparentClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnJpegQualityCommand(WORD code, WORD, HWND, BOOL&);
    LRESULT OnBkColorCommand(WORD code, WORD, HWND, BOOL&);
    LRESULT OnColorPicked(UINT, WPARAM wp, LPARAM, BOOL&);

    void FillFontFaces(bool userChange);
    void FillFontStyles(bool userChange);
    void ApplyFontStyle(bool userChange);
    // A number typed or chosen in combo id; false when it held none.
    bool ReadNumberCombo(int id, UINT code, int& value);
    void ApplyNumber(int id, int value);
    void ApplyColor(int id, COLORREF color);
    void SelectMatchingPreset(int row);
    void ShowFormatDependentState();
    void ShowFormatDependentState(bool running);

    // --- MainDlgJobs.cpp -------------------------------------------------
    LRESULT OnTimerMessage(UINT, WPARAM wp, LPARAM, BOOL&);
    LRESULT OnJobMessage(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnRunClicked(WORD, WORD, HWND, BOOL&);
    LRESULT OnStopClicked(WORD, WORD, HWND, BOOL&);
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
    HMENU m_fontMenu = nullptr;
    int m_dropHighlight = -1;
    CSplitterWindowEx m_splitter;
    CEditW m_text;
    CDibWindow m_pane;
    CPaintButton m_facePaint;
    CPaintButton m_rowPaints[5];
    CPaintButton m_bkPaint;
    RECT m_paneArea = {0, 0, 0, 0};  // where placeholder 152 stood, as resized
    RECT m_infoStrip = {0, 0, 0, 0};
    std::wstring m_infoNote;
    SIZE m_infoImage = {0, 0};
    SIZE m_infoPane = {0, 0};
    CFontChoices m_fonts;
    std::wstring m_initialCaption;
    std::wstring m_currentFilePath;
    bool m_controlsFilled = false;
    bool m_filling = false;  // InitControls is setting texts: their notifications are no user's
    // Window layout upkeep.
    bool m_layoutPending = false;
    CWindowLayout m_pendingLayout;
    RECT m_normalBounds = {0, 0, 0, 0};
    bool m_fullScreen = false;
    RECT m_boundsBeforeFullScreen = {0, 0, 0, 0};
    LONG_PTR m_savedStyle = -1, m_savedExStyle = -1;
    SIZE m_minTrack = {0, 0};
    RECT m_initialClient = {0, 0, 0, 0};
    std::vector<std::pair<HWND, RECT> > m_initialRects;
    CMainDropTargets m_drops;
    CRowMenus m_rowMenus;
    CJobControl m_jobs;
};

// The main window object while it exists (its constructor sets it), else null.
CMainDlg* GetMainDlg();

} // namespace knt
