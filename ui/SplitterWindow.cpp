#include "ui/SplitterWindow.h"
#include <algorithm>

CSplitterLayout LayOutSplitter(int width, int height, int barWidth, int minPane, int pos)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int usable = width - barWidth;
    if (pos < 0)
        pos = usable / 2;
    pos = std::min(pos, usable - minPane);
    pos = std::max(pos, std::min(minPane, usable));
    pos = std::max(pos, 0);
    CSplitterLayout l;
    l.pos = pos;
    l.left = RECT{0, 0, pos, height};
    l.bar = RECT{pos, 0, std::min(pos + barWidth, width), height};
    l.right = RECT{l.bar.right, 0, std::max<LONG>(width, l.bar.right), height};
    return l;
}

CSplitterWindow::CSplitterWindow()
{
    // The sizing frame's width, kept within 4 to 6 pixels.
    m_barWidth = std::min(6, std::max(4, GetSystemMetrics(SM_CXSIZEFRAME)));
}

CSplitterLayout CSplitterWindow::Layout(int pos) const
{
    RECT client = {0, 0, 0, 0};
    if (m_hWnd)
        ::GetClientRect(m_hWnd, &client);
    if (pos == -1)
        pos = m_defaultPos;
    return LayOutSplitter(client.right, client.bottom, m_barWidth, kMinPane, pos);
}

void CSplitterWindow::SetSplitterPanes(HWND left, HWND right, bool update)
{
    m_panes[0] = left;
    m_panes[1] = right;
    if (update)
        UpdateSplitterLayout();
}

bool CSplitterWindow::SetSplitterPos(int pos, bool update)
{
    if (!m_hWnd) {
        m_pos = pos;
        return false;
    }
    m_pos = Layout(pos).pos;
    if (update)
        UpdateSplitterLayout();
    return true;
}

void CSplitterWindow::UpdateSplitterLayout()
{
    if (!m_hWnd)
        return;
    CSplitterLayout l = Layout(m_pos);
    m_pos = l.pos;
    for (int i = 0; i < 2; ++i) {
        const RECT& r = i == 0 ? l.left : l.right;
        if (m_panes[i])
            ::SetWindowPos(m_panes[i], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(m_hWnd, &l.bar, TRUE);
}

bool CSplitterWindow::IsOverBar(POINT pt) const
{
    CSplitterLayout l = Layout(m_pos);
    return ::PtInRect(&l.bar, pt) != FALSE;
}

LRESULT CSplitterWindow::OnSize(UINT, WPARAM wp, LPARAM, BOOL&)
{
    // The position in pixels stays: the bar keeps its distance from the left.
    if (wp != SIZE_MINIMIZED)
        UpdateSplitterLayout();
    return 0;
}

LRESULT CSplitterWindow::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    if (dc) {
        CSplitterLayout l = Layout(m_pos);
        ::FillRect(dc, &l.bar, ::GetSysColorBrush(COLOR_BTNFACE));
        // A pane not given yet shows the face colour too.
        for (int i = 0; i < 2; ++i)
            if (!m_panes[i])
                ::FillRect(dc, i == 0 ? &l.left : &l.right, ::GetSysColorBrush(COLOR_BTNFACE));
        ::EndPaint(m_hWnd, &ps);
    }
    return 0;
}

LRESULT CSplitterWindow::OnSetCursor(UINT, WPARAM wp, LPARAM lp, BOOL& handled)
{
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWnd, &pt);
    if (reinterpret_cast<HWND>(wp) == m_hWnd && LOWORD(lp) == HTCLIENT && (m_dragging || IsOverBar(pt))) {
        ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(IDC_SIZEWE)));
        return TRUE;
    }
    handled = FALSE;
    return 0;
}

LRESULT CSplitterWindow::OnLButtonDown(UINT, WPARAM, LPARAM lp, BOOL&)
{
    POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (IsOverBar(pt)) {
        m_dragging = true;
        m_dragOffset = pt.x - m_pos;
        ::SetCapture(m_hWnd);
    }
    return 0;
}

LRESULT CSplitterWindow::OnMouseMove(UINT, WPARAM, LPARAM lp, BOOL&)
{
    if (m_dragging && ::GetCapture() == m_hWnd) {
        int x = static_cast<short>(LOWORD(lp));
        // Past the left edge is the left edge, never "the default position".
        int pos = Layout(std::max(0, x - m_dragOffset)).pos;
        if (pos != m_pos) {
            m_pos = pos;
            UpdateSplitterLayout();
            ::UpdateWindow(m_hWnd);
        }
    }
    return 0;
}

LRESULT CSplitterWindow::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_dragging && ::GetCapture() == m_hWnd)
        ::ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
    m_dragging = false;
    return 0;
}

LRESULT CSplitterWindow::OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&)
{
    m_dragging = false;
    return 0;
}

LRESULT CSplitterWindow::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    if (HWND pane = m_panes[m_activePane])
        ::SetFocus(pane);
    return 0;
}
