// A colour swatch over a static control: the client area filled with the
// colour, inside a sunken one-pixel edge on the sides the edge flags name
// (two swatches can share one frame).
#pragma once
#include "ui/WindowImpl.h"

class CColorControl : public CWindowImpl<CColorControl, CWindow> {
public:
    UINT EdgeFlags = BF_RECT;
    COLORREF Color = RGB(0, 0, 0);

    BEGIN_MSG_MAP(CColorControl)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
    END_MSG_MAP()

    COLORREF GetColor() const { return Color; }
    // True when the colour changed; redraw invalidates (without erasing).
    bool SetColor(COLORREF color, bool redraw)
    {
        if (color == Color)
            return false;
        Color = color;
        if (redraw && m_hWnd)
            InvalidateRect(nullptr, FALSE);
        return true;
    }

private:
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
};
