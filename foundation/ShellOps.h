// The small shell services: starting documents, programs and folders through
// the shell (its failures mapped to Win32 codes), running a program elevated
// or waiting for its exit, deleting and copying through the shell's file
// operation, and creating folders with their missing parents.
#pragma once
#include "foundation/FolderList.h"
#include <windows.h>
#include <shellapi.h>
#include <string>

// ShellExecuteW with the default verb and SW_SHOWNORMAL; empty parameters
// pass as none.
HINSTANCE ShellExecuteFile(const std::wstring& file, const std::wstring& parameters);
// The Win32 code of a ShellExecute result (32 or less is a failure); 0 for success.
DWORD ShellErrorToWin32(HINSTANCE result);
// ShellExecuteFile; a failure raises IDS_SHELL_EXECUTE_FAILED with the mapped code and
// "file parameters" (the blank stays when the parameters are empty).
HINSTANCE ShellExecuteOrThrow(const std::wstring& file, const std::wstring& parameters);
// A new Explorer window on the file's folder with the file selected;
// IDS_SHELL_EXECUTE_FAILED (path not found) without starting anything when the path is missing.
HINSTANCE OpenFolderAndSelect(const std::wstring& path);

// The started process (the caller closes it), or null when ShellExecuteExW
// fails. An empty verb is the default one.
HANDLE ShellExecuteProcess(const std::wstring& file, const std::wstring& parameters, const std::wstring& verb,
                           HWND owner, int showCommand);
// Starts the program and blocks until it ends; false when it did not start.
bool RunAndWait(const std::wstring& file, const std::wstring& parameters, const std::wstring& verb, HWND owner,
                int showCommand, DWORD* exitCode);
HANDLE ShellExecuteElevated(const std::wstring& file, const std::wstring& parameters, HWND owner, int showCommand);
bool RunElevatedAndWait(const std::wstring& file, const std::wstring& parameters, HWND owner, int showCommand,
                        DWORD* exitCode);

// SHFileOperationW's result of deleting the paths with exactly the flags
// given (recycling, silence and confirmation are the caller's choice).
int DeleteFiles(const CPathList& paths, HWND owner, FILEOP_FLAGS flags, bool* aborted);
// DeleteFiles of one path (named apart from the Win32 DeleteFile macro).
int DeleteFileByShell(const std::wstring& path, HWND owner, FILEOP_FLAGS flags, bool* aborted);
// FO_MOVE, FO_COPY, FO_DELETE or FO_RENAME; S_OK or E_FAIL.
HRESULT ShellFileOperation(UINT function, const CPathList& from, const std::wstring& to, HWND owner,
                      FILEOP_FLAGS flags);

// The longest folder path the program makes or writes into: within
// MAX_PATH - 1, a file in it still has room for the separator and the
// shortest temporary name of the replacing writer, "~knt<4 hex digits>.tmp"
// (12), which every file the program writes passes through. That is within
// the system's own limit for a folder (MAX_PATH less an 8.3 name), and no
// name of a folder in it can exceed the 255 characters a name may have.
const size_t kMaxFolderPath = MAX_PATH - 1 - 1 - 12;
// True when the full path, without trailing separators, is longer than the
// system takes for a folder.
bool IsFolderPathTooLong(const std::wstring& fullPath);
// Whether the path names a folder (a file is none).
bool IsExistingFolder(const std::wstring& path);
// 0 when the folder exists afterwards (an existing one counts), else the Win32
// code. A drive root is never created: 0 when it exists, 5 when it does not.
// A path too long for a folder fails with 206 (ERROR_FILENAME_EXCED_RANGE)
// before any folder of it is made; so does an existing folder that long, as
// the names of files in it would be too long.
DWORD TryCreateFolder(const std::wstring& path);
// TryCreateFolder; a failure raises IDS_CREATE_FOLDER_FAILED with the code and
// the path, or, for an existing folder too long to hold files,
// IDS_FOLDER_TOO_LONG_FOR_FILES with kMaxFolderPath and the path.
void CreateFolder(const std::wstring& path);
// The folder part of a file path (up to its last separator) created; 161
// (bad path name) for an empty path.
DWORD TryCreateParentFolder(const std::wstring& path);
void CreateParentFolder(const std::wstring& path);  // as CreateFolder
