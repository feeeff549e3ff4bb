// Small mix-ins of the program's dialogs. Each is a base class of the dialog
// T (which has m_hWnd) and takes part through CHAIN_MSG_MAP.
#pragma once
#include "ui/MessageMap.h"
#include "ui/WindowUtil.h"
#include <windows.h>

// One timer of `Elapse` milliseconds with id `Id`. The dialog starts it;
// WM_DESTROY kills it and drops the WM_TIMER messages still queued, so none
// reaches a half-destroyed dialog. WM_DESTROY goes on to the rest of the map.
template <class T, UINT Elapse, UINT_PTR Id>
class CSingleTimerImpl {
public:
    BEGIN_MSG_MAP(CSingleTimerImpl)
        MESSAGE_HANDLER(WM_DESTROY, OnTimerOwnerDestroy)
    END_MSG_MAP()

    bool StartTimer() { return ::SetTimer(Window(), Id, Elapse, nullptr) != 0; }
    void StopTimer()
    {
        ::KillTimer(Window(), Id);
        MSG msg;
        while (::PeekMessageW(&msg, Window(), WM_TIMER, WM_TIMER, PM_REMOVE)) {
        }
    }
    static UINT_PTR GetTimerId() { return Id; }

private:
    HWND Window() const { return static_cast<const T*>(this)->m_hWnd; }
    LRESULT OnTimerOwnerDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        StopTimer();
        handled = FALSE;
        return 0;
    }
};

// The edit commands of the accelerators, carried out on the focused edit
// control (a combo box's edit field included). Any other command, or a
// focus on another kind of control, goes on to the rest of the map.
enum : UINT {
    ID_EDIT_COPY_CMD = 57634,
    ID_EDIT_CUT_CMD = 57635,
    ID_EDIT_PASTE_CMD = 57637,
    ID_EDIT_SELECT_ALL_CMD = 57642,
    ID_EDIT_UNDO_CMD = 57643,
    ID_EDIT_SELECT_NONE_CMD = 362,
};

// The message a focused edit gets for an edit command; false for another id.
bool RunEditCommand(HWND edit, UINT id);

template <class T>
class CDialogEdit {
public:
    BEGIN_MSG_MAP(CDialogEdit)
        MESSAGE_HANDLER(WM_COMMAND, OnEditCommand)
    END_MSG_MAP()

private:
    LRESULT OnEditCommand(UINT, WPARAM wp, LPARAM, BOOL& handled)
    {
        HWND focus = ::GetFocus();
        if (!IsEditWindow(focus) || !RunEditCommand(focus, LOWORD(wp)))
            handled = FALSE;
        return 0;
    }
};

// A small information dialog: OK and Cancel end it with their id, and its
// statics are drawn on the button face. T may hide StaticTextColor to give a
// static a colour of its own.
template <class T>
class CInfoDialogImpl {
public:
    BEGIN_MSG_MAP(CInfoDialogImpl)
        MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
        COMMAND_ID_HANDLER(IDOK, OnEnd)
        COMMAND_ID_HANDLER(IDCANCEL, OnEnd)
    END_MSG_MAP()

    COLORREF StaticTextColor(HWND) const { return ::GetSysColor(COLOR_BTNTEXT); }

private:
    LRESULT OnCtlColorStatic(UINT, WPARAM wp, LPARAM lp, BOOL&)
    {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetTextColor(dc, static_cast<T*>(this)->StaticTextColor(reinterpret_cast<HWND>(lp)));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        // The brush itself is the answer (not a DWLP_MSGRESULT value).
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    LRESULT OnEnd(WORD, WORD id, HWND, BOOL&)
    {
        static_cast<T*>(this)->EndDialog(id);
        return 0;
    }
};
