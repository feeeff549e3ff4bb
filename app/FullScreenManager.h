// The main window's placement: the stored window layout is applied once at
// start (position and size kept in the work area of a monitor, then the
// maximised or full-screen state once the window is shown), the restored ("normal")
// rectangle is kept up to date as the user moves and sizes the window, and
// CaptureLayout reads it all back for the settings. Full screen takes away
// the caption and frame and covers the nearest monitor; leaving it puts the
// style and rectangle back.
//
// Mix-in of a dialog T (with m_hWnd and int GetLayoutSplitterPos()) that
// chains it in its message map; WM is the message it posts to itself.
#pragma once
#include "decoration/WindowLayout.h"
#include "ui/EventListeners.h"
#include "ui/MessageMap.h"
#include "ui/WindowLayoutManager.h"
#include <windows.h>

// Style bits full screen removes: caption, frame, minimise and maximise boxes.
const DWORD kFullScreenRemovedStyle = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// Where a stored layout puts the window: the normal bounds kept inside the
// area, the work area of their monitor (KeepRectOnScreen, no smaller than the
// window's least size); without them the present rectangle, sized cx x cy
// when both are positive and centred on `parent` when asked. Empty when
// nothing is to move.
RECT PlaceFromLayout(const RECT& normalBounds, SIZE least, const RECT& present, int cx, int cy, bool centre,
                     const RECT& parent, const RECT& area);
// The nearest monitor's rectangle, else the primary screen's.
RECT FullScreenTarget(HWND hwnd);

template <class T, UINT WM>
class CFullScreenManager {
public:
    CEventListeners FullScreenListeners;  // told (manager, 1 or 0)

    BEGIN_MSG_MAP(CFullScreenManager)
        MESSAGE_HANDLER(WM, OnApplyPending)
        MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
        MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    END_MSG_MAP()

    virtual ~CFullScreenManager() = default;

    bool IsFullScreen() const { return m_fullScreen != 0; }
    const RECT& GetNormalRect() const { return m_normal; }

    void ApplyLayout(const CWindowLayout& layout, int cx, int cy, bool centre)
    {
        HWND hwnd = Window();
        if (m_fullScreen || ::IsZoomed(hwnd))
            return;
        m_pending = layout;
        m_hasPending = true;
        RECT present = {0, 0, 0, 0}, parent = {0, 0, 0, 0};
        ::GetWindowRect(hwnd, &present);
        HWND owner = ::GetParent(hwnd);
        if (!owner || !::GetWindowRect(owner, &parent))
            parent = GetVirtualScreenRect();
        const RECT r = PlaceFromLayout(layout.NormalBounds, LeastWindowSize(hwnd), present, cx, cy, centre, parent,
                                       WorkAreaFor(layout.NormalBounds));
        if (!::IsRectEmpty(&r)) {
            ::MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
            m_normal = r;
        } else {
            // Nothing stored: the window's own place is the one a restore
            // from a stored maximise goes back to, not an empty rectangle.
            m_normal = present;
        }
        ::PostMessageW(hwnd, WM, 0, 0);
    }

    void CaptureLayout(CWindowLayout& layout)
    {
        HWND hwnd = Window();
        layout.Maximized = ::IsZoomed(hwnd) != FALSE;
        layout.FullScreen = m_fullScreen != 0;
        layout.NormalBounds = m_normal;
        layout.SplitterPos = static_cast<T*>(this)->GetLayoutSplitterPos();
    }

    void SetFullScreen(bool on)
    {
        HWND hwnd = Window();
        // A second switch into full screen would save the stripped style.
        if (on == (m_fullScreen != 0))
            return;
        RECT target;
        if (on) {
            m_savedStyle = static_cast<LONG>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
            m_savedExStyle = static_cast<LONG>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
            ::SetWindowLongPtrW(hwnd, GWL_STYLE, m_savedStyle & ~static_cast<LONG>(kFullScreenRemovedStyle));
            ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, m_savedExStyle & ~static_cast<LONG>(WS_EX_WINDOWEDGE));
            ::GetWindowRect(hwnd, &m_beforeFullScreen);
            target = FullScreenTarget(hwnd);
        } else {
            if (m_savedStyle != -1)
                ::SetWindowLongPtrW(hwnd, GWL_STYLE, m_savedStyle);
            if (m_savedExStyle != -1)
                ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, m_savedExStyle);
            target = m_beforeFullScreen;
        }
        m_fullScreen = on ? 1 : 0;
        ::SetWindowPos(hwnd, nullptr, target.left, target.top, target.right - target.left,
                       target.bottom - target.top, SWP_NOZORDER | SWP_FRAMECHANGED);
        FireFullScreenChanged(on);
    }

    // Shows the pending layout's state: full screen, or maximised.
    virtual void ToggleFullScreen()
    {
        if (!m_hasPending)
            return;
        HWND hwnd = Window();
        const CWindowLayout layout = m_pending;
        m_hasPending = false;
        if (layout.FullScreen) {
            ::ShowWindow(hwnd, SW_SHOW);
            SetFullScreen(true);
        } else {
            if (layout.Maximized)
                ::ShowWindow(hwnd, SW_MAXIMIZE);
            ::ShowWindow(hwnd, SW_SHOW);
        }
    }
    virtual void FireFullScreenChanged(bool on) { BroadcastEvent(FullScreenListeners, EventArg(this), on ? 1 : 0); }

private:
    HWND Window() const { return static_cast<const T*>(this)->m_hWnd; }
    LRESULT OnApplyPending(UINT, WPARAM, LPARAM, BOOL&)
    {
        ToggleFullScreen();
        return 0;
    }
    LRESULT OnWindowPosChanged(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        HWND hwnd = Window();
        if (!m_hasPending && !m_fullScreen && !::IsZoomed(hwnd) && !::IsIconic(hwnd))
            ::GetWindowRect(hwnd, &m_normal);
        handled = FALSE;
        return 0;
    }
    LRESULT OnSysCommand(UINT, WPARAM wp, LPARAM, BOOL& handled)
    {
        HWND hwnd = Window();
        if ((wp & 0xFFF0) != SC_RESTORE || !::IsZoomed(hwnd)) {
            handled = FALSE;
            return 0;
        }
        // Back to the rectangle the window had before it was maximised, also
        // when the maximised state came from the stored layout.
        ::SetWindowLongPtrW(hwnd, GWL_STYLE, ::GetWindowLongPtrW(hwnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_MAXIMIZE));
        ::MoveWindow(hwnd, m_normal.left, m_normal.top, m_normal.right - m_normal.left, m_normal.bottom - m_normal.top,
                     TRUE);
        return 0;
    }

    CWindowLayout m_pending;
    bool m_hasPending = false;
    int m_fullScreen = 0;
    RECT m_normal = {0, 0, 0, 0};
    RECT m_beforeFullScreen = {0, 0, 0, 0};
    LONG m_savedStyle = -1;
    LONG m_savedExStyle = -1;
};
