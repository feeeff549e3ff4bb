// An edit control taken over after creation that tells its owner about key
// presses: key-down and character listeners get (the CEditEx, a CKeyEvent*)
// and may consume the key by setting its handled flag. A hook runs after the
// control has painted, on its DC clipped to the painted region.
#pragma once
#include "ui/EventListeners.h"
#include "ui/WindowImpl.h"

struct CKeyEvent {
    bool handled = false;
    WORD code = 0;    // the character or virtual key (wParam)
    WORD repeat = 0;  // low word of lParam
    WORD flags = 0;   // high word of lParam
};

class CEditEx : public CWindowImpl<CEditEx, CEditW> {
public:
    CEventListeners KeyDownListeners;
    CEventListeners CharListeners;

    BEGIN_MSG_MAP(CEditEx)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKey)
        MESSAGE_HANDLER(WM_CHAR, OnKey)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
    END_MSG_MAP()

    virtual void OnAfterPaint(HDC) {}
    virtual void FireKeyDown(CKeyEvent& key) { BroadcastEvent(KeyDownListeners, EventArg(this), EventArg(&key)); }
    virtual void FireChar(CKeyEvent& key) { BroadcastEvent(CharListeners, EventArg(this), EventArg(&key)); }

private:
    LRESULT OnKey(UINT msg, WPARAM wp, LPARAM lp, BOOL& handled);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
};
