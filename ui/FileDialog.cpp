#include "ui/FileDialog.h"
#include "ui/Firewall.h"
#include <cstring>
#include <cwchar>

CFileDialogImplBase::CFileDialogImplBase(bool open, const wchar_t* defaultExtension, const wchar_t* fileName,
                                         DWORD flags, const wchar_t* filter, HWND owner)
    : m_open(open)
{
    std::memset(&m_ofn, 0, sizeof m_ofn);
    m_fileName[0] = L'\0';
    m_fileTitle[0] = L'\0';
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = owner;
    m_ofn.lpstrFilter = filter;
    m_ofn.lpstrFile = m_fileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_fileTitle;
    m_ofn.nMaxFileTitle = 256;
    m_ofn.lpstrDefExt = defaultExtension;
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    m_ofn.lpfnHook = HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
    if (fileName)
        SetFileName(fileName);
}

void CFileDialogImplBase::SetFileName(const std::wstring& name)
{
    wcsncpy_s(m_fileName, MAX_PATH, name.c_str(), _TRUNCATE);
}

INT_PTR CFileDialogImplBase::DoModal(HWND owner)
{
    if (!m_ofn.hwndOwner)
        m_ofn.hwndOwner = owner;
    BOOL ok = m_open ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    m_hook.m_hWnd = nullptr;
    return ok ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CFileDialogImplBase::HookProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp)
{
    if (msg == WM_INITDIALOG) {
        CFileDialogImplBase* self = reinterpret_cast<CFileDialogImplBase*>(reinterpret_cast<OPENFILENAMEW*>(lp)->lCustData);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        if (self)
            self->m_hook.m_hWnd = hwnd;
        return TRUE;
    }
    CFileDialogImplBase* self = reinterpret_cast<CFileDialogImplBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self || msg != WM_NOTIFY)
        return FALSE;
    NMHDR* header = reinterpret_cast<NMHDR*>(lp);
    LRESULT answer = 0;
    bool known = true;
    GuardedCall([&] {
        switch (header->code) {
        case CDN_INITDONE:
            self->OnInitDone(reinterpret_cast<OFNOTIFYW*>(lp));
            break;
        case CDN_FILEOK:
            // Non-zero keeps the dialog open.
            answer = self->OnFileOK(reinterpret_cast<OFNOTIFYW*>(lp)) ? 1 : 0;
            break;
        case CDN_INCLUDEITEM:
            answer = self->OnIncludeItem(reinterpret_cast<OFNOTIFYEXW*>(lp)) ? 1 : 0;
            break;
        default:
            known = false;
        }
    });
    if (!known)
        return FALSE;
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, answer);
    return static_cast<UINT_PTR>(answer);
}
