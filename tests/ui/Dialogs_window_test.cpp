#include "WindowTestSupport.h"
#include "tests/common/TestSupport.h"
#include "ui/DialogResize.h"
#include "ui/FileDialog.h"
#include "ui/Mixins.h"
#include "ui/ModalDialog.h"
#include "ui/PropertySheet.h"
#include "ui/SplitterWindow.h"
#include <gtest/gtest.h>

namespace {

enum { IDC_LIST = 200, IDC_INFO = 201, IDC_EDIT = 202 };

RECT ChildRect(HWND dialog, int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class CResizingDlg : public CDialogImpl<CResizingDlg>, public CDialogResize<CResizingDlg>,
                     public CDialogEdit<CResizingDlg>, public CSingleTimerImpl<CResizingDlg, 10, 1> {
public:
    bool destroyed = false;
    BEGIN_MSG_MAP(CResizingDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        CHAIN_MSG_MAP(CDialogResize<CResizingDlg>)
        CHAIN_MSG_MAP(CDialogEdit<CResizingDlg>)
        CHAIN_MSG_MAP(CSingleTimerImpl)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&)
    {
        destroyed = true;
        return 0;
    }
    BEGIN_DLGRESIZE_MAP(CResizingDlg)
        DLGRESIZE_CONTROL(IDC_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y)
        DLGRESIZE_CONTROL(IDC_INFO, DLSZ_SIZE_X | DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDOK, DLSZ_MOVE_X | DLSZ_MOVE_Y)
    END_DLGRESIZE_MAP()
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        DlgResize_Init(true, true, WS_THICKFRAME | WS_MAXIMIZEBOX);
        return TRUE;
    }
    HWND Grip() const { return FindWindowExW(m_hWnd, nullptr, L"SCROLLBAR", nullptr); }
};

CDialogTemplateBuilder ResizingTemplate()
{
    CDialogTemplateBuilder t(WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 120);
    t.Add(L"LISTBOX", L"", IDC_LIST, WS_BORDER | LBS_NOINTEGRALHEIGHT, 5, 5, 100, 60);
    t.Add(L"STATIC", L"info", IDC_INFO, 0, 5, 70, 100, 10);
    t.Add(L"EDIT", L"some text", IDC_EDIT, WS_BORDER | WS_TABSTOP, 110, 5, 80, 12);
    t.Add(L"BUTTON", L"OK", IDOK, WS_TABSTOP, 150, 100, 40, 14);
    return t;
}

} // namespace

