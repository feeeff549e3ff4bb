#include "ui/PropertySheet.h"
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "platform/Hook.h"
#include "ui/Firewall.h"
#include <cstring>

namespace {
// The sheet whose window the next sheet callback announces.
thread_local CPropertySheetBase* t_runningSheet = nullptr;

// Offsets of the style in the two template forms (an extended template has
// version, signature, help id and extended style before it).
const size_t kExStyleOffset = 12;
} // namespace

void RemoveContextHelpStyle(void* dialogTemplate)
{
    if (!dialogTemplate)
        return;
    WORD* words = static_cast<WORD*>(dialogTemplate);
    DWORD* style = words[1] == 0xFFFF
                       ? reinterpret_cast<DWORD*>(static_cast<BYTE*>(dialogTemplate) + kExStyleOffset)
                       : &static_cast<DLGTEMPLATE*>(dialogTemplate)->style;
    DWORD value;
    std::memcpy(&value, style, sizeof value);
    value &= ~static_cast<DWORD>(DS_CONTEXTHELP);
    std::memcpy(style, &value, sizeof value);
}

CPropertySheetBase::CPropertySheetBase(UINT captionId, UINT startPage, HWND owner)
{
    std::memset(&m_psh, 0, sizeof m_psh);
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_USECALLBACK | PSH_NOAPPLYNOW;
    m_psh.hInstance = GetResourceInstance();
    m_psh.pszCaption = MAKEINTRESOURCEW(captionId);
    m_psh.nStartPage = startPage;
    m_psh.hwndParent = owner;
    m_psh.pfnCallback = SheetCallback;
}

CPropertySheetBase::~CPropertySheetBase()
{
    if (t_runningSheet == this)
        t_runningSheet = nullptr;
    // Pages never handed to a sheet are still ours.
    for (HPROPSHEETPAGE page : m_pages)
        ::DestroyPropertySheetPage(page);
}

bool CPropertySheetBase::AddPage(HPROPSHEETPAGE page)
{
    if (!page)
        return false;
    if (m_hWnd) {
        if (!SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(page))) {
            ::DestroyPropertySheetPage(page);
            return false;
        }
        return true;
    }
    m_pages.push_back(page);
    return true;
}

bool CPropertySheetBase::AddPage(const PROPSHEETPAGEW& page)
{
    return AddPage(::CreatePropertySheetPageW(&page));
}

INT_PTR CPropertySheetBase::DoModal(HWND owner)
{
    if (!m_psh.hwndParent)
        m_psh.hwndParent = owner;
    m_psh.dwFlags &= ~static_cast<DWORD>(PSH_PROPSHEETPAGE | PSH_MODELESS);
    m_psh.nPages = static_cast<UINT>(m_pages.size());
    m_psh.phpage = m_pages.empty() ? nullptr : m_pages.data();
    // The sheet's modal loop is the system's: the page keys are seen on
    // their way out of the thread's queue.
    CHookHandle hook(::SetWindowsHookExW(WH_GETMESSAGE, PageKeyHook, nullptr, ::GetCurrentThreadId()));
    if (!hook)
        ThrowInternalErrorWhere(L"CPropertySheetBase::DoModal", L"SetWindowsHookExW");
    CPropertySheetBase* outer = t_runningSheet;
    t_runningSheet = this;
    INT_PTR result = ::PropertySheetW(&m_psh);
    t_runningSheet = outer;
    // The sheet destroyed the pages it was given.
    m_pages.clear();
    m_psh.phpage = nullptr;
    m_psh.nPages = 0;
    return result;
}

int CALLBACK CPropertySheetBase::SheetCallback(HWND hwnd, UINT msg, LPARAM lp)
{
    GuardedCall([&] {
        if (msg == PSCB_PRECREATE)
            RemoveContextHelpStyle(reinterpret_cast<void*>(lp));
        else if (msg == PSCB_INITIALIZED && t_runningSheet && !t_runningSheet->m_hWnd)
            t_runningSheet->SubclassWindow(hwnd);
    });
    return 0;
}

LRESULT CALLBACK CPropertySheetBase::PageKeyHook(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION && wp == PM_REMOVE && t_runningSheet) {
        MSG* msg = reinterpret_cast<MSG*>(lp);
        bool taken = false;
        GuardedCall([&] { taken = t_runningSheet->TurnPageByKey(*msg); });
        if (taken)
            msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

bool CPropertySheetBase::TurnPageByKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || !m_hWnd || (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd)))
        return false;
    if (!(::GetKeyState(VK_CONTROL) & 0x8000))
        return false;
    int step = 0;
    if (msg.wParam == VK_TAB)
        step = (::GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1;
    else if (msg.wParam == VK_NEXT)
        step = 1;
    else if (msg.wParam == VK_PRIOR)
        step = -1;
    else
        return false;
    // A control that asks for every key keeps these too.
    if (::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) & DLGC_WANTMESSAGE)
        return false;
    HWND tabs = GetTabControl();
    const int count = static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    // The page being left may refuse (PSN_KILLACTIVE): the sheet asks it.
    if (count < 2 || !SetActivePage((GetActiveIndex() + step + count) % count))
        return true;
    // The focus left on the hidden page goes to the first stop of the new
    // one (the tab strip, when it has none); on the tab strip it stays.
    HWND focus = ::GetFocus();
    if (!focus || !::IsWindowVisible(focus)) {
        HWND page = GetActivePage();
        HWND first = page ? ::GetNextDlgTabItem(page, nullptr, FALSE) : nullptr;
        ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first && first != page ? first : tabs), TRUE);
    }
    return true;
}

HWND CPropertySheetBase::GetTabControl() const
{
    return m_hWnd ? reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL)) : nullptr;
}

int CPropertySheetBase::GetActiveIndex() const
{
    HWND tab = GetTabControl();
    return tab ? static_cast<int>(::SendMessageW(tab, TCM_GETCURSEL, 0, 0)) : static_cast<int>(m_psh.nStartPage);
}

HWND CPropertySheetBase::GetActivePage() const
{
    return m_hWnd ? reinterpret_cast<HWND>(SendMessage(PSM_GETCURRENTPAGEHWND)) : nullptr;
}

bool CPropertySheetBase::SetActivePage(int index)
{
    if (!m_hWnd) {
        m_psh.nStartPage = static_cast<UINT>(index);
        return true;
    }
    return SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

void CPropertySheetBase::PressButton(int button)
{
    if (m_hWnd)
        PostMessage(PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

CPropertyPageBase::CPropertyPageBase(const wchar_t* templateName, UINT titleId) : CWindowImplRoot(&m_hWnd)
{
    std::memset(&m_psp, 0, sizeof m_psp);
    m_psp.dwSize = sizeof m_psp;
    m_psp.dwFlags = titleId ? PSP_USETITLE : PSP_DEFAULT;
    m_psp.hInstance = GetResourceInstance();
    m_psp.pszTemplate = templateName;
    m_psp.pszTitle = MAKEINTRESOURCEW(titleId);
    m_psp.pfnDlgProc = PageDialogProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(static_cast<CWindowImplRoot*>(this));
}

void CPropertyPageBase::SetTemplate(const DLGTEMPLATE* templ)
{
    m_psp.dwFlags |= PSP_DLGINDIRECT;
    m_psp.pResource = templ;
}
