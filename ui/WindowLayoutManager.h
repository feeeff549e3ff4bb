// The saved place of a resizable dialog: a layout record L with the fields
// `Maximized` (bool) and `Rect` (the restored window rectangle in screen
// coordinates; empty: never stored) is applied when the dialog opens and
// captured at every later move, size or maximise.
//
// CWindowLayoutManager<T, WM, L> is the dialog's mix-in: the dialog points
// m_layout at its record, applies it during WM_INITDIALOG and posts WM
// there; when WM arrives the saved maximised state is shown and from then on
// every WM_WINDOWPOSCHANGED is recorded (moves made while the dialog
// initialises are not).
#pragma once
#include "ui/MessageMap.h"
#include <windows.h>

enum : int {
    LAYOUT_NOMOVE = 1,
    LAYOUT_NOSIZE = 2,
    LAYOUT_CLAMP = 4,  // move the rectangle into the virtual screen
};

// Moves the rectangle into the area, keeping its size: a bottom below the
// area moves it up, then a top above the area down, a right edge beyond it
// left, a left edge before it right. One larger than the area ends at the
// area's top-left corner.
RECT ClampRectToArea(const RECT& rect, const RECT& area);
RECT GetVirtualScreenRect();
// Where a stored window rectangle goes on a screen whose work area is `area`:
// no smaller than the least size the window takes (a smaller one would grow
// past the area's edge once placed), cut to the area where it is larger, then
// moved wholly inside it, keeping its size where that fits. A least size
// larger than the area leaves the window at the area's top-left corner. The
// rectangle may be anything a file held: inverted, or at the ends of the range.
RECT KeepRectOnScreen(const RECT& rect, SIZE least, const RECT& area);
// The work area of the monitor the rectangle lies on most, or of the nearest
// one; the virtual screen when no monitor answers.
RECT WorkAreaFor(const RECT& rect);
// The least size the window takes when sized (WM_GETMINMAXINFO).
SIZE LeastWindowSize(HWND hwnd);

// The layout operations on plain values.
void CaptureWindowPlacement(HWND hwnd, bool& maximized, RECT& rect);
bool ApplyWindowPlacement(HWND hwnd, const RECT& rect, int flags);
void ShowWindowPlacementState(HWND hwnd, bool maximized, bool force);

template <class L>
void CaptureDialogLayout(L& layout, HWND hwnd)
{
    CaptureWindowPlacement(hwnd, layout.Maximized, layout.Rect);
}
template <class L>
bool ApplyDialogLayout(const L& layout, HWND hwnd, int flags)
{
    return ApplyWindowPlacement(hwnd, layout.Rect, flags);
}
template <class L>
void ShowDialogLayoutState(const L& layout, HWND hwnd, bool force)
{
    ShowWindowPlacementState(hwnd, layout.Maximized, force);
}

template <class T, UINT WM, class L>
class CWindowLayoutManager {
public:
    bool m_initializing = true;
    L* m_layout = nullptr;

    BEGIN_MSG_MAP(CWindowLayoutManager)
        MESSAGE_HANDLER(WM, OnLayoutReady)
        MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
    END_MSG_MAP()

    virtual ~CWindowLayoutManager() = default;
    virtual bool ApplyLayout(int flags) { return m_layout && ApplyDialogLayout(*m_layout, Window(), flags); }
    virtual void ShowLayoutState()
    {
        if (m_layout)
            ShowDialogLayoutState(*m_layout, Window(), true);
    }
    virtual void CaptureLayout()
    {
        if (m_layout)
            CaptureDialogLayout(*m_layout, Window());
    }

private:
    HWND Window() const { return static_cast<const T*>(this)->m_hWnd; }
    LRESULT OnLayoutReady(UINT, WPARAM, LPARAM, BOOL&)
    {
        ShowLayoutState();
        m_initializing = false;
        return 0;
    }
    LRESULT OnWindowPosChanged(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        if (m_layout && !m_initializing)
            CaptureLayout();
        handled = FALSE;
        return 0;
    }
};
