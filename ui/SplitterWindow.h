// A window split by a vertical bar into a left and a right pane, each a
// child window given by the owner. A press on the bar starts a drag: the
// splitter takes the focus and the mouse; the mouse moves the bar, and so
// do the left and right arrow keys (kKeyStep pixels a press); letting the
// button go or Enter ends the drag where the bar stands, Esc puts the bar
// back where the drag began. Either way the focus goes back where it was.
// While the drag lasts the splitter asks the dialog for every key, so Esc
// never reaches the dialog as its Cancel. Each pane keeps at least 20 pixels
// where the window is wide enough. When the window is resized the bar keeps
// its distance from the left edge. Position -1 puts the bar at the default
// position or, without one, in the middle.
//
// In a dialog the panes are the dialog's controls with the splitter between
// them and the dialog, so the splitter is the parent a pane talks to when it
// means the dialog. One rule (IsForTheDialog) covers every such message: it
// goes on to the splitter's parent and the answer comes back, except WM_CLOSE.
#pragma once
#include "ui/WindowImpl.h"

// Where the bar and the panes go in a client area `width` x `height`; pos is
// clamped so that both panes keep `minPane` where the width allows (the left
// pane wins when it does not).
struct CSplitterLayout {
    int pos;
    RECT left, bar, right;
};
CSplitterLayout LayOutSplitter(int width, int height, int barWidth, int minPane, int pos);

// Whether msg, sent to a splitter, is one that a control sends its parent
// expecting the dialog: notifications and colour questions (the dialog's
// handlers and reflection answer them), WM_NEXTDLGCTL (a multi-line edit's
// Tab and Shift+Tab: the dialog moves the focus on), DM_GETDEFID and
// DM_SETDEFID (a single-line edit's Enter asks for the default button),
// WM_CONTEXTMENU, and WM_CLOSE (a multi-line edit's Esc). WM_PARENTNOTIFY is
// not among them: the system sends it to every ancestor itself.
bool IsForTheDialog(UINT msg);

class CSplitterWindow : public CWindowImpl<CSplitterWindow, CWindow, CControlWinTraits> {
public:
    DECLARE_WND_CLASS_EX(L"KanteloSplitter", CS_DBLCLKS, COLOR_BTNFACE + 1)

    enum { kMinPane = 20 };
    enum { kKeyStep = 10 };  // pixels an arrow key moves the bar during a drag
    // The only extended style: 0, the bar keeps its distance from the left edge.
    enum { SPLIT_KEEPLEFT = 0 };

    BEGIN_MSG_MAP(CSplitterWindow)
        MESSAGE_SET_HANDLER(IsForTheDialog, OnForTheDialog)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
    END_MSG_MAP()

    CSplitterWindow();

    void SetSplitterPanes(HWND left, HWND right, bool update = true);
    HWND GetSplitterPane(int index) const { return index == 0 ? m_panes[0] : index == 1 ? m_panes[1] : nullptr; }
    // -1: the default position, or the middle without one. Clamped; false
    // when the window does not exist yet (the position is kept for later).
    bool SetSplitterPos(int pos = -1, bool update = true);
    int GetSplitterPos() const { return m_pos; }
    void SetDefaultPos(int pos) { m_defaultPos = pos; }
    int GetDefaultPos() const { return m_defaultPos; }
    DWORD SetSplitterExtendedStyle(DWORD style)
    {
        DWORD old = m_extendedStyle;
        m_extendedStyle = style;
        return old;
    }
    // The pane that receives the focus given to the splitter (0 or 1).
    void SetDefaultActivePane(int index) { m_activePane = index == 1 ? 1 : 0; }
    int GetBarWidth() const { return m_barWidth; }
    bool IsDragging() const { return m_dragging; }
    void UpdateSplitterLayout();

private:
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, BOOL&);
    // Passes a message of IsForTheDialog on to the parent, with its answer.
    LRESULT OnForTheDialog(UINT msg, WPARAM wp, LPARAM lp, BOOL&);
    CSplitterLayout Layout(int pos) const;
    bool IsOverBar(POINT pt) const;
    // Puts the bar at pos (clamped) and draws it there at once.
    void MoveBar(int pos);
    // The drag is over: the mouse and the focus go back.
    void EndDrag();

    HWND m_panes[2] = {nullptr, nullptr};
    int m_pos = -1;
    int m_defaultPos = -1;
    DWORD m_extendedStyle = SPLIT_KEEPLEFT;
    int m_activePane = 0;
    int m_barWidth;
    bool m_dragging = false;
    int m_dragOffset = 0;     // from the bar's left edge to the mouse
    int m_dragStartPos = 0;   // where Esc puts the bar back
    HWND m_focusBeforeDrag = nullptr;
};
