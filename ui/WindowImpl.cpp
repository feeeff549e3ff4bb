#include "ui/WindowImpl.h"
#include "foundation/ResourceString.h"
#include "platform/CriticalSection.h"
#include "ui/Firewall.h"
#include <commctrl.h>
#include <prsht.h>
#include <cwchar>

namespace {

// The object that the next window created on this thread binds to. It is
// taken by that window's first message, before any handler runs, so a
// window created inside a handler can set it again.
thread_local CWindowImplRoot* t_binding = nullptr;

CAutoCriticalSection& ClassLock()
{
    static CAutoCriticalSection lock;
    return lock;
}

// Messages whose dialog-procedure result is the answer itself.
bool ReturnsDirectly(UINT msg)
{
    switch (msg) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

} // namespace

CWindowImplRoot::~CWindowImplRoot()
{
    if (t_binding == this)
        t_binding = nullptr;
    HWND hwnd = *m_handle;
    // The window outlives us: later messages must not reach a dead object.
    if (hwnd && ::IsWindow(hwnd))
        Unhook(hwnd);
}

void CWindowImplRoot::Unhook(HWND hwnd)
{
    switch (m_attach) {
    case kSubclass:
        RemoveWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
        break;
    case kOwnClass:
        ::SetWindowLongPtrW(hwnd, 0, 0);
        break;
    case kDialog:
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        break;
    default:
        break;
    }
    m_attach = kNone;
}

void CWindowImplRoot::Bind(HWND hwnd, Attachment kind)
{
    *m_handle = hwnd;
    m_attach = kind;
}

void CWindowImplRoot::Release(HWND hwnd)
{
    Unhook(hwnd);
    *m_handle = nullptr;
    GuardedCall([&] { OnFinalMessage(hwnd); });
}

bool CWindowImplRoot::RunMap(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    MSG current = {hwnd, msg, wp, lp, 0, {0, 0}};
    const MSG* saved = m_current;
    m_current = &current;
    BOOL handled = FALSE;
    result = 0;
    if (!GuardedCall([&] { handled = ProcessWindowMessage(hwnd, msg, wp, lp, result, 0); }))
        handled = FALSE;
    m_current = saved;
    return handled != FALSE;
}

LRESULT CWindowImplRoot::DefaultProc(UINT msg, WPARAM wp, LPARAM lp)
{
    HWND hwnd = *m_handle;
    switch (m_attach) {
    case kSubclass:
        return DefSubclassProc(hwnd, msg, wp, lp);
    case kOwnClass:
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    default:
        return 0;
    }
}

LRESULT CWindowImplRoot::WindowDispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (!RunMap(hwnd, msg, wp, lp, result))
        result = DefaultProc(msg, wp, lp);
    if (msg == WM_NCDESTROY)
        Release(hwnd);
    return result;
}

LRESULT CALLBACK CWindowImplRoot::ClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CWindowImplRoot* self = reinterpret_cast<CWindowImplRoot*>(::GetWindowLongPtrW(hwnd, 0));
    if (!self && t_binding) {
        self = t_binding;
        t_binding = nullptr;
        ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
        self->Bind(hwnd, kOwnClass);
    }
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->WindowDispatch(hwnd, msg, wp, lp);
}

LRESULT CALLBACK CWindowImplRoot::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data)
{
    return reinterpret_cast<CWindowImplRoot*>(data)->WindowDispatch(hwnd, msg, wp, lp);
}

INT_PTR CALLBACK CWindowImplRoot::PageDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CWindowImplRoot* self = reinterpret_cast<CWindowImplRoot*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self && msg == WM_INITDIALOG && lp) {
        self = reinterpret_cast<CWindowImplRoot*>(reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam);
        if (self) {
            ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
            self->Bind(hwnd, kDialog);
        }
    }
    if (!self)
        return FALSE;
    return self->DialogDispatch(hwnd, msg, wp, lp);
}

