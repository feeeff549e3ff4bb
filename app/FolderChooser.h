// The output-folder chooser of the Run button: the shell's folder browser
// (file-system folders only, with an edit box, in the new style) opened on
// the current output folder.
#pragma once
#include <windows.h>
#include <string>

// True with the chosen folder's path when the user pressed OK on a folder
// that has a file-system path. The browser selects and expands `initial`
// once it is ready; a name typed into its edit box that it cannot validate
// keeps it open.
bool ChooseOutputFolder(HWND owner, const std::wstring& title, const std::wstring& initial, std::wstring& chosen);
