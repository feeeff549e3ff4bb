#include "WindowTestSupport.h"
#include "ui/ColorButton.h"
#include <gtest/gtest.h>

namespace {

void Repaint(HWND hwnd)
{
    UpdateWindow(GetParent(hwnd));
    UpdateWindow(hwnd);
    PumpMessages();
}

struct CClicks : COnClickHandler {
    int count = 0;
    UINT id = 0;
    void OnClick(CWindow*, UINT, UINT controlId, HWND) override
    {
        ++count;
        id = controlId;
    }
};

} // namespace

TEST(ColorButton, PaintsSwatchWhileEnabledAndReportsClicks)
{
    const COLORREF colour = RGB(200, 30, 60), frame = RGB(100, 100, 100);
    CTestFrame parent;
    REQUIRE_WINDOW(parent.m_hWnd);
    HWND hwnd = parent.AddChild(L"BUTTON", BS_PUSHBUTTON, 250, 10, 10, 60, 30);
    CColorButton button;
    CClicks clicks;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    button.Listener = &clicks;
    button.SetColor(colour);
    button.Invalidate();
    Repaint(hwnd);
    // Client 60 x 30: the swatch is (4, 4)-(56, 26), framed by its outer pixels.
    EXPECT_EQ(frame, PixelAt(hwnd, 4, 4));
    EXPECT_EQ(frame, PixelAt(hwnd, 55, 25));
    EXPECT_EQ(colour, PixelAt(hwnd, 30, 15));
    EXPECT_EQ(colour, PixelAt(hwnd, 5, 5));
    EXPECT_NE(colour, PixelAt(hwnd, 3, 15));

    // Disabled: the frame stays, the colour goes at once.
    button.EnableWindow(FALSE);
    Repaint(hwnd);
    EXPECT_EQ(frame, PixelAt(hwnd, 4, 4));
    EXPECT_NE(colour, PixelAt(hwnd, 30, 15));
    button.EnableWindow(TRUE);
    Repaint(hwnd);
    EXPECT_EQ(colour, PixelAt(hwnd, 30, 15));

    button.Click();
    EXPECT_EQ(1, clicks.count);
    EXPECT_EQ(250u, clicks.id);
}
