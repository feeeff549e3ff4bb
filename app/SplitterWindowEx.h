// The splitter of the main window: the text box left, the preview pane
// right, the bar between. Its background is never erased: the panes and the
// bar cover it. What the panes send their parent expecting the dialog goes
// on to the dialog (CSplitterWindow).
#pragma once
#include "ui/SplitterWindow.h"

class CSplitterWindowEx : public CSplitterWindow {
public:
    BEGIN_MSG_MAP(CSplitterWindowEx)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        CHAIN_MSG_MAP(CSplitterWindow)
    END_MSG_MAP()

private:
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
};
