#include "WindowTestSupport.h"
#include "resources/strings_foundation.h"
#include "ui/DialogImpl.h"
#include "ui/MessageLoop.h"
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// A combo box taken over after creation, seeing its own notifications.
class CSelCombo : public CWindowImpl<CSelCombo, CComboBoxW> {
public:
    int selChanges = 0;
    BEGIN_MSG_MAP(CSelCombo)
        REFLECTED_COMMAND_CODE_HANDLER(CBN_SELCHANGE, OnSelChange)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()
    LRESULT OnSelChange(WORD, WORD, HWND, BOOL&)
    {
        ++selChanges;
        return 0;
    }
};

// Throws from chosen messages; records the order of the first messages.
class CThrowing : public CWindowImpl<CThrowing, CWindow, CFrameWinTraits> {
public:
    std::vector<UINT> first;
    bool* finalFlag = nullptr;
    BEGIN_MSG_MAP(CThrowing)
        MESSAGE_HANDLER(WM_USER, OnLibraryError)
        MESSAGE_HANDLER(WM_USER + 1, OnStdError)
        MESSAGE_HANDLER(WM_USER + 2, OnFine)
        MESSAGE_RANGE_HANDLER(WM_NULL + 1, WM_USER - 1, OnAny)
    END_MSG_MAP()
    LRESULT OnLibraryError(UINT, WPARAM, LPARAM, BOOL&) { throw my::CException(IDS_NO_SELECTION); }
    LRESULT OnStdError(UINT, WPARAM, LPARAM, BOOL&) { throw std::runtime_error("boom"); }
    LRESULT OnFine(UINT, WPARAM, LPARAM, BOOL&) { return 77; }
    LRESULT OnAny(UINT msg, WPARAM, LPARAM, BOOL& handled)
    {
        if (first.size() < 4)
            first.push_back(msg);
        handled = FALSE;
        return 0;
    }
    void OnFinalMessage(HWND) override
    {
        if (finalFlag)
            *finalFlag = true;
        delete this;
    }
};

class CTestDialog : public CDialogImpl<CTestDialog> {
public:
    enum { IDC_COMBO = 100 };
    HBRUSH brush = reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    CSelCombo combo;
    bool initThrows = false;
    bool pressOk = false;  // as soon as the dialog runs
    BEGIN_MSG_MAP(CTestDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColor)
        MESSAGE_HANDLER(WM_USER, OnUser)
        COMMAND_ID_HANDLER(IDOK, OnEnd)
        COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        combo.SubclassWindow(GetDlgItem(IDC_COMBO));
        for (const wchar_t* s : {L"a", L"b", L"c"})
            combo.AddString(s);
        combo.SetCurSel(0);
        if (initThrows)
            throw my::CException(IDS_NO_SELECTION);
        if (pressOk)
            PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(IDOK)));
        return FALSE;  // answered directly: the focus was not set here, so the system must not set it
    }
    LRESULT OnCtlColor(UINT, WPARAM, LPARAM, BOOL&) { return reinterpret_cast<LRESULT>(brush); }
    LRESULT OnUser(UINT, WPARAM, LPARAM, BOOL&) { return 4242; }
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&)
    {
        EndDialog(id);
        return 0;
    }
};

CDialogTemplateBuilder TestDialogTemplate()
{
    CDialogTemplateBuilder t(WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 100);
    t.Add(L"COMBOBOX", L"", CTestDialog::IDC_COMBO, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 10, 10, 80, 60);
    t.Add(L"STATIC", L"label", 101, 0, 10, 40, 80, 10);
    t.Add(L"BUTTON", L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 100, 70, 40, 14);
    return t;
}

} // namespace

