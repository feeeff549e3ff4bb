#include "ui/BitmapOpenDialog.h"

namespace Gdiplus {

namespace {
// Description and pattern pairs; the literal's own NUL ends the list.
const wchar_t kFilter[] =
    L"画像ファイル\0*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.tif;*.tiff;*.bmp\0"
    L"JPEG ファイル (*.jpg;*.jpeg;*.jpe;*.jfif)\0*.jpg;*.jpeg;*.jpe;*.jfif\0"
    L"PNG ファイル (*.png)\0*.png\0"
    L"GIF ファイル (*.gif)\0*.gif\0"
    L"TIFF ファイル (*.tif;*.tiff)\0*.tif;*.tiff\0"
    L"BMP ファイル (*.bmp)\0*.bmp\0"
    L"全ての種類のファイル (*.*)\0*.*\0";
} // namespace

const wchar_t* CBitmapOpenDialog::GetFilter() { return kFilter; }

CBitmapOpenDialog::CBitmapOpenDialog(const std::wstring& initialName, DWORD flags, HWND owner)
    : CFileDialogImpl<CBitmapOpenDialog>(true, nullptr, initialName.empty() ? nullptr : initialName.c_str(),
                                         flags, kFilter, owner)
{
}

bool CBitmapOpenDialog::OnFileOK(OFNOTIFYW*)
{
    HWND dialog = GetFileDialogWindow();
    m_folder.Free();
    m_spec.clear();
    if (dialog) {
        const LRESULT size = ::SendMessageW(dialog, CDM_GETFOLDERIDLIST, 0, 0);
        if (size > 0 && m_folder.Alloc(static_cast<UINT>(size)))
            ::SendMessageW(dialog, CDM_GETFOLDERIDLIST, static_cast<WPARAM>(size),
                           reinterpret_cast<LPARAM>(m_folder.Get()));
        const LRESULT length = ::SendMessageW(dialog, CDM_GETSPEC, 0, 0);
        if (length > 0) {
            m_spec.assign(static_cast<size_t>(length), L'\0');
            ::SendMessageW(dialog, CDM_GETSPEC, static_cast<WPARAM>(length), reinterpret_cast<LPARAM>(&m_spec[0]));
            m_spec.resize(wcsnlen(m_spec.c_str(), m_spec.size()));
        }
    }
    m_path = m_fileName;
    return false;  // accept
}

} // namespace Gdiplus
