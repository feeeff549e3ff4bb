// What the console tools share: the runtime they need, their input files and
// their output lines.
#pragma once
#include "decoration/Setting.h"
#include <windows.h>
#include <string>

// GDI+, OLE and the imaging factory for the life of the object, and the
// resource module: what the program sets up at start-up.
class CToolRuntime {
public:
    CToolRuntime();
    ~CToolRuntime();
    CToolRuntime(const CToolRuntime&) = delete;
    CToolRuntime& operator=(const CToolRuntime&) = delete;
private:
    ULONG_PTR m_gdiplusToken = 0;
    bool m_ole = false;
    bool m_imaging = false;
};

// A settings file or a decoration settings file (.knt) over the defaults.
bool LoadSettingsFile(CSetting& setting, const std::wstring& path, std::wstring& error);
// A UTF-8 text file (a byte order mark is allowed), line ends made LF.
bool ReadUtf8TextFile(std::wstring& text, const std::wstring& path, std::wstring& error);
// The performance counter in milliseconds.
double NowMs();
// One line to standard output or error as UTF-8 (or to the console as text).
void WriteLine(DWORD stdHandle, const std::wstring& line);
// A measured figure as the line "key=value" to standard output, the value
// with `decimals` digits after the point.
void WriteValue(const std::wstring& key, double value, int decimals = 2);
