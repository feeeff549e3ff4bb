#include "imaging/ColorButton.h"
#include "imaging/Screen.h"
#include <commctrl.h>

namespace {
const UINT_PTR kSubclassId = 0x436C7242;  // any id unique to this subclass
const COLORREF kFrameColour = RGB(100, 100, 100);
}

bool CColorButton::Subclass(HWND button)
{
    Unsubclass();
    if (!button || !SetWindowSubclass(button, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hwnd = button;
    return true;
}

void CColorButton::Unsubclass()
{
    if (m_hwnd)
        RemoveWindowSubclass(m_hwnd, Proc, kSubclassId);
    m_hwnd = nullptr;
}

void CColorButton::OnPaint()
{
    RECT client;
    if (!GetClientRect(m_hwnd, &client))
        return;
    CDCScreen screen;
    if (FAILED(screen.AttachWindow(m_hwnd, client)))
        return;
    InflateRect(&client, -4, -4);
    if (IsWindowEnabled(m_hwnd))
        screen.FillSolidRect(m_color, client);
    screen.FrameRect(client, 1, kFrameColour, 255);
}

void CColorButton::OnEnable() { InvalidateRect(m_hwnd, nullptr, TRUE); }

LRESULT CALLBACK CColorButton::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data)
{
    CColorButton* self = reinterpret_cast<CColorButton*>(data);
    switch (msg) {
    case WM_PAINT:
    case WM_ENABLE: {
        LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
        // Nothing may cross the window procedure; a failed swatch stays unpainted.
        try {
            if (msg == WM_PAINT)
                self->OnPaint();
            else
                self->OnEnable();
        } catch (...) {
        }
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, Proc, kSubclassId);
        self->m_hwnd = nullptr;
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}
