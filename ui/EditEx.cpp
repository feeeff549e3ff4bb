#include "ui/EditEx.h"
#include "platform/Gdi.h"

LRESULT CEditEx::OnKey(UINT msg, WPARAM wp, LPARAM lp, BOOL& handled)
{
    CKeyEvent key;
    key.code = static_cast<WORD>(wp);
    key.repeat = LOWORD(lp);
    key.flags = HIWORD(lp);
    if (msg == WM_KEYDOWN)
        FireKeyDown(key);
    else
        FireChar(key);
    handled = key.handled ? TRUE : FALSE;
    return 0;
}

LRESULT CEditEx::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    // The region to be painted, taken before the control validates it.
    CRgnHandle region(::CreateRectRgn(0, 0, 0, 0));
    const bool clipped = region.Get() && ::GetUpdateRgn(m_hWnd, region, FALSE) != ERROR;
    LRESULT result = DefWindowProc();
    CWindowDC dc(m_hWnd);
    if (dc.IsValid()) {
        if (clipped)
            ::SelectClipRgn(dc, region);
        OnAfterPaint(dc);
    }
    return result;
}
