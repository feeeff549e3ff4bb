#include "WindowTestSupport.h"
#include "ui/ColorControl.h"
#include "ui/ColorPicker.h"
#include <gtest/gtest.h>

namespace {

void Repaint(HWND hwnd)
{
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    PumpMessages();
}

struct CChanges : COnChangeColorHandler {
    int count = 0;
    CWindow* last = nullptr;
    void OnChangeColor(CWindow* picker) override
    {
        ++count;
        last = picker;
    }
};

} // namespace

TEST(ColorPicker, HueSaturationFieldFollowsClicksAndDrags)
{
    CTestFrame parent;
    REQUIRE_WINDOW(parent.m_hWnd);
    // No SS_NOTIFY: a plain static lets the mouse through to its parent.
    HWND plain = parent.AddChild(L"STATIC", 0, 100, 0, 0, 10, 10);
    EXPECT_EQ(HTTRANSPARENT, SendMessageW(plain, WM_NCHITTEST, 0, 0));
    HWND hwnd = parent.AddChild(L"STATIC", 0, 269, 10, 10, 202, 130);  // field 200 x 128
    CColorPickerHS picker;
    CChanges changes;
    ASSERT_TRUE(picker.SubclassWindow(hwnd));
    picker.Listener = &changes;
    EXPECT_EQ(HTCLIENT, SendMessageW(hwnd, WM_NCHITTEST, 0, 0));

    EXPECT_TRUE(picker.SetColor(RGB(0, 0, 255), true));
    EXPECT_FALSE(picker.SetColor(RGB(0, 0, 255), true));  // unchanged, still told
    EXPECT_EQ(2, changes.count);
    EXPECT_EQ(&picker, changes.last);
    EXPECT_DOUBLE_EQ(240.0, picker.Hue);
    EXPECT_DOUBLE_EQ(1.0, picker.Saturation);
    // Lightness is not the field's: a darker blue changes nothing.
    EXPECT_FALSE(picker.SetColor(RGB(0, 0, 128), true));

    Repaint(hwnd);
    // Top row fully saturated, red at both ends; bottom row grey.
    EXPECT_TRUE(Near(RGB(255, 0, 0), PixelAt(hwnd, 1, 1)));
    EXPECT_TRUE(Near(RGB(255, 0, 0), PixelAt(hwnd, 200, 1)));
    EXPECT_TRUE(Near(RGB(128, 128, 128), PixelAt(hwnd, 60, 128)));
    POINT m = picker.GetMarker();
    EXPECT_EQ(1 + 199 * 240 / 360, m.x);
    EXPECT_EQ(1, m.y);

    // A click at the left edge and half way down, then one outside: clamped.
    ClickAt(hwnd, 1, 1 + 127 / 2);
    EXPECT_DOUBLE_EQ(0.0, picker.Hue);
    EXPECT_NEAR(0.5, picker.Saturation, 0.01);
    m = picker.GetMarker();
    EXPECT_EQ(RGB(0, 0, 0), PixelAt(hwnd, m.x, m.y + 7));  // an arm of the cross
    EXPECT_NE(RGB(0, 0, 0), PixelAt(hwnd, m.x, m.y));      // its open centre
    ClickAt(hwnd, 500, -40);
    EXPECT_DOUBLE_EQ(360.0, picker.Hue);
    EXPECT_DOUBLE_EQ(1.0, picker.Saturation);
    ClickAt(hwnd, 100, 400);
    EXPECT_DOUBLE_EQ(0.0, picker.Saturation);

    // Moving with the button up changes nothing; with the capture it drags.
    const int before = changes.count;
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(before, changes.count);
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 10));
    EXPECT_NEAR(149 * 360.0 / 199, picker.Hue, 1e-9);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(150, 10));
    EXPECT_EQ(nullptr, GetCapture());
}

