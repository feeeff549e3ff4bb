// Run, Stop and the job timer of the main window, and what the job control
// needs of it: the pane, the progress bar, the inputs and the boxes.
#include "app/MainDlg.h"
#include "app/Command.h"
#include "app/FinishedDlg.h"
#include "app/FolderChooser.h"
#include "decoration/Setting.h"
#include "foundation/Msg.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_app.h"
#include "resources/strings_engine.h"
#include "ui/WindowUtil.h"

namespace knt {

namespace {

// Disabled while a save job runs, and given back when it ends.
const int kJobInputs[] = {IDC_CHARSET,  IDC_FONT_FACE,  IDC_FONT_SIZE,    IDC_FONT_PAINT,    IDC_FONT_COLOR_LABEL,
                          IDC_FONT_COLOR, IDC_FONT_STYLE, IDC_CHAR_SPACING, IDC_LINE_SPACING, IDC_LEADING,
                          IDC_UNIT_CHAR, IDC_UNIT_LINE,  IDC_UNIT_PARAGRAPH, IDC_FNAME_TYPE,  IDC_SAVE_FORMAT,
                          IDC_BK_PAINT,  IDC_BK_COLOR_LABEL, IDC_BK_COLOR,   IDC_TRIM,          IDC_RUN};

bool CanTakeFocus(HWND control) { return control && ::IsWindowEnabled(control) && ::IsWindowVisible(control); }

} // namespace

// --- The keyboard focus --------------------------------------------------------
//
// The system takes the focus from a control that is turned off and gives it to
// no window: no key reaches the window then (Tab, Esc, Enter, the mnemonics)
// until a click. Run, pressed with the keys or the mouse, has the focus when it
// turns itself off for a save. So a focus the inputs' states took is handed on,
// by one rule: back to where the last hand-on took it from, when it leaves the
// control that hand-on gave it to (a save started with Enter in the font size
// box ends there again); else from Stop to Run, from any other control to Stop
// while a save runs; else to the control Tab reaches next. The same holds
// when the window comes back to the front (OnActivate).

class CMainDlg::CFocusHandOver {
public:
    explicit CFocusHandOver(CMainDlg& dialog) : m_dialog(dialog), m_before(::GetFocus()) {}
    ~CFocusHandOver() { m_dialog.HandOnFocus(m_before); }
    CFocusHandOver(const CFocusHandOver&) = delete;
    CFocusHandOver& operator=(const CFocusHandOver&) = delete;

private:
    CMainDlg& m_dialog;
    HWND m_before;
};

bool CMainDlg::HandOnFocus(HWND before)
{
    if (!before || !::IsChild(m_hWnd, before))
        return false;
    // The focus may lie in a part of the control (a combo box's edit field).
    HWND control = before;
    while (::GetParent(control) != m_hWnd)
        control = ::GetParent(control);
    if (CanTakeFocus(control) && ::IsWindowEnabled(before))
        return false;
    HWND stop = GetDlgItem(IDC_STOP);
    HWND target = control == m_focusTakenTo ? m_focusTakenFrom : nullptr;
    if (!CanTakeFocus(target))
        target = control == stop ? GetDlgItem(IDC_RUN) : stop;
    if (!CanTakeFocus(target))
        target = ::GetNextDlgTabItem(m_hWnd, control, FALSE);
    m_focusTakenFrom = control;
    m_focusTakenTo = target;
    if (!target)
        return false;
    // As the Tab key moves it: a button that takes it becomes the default one.
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    return true;
}

// The dialog manager gives the focus back to the control that had it when
// another window took the activation, even one turned off meanwhile (a save
// that ended under a box of ours): that focus is handed on instead.
LRESULT CMainDlg::OnActivate(UINT, WPARAM wp, LPARAM, BOOL& handled)
{
    handled = FALSE;
    if (LOWORD(wp) == WA_INACTIVE)
        m_focusWhenInactive = ::GetFocus();
    else if (!HIWORD(wp) && HandOnFocus(m_focusWhenInactive))
        handled = TRUE;  // the dialog manager would put it back where it was
    return 0;
}

// --- Settings changes ---------------------------------------------------------

void CMainDlg::RequestPreview(bool schedule)
{
    if (CCommandSet* commands = GetCommandSet())
        commands->AutoSave->Run(true, false);
    if (schedule)
        m_jobs.SchedulePreview(::GetTickCount());
    const std::wstring note = m_setting.SaveFormat.IsVector() ? LoadResourceString(IDS_VECTOR_FORMAT_NOTE, false) : L"";
    if (note != m_infoNote) {
        m_infoNote = note;
        UpdateInfoStrip();
    }
}

// --- The timer and the job messages ---------------------------------------------

LRESULT CMainDlg::OnTimerMessage(UINT, WPARAM id, LPARAM, BOOL& handled)
{
    if (id != CJobTimer::GetTimerId()) {
        handled = FALSE;
        return 0;
    }
    m_jobs.OnTimer(::GetTickCount());
    return 0;
}

LRESULT CMainDlg::OnJobMessage(UINT, WPARAM, LPARAM, BOOL&)
{
    // Several wake-ups may be queued; the surplus ones find nothing to do.
    m_jobs.OnTimer(::GetTickCount());
    return 0;
}

void CMainDlg::WakeUp()
{
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_APP_JOB, 0, 0);
}

