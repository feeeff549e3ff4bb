#include "app/FullScreenManager.h"

RECT PlaceFromLayout(const RECT& normalBounds, SIZE least, const RECT& present, int cx, int cy, bool centre,
                     const RECT& parent, const RECT& area)
{
    if (normalBounds.left != normalBounds.right && normalBounds.top != normalBounds.bottom)
        return KeepRectOnScreen(normalBounds, least, area);
    if ((cx < 1 || cy < 1) && !centre)
        return RECT{0, 0, 0, 0};  // the window keeps its own place
    RECT r = present;
    if (cx > 0 && cy > 0) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    if (centre) {
        const int w = r.right - r.left, h = r.bottom - r.top;
        r.left = parent.left + (parent.right - parent.left - w) / 2;
        r.top = parent.top + (parent.bottom - parent.top - h) / 2;
        r.right = r.left + w;
        r.bottom = r.top + h;
    }
    return r;
}

RECT FullScreenTarget(HWND hwnd)
{
    MONITORINFO info = {sizeof info};
    HMONITOR monitor = ::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    if (monitor && ::GetMonitorInfoW(monitor, &info))
        return info.rcMonitor;
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}
