#include "WindowTestSupport.h"
#include "ui/WindowUtil.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <sstream>

namespace {

// A message-only static control: texts work without a display.
struct CMessageOnlyStatic {
    HWND control = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ~CMessageOnlyStatic() { DestroyWindow(control); }
    std::wstring Text() const
    {
        std::wstring t;
        GetWindowTextString(control, t);
        return t;
    }
};

} // namespace

TEST(WindowUtil, ClassNamesAlignmentAndPoints)
{
    EXPECT_TRUE(IsEditClassName(L"EDIT"));
    EXPECT_TRUE(IsEditClassName(L"edit"));
    EXPECT_FALSE(IsEditClassName(L"RichEdit20W"));
    EXPECT_TRUE(IsComboBoxExClassName(L"comboboxex32"));
    EXPECT_FALSE(IsComboBoxClassName(L"ComboBoxEx32"));
    EXPECT_TRUE(EqualsNoCaseN(L"ToolbarWindow32", L"TOOLBARx", 7));
    EXPECT_LT(CompareNoCaseN(L"abc", L"ABD", 3), 0);

    struct { int mode, position, outer, inner, expected; } cases[] = {
        {0, 10, 101, 50, 10}, {1, 10, 101, 50, 61}, {2, 10, 101, 50, 35}, {7, 10, 101, 50, 10}, {2, 0, 10, 13, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, AlignOffset(c.mode, c.position, c.outer, c.inner)) << c.mode;

    std::wostringstream os;
    os << std::hex << POINT{3, -4};
    EXPECT_EQ(L"(3, -4)", os.str());
}

TEST(WindowUtil, TextsSkipUnchangedAndConvertLineFeeds)
{
    CMessageOnlyStatic w;
    ASSERT_TRUE(w.control);
    EXPECT_TRUE(SetWindowTextIfChanged(w.control, L"a\nb", true, true));
    EXPECT_EQ(L"a\r\nb", w.Text());
    EXPECT_TRUE(SetWindowTextIfChanged(w.control, L"a\r\nb", true, true));
    EXPECT_EQ(L"a\r\nb", w.Text());
    SetWindowTextIfChanged(w.control, L"  x \r", false, false);
    std::wstring trimmed;
    GetWindowTextTrim(w.control, trimmed, true);
    EXPECT_EQ(L"x", trimmed);
}

TEST(WindowUtil, FormatFromTheControlTextOnlyWhenItFitsTheArguments)
{
    CMessageOnlyStatic w;
    ASSERT_TRUE(w.control);
    SetWindowTextW(w.control, L"%d 個のファイルを作成しました");
    EXPECT_TRUE(SetWindowTextFormat(w.control, 12));
    EXPECT_EQ(L"12 個のファイルを作成しました", w.Text());

    // A text that asks for other arguments than those given is left alone
    // (formatting it would read what was never passed).
    for (const wchar_t* format : {L"%s files", L"%d of %d", L"%n", L"%p", L"%*d", L"%lld", L"100%"}) {
        SetWindowTextW(w.control, format);
        EXPECT_FALSE(SetWindowTextFormat(w.control, 12)) << Narrow(format);
        EXPECT_EQ(format, w.Text());
    }
    SetWindowTextW(w.control, L"%s: %d%% %.1f");
    EXPECT_TRUE(SetWindowTextFormat(w.control, std::wstring(L"名前"), 5, 2.25));
    EXPECT_EQ(L"名前: 5% 2.", w.Text().substr(0, 9));  // 2.2 or 2.3: the runtime rounds
}

TEST(WindowUtil, RequiredTextRaisesTheCallersMessageWithTheControl)
{
    CMessageOnlyStatic w;
    ASSERT_TRUE(w.control);
    SetWindowTextW(w.control, L"\x3000 text\t\x3000");
    EXPECT_EQ(L"text", GetControlTextRequired(IDS_NO_SELECTION, w.control));
    SetWindowTextW(w.control, L"\x3000\x3000 \r\n");
    try {
        GetControlTextRequired(IDS_NO_SELECTION, w.control);
        FAIL() << "nothing raised";
    } catch (const my::CCtrlException& e) {
        EXPECT_EQ(static_cast<UINT>(IDS_NO_SELECTION), e.id);
        EXPECT_EQ(w.control, e.control);
    }
    HWND gone = w.control;
    DestroyWindow(gone);
    EXPECT_EQ(static_cast<UINT>(IDS_GET_CONTROL_TEXT_FAILED),
              ThrownId([&] { GetControlTextRequired(IDS_NO_SELECTION, gone); }));
}

TEST(WindowUtil, FrameRectAndMonitors)
{
    CMessageOnlyStatic w;
    ASSERT_TRUE(w.control);
    RECT frame = {}, window = {};
    ASSERT_EQ(S_OK, GetWindowFrameRect(w.control, frame));
    GetWindowRect(w.control, &window);
    EXPECT_TRUE(EqualRect(&frame, &window));

    CMonitorInfo monitor;
    ASSERT_TRUE(monitor.Primary());
    EXPECT_TRUE(monitor.dwFlags & MONITORINFOF_PRIMARY);
    std::wostringstream expected;
    expected << L", rcMonitor: (" << monitor.rcMonitor.left << L", " << monitor.rcMonitor.top << L")-("
             << monitor.rcMonitor.right << L", " << monitor.rcMonitor.bottom << L"), rcWork: (";
    EXPECT_NE(std::wstring::npos, monitor.ToString().find(expected.str()));
    EXPECT_FALSE(monitor.FromHandle(nullptr));
}
