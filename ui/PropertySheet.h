// Property sheets and their pages. A sheet collects page handles and runs
// PropertySheetW; the system creates a page's window only when the page is
// first shown. Before the sheet window is created the callback takes the
// context-help button out of its template (DLGTEMPLATE or DLGTEMPLATEEX);
// once it exists, the sheet object subclasses it, so the sheet's own map
// sees its messages. A page is a dialog object bound to its window at
// WM_INITDIALOG; its map gets the sheet's notifications (PSN_xxx) as WM_NOTIFY.
// While a sheet runs, Ctrl+Tab and Ctrl+PageDown show its next page,
// Ctrl+Shift+Tab and Ctrl+PageUp the previous one, wrapping round at either
// end, as on Windows (Wine's modal loop moves the focus like Tab instead).
#pragma once
#include "ui/WindowImpl.h"
#include <commctrl.h>
#include <prsht.h>
#include <vector>

// Removes DS_CONTEXTHELP from a dialog template of either form (an extended
// template starts with version 1 and signature 0xFFFF).
void RemoveContextHelpStyle(void* dialogTemplate);

class CPropertySheetBase : public CWindowImplBaseT<CWindow> {
public:
    BEGIN_MSG_MAP(CPropertySheetBase)
    END_MSG_MAP()

    PROPSHEETHEADERW m_psh;

    // Caption (a string id), start page and owner; no Apply button unless the
    // caller clears PSH_NOAPPLYNOW.
    explicit CPropertySheetBase(UINT captionId = 0, UINT startPage = 0, HWND owner = nullptr);
    ~CPropertySheetBase() override;

    // Adds a created page: to the open sheet (PSM_ADDPAGE), else to the list
    // handed to the sheet. A page that cannot be added is destroyed.
    bool AddPage(HPROPSHEETPAGE page);
    // Creates the page of a page object and adds it.
    bool AddPage(const PROPSHEETPAGEW& page);
    size_t GetPageCount() const { return m_pages.size(); }

    // PropertySheetW's result (a positive value after OK, 0 after Cancel, -1
    // on failure). The pages belong to the sheet afterwards and are forgotten.
    INT_PTR DoModal(HWND owner = ::GetActiveWindow());

    // The selected tab; the start page before the sheet exists.
    int GetActiveIndex() const;
    HWND GetTabControl() const;
    HWND GetActivePage() const;
    bool SetActivePage(int index);
    void PressButton(int button);
    // Turns the page for a page key pressed in the sheet; true when the
    // message was such a key (it is then no longer the control's).
    bool TurnPageByKey(const MSG& msg);

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
    static LRESULT CALLBACK PageKeyHook(int code, WPARAM wp, LPARAM lp);
    std::vector<HPROPSHEETPAGE> m_pages;
};

template <class T>
class CPropertySheetImpl : public CPropertySheetBase {
public:
    explicit CPropertySheetImpl(UINT captionId = 0, UINT startPage = 0, HWND owner = nullptr)
        : CPropertySheetBase(captionId, startPage, owner)
    {
    }
};

// Centres the sheet on the owner in its header the first time it is shown.
template <class T>
class CCenterPropertySheet {
public:
    BEGIN_MSG_MAP(CCenterPropertySheet)
        MESSAGE_HANDLER(WM_SHOWWINDOW, OnShowWindow)
    END_MSG_MAP()

    bool m_centered = false;

private:
    LRESULT OnShowWindow(UINT, WPARAM wp, LPARAM, BOOL& handled)
    {
        T* self = static_cast<T*>(this);
        if (wp && !m_centered) {
            m_centered = true;
            self->CenterWindow(self->m_psh.hwndParent);
        }
        handled = FALSE;  // the sheet's own processing shows it
        return 0;
    }
};

class CPropertyPageBase : public CWindow, public CWindowImplRoot {
public:
    PROPSHEETPAGEW m_psp;

    // The dialog template by resource id, and the tab title by string id (0:
    // the template's caption).
    CPropertyPageBase(const wchar_t* templateName, UINT titleId);
    // A template in memory instead.
    void SetTemplate(const DLGTEMPLATE* templ);
    HPROPSHEETPAGE Create() { return ::CreatePropertySheetPageW(&m_psp); }
    HWND GetSheet() const { return ::GetParent(m_hWnd); }
    LRESULT DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }
};

template <class T>
class CPropertyPageImpl : public CPropertyPageBase {
public:
    explicit CPropertyPageImpl(UINT titleId = 0) : CPropertyPageBase(MAKEINTRESOURCEW(T::IDD), titleId) {}
};