INT_PTR CALLBACK CWindowImplRoot::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CWindowImplRoot* self = reinterpret_cast<CWindowImplRoot*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self && t_binding) {
        self = t_binding;
        t_binding = nullptr;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->Bind(hwnd, kDialog);
    }
    if (!self)
        return FALSE;
    return self->DialogDispatch(hwnd, msg, wp, lp);
}

INT_PTR CWindowImplRoot::DialogDispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    INT_PTR answer = FALSE;
    if (RunMap(hwnd, msg, wp, lp, result)) {
        if (ReturnsDirectly(msg)) {
            answer = static_cast<INT_PTR>(result);
        } else {
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
            answer = TRUE;
        }
    }
    // The system shows a modal dialog the first time its loop finds the
    // queue empty: while a save posts its wake-ups, that is only once the
    // save ends, so the about box, say, stayed hidden for all of it.
    if (msg == WM_INITDIALOG && m_showOnInit) {
        m_showOnInit = false;
        if (!::IsWindowVisible(hwnd))
            ::ShowWindow(hwnd, SW_SHOWNORMAL);
    }
    if (msg == WM_NCDESTROY)
        Release(hwnd);
    return answer;
}

void CWindowImplRoot::PrepareBinding() { t_binding = this; }

void CWindowImplRoot::CancelBinding()
{
    if (t_binding == this)
        t_binding = nullptr;
}

BOOL CWindowImplRoot::SubclassImpl(HWND hwnd)
{
    if (!hwnd || *m_handle || !::IsWindow(hwnd))
        return FALSE;
    if (!SetWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    Bind(hwnd, kSubclass);
    return TRUE;
}

HWND CWindowImplRoot::UnsubclassImpl()
{
    HWND hwnd = *m_handle;
    if (m_attach != kSubclass)
        return nullptr;
    Unhook(hwnd);
    *m_handle = nullptr;
    return hwnd;
}

HWND CWindowImplRoot::CreateImpl(CWndClassInfo& info, HWND parent, const RECT& rect, const wchar_t* name,
                                 DWORD style, DWORD exStyle, HMENU menuOrId, void* param)
{
    if (*m_handle)
        return nullptr;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    {
        CAutoLock<CAutoCriticalSection> lock(ClassLock());
        if (!info.atom) {
            wchar_t made[40];
            if (!info.name)
                swprintf(made, 40, L"KntWindow%p", static_cast<void*>(&info));
            WNDCLASSEXW wc = {};
            wc.cbSize = sizeof wc;
            wc.style = info.style;
            wc.lpfnWndProc = ClassProc;
            wc.cbWndExtra = sizeof(void*);  // slot 0: the bound object
            wc.hInstance = instance;
            wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(IDC_ARROW));
            wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(info.background));
            wc.lpszClassName = info.name ? info.name : made;
            info.atom = ::RegisterClassExW(&wc);
            if (!info.atom)
                return nullptr;
        }
    }
    PrepareBinding();
    HWND hwnd = ::CreateWindowExW(exStyle, MAKEINTATOM(info.atom), name ? name : L"", style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId, instance, param);
    CancelBinding();
    return hwnd;
}

INT_PTR CWindowImplRoot::DialogBoxImpl(const wchar_t* resource, const DLGTEMPLATE* templ, HWND parent, LPARAM init)
{
    if (*m_handle)
        return -1;
    PrepareBinding();
    m_showOnInit = true;
    INT_PTR result = templ ? ::DialogBoxIndirectParamW(GetResourceInstance(), templ, parent, DialogProc, init)
                           : ::DialogBoxParamW(GetResourceInstance(), resource, parent, DialogProc, init);
    m_showOnInit = false;
    CancelBinding();
    return result;
}

HWND CWindowImplRoot::CreateDialogImpl(const wchar_t* resource, const DLGTEMPLATE* templ, HWND parent, LPARAM init)
{
    if (*m_handle)
        return nullptr;
    PrepareBinding();
    HWND hwnd = templ ? ::CreateDialogIndirectParamW(GetResourceInstance(), templ, parent, DialogProc, init)
                      : ::CreateDialogParamW(GetResourceInstance(), resource, parent, DialogProc, init);
    CancelBinding();
    return hwnd;
}
