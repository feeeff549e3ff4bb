#include "app/AboutDlg.h"
#include "foundation/AppInfo.h"
#include "foundation/StringUtil.h"
#include <shellapi.h>

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow(GetParent());
    const CAppInfo& info = GetAppInfo();
    SendDlgItemMessage(IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(info.GetLargeIcon()));
    SetDlgItemText(IDC_ABOUT_NAME, info.GetAppTitleWithVersion());
    if (GetDlgItem(IDC_ABOUT_NOTICE) && !info.GetLegalText().empty())
        SetDlgItemText(IDC_ABOUT_NOTICE, info.GetLegalText());
    if (!info.GetWebPageUrl().empty())
        SetDlgItemText(IDC_ABOUT_LINK, info.GetWebPageUrl());
    LOGFONTW lf;
    if (::GetObjectW(GetFont(), sizeof(lf), &lf) == sizeof(lf)) {
        lf.lfUnderline = 1;
        m_linkFont.Reset(::CreateFontIndirectW(&lf));
        if (m_linkFont)
            ::SendMessageW(GetDlgItem(IDC_ABOUT_LINK), WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.Get()), TRUE);
    }
    return TRUE;
}

LRESULT CAboutDlg::OnSetCursor(UINT, WPARAM wp, LPARAM, BOOL& handled)
{
    if (reinterpret_cast<HWND>(wp) != GetDlgItem(IDC_ABOUT_LINK)) {
        handled = FALSE;
        return 0;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

COLORREF CAboutDlg::StaticTextColor(HWND control) const
{
    return control == GetDlgItem(IDC_ABOUT_LINK) ? RGB(0, 0, 255) : ::GetSysColor(COLOR_BTNTEXT);
}

LRESULT CAboutDlg::OnLink(WORD, WORD, HWND, BOOL&)
{
    const std::wstring address = TrimCopyIf(CWindow(GetDlgItem(IDC_ABOUT_LINK)).GetWindowText(), IsSpaceOrCr);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = m_hWnd;
    info.lpFile = address.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&info))
        ::MessageBeep(MB_OK);
    return 0;
}

void RunAboutDialog(HWND owner)
{
    CAboutDlg dialog;
    dialog.DoModal(owner);
}
