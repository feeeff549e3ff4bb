#include "imaging/ColorButton.h"
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

class CTestWindow {
public:
    CTestWindow()
    {
        // The embedded manifest sends BUTTON to comctl32 v6, which must be loaded.
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        m_parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                   instance, nullptr);
        m_button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 60, 30, m_parent,
                                   nullptr, instance, nullptr);
    }
    ~CTestWindow() { if (m_parent) DestroyWindow(m_parent); }
    HWND Button() const { return m_button; }
    void Pump()
    {
        UpdateWindow(m_parent);
        UpdateWindow(m_button);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    COLORREF At(int x, int y)
    {
        HDC dc = GetDC(m_button);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(m_button, dc);
        return c;
    }
private:
    HWND m_parent = nullptr;
    HWND m_button = nullptr;
};

} // namespace

TEST(ColorButton, PaintsSwatchWhileEnabled)
{
    const COLORREF colour = RGB(200, 30, 60), frame = RGB(100, 100, 100);
    CTestWindow window;
    ASSERT_TRUE(window.Button());
    CColorButton button;
    ASSERT_TRUE(button.Subclass(window.Button()));
    button.SetColor(colour);
    InvalidateRect(window.Button(), nullptr, TRUE);
    window.Pump();
    // Client 60 x 30: the swatch is (4, 4)-(56, 26), framed by its outer pixels.
    EXPECT_EQ(frame, window.At(4, 4));
    EXPECT_EQ(frame, window.At(55, 25));
    EXPECT_EQ(colour, window.At(30, 15));
    EXPECT_EQ(colour, window.At(5, 5));
    EXPECT_NE(colour, window.At(3, 15));

    // Disabled: the frame stays, the colour goes at once.
    EnableWindow(window.Button(), FALSE);
    window.Pump();
    EXPECT_EQ(frame, window.At(4, 4));
    EXPECT_NE(colour, window.At(30, 15));
    EXPECT_NE(colour, window.At(5, 5));

    EnableWindow(window.Button(), TRUE);
    window.Pump();
    EXPECT_EQ(colour, window.At(30, 15));

    button.Unsubclass();
    EXPECT_EQ(nullptr, button.GetHwnd());
}
