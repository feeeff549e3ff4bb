// How controls tell their owner about a user's action. The owner implements
// the interface and hands the control a pointer, which the control does not
// own. `sender` is the control object, `window` the control's window.
#pragma once
#include <windows.h>

class CWindow;

class COnClickHandler {
public:
    virtual void OnClick(CWindow* sender, UINT code, UINT id, HWND window) = 0;
protected:
    ~COnClickHandler() = default;
};

class COnSelChangeHandler {
public:
    // code: the combo notification that caused the change (CBN_xxx);
    // CBN_KILLFOCUS: no change, the user left the box.
    virtual void OnSelChange(CWindow* sender, UINT code, UINT id, HWND window) = 0;
protected:
    ~COnSelChangeHandler() = default;
};
