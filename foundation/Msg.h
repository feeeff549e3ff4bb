// The interface through which the program talks to the user in message
// boxes. A sink decides how its boxes are owned and captioned; callers get the
// button id of the box back.
#pragma once
#include <windows.h>
#include <string>

class CSimpleErr;

class CMsg {
public:
    // The error's message with the error icon and the error caption.
    virtual int ShowError(const CSimpleErr& err) = 0;
    // MessageBoxW with the sink's owner and caption; 0 when the box failed.
    virtual int Show(const std::wstring& text, UINT flags) = 0;

protected:
    ~CMsg() = default;
};
