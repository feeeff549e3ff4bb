#include "app/MainDlg.h"
#include "app/AboutDlg.h"
#include "app/Command.h"
#include "decoration/Setting.h"
#include "foundation/AppInfo.h"
#include "foundation/Msg.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "imaging/MemoryDC.h"
#include "platform/Gdi.h"
#include "resources/strings_app.h"
#include <shellapi.h>
#include <algorithm>

namespace knt {

namespace {

CMainDlg* g_mainDlg = nullptr;

const int kInfoStripHeight = 15;   // below the panes, in pixels
const int kInfoNoteGap = 4;

bool IsEmptyRect(const RECT& r) { return r.left == r.right || r.top == r.bottom; }

// How a control follows the window's size (5 kinds, see the resize rules).
enum CResizeRule { kFixed, kGrowBoth, kGrowWidthMoveDown, kMoveBoth, kMoveDown };

CResizeRule ResizeRuleOf(int id)
{
    switch (id) {
    case IDC_TEXT_AREA:
        return kGrowBoth;
    case IDC_FONT_GROUP:
    case IDC_DECO_GROUP:
    case IDC_BK_GROUP:
    case IDC_PROGRESS:
        return kGrowWidthMoveDown;
    case IDC_RUN:
    case IDC_STOP:
    case IDC_OPEN_FOLDER:
        return kMoveBoth;
    default:
        return (id >= IDC_CHARSET && id <= IDC_SAVE_FORMAT) ? kMoveDown : kFixed;
    }
}

// Opens a file, folder or address with the shell's default verb.
bool ShellOpen(HWND owner, const std::wstring& target)
{
    HINSTANCE result = ::ShellExecuteW(owner, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

CMainDlg* GetMainDlg() { return g_mainDlg; }

CMainDlg::CMainDlg(CSetting& setting) : m_setting(setting), m_jobs(*this, setting)
{
    g_mainDlg = this;
    SetCommandView(this);
}

CMainDlg::~CMainDlg()
{
    m_jobs.Abort();
    SetCommandView(nullptr);
    if (g_mainDlg == this)
        g_mainDlg = nullptr;
}

// --- Creation and teardown -------------------------------------------------

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    knt::GetMsg().owner = m_hWnd;
    HINSTANCE module = GetAppModule().GetModuleInstance();
    m_accelerators = ::LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDR_MAIN));
    m_fontMenu = ::LoadMenuW(module, MAKEINTRESOURCEW(IDR_FONT_MENU));
    m_rowMenus.Create();
    CenterWindow();
    const CAppInfo& info = GetAppInfo();
    if (info.GetLargeIcon())
        SetIcon(info.GetLargeIcon(), TRUE);
    if (info.GetSmallIcon())
        SetIcon(info.GetSmallIcon(), FALSE);

    if (CMessageLoop* loop = GetAppModule().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }

    // The controls' places at the dialog's first size, for the resize rules.
    GetClientRect(&m_initialClient);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        ::GetWindowRect(child, &r);
        ScreenToClient(&r);
        m_initialRects.push_back(std::make_pair(child, r));
    }
    RECT window;
    GetWindowRect(&window);
    m_minTrack = SIZE{window.right - window.left, window.bottom - window.top};
    CreatePanes();
    m_facePaint.SubclassWindow(GetDlgItem(IDC_FONT_PAINT));
    for (int row = 0; row < 5; ++row)
        m_rowPaints[row].SubclassWindow(GetDlgItem(IDC_DECO_PAINT + row));
    m_bkPaint.SubclassWindow(GetDlgItem(IDC_BK_PAINT));

    m_initialCaption = GetWindowText();
    InitControls(true);
    ApplyLayout(m_setting.WindowLayout);

    if (CCommandSet* commands = GetCommandSet())
        commands->InitOpen->Run(true, false);

    SetTimer(kTimerId, kTimerMs);
    m_jobs.StartJob(true, ::GetTickCount());

    m_text.SetSelAll();
    m_text.SetFocus();
    m_drops.Register(m_hWnd, m_text);
    return FALSE;  // the focus is set
}

