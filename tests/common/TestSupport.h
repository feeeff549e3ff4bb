// Shared helpers of the test executables.
#pragma once
#include "foundation/Error.h"
#include "platform/Handle.h"
#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Folder for sample files a person may open after the run (build/test-output);
// created on first use. Falls back to the temporary folder outside CTest.
std::wstring TestOutputDir();
std::wstring TestOutputPath(const std::wstring& name);

// build\<relative>: a program of this build, beside the test executable's
// build\tests folder.
std::wstring BuildPath(const std::wstring& relative);
// A file or folder of the source tree ("tests/decoration/corpus") as Wine
// names it; empty outside Wine.
std::wstring SourceTreePath(const std::wstring& relative);
// Runs a command line with its standard output and error going to a file
// (no pipe can fill up), waits up to the timeout and returns its exit code;
// 0xFFFFFFFF when it did not start.
DWORD RunWithOutputFile(const std::wstring& commandLine, const std::wstring& outputFile, DWORD timeoutMs);
// A test's child process runs its own executable on such a case (ChildCaseLine): Google Test
// runs it only by name, CTest's scan of the sources misses it, so it counts as no test.
#define KNT_CHILD_CASE(suite, name) TEST(suite, DISABLED_##name)
std::wstring ChildCaseLine(const std::wstring& suite, const std::wstring& name);

// A fresh, empty temporary folder for one test, removed with its contents.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
private:
    std::wstring m_path;
};

// Bytes of a file, or empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// A file of `size` zero bytes, made without writing them (a huge file in an
// instant).
bool MakeFileOfSize(const std::wstring& path, LONGLONG size);

// UTF-8 of a wide text, for gtest messages.
std::string Narrow(const std::wstring& text);

// The message id that `f` raises as a library error, 0 when it raises nothing.
UINT ThrownId(const std::function<void()>& f);
// The whole library error that `f` raises; an empty one when it raises nothing.
my::CException ThrownError(const std::function<void()>& f);

// The system's text for a code, computed apart from the library's own
// formatting: FormatMessageW with inserts ignored, the line end dropped.
std::wstring SystemText(HRESULT hr);

bool FileExists(const std::wstring& path);
// Whether this process can make a window: not without a display (a headless
// wineserver).
bool CanCreateWindows();
// The file held open as another program may hold it, without sharing: no one
// else can open it until the handle is closed. Invalid when it cannot be opened.
CHandle HoldWithoutSharing(const std::wstring& path);
// The number of files (not folders) directly in a folder.
int CountFiles(const std::wstring& folder);

// The clipboard is shared by every program in the Wine prefix, and CTest runs
// test cases in parallel: a test that touches it holds this named mutex for
// its whole run.
class CClipboardTestLock {
public:
    CClipboardTestLock();
    ~CClipboardTestLock();
    CClipboardTestLock(const CClipboardTestLock&) = delete;
    CClipboardTestLock& operator=(const CClipboardTestLock&) = delete;
private:
    CHandle m_mutex;
};

// The string table of the running executable: the blocks of 16 ids it holds,
// and the texts of one block in one language (false when that block is absent).
std::vector<WORD> StringTableBlocks();
bool ReadStringTableBlock(WORD block, WORD language, std::map<UINT, std::wstring>& texts);

// Checkers of the host system (pdfinfo, xmllint) run on files the tests
// write. Wine starts host programs but gives no handle to wait on and no
// pipes, so the command runs in a shell that leaves its output and exit
// status in files, and those are awaited.
struct CHostCommandResult {
    bool finished = false;
    int exitCode = -1;
    std::string output;  // standard output and error
};
CHostCommandResult RunHostCommand(const std::string& shellCommand, DWORD timeoutMs = 60000);
// The host's name of a file, single-quoted for the shell; empty outside Wine.
std::string HostPathArg(const std::wstring& path);
