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
#include <vector>

namespace knt {

namespace {

CMainDlg* g_mainDlg = nullptr;

const int kInfoStripHeight = 15;   // below the panes, in pixels
const int kInfoNoteGap = 4;

bool IsEmptyRect(const RECT& r) { return r.left == r.right || r.top == r.bottom; }

const int kMinPaneHeight = 20;  // the text and preview area may shrink to this

// How the controls follow the window's size: the text and preview area
// grows, the three wide group boxes and the progress bar widen and keep to
// the bottom, the buttons keep to the bottom right corner, everything else
// below the area keeps its distance from the bottom edge.
std::vector<CDialogResizeItem> MakeResizeMap()
{
    const DWORD kGrowWidthMoveDown = DLSZ_SIZE_X | DLSZ_MOVE_Y;
    const struct {
        int first, last;
        DWORD flags;
    } rules[] = {
        {IDC_TEXT_AREA, IDC_TEXT_AREA, DLSZ_SIZE_X | DLSZ_SIZE_Y},
        {IDC_FONT_GROUP, IDC_FONT_GROUP, kGrowWidthMoveDown},
        {IDC_DECO_GROUP, IDC_DECO_GROUP, kGrowWidthMoveDown},
        {IDC_BK_GROUP, IDC_BK_GROUP, kGrowWidthMoveDown},
        {IDC_PROGRESS, IDC_PROGRESS, kGrowWidthMoveDown},
        {IDC_RUN, IDC_RUN, DLSZ_MOVE_X | DLSZ_MOVE_Y},
        {IDC_STOP, IDC_OPEN_FOLDER, DLSZ_MOVE_X | DLSZ_MOVE_Y},
        {IDC_CHARSET, IDC_FONT_MENU, DLSZ_MOVE_Y},
        {IDC_DECO_SIZE_HEAD, IDC_DECO_MENU + 4, DLSZ_MOVE_Y},
        {IDC_UNIT_GROUP, IDC_JPEG_QUALITY, DLSZ_MOVE_Y},
        {IDC_BK_PAINT, IDC_TRIM, DLSZ_MOVE_Y},
        {IDC_SAVE_FORMAT, IDC_SAVE_FORMAT, DLSZ_MOVE_Y},
    };
    std::vector<CDialogResizeItem> map;
    for (const auto& rule : rules)
        for (int id = rule.first; id <= rule.last; ++id)
            map.push_back(CDialogResizeItem{id, rule.flags});
    map.push_back(CDialogResizeItem{-1, 0});
    return map;
}

// Opens a file, folder or address with the shell's default verb.
bool ShellOpen(HWND owner, const std::wstring& target)
{
    HINSTANCE result = ::ShellExecuteW(owner, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

CMainDlg* GetMainDlg() { return g_mainDlg; }

const CDialogResizeItem* CMainDlg::GetDlgResizeMap()
{
    static const std::vector<CDialogResizeItem> map = MakeResizeMap();
    return map.data();
}

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
    m_fontMenu.Reset(::LoadMenuW(module, MAKEINTRESOURCEW(IDR_FONT_MENU)));
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

    CreatePanes();
    DlgResize_Init(true, true, WS_THICKFRAME | WS_MAXIMIZEBOX);
    RECT area;
    m_splitter.GetWindowRect(&area);
    m_minTrackSize.y -= std::max(0L, (area.bottom - area.top) - kMinPaneHeight);

    m_facePaint.SubclassWindow(GetDlgItem(IDC_FONT_PAINT));
    for (int row = 0; row < 5; ++row)
        m_rowPaints[row].SubclassWindow(GetDlgItem(IDC_DECO_PAINT + row));
    m_bkPaint.SubclassWindow(GetDlgItem(IDC_BK_PAINT));
    const struct {
        CComboBox2<CNamedColors>& combo;
        int id;
    } colors[] = {{m_faceColor, IDC_FONT_COLOR}, {m_rowColors[0], IDC_DECO_COLOR},
                  {m_rowColors[1], IDC_DECO_COLOR + 1}, {m_rowColors[2], IDC_DECO_COLOR + 2},
                  {m_rowColors[3], IDC_DECO_COLOR + 3}, {m_rowColors[4], IDC_DECO_COLOR + 4},
                  {m_bkColor, IDC_BK_COLOR}};
    for (const auto& c : colors) {
        c.combo.List = &GetNamedColors();
        c.combo.Listener = this;
        c.combo.SubclassWindow(GetDlgItem(c.id));
    }
    m_jpegQuality.List = &GetJpegQualityPresets();
    m_jpegQuality.Listener = this;
    m_jpegQuality.SubclassWindow(GetDlgItem(IDC_JPEG_QUALITY));
    m_fontMenuButton.SubclassWindow(GetDlgItem(IDC_FONT_MENU));
    m_fontMenuButton.SetImage(IDR_MENU_BUTTON_IMAGE, L"IMAGE", false);
    for (int row = 0; row < 5; ++row) {
        m_rowMenuButtons[row].SubclassWindow(GetDlgItem(IDC_DECO_MENU + row));
        m_rowMenuButtons[row].SetImage(IDR_MENU_BUTTON_IMAGE, L"IMAGE", false);
    }

    m_initialCaption = GetWindowText();
    KeepDroppedListChoices(m_hWnd);
    BindNumbers();
    InitControls(true);
    ApplyLayout(m_setting.WindowLayout, 0, 0, false);
    m_splitter.SetSplitterPos(m_setting.WindowLayout.SplitterPos);

    if (CCommandSet* commands = GetCommandSet())
        commands->InitOpen->Run(true, false);

    StartTimer();
    m_jobs.StartJob(true);

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
    RECT area;
    ::GetWindowRect(placeholder, &area);
    ScreenToClient(&area);
    HWND before = ::GetWindow(placeholder, GW_HWNDPREV);
    ::DestroyWindow(placeholder);
    m_splitter.Create(m_hWnd, area, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                      IDC_TEXT_AREA);
    ::SetWindowPos(m_splitter, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_splitter.SetSplitterExtendedStyle(0);

    HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL | WS_TABSTOP |
                                      ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
                                  0, 0, 10, 10, m_splitter, reinterpret_cast<HMENU>(IDC_TEXT),
                                  GetAppModule().GetModuleInstance(), nullptr);
    m_text.Attach(edit);
    m_text.SetFont(GetFont(), FALSE);
    // A multi-line edit keeps only the first 30000 characters of what is
    // pasted or typed; 0 lifts the limit, so a pasted text is kept whole
    // (the engine refuses a text too large for memory with a message).
    m_text.SetLimitText(0);

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

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
{
    m_drops.Revoke();
    // No tick may reach the job control while the closing commands show a box.
    StopTimer();
    m_jobs.Abort();
    if (m_text)
        m_text.SetFont(nullptr, TRUE);
    if (CCommandSet* commands = GetCommandSet())
        commands->Quit->Run(true, false);
    if (CMessageLoop* loop = GetAppModule().GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    m_fontMenu.Reset();
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
    // Ctrl+Tab in the text puts a tab into it, as a multi-line edit in a
    // dialog does on Windows; Wine's moves the focus on as Tab does.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && msg->hwnd == m_text &&
        ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_MENU) >= 0) {
        m_text.ReplaceSel(L"\t", TRUE);
        return TRUE;
    }
    return ::IsDialogMessageW(m_hWnd, msg);
}

// --- Painting: the info strip and the drop highlight ------------------------

LRESULT CMainDlg::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    const CPaintDC dc(m_hWnd);
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
    // The strip belongs to the preview: under the pane, as wide as the pane.
    RECT pane;
    m_pane.GetWindowRect(&pane);
    ScreenToClient(&pane);
    const RECT strip = {pane.left, pane.bottom, pane.right, pane.bottom + kInfoStripHeight};
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

// --- The window layout ------------------------------------------------------

void CMainDlg::StoreWindowLayout(CWindowLayout& layout)
{
    CaptureLayout(layout);
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

} // namespace knt