TEST(DialogsWindow, ResizeMovesAndSizesTheListedControls)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CResizingDlg dlg;
    CDialogTemplateBuilder t = ResizingTemplate();
    ASSERT_TRUE(dlg.CreateIndirect(t.Get(), frame.m_hWnd));
    const RECT list = ChildRect(dlg, IDC_LIST), info = ChildRect(dlg, IDC_INFO), ok = ChildRect(dlg, IDOK),
               edit = ChildRect(dlg, IDC_EDIT);
    RECT window;
    dlg.GetWindowRect(&window);
    EXPECT_TRUE(dlg.GetStyle() & WS_THICKFRAME);
    EXPECT_TRUE(dlg.GetStyle() & WS_MAXIMIZEBOX);

    // The initial size is the smallest the user may drag the dialog to.
    MINMAXINFO mmi = {};
    dlg.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(window.right - window.left, mmi.ptMinTrackSize.x);
    EXPECT_EQ(window.bottom - window.top, mmi.ptMinTrackSize.y);

    dlg.SetWindowPos(nullptr, 0, 0, window.right - window.left + 50, window.bottom - window.top + 30,
                     SWP_NOMOVE | SWP_NOZORDER);
    RECT r = ChildRect(dlg, IDC_LIST);
    EXPECT_EQ(list.left, r.left);
    EXPECT_EQ(list.right + 50, r.right);
    EXPECT_EQ(list.bottom + 30, r.bottom);
    r = ChildRect(dlg, IDC_INFO);
    EXPECT_EQ(info.top + 30, r.top);
    EXPECT_EQ(info.right + 50, r.right);
    EXPECT_EQ(info.bottom - info.top, r.bottom - r.top);
    r = ChildRect(dlg, IDOK);
    EXPECT_EQ(ok.left + 50, r.left);
    EXPECT_EQ(ok.top + 30, r.top);
    EXPECT_EQ(ok.right - ok.left, r.right - r.left);
    r = ChildRect(dlg, IDC_EDIT);  // not in the map
    EXPECT_TRUE(EqualRect(&r, &edit));

    // The grip sits in the corner and goes away while the dialog is maximised.
    ASSERT_TRUE(dlg.Grip());
    EXPECT_TRUE(IsWindowVisible(dlg.Grip()));
    dlg.SendMessage(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(600, 400));
    EXPECT_FALSE(IsWindowVisible(dlg.Grip()));
    dlg.SendMessage(WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(IsWindowVisible(dlg.Grip()));
    RECT client;
    dlg.GetClientRect(&client);
    dlg.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    EXPECT_TRUE(IsWindowVisible(dlg.Grip()));

    // The timer's messages go with the window; WM_DESTROY goes on to the dialog.
    ASSERT_TRUE(dlg.StartTimer());
    MSG msg;
    HWND hwnd = dlg.m_hWnd;
    // The first tick, however long the machine takes to give it.
    const DWORD start = GetTickCount();
    while (!PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE) && GetTickCount() - start < 20000)
        Sleep(5);
    ASSERT_TRUE(PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    dlg.DestroyWindow();
    EXPECT_TRUE(dlg.destroyed);
    EXPECT_FALSE(PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
}

TEST(DialogsWindow, EditCommandsServeOnlyTheFocusedEdit)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CResizingDlg dlg;
    CDialogTemplateBuilder t = ResizingTemplate();
    ASSERT_TRUE(dlg.CreateIndirect(t.Get(), frame.m_hWnd));
    CEditW edit(dlg.GetDlgItem(IDC_EDIT));
    edit.SetFocus();
    edit.SetSel(2, 2);
    dlg.SendMessage(WM_COMMAND, ID_EDIT_SELECT_ALL_CMD, 0);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(0, start);
    EXPECT_EQ(9, end);
    dlg.SendMessage(WM_COMMAND, ID_EDIT_SELECT_NONE_CMD, 0);
    edit.GetSel(start, end);
    EXPECT_EQ(start, end);
    EXPECT_EQ(L"some text", edit.GetWindowText());

    // With the focus on a button the command goes on, unhandled.
    edit.SetSel(0, 4);
    ::SetFocus(dlg.GetDlgItem(IDOK));
    dlg.SendMessage(WM_COMMAND, ID_EDIT_SELECT_ALL_CMD, 0);
    edit.GetSel(start, end);
    EXPECT_EQ(0, start);
    EXPECT_EQ(4, end);
    dlg.DestroyWindow();
}

namespace {

// A splitter 300 x 100 in a frame, an edit on the left and a static on the right.
struct CSplitterInFrame {
    CTestFrame frame;
    CSplitterWindow splitter;
    HWND left = nullptr, right = nullptr;

    bool Create()
    {
        RECT r = {0, 0, 300, 100};
        if (!frame.m_hWnd || !splitter.Create(frame.m_hWnd, r))
            return false;
        left = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, splitter, nullptr, nullptr, nullptr);
        right = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, splitter, nullptr, nullptr, nullptr);
        splitter.SetSplitterPanes(left, right);
        return true;
    }
};

} // namespace

