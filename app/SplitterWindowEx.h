// The splitter of the main window: the text box left, the preview pane
// right, the bar between. The panes are its children, so it passes their
// notifications (commands, notifications, colour messages) on to the dialog,
// where the handlers are; its background is never erased, the panes and the
// bar cover it.
#pragma once
#include "ui/SplitterWindow.h"

class CSplitterWindowEx : public CSplitterWindow {
public:
    BEGIN_MSG_MAP(CSplitterWindowEx)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_COMMAND, OnForward)
        MESSAGE_HANDLER(WM_NOTIFY, OnForward)
        MESSAGE_RANGE_HANDLER(WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, OnForward)
        CHAIN_MSG_MAP(CSplitterWindow)
    END_MSG_MAP()

private:
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnForward(UINT msg, WPARAM wp, LPARAM lp, BOOL&)
    {
        return ::SendMessageW(GetParent(), msg, wp, lp);
    }
};
