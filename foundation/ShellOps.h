// Folder creation through the shell, which makes the missing parents too.
#pragma once
#include <windows.h>
#include <string>

// 0 when the folder exists afterwards (an existing one counts), else the Win32
// code. A drive root is never created: 0 when it exists, 5 when it does not.
DWORD TryCreateFolder(const std::wstring& path);
// TryCreateFolder; a failure raises IDS_CREATE_FOLDER_FAILED with the code and the path.
void CreateFolder(const std::wstring& path);