// The splitter takes the placeholder's place (and id, and place in the tab
// order); the text box and the preview pane are its panes.
void CMainDlg::CreatePanes()
{
    HWND placeholder = GetDlgItem(IDC_TEXT_AREA);
    ::GetWindowRect(placeholder, &m_paneArea);
    ScreenToClient(&m_paneArea);
    HWND before = ::GetWindow(placeholder, GW_HWNDPREV);
    ::DestroyWindow(placeholder);
    m_splitter.Create(m_hWnd, m_paneArea, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN,
                      WS_EX_CONTROLPARENT, IDC_TEXT_AREA);
    ::SetWindowPos(m_splitter, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_splitter.SetSplitterExtendedStyle(0);
    for (auto& entry : m_initialRects)
        if (entry.first == placeholder)
            entry.first = m_splitter;

    HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL | WS_TABSTOP |
                                      ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
                                  0, 0, 10, 10, m_splitter, reinterpret_cast<HMENU>(IDC_TEXT),
                                  GetAppModule().GetModuleInstance(), nullptr);
    m_text.Attach(edit);
    m_text.SetFont(GetFont(), FALSE);

    m_pane.SetSizeHandler(this);
    RECT r = {0, 0, 10, 10};
    m_pane.Create(m_splitter, r, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CLIENTEDGE,
                  kPreviewPaneId);
    m_splitter.SetSplitterPanes(edit, m_pane);
}

HWND CMainDlg::FindControl(int id) const
{
    if (id == IDC_TEXT)
        return m_text;
    if (id == kPreviewPaneId)
        return m_pane;
    return GetDlgItem(id);
}

