// Capability mix-ins: small data-only bases that give a class one named
// field (a sequence number, a text, a path, a size, an error record). Work
// objects such as rendering tasks and dialogs combine several of them, so that
// code handling "anything with a path" or "anything with an error" needs no
// knowledge of the concrete class.
#pragma once
#include "foundation/Error.h"
#include <windows.h>
#include <string>

// A sequence number; -1 means "not numbered".
class CHasNo {
public:
    int No = -1;
    int GetNo() const { return No; }
    void SetNo(int no) { No = no; }
};

class CHasText {
public:
    std::wstring Text;
    const std::wstring& GetText() const { return Text; }
    void SetText(const std::wstring& text) { Text = text; }
};

class CHasPath {
public:
    std::wstring Path;
    const std::wstring& GetPath() const { return Path; }
    void SetPath(const std::wstring& path) { Path = path; }
};

// A size in pixels; 0 x 0 means "not set".
class CHasSize {
public:
    SIZE Size = {0, 0};
    const SIZE& GetSize() const { return Size; }
    void SetSize(long cx, long cy) { Size.cx = cx; Size.cy = cy; }
};

// An error record handed back by work that reports instead of throwing.
template <class TErr>
class CHasErr {
public:
    TErr Err;
    TErr& GetErr() { return Err; }
    const TErr& GetErr() const { return Err; }
};

class CHasSimpleErr : public CHasErr<CSimpleErr> {
public:
    bool HasError() const { return Err.IsError(); }
    void ClearError() { Err = CSimpleErr(); }
};
