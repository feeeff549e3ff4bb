// The open and save dialogs of the decoration settings files: the program's
// file type first, then every file. Open takes only an existing file; save
// asks before it replaces one and adds ".knt" to a name typed without it.
#pragma once
#include "ui/SimpleFileDialog.h"
#include <string>

namespace knt {

class CSimpleOpenDialog : public CSimpleFileDialogImpl<CSimpleOpenDialog> {
public:
    CSimpleOpenDialog(const std::wstring& initialName, HWND owner);
};

class CSimpleSaveDialog : public CSimpleFileDialogImpl<CSimpleSaveDialog> {
public:
    CSimpleSaveDialog(const std::wstring& initialName, HWND owner);
};

} // namespace knt