// --- Run and Stop ------------------------------------------------------------------

LRESULT CMainDlg::OnRunClicked(WORD, WORD, HWND, BOOL&)
{
    if (TrimCopyIf(m_setting.Text, IsSpaceOrCr).empty()) {
        knt::GetMsg().ShowResourceMessage(IDS_TEXT_EMPTY, MB_ICONERROR);
        return 0;
    }
    std::wstring folder;
    if (!ChooseOutputFolder(m_hWnd, LoadResourceString(IDS_BROWSE_FOLDER_TITLE), m_setting.GetOutputFolder(), folder))
        return 0;
    m_setting.FolderPath = folder;
    RequestPreview(false);
    m_jobs.StartJob(false);
    return 0;
}

LRESULT CMainDlg::OnStopClicked(WORD, WORD, HWND, BOOL&)
{
    m_jobs.Stop();
    return 0;
}

// --- CJobView --------------------------------------------------------------------

SIZE CMainDlg::GetPreviewSize()
{
    RECT r = {0, 0, 0, 0};
    if (m_pane)
        m_pane.GetClientRect(&r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void CMainDlg::SetJobControlsState(bool running)
{
    CFocusHandOver focus(*this);
    // The seventy controls change without a repaint each, and the window is
    // repainted once when it is next idle: repainting them one by one and
    // then the whole window at once held every save (and its end) for 100 to
    // 220 ms before anything went on. At start-up the window is not shown
    // yet and must stay hidden until its stored layout is applied.
    CRedrawSuspension batch(m_hWnd);
    for (int id : kJobInputs)
        ::EnableWindow(GetDlgItem(id), !running);
    ::EnableWindow(GetDlgItem(IDC_STOP), running);
    // The job control calls this before it counts the new job's tasks: its
    // own state would still say that no save runs.
    ShowFormatDependentState(running);
}

void CMainDlg::ShowFormatDependentState()
{
    CFocusHandOver focus(*this);
    ShowFormatDependentState(m_jobs.IsSaveRunning());
}

// The inputs that depend on the format and the naming as well as on a
// running save job.
void CMainDlg::ShowFormatDependentState(bool running)
{
    const UINT format = m_setting.SaveFormat.Type;
    const bool raster = format < OutputType::PDF;
    ::EnableWindow(GetDlgItem(IDC_FONT_ALPHA), !running && raster);
    for (int row = 0; row < kDecorationRows; ++row) {
        for (int first : {IDC_DECO_USE, IDC_DECO_PRESET, IDC_DECO_SIZE, IDC_DECO_PAINT, IDC_DECO_COLOR_LABEL, IDC_DECO_COLOR,
                          IDC_DECO_ANGLE, IDC_DECO_DISTANCE})
            ::EnableWindow(GetDlgItem(first + row), !running);
        ::EnableWindow(GetDlgItem(IDC_DECO_ALPHA + row), !running && raster);
        ::EnableWindow(GetDlgItem(IDC_DECO_BLUR + row), !running && raster);
    }
    ::EnableWindow(GetDlgItem(IDC_FNAME_SEQ_WIDTH), m_setting.FnameType != FnameType::TEXT);
    ::EnableWindow(GetDlgItem(IDC_SINGLE_FILE), !running && (format == OutputType::PDF || format == OutputType::SVG_TAG));
    ::EnableWindow(GetDlgItem(IDC_JPEG_QUALITY), !running && format == OutputType::JPEG);
    ::EnableWindow(GetDlgItem(IDC_TRANSPARENT), !running && format != OutputType::JPEG);
}

void CMainDlg::SetProgress(int upper, int position)
{
    HWND bar = GetDlgItem(IDC_PROGRESS);
    // The 32-bit range: the 16-bit PBM_SETRANGE overflows beyond 655 units.
    ::SendMessageW(bar, PBM_SETRANGE32, 0, upper);
    ::SendMessageW(bar, PBM_SETPOS, position, 0);
}

void CMainDlg::ShowImage(const boost::shared_ptr<CDib>& image, bool alignRight)
{
    m_pane.SetOverlayText(L"");
    m_pane.SetImage(image, alignRight ? 1 : 0);
    const SIZE size = m_pane.GetImageSize();
    if (size.cx != m_infoImage.cx || size.cy != m_infoImage.cy) {
        m_infoImage = size;
        UpdateInfoStrip();
    }
}

void CMainDlg::ShowPreviewError(const std::wstring& text)
{
    m_pane.SetOverlayText(text);
}

void CMainDlg::ShowFinished(int count, bool oneFile, const std::wstring& path, const std::wstring& folder)
{
    CFinishedDlg dialog;
    dialog.Count = count;
    dialog.SingleFile = oneFile;
    dialog.Path = path;
    dialog.Folder = folder;
    dialog.DoModal(m_hWnd);
}

::CMsg& CMainDlg::GetJobMsg() { return knt::GetMsg(); }

} // namespace knt
