// The dialog at the end of a save job: how many files (or, for a one-file
// job, pages) were written, with buttons to open the first file and the
// output folder.
#pragma once
#include "foundation/HasMixins.h"
#include "foundation/Msg.h"
#include "ui/DialogImpl.h"
#include "ui/Mixins.h"
#include "resources/info_dialogs.h"
#include "resources/strings_foundation.h"
#include <string>

class CFinishedDlg : public CDialogImpl<CFinishedDlg>,
                     public CInfoDialogImpl<CFinishedDlg>,
                     public CSimpleMsgImpl<CFinishedDlg, IDS_ERROR_TITLE, IDS_QUERY_TITLE>,
                     public CHasPath {
public:
    enum { IDD = IDD_FINISHED };
    int Count = 0;
    std::wstring Folder;
    bool SingleFile = false;

    // The text of the count: the template's text, or the pages text of a
    // one-file job, with the count in place of %d.
    std::wstring FormatCountText(const std::wstring& templateText) const;

    BEGIN_MSG_MAP(CFinishedDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDC_OPEN_FILE, OnOpen)
        COMMAND_ID_HANDLER(IDC_OPEN_OUTPUT_FOLDER, OnOpen)
        CHAIN_MSG_MAP(CInfoDialogImpl<CFinishedDlg>)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOpen(WORD, WORD id, HWND, BOOL&);
};
