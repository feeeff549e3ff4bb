// A push button that shows a colour swatch over its face: the button paints
// itself, then the client area inset by 4 is filled with the colour (only
// while enabled) and framed with a 1-pixel grey line.
#pragma once
#include <windows.h>

class CColorButton {
public:
    CColorButton() = default;
    ~CColorButton() { Unsubclass(); }
    CColorButton(const CColorButton&) = delete;
    CColorButton& operator=(const CColorButton&) = delete;

    // Routes the button's paint and enable messages here until Unsubclass.
    bool Subclass(HWND button);
    void Unsubclass();
    HWND GetHwnd() const { return m_hwnd; }

    COLORREF GetColor() const { return m_color; }
    // The owner invalidates after a change.
    void SetColor(COLORREF color) { m_color = color; }

    // WM_PAINT after the button's own painting.
    void OnPaint();
    // WM_ENABLE: the swatch shows or hides at once.
    void OnEnable();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);

    HWND m_hwnd = nullptr;
    COLORREF m_color = RGB(255, 255, 255);
};
