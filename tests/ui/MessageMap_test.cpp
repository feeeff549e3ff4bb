#include "WindowTestSupport.h"
#include "resources/strings_foundation.h"
#include "ui/MessageLoop.h"
#include "ui/WindowImpl.h"
#include <gtest/gtest.h>
#include <string>

namespace {

// A mix-in with a map of its own, chained by the class below.
class CCountingMixin {
public:
    int seen = 0;
    BEGIN_MSG_MAP(CCountingMixin)
        MESSAGE_HANDLER(WM_USER + 5, OnFive)
    END_MSG_MAP()
    LRESULT OnFive(UINT, WPARAM, LPARAM, BOOL&)
    {
        ++seen;
        return 5;
    }
};

class CMapped : public CWindowImpl<CMapped>, public CCountingMixin {
public:
    std::wstring trace;
    BEGIN_MSG_MAP(CMapped)
        MESSAGE_HANDLER(WM_USER, OnPassOn)
        MESSAGE_HANDLER(WM_USER, OnTake)
        COMMAND_HANDLER(10, BN_CLICKED, OnCommand)
        COMMAND_RANGE_HANDLER(20, 29, OnCommand)
        NOTIFY_HANDLER(30, NM_CLICK, OnNotify)
        CHAIN_MSG_MAP(CCountingMixin)
    ALT_MSG_MAP(1)
        MESSAGE_HANDLER(WM_USER + 1, OnAlternate)
    END_MSG_MAP()

    LRESULT OnPassOn(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        trace += L"pass;";
        handled = FALSE;
        return 1;
    }
    LRESULT OnTake(UINT, WPARAM, LPARAM, BOOL&)
    {
        trace += L"take;";
        return 2;
    }
    LRESULT OnCommand(WORD code, WORD id, HWND, BOOL&)
    {
        trace += L"cmd" + std::to_wstring(id) + L"/" + std::to_wstring(code) + L";";
        return 3;
    }
    LRESULT OnNotify(int id, NMHDR* header, BOOL&)
    {
        trace += L"notify" + std::to_wstring(id) + L";";
        return static_cast<LRESULT>(header->code);
    }
    LRESULT OnAlternate(UINT, WPARAM, LPARAM, BOOL&) { return 7; }

    // The map alone, as a window procedure would call it.
    bool Run(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result, DWORD map = 0)
    {
        return ProcessWindowMessage(nullptr, msg, wp, lp, result, map) != FALSE;
    }
};

} // namespace

TEST(MessageMap, EntriesAreTestedInOrderUntilOneKeepsItsHandledFlag)
{
    CMapped m;
    LRESULT r = 0;
    ASSERT_TRUE(m.Run(WM_USER, 0, 0, r));
    EXPECT_EQ(2, r);
    EXPECT_EQ(L"pass;take;", m.trace);

    m.trace.clear();
    EXPECT_TRUE(m.Run(WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0, r));
    EXPECT_FALSE(m.Run(WM_COMMAND, MAKEWPARAM(10, BN_DOUBLECLICKED), 0, r));
    EXPECT_TRUE(m.Run(WM_COMMAND, MAKEWPARAM(25, EN_CHANGE), 0, r));
    EXPECT_FALSE(m.Run(WM_COMMAND, MAKEWPARAM(30, 0), 0, r));
    NMHDR header = {nullptr, 30, static_cast<UINT>(NM_CLICK)};
    EXPECT_TRUE(m.Run(WM_NOTIFY, 30, reinterpret_cast<LPARAM>(&header), r));
    EXPECT_EQ(static_cast<LRESULT>(NM_CLICK), r);
    header.code = static_cast<UINT>(NM_DBLCLK);
    EXPECT_FALSE(m.Run(WM_NOTIFY, 30, reinterpret_cast<LPARAM>(&header), r));
    EXPECT_EQ(L"cmd10/0;cmd25/768;notify30;", m.trace);
}

TEST(MessageMap, ChainedAndAlternateMaps)
{
    CMapped m;
    LRESULT r = 0;
    ASSERT_TRUE(m.Run(WM_USER + 5, 0, 0, r));
    EXPECT_EQ(5, r);
    EXPECT_EQ(1, m.seen);
    // The alternate map answers only when asked for, and map 0 does not know its entries.
    EXPECT_FALSE(m.Run(WM_USER + 1, 0, 0, r));
    ASSERT_TRUE(m.Run(WM_USER + 1, 0, 0, r, 1));
    EXPECT_EQ(7, r);
    EXPECT_FALSE(m.Run(WM_USER, 0, 0, r, 1));
    EXPECT_FALSE(m.Run(WM_USER + 1, 0, 0, r, 2));
}

