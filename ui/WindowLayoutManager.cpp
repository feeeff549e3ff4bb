#include "ui/WindowLayoutManager.h"
#include <algorithm>

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

RECT GetVirtualScreenRect()
{
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

RECT KeepRectOnScreen(const RECT& rect, SIZE least, const RECT& area)
{
    // In 64 bits: a stored rectangle may span the whole int range.
    const long long areaWidth = static_cast<long long>(area.right) - area.left;
    const long long areaHeight = static_cast<long long>(area.bottom) - area.top;
    const long long width = std::max<long long>(
        least.cx, std::min(static_cast<long long>(rect.right) - rect.left, areaWidth));
    const long long height = std::max<long long>(
        least.cy, std::min(static_cast<long long>(rect.bottom) - rect.top, areaHeight));
    const long long left = std::max<long long>(area.left, std::min<long long>(rect.left, area.right - width));
    const long long top = std::max<long long>(area.top, std::min<long long>(rect.top, area.bottom - height));
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
                static_cast<LONG>(top + height)};
}

RECT WorkAreaFor(const RECT& rect)
{
    MONITORINFO info = {sizeof info};
    HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &info))
        return info.rcWork;
    return GetVirtualScreenRect();
}

SIZE LeastWindowSize(HWND hwnd)
{
    // What the system starts from before the window says its own.
    MINMAXINFO info = {};
    info.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return SIZE{info.ptMinTrackSize.x, info.ptMinTrackSize.y};
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
