#include "ui/WindowLayoutManager.h"

RECT ClampRectToArea(const RECT& rect, const RECT& area)
{
    RECT r = rect;
    if (r.bottom > area.bottom)
        OffsetRect(&r, 0, area.bottom - r.bottom);
    if (r.top < area.top)
        OffsetRect(&r, 0, area.top - r.top);
    if (r.right > area.right)
        OffsetRect(&r, area.right - r.right, 0);
    if (r.left < area.left)
        OffsetRect(&r, area.left - r.left, 0);
    return r;
}

RECT FitRectIntoArea(const RECT& rect, const RECT& area)
{
    RECT r = rect;
    if (r.right - r.left > area.right - area.left)
        r.right = r.left + (area.right - area.left);
    if (r.bottom - r.top > area.bottom - area.top)
        r.bottom = r.top + (area.bottom - area.top);
    return ClampRectToArea(r, area);
}

RECT GetVirtualScreenRect()
{
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void CaptureWindowPlacement(HWND hwnd, bool& maximized, RECT& rect)
{
    maximized = IsZoomed(hwnd) != FALSE;
    // A maximised or minimised window keeps the restored rectangle stored.
    if (maximized || IsIconic(hwnd))
        return;
    RECT r;
    if (GetWindowRect(hwnd, &r))
        rect = r;
}

bool ApplyWindowPlacement(HWND hwnd, const RECT& rect, int flags)
{
    if (IsRectEmpty(&rect))
        return false;
    if (IsZoomed(hwnd) || IsIconic(hwnd))
        ShowWindow(hwnd, SW_SHOWNORMAL);
    const RECT r = (flags & LAYOUT_CLAMP) ? ClampRectToArea(rect, GetVirtualScreenRect()) : rect;
    UINT swp = SWP_NOZORDER;
    if (flags & LAYOUT_NOMOVE)
        swp |= SWP_NOMOVE;
    if (flags & LAYOUT_NOSIZE)
        swp |= SWP_NOSIZE;
    return SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, swp) != FALSE;
}

void ShowWindowPlacementState(HWND hwnd, bool maximized, bool force)
{
    if (maximized)
        ShowWindow(hwnd, SW_MAXIMIZE);
    else if (force)
        ShowWindow(hwnd, SW_SHOWNORMAL);
}
