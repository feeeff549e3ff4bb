// The about dialog: the program's icon, its name with the version from the
// program's own version resource, the notice line and the web address as a
// link.
#pragma once
#include "ui/DialogImpl.h"
#include "ui/Mixins.h"
#include "resources/info_dialogs.h"
#include "platform/Gdi.h"
#include <windows.h>

class CAboutDlg : public CDialogImpl<CAboutDlg>, public CInfoDialogImpl<CAboutDlg> {
public:
    enum { IDD = IDD_ABOUT };

    // The link in blue, the rest as the system draws it.
    COLORREF StaticTextColor(HWND control) const;

    BEGIN_MSG_MAP(CAboutDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        COMMAND_ID_HANDLER(IDC_ABOUT_LINK, OnLink)
        CHAIN_MSG_MAP(CInfoDialogImpl<CAboutDlg>)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM wp, LPARAM, BOOL&);
    LRESULT OnLink(WORD, WORD, HWND, BOOL&);

    // The link's underlined font; deleted once the dialog is gone.
    CFontHandle m_linkFont;
};

// Runs the about dialog modally, owned by `owner`.
void RunAboutDialog(HWND owner);
