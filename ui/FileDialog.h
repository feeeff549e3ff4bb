// The common open and save dialogs in explorer style with a hook, so that
// the program sees the dialog's notifications: CDN_FILEOK (OnFileOK; true
// keeps the dialog open) and CDN_INCLUDEITEM (OnIncludeItem; every item is
// shown unless a derived class says otherwise). The hook runs behind the
// exception firewall.
#pragma once
#include "ui/Window.h"
#include <windows.h>
#include <commdlg.h>
#include <string>

class CFileDialogImplBase {
public:
    OPENFILENAMEW m_ofn;
    wchar_t m_fileName[MAX_PATH];
    wchar_t m_fileTitle[256];
    // The hook's window, a child of the dialog; null outside the run.
    CWindow m_hook;

    // filter: pairs of description and pattern, each ending in a NUL, the
    // whole ending in a second NUL. The initial file name is cut to 259
    // characters. OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING are always set.
    CFileDialogImplBase(bool open, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                        const wchar_t* filter, HWND owner);
    virtual ~CFileDialogImplBase() = default;
    CFileDialogImplBase(const CFileDialogImplBase&) = delete;
    CFileDialogImplBase& operator=(const CFileDialogImplBase&) = delete;

    // IDOK with the chosen name in m_fileName, IDCANCEL after Cancel or a
    // failure (CommDlgExtendedError tells which).
    INT_PTR DoModal(HWND owner = ::GetActiveWindow());
    void SetFileName(const std::wstring& name);
    // The dialog window itself (the hook's parent).
    HWND GetFileDialogWindow() const { return m_hook.m_hWnd ? ::GetParent(m_hook.m_hWnd) : nullptr; }

protected:
    virtual void OnInitDone(OFNOTIFYW*) {}
    virtual bool OnFileOK(OFNOTIFYW*) { return false; }
    virtual bool OnIncludeItem(OFNOTIFYEXW*) { return true; }

private:
    static UINT_PTR CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool m_open;
};

template <class T>
class CFileDialogImpl : public CFileDialogImplBase {
public:
    CFileDialogImpl(bool open, const wchar_t* defaultExtension = nullptr, const wchar_t* fileName = nullptr,
                    DWORD flags = OFN_HIDEREADONLY, const wchar_t* filter = nullptr, HWND owner = nullptr)
        : CFileDialogImplBase(open, defaultExtension, fileName, flags, filter, owner)
    {
    }
};
