#include "ui/SplitterWindow.h"
#include "platform/Gdi.h"
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

bool IsForTheDialog(UINT msg)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_NEXTDLGCTL:
    case DM_GETDEFID:
    case DM_SETDEFID:
    case WM_CONTEXTMENU:
    case WM_CLOSE:
        return true;
    default:
        return false;
    }
}

LRESULT CSplitterWindow::OnForTheDialog(UINT msg, WPARAM wp, LPARAM lp, BOOL&)
{
    // Esc in a multi-line edit: passed on, it would close the dialog, and
    // left to the default handling, destroy the splitter with both panes.
    // Esc in the text leaves the window as it is.
    if (msg == WM_CLOSE)
        return 0;
    HWND parent = GetParent();
    return parent ? ::SendMessageW(parent, msg, wp, lp) : 0;
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
    const CPaintDC dc(m_hWnd);
    if (dc) {
        CSplitterLayout l = Layout(m_pos);
        ::FillRect(dc, &l.bar, ::GetSysColorBrush(COLOR_BTNFACE));
        // A pane not given yet shows the face colour too.
        for (int i = 0; i < 2; ++i)
            if (!m_panes[i])
                ::FillRect(dc, i == 0 ? &l.left : &l.right, ::GetSysColorBrush(COLOR_BTNFACE));
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

void CSplitterWindow::MoveBar(int pos)
{
    // Past the left edge is the left edge, never "the default position".
    pos = Layout(std::max(0, pos)).pos;
    if (pos == m_pos)
        return;
    m_pos = pos;
    UpdateSplitterLayout();
    ::UpdateWindow(m_hWnd);
}

LRESULT CSplitterWindow::OnLButtonDown(UINT, WPARAM, LPARAM lp, BOOL&)
{
    POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (m_dragging || !IsOverBar(pt))
        return 0;
    // Flagged first: the focus arriving here must stay here, not go on to a pane.
    m_dragging = true;
    m_dragOffset = pt.x - m_pos;
    m_dragStartPos = m_pos;
    m_focusBeforeDrag = ::GetFocus();
    ::SetCapture(m_hWnd);
    ::SetFocus(m_hWnd);
    return 0;
}

LRESULT CSplitterWindow::OnMouseMove(UINT, WPARAM, LPARAM lp, BOOL&)
{
    if (m_dragging && ::GetCapture() == m_hWnd)
        MoveBar(static_cast<short>(LOWORD(lp)) - m_dragOffset);
    return 0;
}

LRESULT CSplitterWindow::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_dragging)
        EndDrag();
    return 0;
}

LRESULT CSplitterWindow::OnKeyDown(UINT, WPARAM key, LPARAM, BOOL& handled)
{
    if (!m_dragging) {
        handled = FALSE;
        return 0;
    }
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT: {
        const int before = m_pos;
        MoveBar(m_pos + (key == VK_LEFT ? -kKeyStep : kKeyStep));
        // The mouse goes on from where the keys left the bar.
        m_dragOffset -= m_pos - before;
        break;
    }
    case VK_RETURN:
        EndDrag();
        break;
    case VK_ESCAPE:
        MoveBar(m_dragStartPos);
        EndDrag();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CSplitterWindow::OnGetDlgCode(UINT, WPARAM, LPARAM, BOOL& handled)
{
    // During a drag every key is the splitter's: Esc and Enter must not
    // become the dialog's Cancel and default button, nor arrows move the focus.
    if (m_dragging)
        return DLGC_WANTALLKEYS;
    handled = FALSE;
    return 0;
}

void CSplitterWindow::EndDrag()
{
    m_dragging = false;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    HWND focus = m_focusBeforeDrag;
    m_focusBeforeDrag = nullptr;
    if (::GetFocus() != m_hWnd)
        return;  // the focus went elsewhere meanwhile (another window was activated)
    if (focus && ::IsWindow(focus) && focus != m_hWnd)
        ::SetFocus(focus);
    else if (HWND pane = m_panes[m_activePane])
        ::SetFocus(pane);
}

LRESULT CSplitterWindow::OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&)
{
    // The mouse was taken away (another window, a menu): the drag ends
    // where the bar stands.
    if (m_dragging)
        EndDrag();
    return 0;
}

LRESULT CSplitterWindow::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_dragging)
        return 0;
    if (HWND pane = m_panes[m_activePane])
        ::SetFocus(pane);
    return 0;
}