TEST(DialogsWindow, SplitterDragMovesTheBarWithinThePaneMinimum)
{
    CSplitterInFrame f;
    REQUIRE_WINDOW(f.frame.m_hWnd);
    ASSERT_TRUE(f.Create());
    CSplitterWindow& splitter = f.splitter;
    HWND left = f.left, right = f.right;
    splitter.SetDefaultPos(120);
    splitter.SetSplitterPos(-1);
    ASSERT_EQ(120, splitter.GetSplitterPos());
    const int bar = splitter.GetBarWidth();
    EXPECT_GE(bar, 4);
    EXPECT_LE(bar, 6);

    const int grab = 120 + bar / 2;
    splitter.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grab, 50));
    EXPECT_EQ(splitter.m_hWnd, GetCapture());
    splitter.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(grab + 40, 50));
    EXPECT_EQ(160, splitter.GetSplitterPos());
    RECT pane;
    GetWindowRect(left, &pane);
    EXPECT_EQ(160, pane.right - pane.left);
    splitter.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5000, 50));
    EXPECT_EQ(300 - bar - 20, splitter.GetSplitterPos());
    splitter.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-300, 50));
    EXPECT_EQ(20, splitter.GetSplitterPos());
    splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(grab, 50));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_FALSE(splitter.IsDragging());
    // Without the button a move does nothing; a wider window keeps the left distance.
    splitter.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(200, 50));
    EXPECT_EQ(20, splitter.GetSplitterPos());
    splitter.SetSplitterPos(100);
    splitter.SetWindowPos(nullptr, 0, 0, 380, 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(100, splitter.GetSplitterPos());
    GetWindowRect(right, &pane);
    EXPECT_EQ(380 - 100 - bar, pane.right - pane.left);
}

TEST(DialogsWindow, SplitterDragTakesTheKeysAndGivesTheFocusBack)
{
    CSplitterInFrame f;
    REQUIRE_WINDOW(f.frame.m_hWnd);
    ASSERT_TRUE(f.Create());
    CSplitterWindow& splitter = f.splitter;
    CTestFrame& frame = f.frame;
    HWND left = f.left;
    splitter.SetSplitterPos(100);
    const int step = CSplitterWindow::kKeyStep;
    struct Case {
        const char* name;
        std::vector<UINT> keys;
        int pos;  // where the bar ends
    } const cases[] = {
        {"Enter keeps", {VK_RIGHT, VK_RIGHT, VK_RETURN}, 100 + 2 * step},
        {"Esc puts back", {VK_LEFT, VK_ESCAPE}, 100 + 2 * step},
        {"the button up keeps", {VK_LEFT}, 100 + step},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int grab = splitter.GetSplitterPos() + 1;
        // Another test's window may take the activation, and the focus with
        // it, at any moment: the focus is checked while the frame is active.
        SetFocus(left);
        splitter.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grab, 50));
        const bool active = GetActiveWindow() == frame.m_hWnd;
        EXPECT_EQ(splitter.m_hWnd, GetCapture());
        if (active) {
            EXPECT_EQ(splitter.m_hWnd, GetFocus());
        }
        // The dialog manager must pass Esc and Enter on, not make them Cancel.
        EXPECT_EQ(DLGC_WANTALLKEYS, splitter.SendMessage(WM_GETDLGCODE, 0, 0));
        for (UINT key : c.keys)
            splitter.SendMessage(WM_KEYDOWN, key, 0);
        splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(grab, 50));
        EXPECT_EQ(c.pos, splitter.GetSplitterPos());
        EXPECT_FALSE(splitter.IsDragging());
        EXPECT_EQ(nullptr, GetCapture());
        if (active && GetActiveWindow() == frame.m_hWnd) {
            EXPECT_EQ(left, GetFocus());
        }
        EXPECT_EQ(0, splitter.SendMessage(WM_GETDLGCODE, 0, 0));
    }
}

namespace {

// A dialog holding a splitter as the main window holds its text, a
// multi-line edit on the left; the dialog gives the text its background.
class CSplitterHostDlg : public CDialogImpl<CSplitterHostDlg> {
public:
    CSplitterWindow splitter;
    HWND text = nullptr;
    HBRUSH brush = GetSysColorBrush(COLOR_INFOBK);
    BEGIN_MSG_MAP(CSplitterHostDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_CTLCOLOREDIT, OnColor)
    END_MSG_MAP()
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        RECT r = {5, 5, 205, 65};
        splitter.Create(m_hWnd, r, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, WS_EX_CONTROLPARENT);
        text = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN,
                               0, 0, 1, 1, splitter, reinterpret_cast<HMENU>(IDC_EDIT), nullptr, nullptr);
        HWND right = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, splitter, nullptr,
                                     nullptr, nullptr);
        splitter.SetSplitterPanes(text, right);
        return TRUE;
    }
    LRESULT OnColor(UINT, WPARAM, LPARAM, BOOL&) { return reinterpret_cast<LRESULT>(brush); }
};

} // namespace

