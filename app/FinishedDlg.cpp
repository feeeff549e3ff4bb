#include "app/FinishedDlg.h"
#include "foundation/ResourceString.h"
#include "resources/strings_app.h"
#include <shellapi.h>

std::wstring CFinishedDlg::FormatCountText(const std::wstring& templateText) const
{
    const std::wstring format = SingleFile ? LoadResourceString(IDS_PAGES_WRITTEN) : templateText;
    std::wstring text;
    if (!FormatString(text, format.c_str(), Count))
        text = format;
    return text;
}

LRESULT CFinishedDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow(GetParent());
    SetDlgItemText(IDC_FINISHED_TEXT, FormatCountText(GetDlgItemText(IDC_FINISHED_TEXT)));
    return TRUE;
}

LRESULT CFinishedDlg::OnOpen(WORD, WORD id, HWND, BOOL&)
{
    const std::wstring& target = id == IDC_OPEN_FILE ? Path : Folder;
    HINSTANCE result = ::ShellExecuteW(m_hWnd, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32)
        ShowResourceMessage1(IDS_OPEN_FOLDER_FAILED, target, MB_ICONERROR);
    return 0;
}