TEST(FrameworkWindow, ReflectedSelChangeReachesASubclassedCombo)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    HWND hwnd = frame.AddChild(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 7, 10, 10, 100, 120);
    CSelCombo combo;
    ASSERT_TRUE(combo.SubclassWindow(hwnd));
    EXPECT_FALSE(combo.SubclassWindow(hwnd));  // one window per object
    for (const wchar_t* s : {L"one", L"two", L"three"})
        combo.AddString(s);
    combo.SetCurSel(0);
    combo.SetFocus();
    // A user's key press: the combo tells its parent, which reflects it back.
    combo.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(1, combo.GetCurSel());
    EXPECT_EQ(1, combo.selChanges);
    // A command from a menu names no control and is not reflected.
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(7, CBN_SELCHANGE), 0);
    EXPECT_EQ(1, combo.selChanges);
    // Unsubclassed, the combo's own procedure is all that is left.
    EXPECT_EQ(hwnd, combo.UnsubclassWindow());
    EXPECT_EQ(nullptr, combo.m_hWnd);
    SendMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(2, SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, combo.selChanges);
}

TEST(FrameworkWindow, ExceptionInAHandlerIsReportedAndTheWindowLivesOn)
{
    CRecordingSink sink;
    bool final = false;
    CThrowing* window = new CThrowing;
    window->finalFlag = &final;
    RECT r = {0, 0, 200, 100};
    HWND hwnd = window->Create(nullptr, r, L"throwing");
    if (!hwnd) {
        delete window;
        GTEST_SKIP() << "no window can be created on this desktop";
    }
    // A top-level window hears about its size before its creation proper.
    ASSERT_GE(window->first.size(), 2u);
    EXPECT_EQ(static_cast<UINT>(WM_GETMINMAXINFO), window->first[0]);
    EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), window->first[1]);

    EXPECT_EQ(0, SendMessageW(hwnd, WM_USER, 0, 0));  // the default answer after the failure
    EXPECT_EQ(0, SendMessageW(hwnd, WM_USER + 1, 0, 0));
    EXPECT_EQ(77, SendMessageW(hwnd, WM_USER + 2, 0, 0));
    ASSERT_EQ(2u, sink.errors.size());
    EXPECT_EQ(L"選択項目がありません", sink.errors[0]);
    EXPECT_NE(std::wstring::npos, sink.errors[1].find(L"boom"));

    // The dialog procedure too: the dialog opens although its initialisation failed.
    CTestDialog dialog;
    dialog.initThrows = true;
    CDialogTemplateBuilder t = TestDialogTemplate();
    ASSERT_TRUE(dialog.CreateIndirect(t.Get(), hwnd));
    EXPECT_EQ(3u, sink.errors.size());
    dialog.DestroyWindow();

    DestroyWindow(hwnd);
    EXPECT_TRUE(final);  // and the object deleted itself there
}

TEST(FrameworkWindow, DialogResultsGoWhereEachMessageExpectsThem)
{
    CTestFrame frame;
    REQUIRE_WINDOW(frame.m_hWnd);
    CTestDialog dialog;
    CDialogTemplateBuilder t = TestDialogTemplate();
    HWND hwnd = dialog.CreateIndirect(t.Get(), frame.m_hWnd);
    ASSERT_TRUE(hwnd);
    EXPECT_FALSE(dialog.IsModal());
    // Through DWLP_MSGRESULT for an ordinary message, directly for a colour message.
    EXPECT_EQ(4242, SendMessageW(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.brush),
              SendMessageW(hwnd, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(GetDlgItem(hwnd, 101))));
    EXPECT_EQ(0, SendMessageW(hwnd, WM_USER + 9, 0, 0));  // not in the map
    // The dialog reflects to the combo it subclassed.
    dialog.combo.SetFocus();
    dialog.combo.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(1, dialog.combo.selChanges);
    dialog.EndDialog(IDOK);  // modeless: destroyed
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ(nullptr, dialog.combo.m_hWnd);

    // Modal: the button ends it with its id.
    CTestDialog modal;
    modal.pressOk = true;
    EXPECT_EQ(IDOK, modal.DoModalIndirect(t.Get(), frame.m_hWnd));
    EXPECT_TRUE(modal.IsModal());
    EXPECT_EQ(nullptr, modal.m_hWnd);
}