TEST(MessageMap, OnlyNotificationsFromAControlAreReflected)
{
    HWND control = reinterpret_cast<HWND>(0x1234);
    NMHDR header = {control, 5, 0};
    DRAWITEMSTRUCT draw = {};
    draw.hwndItem = control;
    struct {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        HWND expected;
    } cases[] = {
        {WM_COMMAND, MAKEWPARAM(5, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control), control},
        {WM_COMMAND, MAKEWPARAM(5, 0), 0, nullptr},  // menu or accelerator
        {WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header), control},
        {WM_DRAWITEM, 5, reinterpret_cast<LPARAM>(&draw), control},
        {WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), nullptr},  // a menu item
        {WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 5), reinterpret_cast<LPARAM>(control), control},
        {WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 0), MAKELPARAM(3, 4), nullptr},
        {WM_HSCROLL, 0, reinterpret_cast<LPARAM>(control), control},
        {WM_HSCROLL, 0, 0, nullptr},  // the window's own scroll bar
        {WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(control), control},
        {WM_PAINT, 0, 0, nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, GetNotifyingControl(nullptr, c.msg, c.wp, c.lp)) << "message " << c.msg;
}

TEST(MessageLoop, IdleResetsOnEveryMessageButMovesPaintsAndTheCaretBlink)
{
    for (UINT msg : {UINT(WM_MOUSEMOVE), UINT(WM_NCMOUSEMOVE), UINT(WM_PAINT), 0x118u})
        EXPECT_FALSE(IsIdleResetMessage(msg)) << msg;
    for (UINT msg : {UINT(WM_KEYDOWN), UINT(WM_TIMER), UINT(WM_COMMAND), UINT(WM_LBUTTONDOWN), UINT(WM_USER)})
        EXPECT_TRUE(IsIdleResetMessage(msg)) << msg;
}

TEST(MessageLoop, OneLoopPerThreadInTheModule)
{
    CAppModule module;
    CMessageLoop a, b;
    EXPECT_EQ(nullptr, module.GetMessageLoop());
    EXPECT_TRUE(module.AddMessageLoop(&a));
    EXPECT_FALSE(module.AddMessageLoop(&b));
    EXPECT_EQ(&a, module.GetMessageLoop());
    EXPECT_TRUE(module.RemoveMessageLoop());
    EXPECT_FALSE(module.RemoveMessageLoop());
    EXPECT_EQ(nullptr, module.GetMessageLoop());
}

namespace {

// Drives a loop from its own idle handler and records what the loop does.
struct CLoopScript : CMessageFilter, CIdleHandler {
    std::wstring events;
    int idle = 0;
    BOOL OnIdle() override
    {
        events += L"idle;";
        switch (++idle) {
        case 1:
            PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
            break;
        case 2:
            // A mouse move alone ends no idle phase: the next message comes without one.
            PostThreadMessageW(GetCurrentThreadId(), WM_MOUSEMOVE, 0, 0);
            PostThreadMessageW(GetCurrentThreadId(), WM_USER + 1, 0, 0);
            break;
        default:
            PostQuitMessage(9);
        }
        return FALSE;
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        events += std::to_wstring(msg->message) + L";";
        if (msg->message == WM_USER + 1)
            throw my::CException(IDS_NO_SELECTION);
        return FALSE;
    }
};

} // namespace

TEST(MessageLoop, RunsFiltersAndIdleHandlersUntilQuit)
{
    CRecordingSink sink;
    CLoopScript script;
    CMessageLoop loop;
    ASSERT_TRUE(loop.AddMessageFilter(&script));
    EXPECT_FALSE(loop.AddMessageFilter(&script));
    ASSERT_TRUE(loop.AddIdleHandler(&script));
    EXPECT_EQ(9, loop.Run());
    EXPECT_EQ(L"idle;1024;idle;512;1025;idle;", script.events);
    // The failing filter was reported and the loop went on.
    ASSERT_EQ(1u, sink.errors.size());
    EXPECT_EQ(L"選択項目がありません", sink.errors[0]);
    EXPECT_TRUE(loop.RemoveIdleHandler(&script));
    EXPECT_TRUE(loop.RemoveMessageFilter(&script));
}
