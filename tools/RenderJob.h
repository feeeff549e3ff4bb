// A save job without a window, for the tools: the text cut into units, one
// task per unit with the file names and renderers the job control would give
// them, and the one-file document begun before the first task and ended
// after the last. Tasks run one after another on the calling thread.
#pragma once
#include "decoration/Setting.h"
#include "foundation/Error.h"
#include <string>
#include <vector>

// GDI+ and OLE for the life of the object, and the resource module.
class CToolRuntime {
public:
    CToolRuntime();
    ~CToolRuntime();
    CToolRuntime(const CToolRuntime&) = delete;
    CToolRuntime& operator=(const CToolRuntime&) = delete;
private:
    ULONG_PTR m_gdiplusToken = 0;
    bool m_ole = false;
};

// A settings file or a decoration settings file (.knt) over the defaults.
bool LoadSettingsFile(CSetting& setting, const std::wstring& path, std::wstring& error);
// A UTF-8 text file (a byte order mark is allowed), line ends made LF.
bool ReadUtf8TextFile(std::wstring& text, const std::wstring& path, std::wstring& error);
// Writes the job's files into `folder` (made when missing) and lists them in
// the order written. False with the error text when anything failed.
bool RunSaveJob(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
                std::vector<std::wstring>& files, std::wstring& error);

// One line to standard output or error as UTF-8 (or to the console as text).
void WriteLine(DWORD stdHandle, const std::wstring& line);
