#include "ui/Window.h"

BOOL CWindow::CenterWindow(HWND center) const
{
    DWORD style = GetStyle();
    const bool child = (style & WS_CHILD) != 0;
    if (!center)
        center = child ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    RECT self;
    if (!::GetWindowRect(m_hWnd, &self))
        return FALSE;
    RECT area, target;
    if (child) {
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &area);
        target = area;
        if (center && center != parent && ::GetWindowRect(center, &target))
            ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&target), 2);
    } else {
        MONITORINFO info = {sizeof info};
        HMONITOR monitor = ::MonitorFromWindow(center ? center : m_hWnd, MONITOR_DEFAULTTONEAREST);
        if (!monitor || !::GetMonitorInfoW(monitor, &info))
            return FALSE;
        area = info.rcWork;
        if (!center || !::IsWindowVisible(center) || ::IsIconic(center) || !::GetWindowRect(center, &target))
            target = area;
    }
    int w = self.right - self.left, h = self.bottom - self.top;
    int x = (target.left + target.right) / 2 - w / 2;
    int y = (target.top + target.bottom) / 2 - h / 2;
    // Inside the area, its top-left corner winning for a window larger than it.
    if (x + w > area.right)
        x = area.right - w;
    if (x < area.left)
        x = area.left;
    if (y + h > area.bottom)
        y = area.bottom - h;
    if (y < area.top)
        y = area.top;
    return ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring GetListItemText(HWND window, UINT lenMsg, UINT textMsg, int index, bool* ok)
{
    if (ok)
        *ok = false;
    LRESULT n = ::SendMessageW(window, lenMsg, static_cast<WPARAM>(index), 0);
    if (n < 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    LRESULT got = ::SendMessageW(window, textMsg, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    if (got < 0)
        return std::wstring();
    text.resize(static_cast<size_t>(got) < text.size() ? static_cast<size_t>(got) : text.size() - 1);
    if (ok)
        *ok = true;
    return text;
}