TEST(ColorPicker, LightnessBarFollowsHueSaturationAndClicks)
{
    CTestFrame parent;
    REQUIRE_WINDOW(parent.m_hWnd);
    HWND hwnd = parent.AddChild(L"STATIC", SS_NOTIFY, 270, 10, 10, 30, 130);  // bar 21 x 128
    CColorPickerL picker;
    CChanges changes;
    ASSERT_TRUE(picker.SubclassWindow(hwnd));
    picker.Listener = &changes;

    EXPECT_TRUE(picker.SetColor(RGB(255, 0, 0), true));
    EXPECT_DOUBLE_EQ(0.5, picker.Lightness);
    Repaint(hwnd);
    EXPECT_TRUE(Near(RGB(255, 255, 255), PixelAt(hwnd, 5, 1)));
    EXPECT_TRUE(Near(RGB(255, 0, 0), PixelAt(hwnd, 5, 64)));
    EXPECT_TRUE(Near(RGB(0, 0, 0), PixelAt(hwnd, 5, 128)));
    POINT m = picker.GetMarker();
    EXPECT_EQ(23, m.x);  // the frame's right edge, where the strip begins
    EXPECT_EQ(RGB(0, 0, 0), PixelAt(hwnd, m.x + 4, m.y));

    // The field's hue moves the bar's colours, not its marker.
    EXPECT_TRUE(picker.SetHueSaturation(120.0, 1.0, true));
    Repaint(hwnd);
    EXPECT_TRUE(Near(RGB(0, 255, 0), PixelAt(hwnd, 5, 64)));
    EXPECT_EQ(m.y, picker.GetMarker().y);

    ClickAt(hwnd, 5, 1);
    EXPECT_DOUBLE_EQ(1.0, picker.Lightness);
    EXPECT_EQ(1, picker.GetMarker().y);
    ClickAt(hwnd, 5, 1000);
    EXPECT_DOUBLE_EQ(0.0, picker.Lightness);
    EXPECT_EQ(6, changes.count);  // a click is a press and a release
}

TEST(ColorPicker, OnePixelHighPickersDoNotDivideByZero)
{
    CTestFrame parent;
    REQUIRE_WINDOW(parent.m_hWnd);
    CColorPickerHS field;
    CColorPickerL bar;
    ASSERT_TRUE(field.SubclassWindow(parent.AddChild(L"STATIC", 0, 269, 10, 10, 3, 3)));  // 1 x 1 inside
    ASSERT_TRUE(bar.SubclassWindow(parent.AddChild(L"STATIC", 0, 270, 40, 10, 10, 3)));
    ClickAt(field, 5, 5);
    ClickAt(bar, 1, 5);
    EXPECT_DOUBLE_EQ(0.0, field.Saturation);
    EXPECT_DOUBLE_EQ(0.0, bar.Lightness);
    ClickAt(field, 0, 0);
    EXPECT_DOUBLE_EQ(1.0, field.Saturation);
    Repaint(field);
    Repaint(bar);
}

TEST(ColorControl, FillsWithColourInsideItsEdge)
{
    CTestFrame parent;
    REQUIRE_WINDOW(parent.m_hWnd);
    CColorControl swatch;
    ASSERT_TRUE(swatch.SubclassWindow(parent.AddChild(L"STATIC", 0, 263, 10, 10, 40, 20)));
    swatch.EdgeFlags = BF_LEFT | BF_TOP | BF_RIGHT;
    EXPECT_TRUE(swatch.SetColor(RGB(10, 200, 30), true));
    EXPECT_FALSE(swatch.SetColor(RGB(10, 200, 30), true));
    UpdateWindow(swatch);
    PumpMessages();
    EXPECT_EQ(RGB(10, 200, 30), PixelAt(swatch, 20, 10));
    EXPECT_EQ(RGB(10, 200, 30), PixelAt(swatch, 20, 19));  // no edge at the bottom
    EXPECT_NE(RGB(10, 200, 30), PixelAt(swatch, 20, 0));
}
