// A file dialog that asks for one file: the path the user confirms is taken
// from the dialog's file-OK notification. A dialog that cannot be shown is an
// error, never a Cancel: a caller that took it for one would drop the user's
// command without a word.
#pragma once
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "resources/strings_foundation.h"
#include "ui/FileDialog.h"
#include <string>

template <class T>
class CSimpleFileDialogImpl : public CFileDialogImpl<T> {
public:
    // The initial name is cut to the file buffer (259 characters and its NUL).
    CSimpleFileDialogImpl(bool open, const wchar_t* defaultExtension, const std::wstring& initialName, DWORD flags,
                          const wchar_t* filter, HWND owner)
        : CFileDialogImpl<T>(open, defaultExtension, initialName.empty() ? nullptr : initialName.c_str(), flags,
                             filter, owner)
    {
    }

    // True on OK, with the confirmed path in GetResultPath(); false on Cancel.
    // A failure raises IDS_COMMON_DIALOG_FAILED with the dialog's error code.
    bool Run()
    {
        m_resultPath.clear();
        if (this->DoModal() == IDOK) {
            if (m_resultPath.empty())
                m_resultPath = this->m_fileName;
            return true;
        }
        const DWORD error = ::CommDlgExtendedError();
        if (error != 0) {
            std::wstring code;
            FormatString(code, L"%lu", error);
            throw my::CException(IDS_COMMON_DIALOG_FAILED, code);
        }
        return false;
    }

    const std::wstring& GetResultPath() const { return m_resultPath; }

protected:
    bool OnFileOK(OFNOTIFYW*) override
    {
        m_resultPath = this->m_fileName;
        return false;  // accept the name
    }

private:
    std::wstring m_resultPath;
};
