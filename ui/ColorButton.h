// A push button that shows a colour swatch over its face: the button paints
// itself, then the client area inset by 4 is filled with the colour (only
// while enabled) and framed with a 1-pixel grey line. A click reaches the
// listener through the notification its parent reflects back.
#pragma once
#include "ui/ControlListeners.h"
#include "ui/WindowImpl.h"

class CColorButton : public CWindowImpl<CColorButton, CButtonW> {
public:
    COnClickHandler* Listener = nullptr;  // not owned
    COLORREF Color = RGB(255, 255, 255);

    BEGIN_MSG_MAP(CColorButton)
        MESSAGE_HANDLER(WM_PAINT, OnPaintMessage)
        MESSAGE_HANDLER(WM_ENABLE, OnEnableMessage)
        REFLECTED_COMMAND_CODE_HANDLER(BN_CLICKED, OnClicked)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    COLORREF GetColor() const { return Color; }
    // The owner invalidates after a change.
    void SetColor(COLORREF color) { Color = color; }

    // The swatch over what the button has painted.
    void OnPaint();
    // The swatch shows or hides at once.
    void OnEnable() { Invalidate(TRUE); }

private:
    LRESULT OnPaintMessage(UINT, WPARAM, LPARAM, BOOL&)
    {
        LRESULT result = DefWindowProc();
        OnPaint();
        return result;
    }
    LRESULT OnEnableMessage(UINT, WPARAM, LPARAM, BOOL&)
    {
        LRESULT result = DefWindowProc();
        OnEnable();
        return result;
    }
    LRESULT OnClicked(WORD, WORD id, HWND, BOOL&)
    {
        if (Listener)
            Listener->OnClick(this, 0, id, m_hWnd);
        return 0;
    }
};
