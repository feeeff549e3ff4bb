#include "imaging/ColorButton.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <functional>
#include <thread>

namespace {

// Runs `body` on a thread of its own desktop. The shared Wine server's
// default desktop may have been started without a display (by a headless
// test), and the main thread cannot move to another: OLE already gave it a
// window.
void RunOnOwnDesktop(const std::function<void()>& body)
{
    std::thread worker([&] {
        // A name of this process: a desktop outlives its process in the shared
        // server, bound to the display of whoever made it.
        wchar_t name[64];
        wsprintfW(name, L"KntWindowTest%lu", GetCurrentProcessId());
        HDESK desktop = CreateDesktopW(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        if (desktop)
            SetThreadDesktop(desktop);
        body();
        if (desktop)
            CloseDesktop(desktop);
    });
    worker.join();
}

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
    bool made = false, subclassed = false, unsubclassed = false;
    // Client 60 x 30: the swatch is (4, 4)-(56, 26), framed by its outer pixels.
    struct Probe { int x, y; } probes[] = {{4, 4}, {55, 25}, {30, 15}, {5, 5}, {3, 15}};
    COLORREF enabled[5], disabled[5], again[5];
    RunOnOwnDesktop([&] {
        CTestWindow window;
        made = window.Button() != nullptr;
        if (!made)
            return;
        CColorButton button;
        subclassed = button.Subclass(window.Button());
        button.SetColor(colour);
        InvalidateRect(window.Button(), nullptr, TRUE);
        window.Pump();
        for (int i = 0; i < 5; ++i)
            enabled[i] = window.At(probes[i].x, probes[i].y);
        EnableWindow(window.Button(), FALSE);
        window.Pump();
        for (int i = 0; i < 5; ++i)
            disabled[i] = window.At(probes[i].x, probes[i].y);
        EnableWindow(window.Button(), TRUE);
        window.Pump();
        for (int i = 0; i < 5; ++i)
            again[i] = window.At(probes[i].x, probes[i].y);
        button.Unsubclass();
        unsubclassed = button.GetHwnd() == nullptr;
    });
    ASSERT_TRUE(made);
    EXPECT_TRUE(subclassed);
    EXPECT_TRUE(unsubclassed);
    const COLORREF expectedEnabled[5] = {frame, frame, colour, colour, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expectedEnabled[i], enabled[i]) << i;
        EXPECT_EQ(expectedEnabled[i], again[i]) << i;
    }
    EXPECT_NE(colour, enabled[4]);
    // Disabled: the frame stays, the colour goes.
    EXPECT_EQ(frame, disabled[0]);
    EXPECT_NE(colour, disabled[2]);
    EXPECT_NE(colour, disabled[3]);
}