void CMainDlg::LayoutPanes()
{
    if (m_splitter)
        m_splitter.MoveWindow(m_paneArea, TRUE);
}

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
{
    m_drops.Revoke();
    KillTimer(kTimerId);
    m_jobs.Abort();
    if (m_text)
        m_text.SetFont(nullptr, TRUE);
    if (CCommandSet* commands = GetCommandSet())
        commands->Quit->Run(true, false);
    if (CMessageLoop* loop = GetAppModule().GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    if (m_fontMenu) {
        ::DestroyMenu(m_fontMenu);
        m_fontMenu = nullptr;
    }
    m_rowMenus.Destroy();
    handled = FALSE;
    return 0;
}

LRESULT CMainDlg::OnEndSession(UINT, WPARAM ending, LPARAM, BOOL&)
{
    if (ending)
        if (CCommandSet* commands = GetCommandSet())
            commands->Quit->Run(true, false);
    return 0;
}

LRESULT CMainDlg::OnClose(WORD, WORD, HWND, BOOL&)
{
    DestroyWindow();
    ::PostQuitMessage(IDCANCEL);
    return 0;
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg)
{
    if (m_accelerators && ::TranslateAcceleratorW(m_hWnd, m_accelerators, msg))
        return TRUE;
    return ::IsDialogMessageW(m_hWnd, msg);
}

// --- Painting: the info strip and the drop highlight ------------------------

LRESULT CMainDlg::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    PaintInfoStrip(dc);
    if (m_dropHighlight >= 0) {
        if (HWND control = FindControl(m_dropHighlight)) {
            RECT r;
            ::GetWindowRect(control, &r);
            ScreenToClient(&r);
            ::InflateRect(&r, 1, 1);
            dc::FrameRectSolid(dc, r, 1, ::GetSysColor(COLOR_HIGHLIGHT));
        }
    }
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

void CMainDlg::PaintInfoStrip(HDC dc)
{
    if (IsEmptyRect(m_infoStrip))
        return;
    CSelectObjectGuard font(dc, GetFont());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    const std::wstring sizes = std::to_wstring(m_infoImage.cx) + L" \u00D7 " + std::to_wstring(m_infoImage.cy) + L" / " +
                               std::to_wstring(m_infoPane.cx) + L" \u00D7 " + std::to_wstring(m_infoPane.cy);
    RECT r = m_infoStrip;
    const UINT flags = DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX | DT_END_ELLIPSIS;
    RECT measured = r;
    ::DrawTextW(dc, sizes.c_str(), -1, &measured, flags | DT_CALCRECT);
    ::DrawTextW(dc, sizes.c_str(), -1, &r, flags | DT_RIGHT);
    RECT note = m_infoStrip;
    note.right -= (measured.right - measured.left) + kInfoNoteGap;
    if (note.right > note.left)
        ::DrawTextW(dc, m_infoNote.c_str(), -1, &note, flags | DT_LEFT);
}

void CMainDlg::UpdateInfoStrip()
{
    if (m_hWnd && !IsEmptyRect(m_infoStrip))
        InvalidateRect(&m_infoStrip, TRUE);
}

void CMainDlg::OnSize(HWND, UINT, int cx, int cy)
{
    // The pane's size changed: a preview of the new size follows.
    m_jobs.SchedulePreview(::GetTickCount());
    RECT pane;
    m_pane.GetWindowRect(&pane);
    ScreenToClient(&pane);
    const RECT strip = {m_paneArea.left, pane.bottom, m_paneArea.right, pane.bottom + kInfoStripHeight};
    if (!::EqualRect(&strip, &m_infoStrip)) {
        UpdateInfoStrip();
        m_infoStrip = strip;
    }
    m_infoPane = SIZE{cx, cy};
    UpdateInfoStrip();
}

void CMainDlg::SetDropHighlight(int id)
{
    if (id == m_dropHighlight)
        return;
    m_dropHighlight = id;
    Invalidate(TRUE);
}

// --- Resizing and the window layout ---------------------------------------

LRESULT CMainDlg::OnSizeDialog(UINT, WPARAM type, LPARAM lp, BOOL& handled)
{
    handled = FALSE;
    if (type == SIZE_MINIMIZED || m_initialRects.empty())
        return 0;
    const int dx = LOWORD(lp) - (m_initialClient.right - m_initialClient.left);
    const int dy = HIWORD(lp) - (m_initialClient.bottom - m_initialClient.top);
    HDWP defer = ::BeginDeferWindowPos(static_cast<int>(m_initialRects.size()));
    for (const auto& entry : m_initialRects) {
        RECT r = entry.second;
        switch (ResizeRuleOf(::GetDlgCtrlID(entry.first))) {
        case kGrowBoth: r.right += dx; r.bottom += dy; break;
        case kGrowWidthMoveDown: r.right += dx; ::OffsetRect(&r, 0, dy); break;
        case kMoveBoth: ::OffsetRect(&r, dx, dy); break;
        case kMoveDown: ::OffsetRect(&r, 0, dy); break;
        case kFixed: break;
        }
        if (::GetDlgCtrlID(entry.first) == IDC_TEXT_AREA)
            m_paneArea = r;
        if (defer)
            defer = ::DeferWindowPos(defer, entry.first, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (defer)
        ::EndDeferWindowPos(defer);
    LayoutPanes();
    Invalidate(TRUE);
    return 0;
}

LRESULT CMainDlg::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lp, BOOL& handled)
{
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lp);
    if (m_minTrack.cx > 0) {
        info->ptMinTrackSize.x = m_minTrack.cx;
        // The panes may shrink to 20 pixels high.
        info->ptMinTrackSize.y = m_minTrack.cy - std::max(0L, (m_paneArea.bottom - m_paneArea.top) - 20);
    }
    handled = FALSE;
    return 0;
}

void CMainDlg::ApplyLayout(const CWindowLayout& layout)
{
    m_splitter.SetSplitterPos(layout.SplitterPos);
    if (m_fullScreen || IsZoomed())
        return;
    m_pendingLayout = layout;
    m_layoutPending = true;
    if (!IsEmptyRect(layout.NormalBounds)) {
        // Kept inside the virtual screen: a monitor may have gone since.
        RECT r = layout.NormalBounds;
        const int vx = ::GetSystemMetrics(SM_XVIRTUALSCREEN), vy = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
        const int vw = ::GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
        const int w = std::min<int>(r.right - r.left, vw), h = std::min<int>(r.bottom - r.top, vh);
        const int x = std::max(vx, std::min<int>(r.left, vx + vw - w));
        const int y = std::max(vy, std::min<int>(r.top, vy + vh - h));
        r = RECT{x, y, x + w, y + h};
        if (!IsEmptyRect(r)) {
            MoveWindow(r, FALSE);
            m_normalBounds = r;
        }
    }
    PostMessage(WM_APP_LAYOUT);
}

LRESULT CMainDlg::OnApplyLayout(UINT, WPARAM, LPARAM, BOOL&)
{
    if (!m_layoutPending)
        return 0;
    if (m_pendingLayout.FullScreen) {
        ShowWindow(SW_SHOW);
        if (!m_fullScreen)
            SetFullScreen(true);
    } else {
        if (m_pendingLayout.Maximized)
            ShowWindow(SW_MAXIMIZE);
        ShowWindow(SW_SHOW);
    }
    m_layoutPending = false;
    return 0;
}

void CMainDlg::SetFullScreen(bool on)
{
    RECT target;
    if (on) {
        m_savedStyle = GetWindowLongPtr(GWL_STYLE);
        m_savedExStyle = GetWindowLongPtr(GWL_EXSTYLE);
        SetWindowLongPtr(GWL_STYLE, m_savedStyle & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        SetWindowLongPtr(GWL_EXSTYLE, m_savedExStyle & ~static_cast<LONG_PTR>(WS_EX_WINDOWEDGE));
        GetWindowRect(&m_boundsBeforeFullScreen);
        MONITORINFO monitor = {sizeof(monitor)};
        if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
            target = monitor.rcMonitor;
        else
            target = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    } else {
        if (m_savedStyle != -1)
            SetWindowLongPtr(GWL_STYLE, m_savedStyle);
        if (m_savedExStyle != -1)
            SetWindowLongPtr(GWL_EXSTYLE, m_savedExStyle);
        target = m_boundsBeforeFullScreen;
    }
    m_fullScreen = on;
    SetWindowPos(nullptr, target, SWP_NOZORDER | SWP_FRAMECHANGED);
}

LRESULT CMainDlg::OnWindowPosChanged(UINT, WPARAM, LPARAM, BOOL& handled)
{
    handled = FALSE;
    if (!m_layoutPending && !m_fullScreen && !IsZoomed() && !IsIconic())
        GetWindowRect(&m_normalBounds);
    return 0;
}

LRESULT CMainDlg::OnSysCommand(UINT, WPARAM wp, LPARAM, BOOL& handled)
{
    if ((wp & 0xFFF0) == SC_RESTORE && IsZoomed() && !IsEmptyRect(m_normalBounds)) {
        ModifyStyle(WS_MAXIMIZE, 0);
        MoveWindow(m_normalBounds, TRUE);
        return 0;
    }
    handled = FALSE;
    return 0;
}

void CMainDlg::StoreWindowLayout(CWindowLayout& layout)
{
    layout.Maximized = m_hWnd && IsZoomed();
    layout.FullScreen = m_fullScreen;
    layout.NormalBounds = m_normalBounds;
    layout.SplitterPos = m_splitter.GetSplitterPos();
}

// --- Title --------------------------------------------------------------

void CMainDlg::SetFilePath(const std::wstring& path)
{
    if (path == m_currentFilePath)
        return;
    m_currentFilePath = path;
    UpdateTitle();
}

void CMainDlg::UpdateTitle()
{
    if (!m_hWnd)
        return;
    if (m_currentFilePath.empty()) {
        SetWindowText(m_initialCaption);
        return;
    }
    std::wstring folder = m_currentFilePath, name;
    SplitPathFileName(folder, name);
    SetWindowText(m_initialCaption + L" - " + name + L" @ " + folder);
}

// --- Menus and small commands ---------------------------------------------

LRESULT CMainDlg::OnFileOpen(WORD, WORD, HWND, BOOL&)
{
    if (CCommandSet* commands = GetCommandSet()) {
        commands->Open->Path.clear();
        commands->Open->Run(true, false);
    }
    return 0;
}

LRESULT CMainDlg::OnFileSave(WORD, WORD id, HWND, BOOL&)
{
    if (CCommandSet* commands = GetCommandSet()) {
        commands->Save->Path = id == IDM_FILE_SAVE ? m_currentFilePath : std::wstring();
        commands->Save->Run(true, false);
    }
    return 0;
}

LRESULT CMainDlg::OnSelectFont(WORD, WORD, HWND, BOOL&)
{
    if (CCommandSet* commands = GetCommandSet())
        commands->SelectFont->Run(true, false);
    return 0;
}

LRESULT CMainDlg::OnDropCommand(WORD, WORD id, HWND, BOOL&)
{
    if (CCommandSet* commands = GetCommandSet()) {
        if (id == IDM_DROP_OPEN)
            commands->DropOpen->Run(true, false);
        else
            commands->DropText->Run(true, false);
    }
    return 0;
}

LRESULT CMainDlg::OnRowCommand(WORD, WORD id, HWND, BOOL&)
{
    CCommandSet* commands = GetCommandSet();
    if (!commands)
        return 0;
    if (id >= IDM_DECO_PASTE) {
        commands->PasteDeco->Index = id - IDM_DECO_PASTE;
        commands->PasteDeco->Run(true, false);
    } else if (id >= IDM_DECO_COPY) {
        commands->CopyDeco->Index = id - IDM_DECO_COPY;
        commands->CopyDeco->Run(true, false);
    } else if (id >= IDM_DECO_MOVE_DOWN) {
        commands->MoveDecoDown->Index = id - IDM_DECO_MOVE_DOWN;
        commands->MoveDecoDown->Run(true, false);
    } else {
        commands->MoveDecoUp->Index = id - IDM_DECO_MOVE_UP;
        commands->MoveDecoUp->Run(true, false);
    }
    return 0;
}

LRESULT CMainDlg::OnFontMenu(WORD, WORD, HWND, BOOL&)
{
    if (m_fontMenu)
        TrackPopupUnder(::GetSubMenu(m_fontMenu, 0), GetDlgItem(IDC_FONT_MENU), m_hWnd);
    return 0;
}

LRESULT CMainDlg::OnRowMenu(WORD, WORD id, HWND, BOOL&)
{
    m_rowMenus.Track(id - IDC_DECO_MENU, GetDlgItem(id), m_hWnd);
    return 0;
}

LRESULT CMainDlg::OnOpenWebPage(WORD, WORD id, HWND, BOOL&)
{
    const std::wstring address = LoadResourceString(id == IDM_HELP_HOME_PAGE ? IDS_HOME_PAGE_URL : IDS_USAGE_PAGE_URL);
    if (!ShellOpen(m_hWnd, address))
        knt::GetMsg().ShowResourceMessage(IDS_OPEN_URL_FAILED, MB_ICONERROR);
    return 0;
}

LRESULT CMainDlg::OnAbout(WORD, WORD, HWND, BOOL&)
{
    RunAboutDialog(::GetActiveWindow());
    return 0;
}

LRESULT CMainDlg::OnOpenOutputFolder(WORD, WORD, HWND, BOOL&)
{
    const std::wstring& folder = m_setting.FolderPath;
    if (folder.empty()) {
        knt::GetMsg().ShowResourceMessage(IDS_OUTPUT_FOLDER_EMPTY, MB_ICONERROR);
        return 0;
    }
    if (!ShellOpen(m_hWnd, folder))
        knt::GetMsg().ShowResourceMessage1(IDS_OPEN_FOLDER_FAILED, folder, MB_ICONERROR);
    return 0;
}

// The edit commands of the accelerators, on the focused edit control (the
// text box or a combo box's edit field); anything else is left alone.
LRESULT CMainDlg::OnEditCommand(WORD, WORD id, HWND, BOOL& handled)
{
    HWND focus = ::GetFocus();
    wchar_t className[16] = L"";
    if (!focus || !::GetClassNameW(focus, className, 16) || _wcsicmp(className, L"Edit") != 0) {
        handled = FALSE;
        return 0;
    }
    CEditW edit(focus);
    switch (id) {
    case IDM_EDIT_COPY: edit.Copy(); break;
    case IDM_EDIT_CUT: edit.Cut(); break;
    case IDM_EDIT_PASTE: edit.Paste(); break;
    case IDM_EDIT_UNDO: edit.Undo(); break;
    case IDM_EDIT_SELECT_ALL: edit.SetSelAll(); break;
    case IDM_EDIT_DESELECT: edit.SetSelNone(); break;
    default: handled = FALSE; break;
    }
    return 0;
}

} // namespace knt
