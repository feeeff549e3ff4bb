#include "ui/DialogResize.h"

RECT ResizeControlRect(const RECT& original, DWORD flags, int dx, int dy)
{
    RECT r = original;
    if (flags & DLSZ_MOVE_X)
        OffsetRect(&r, dx, 0);
    else if (flags & DLSZ_SIZE_X)
        r.right += dx;
    if (flags & DLSZ_MOVE_Y)
        OffsetRect(&r, 0, dy);
    else if (flags & DLSZ_SIZE_Y)
        r.bottom += dy;
    // A move and a size together: the control moves and keeps its size.
    return r;
}

void CDialogResizeState::Init(HWND dialog, const CDialogResizeItem* map, bool addGripper, bool useMinTrackSize,
                              DWORD forceStyle)
{
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
    if ((style & forceStyle) != forceStyle) {
        SetWindowLongPtrW(dialog, GWL_STYLE, static_cast<LONG_PTR>(style | forceStyle));
        // The new frame takes its room now, before the client size is measured.
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(dialog, &client);
    m_initialClient = SIZE{client.right, client.bottom};
    if (useMinTrackSize) {
        RECT window;
        GetWindowRect(dialog, &window);
        m_minTrackSize = POINT{window.right - window.left, window.bottom - window.top};
    }
    m_items.clear();
    for (const CDialogResizeItem* item = map; item && item->id != -1; ++item) {
        HWND control = GetDlgItem(dialog, item->id);
        RECT r;
        if (!control || !GetWindowRect(control, &r))
            continue;
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        m_items.push_back(CItem{item->id, item->flags, r});
    }
    m_gripper = addGripper;
    if (addGripper && !m_grip) {
        int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
        m_grip = CreateWindowExW(0, L"SCROLLBAR", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP |
                                     SBS_SIZEBOXBOTTOMRIGHTALIGN,
                                 client.right - cx, client.bottom - cy, cx, cy, dialog, nullptr,
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
        if (IsZoomed(dialog))
            ShowWindow(m_grip, SW_HIDE);
    }
}

void CDialogResizeState::Resize(HWND dialog, UINT sizeType, int cx, int cy)
{
    if (sizeType == SIZE_MINIMIZED)
        return;
    const int dx = cx - m_initialClient.cx, dy = cy - m_initialClient.cy;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(m_items.size()) + 1);
    for (const CItem& item : m_items) {
        HWND control = GetDlgItem(dialog, item.id);
        if (!control)
            continue;
        RECT r = ResizeControlRect(item.rect, item.flags, dx, dy);
        if (batch)
            batch = DeferWindowPos(batch, control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (m_grip) {
        RECT g;
        GetWindowRect(m_grip, &g);
        int gw = g.right - g.left, gh = g.bottom - g.top;
        if (batch)
            batch = DeferWindowPos(batch, m_grip, nullptr, cx - gw, cy - gh, gw, gh, SWP_NOZORDER | SWP_NOACTIVATE);
        // A maximised window cannot be sized by its corner.
        ShowWindow(m_grip, sizeType == SIZE_MAXIMIZED ? SW_HIDE : SW_SHOW);
    }
    if (batch)
        EndDeferWindowPos(batch);
    // What moved is not sure to be drawn again: the window system copies what
    // it can, a group box or a button moved into the part that came into view
    // stays blank, and under Wine without a window manager the strip where the
    // old frame stood is never drawn at all. Everything is drawn anew.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CDialogResizeState::ApplyMinTrackSize(MINMAXINFO* info) const
{
    if (m_minTrackSize.x >= 0 && m_minTrackSize.y >= 0)
        info->ptMinTrackSize = m_minTrackSize;
}