TEST(DialogsWindow, SplitterPassesWhatItsPanesMeanForTheDialog)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CSplitterHostDlg dlg;
    CDialogTemplateBuilder t(WS_POPUP | WS_BORDER | WS_VISIBLE, 220, 100);
    t.Add(L"BUTTON", L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 150, 80, 40, 14);
    ASSERT_TRUE(dlg.CreateIndirect(t.Get(), frame.m_hWnd));
    // The dialog's answers come back through the splitter.
    EXPECT_EQ(MAKELONG(IDOK, DC_HASDEFID), dlg.splitter.SendMessage(DM_GETDEFID, 0, 0));
    HDC dc = GetDC(dlg.text);
    EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.brush),
              dlg.splitter.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dlg.text)));
    ReleaseDC(dlg.text, dc);
    // Esc in the text posts WM_CLOSE: it closes neither the splitter nor the dialog.
    dlg.splitter.SendMessage(WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(dlg.splitter.m_hWnd));
    EXPECT_TRUE(IsWindow(dlg.text));
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));
    dlg.DestroyWindow();
}

namespace {

class COwnLoopDlg : public CModalDialogImpl<COwnLoopDlg> {
public:
    HWND parent = nullptr;
    bool parentWasDisabled = false;
    UINT postOnInit = WM_USER;
    int keysSeen = 0;
    BEGIN_MSG_MAP(COwnLoopDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_USER, OnEnd)
        COMMAND_ID_HANDLER(IDOK, OnOk)
    END_MSG_MAP()
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        PostMessage(postOnInit);
        return TRUE;
    }
    LRESULT OnEnd(UINT, WPARAM, LPARAM, BOOL&)
    {
        parentWasDisabled = !::IsWindowEnabled(parent);
        // A key for the dialog's own look first, then the end.
        PostMessage(WM_KEYDOWN, 'A', 0);
        PostMessage(WM_COMMAND, IDOK);
        return 0;
    }
    LRESULT OnOk(WORD, WORD, HWND, BOOL&)
    {
        EndModal(IDOK);
        return 0;
    }
    bool PreTranslateModalMessage(MSG& msg)
    {
        if (msg.message != WM_KEYDOWN)
            return false;
        ++keysSeen;
        return true;
    }
};

} // namespace

TEST(DialogsWindow, OwnModalLoopDisablesTheParentAndPassesOnAForeignQuit)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CDialogTemplateBuilder t = ResizingTemplate();
    COwnLoopDlg dlg;
    dlg.parent = frame.m_hWnd;
    EXPECT_EQ(IDOK, dlg.DoModalIndirect(t.Get(), frame.m_hWnd));
    EXPECT_TRUE(dlg.parentWasDisabled);
    EXPECT_TRUE(frame.IsWindowEnabled());
    EXPECT_EQ(1, dlg.keysSeen);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // its own quit was used up

    // A quit from elsewhere ends the dialog as a cancel and stays for the loop outside.
    COwnLoopDlg quitting;
    quitting.parent = frame.m_hWnd;
    quitting.postOnInit = WM_USER + 1;
    PostQuitMessage(5);
    EXPECT_EQ(IDCANCEL, quitting.DoModalIndirect(t.Get(), frame.m_hWnd));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, msg.wParam);
    EXPECT_TRUE(frame.IsWindowEnabled());
}

