// The image-file open dialog: explorer style, hooked, with the image types
// as filters. When the user confirms a file, the dialog keeps the folder of
// the selection, the file spec and the full path.
#pragma once
#include "foundation/ItemIDList.h"
#include "ui/FileDialog.h"
#include <string>

namespace Gdiplus {

class CBitmapOpenDialog : public CFileDialogImpl<CBitmapOpenDialog> {
public:
    // The initial name is cut to 259 characters; flags come on top of the
    // explorer, hook and sizing flags.
    CBitmapOpenDialog(const std::wstring& initialName, DWORD flags, HWND owner = nullptr);

    // The confirmed file (the file buffer when no confirmation was seen).
    std::wstring GetPath() const { return m_path.empty() ? std::wstring(m_fileName) : m_path; }
    const std::wstring& GetSpec() const { return m_spec; }
    const CItemIDList& GetFolder() const { return m_folder; }

    // The filter pairs, each part ending in a NUL, the whole in a second one.
    static const wchar_t* GetFilter();

protected:
    bool OnFileOK(OFNOTIFYW* notify) override;

private:
    std::wstring m_path;
    std::wstring m_spec;
    CItemIDList m_folder;
};

} // namespace Gdiplus
