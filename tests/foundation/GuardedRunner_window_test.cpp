#include "foundation/GuardedRunner.h"
#include "resources/strings_foundation.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

struct CFakeSink : CMsg {
    std::vector<std::wstring> shown;
    HWND focusWhenShown = nullptr;
    int ShowError(const CSimpleErr& err) override
    {
        focusWhenShown = GetFocus();
        shown.push_back(err.message);
        return IDOK;
    }
    int Show(const std::wstring&, UINT) override { return IDOK; }
};

struct CWindow {
    HWND h;
    explicit CWindow(HWND w) : h(w) {}
    ~CWindow()
    {
        if (h)
            DestroyWindow(h);
    }
};

} // namespace

TEST(GuardedRunnerWindow, FocusMovesToTheFailingControlBeforeTheBox)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"GuardedRunnerTestFrame";
    RegisterClassW(&wc);
    CWindow frame(CreateWindowExW(0, wc.lpszClassName, L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    // A wineserver started headless has no display driver for its desktop.
    if (!frame.h)
        GTEST_SKIP() << "no window can be created on this desktop";
    HWND first = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 100, 20, frame.h,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND second = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 40, 100, 20, frame.h,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(first && second);
    SetForegroundWindow(frame.h);
    SetFocus(first);
    ASSERT_EQ(first, GetFocus());

    CFakeSink sink;
    EXPECT_FALSE(RunAndReport(sink, [&] { ThrowNoSelectionCtrl(second); }, false));
    EXPECT_EQ(first, GetFocus());  // focus option off: the focus stays

    EXPECT_FALSE(RunAndReport(sink, [&] { ThrowNoSelectionCtrl(second); }, true));
    EXPECT_EQ(second, sink.focusWhenShown);
    EXPECT_EQ(second, GetFocus());

    SetFocus(first);
    EXPECT_FALSE(RunAndReport(sink, [&] { throw my::CException(IDS_NO_SELECTION); }, true));
    EXPECT_EQ(first, GetFocus());  // no control named: no focus change
    ASSERT_EQ(3u, sink.shown.size());
    EXPECT_EQ(L"選択項目がありません", sink.shown[1]);
}