namespace {

class CTestPage : public CPropertyPageImpl<CTestPage> {
public:
    enum { IDD = 0 };  // the template is set in memory
    int activations = 0;
    bool pressOkOnActivate = false;
    BEGIN_MSG_MAP(CTestPage)
        NOTIFY_CODE_HANDLER(PSN_SETACTIVE, OnSetActive)
    END_MSG_MAP()
    LRESULT OnSetActive(int, NMHDR*, BOOL&)
    {
        ++activations;
        if (pressOkOnActivate)
            ::PostMessageW(GetSheet(), PSM_PRESSBUTTON, PSBTN_OK, 0);
        return 0;
    }
};

class CTestSheet : public CPropertySheetImpl<CTestSheet>, public CCenterPropertySheet<CTestSheet> {
public:
    bool sawShow = false;
    BEGIN_MSG_MAP(CTestSheet)
        MESSAGE_HANDLER(WM_SHOWWINDOW, OnShow)
        CHAIN_MSG_MAP(CCenterPropertySheet<CTestSheet>)
    END_MSG_MAP()
    LRESULT OnShow(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        sawShow = true;
        handled = FALSE;
        return 0;
    }
};

} // namespace

TEST(DialogsWindow, PropertySheetClosedByPressButtonCreatesOnlyTheShownPage)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CDialogTemplateBuilder t(WS_CHILD | WS_DISABLED | WS_CAPTION | DS_3DLOOK, 150, 80, L"page");
    t.Add(L"EDIT", L"", 300, WS_BORDER | WS_TABSTOP, 5, 5, 100, 12);
    CTestPage first, second;
    first.SetTemplate(t.Get());
    second.SetTemplate(t.Get());
    second.pressOkOnActivate = true;
    CTestSheet sheet;
    sheet.m_psh.pszCaption = L"sheet";
    sheet.SetActivePage(1);
    ASSERT_TRUE(sheet.AddPage(first.m_psp));
    ASSERT_TRUE(sheet.AddPage(second.Create()));
    EXPECT_EQ(2u, sheet.GetPageCount());
    EXPECT_EQ(1, sheet.GetActiveIndex());

    INT_PTR result = sheet.DoModal(frame.m_hWnd);
    EXPECT_GT(result, 0);  // OK
    EXPECT_EQ(1, second.activations);
    EXPECT_EQ(0, first.activations);  // never shown, never created
    EXPECT_TRUE(sheet.sawShow);  // the sheet's own map saw its window
    EXPECT_TRUE(sheet.m_centered);
    EXPECT_EQ(0u, sheet.GetPageCount());
    EXPECT_EQ(nullptr, sheet.m_hWnd);
    EXPECT_EQ(nullptr, second.m_hWnd);
}

namespace {

class COpenDialog : public CFileDialogImpl<COpenDialog> {
public:
    std::wstring chosen;
    bool refuseOnce = false;
    COpenDialog(const std::wstring& file)
        : CFileDialogImpl<COpenDialog>(true, nullptr, file.c_str(), OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                                       L"Text (*.txt)\0*.txt\0All\0*.*\0")
    {
    }

protected:
    void OnInitDone(OFNOTIFYW*) override { PressOk(); }
    bool OnFileOK(OFNOTIFYW* notify) override
    {
        if (refuseOnce) {
            refuseOnce = false;
            PressOk();
            return true;  // stays open: OK comes again
        }
        chosen = notify->lpOFN->lpstrFile;
        return false;
    }

private:
    void PressOk() { ::PostMessageW(GetFileDialogWindow(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
};

} // namespace

TEST(DialogsWindow, FileDialogHookSeesFileOk)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CTempFolder folder;
    const std::wstring file = folder.File(L"chosen.txt");
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    COpenDialog dialog(file);
    dialog.refuseOnce = true;
    EXPECT_EQ(IDOK, dialog.DoModal(frame.m_hWnd));
    EXPECT_EQ(file, dialog.chosen);
    EXPECT_EQ(file, std::wstring(dialog.m_fileName));
    EXPECT_EQ(L"chosen.txt", std::wstring(dialog.m_fileTitle));
    EXPECT_EQ(nullptr, dialog.GetFileDialogWindow());
}
