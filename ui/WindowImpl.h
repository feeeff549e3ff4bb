// Window classes of our own (CWindowImpl) and existing windows taken over by
// subclassing (SubclassWindow, through SetWindowSubclass). Each object
// handles its messages through its message map (ui/MessageMap.h); what the
// map leaves goes to the default processing: DefWindowProcW for our own
// classes, the control's own procedure for a subclassed window.
//
// The object is bound to its window by the first message the window gets
// during its creation (WM_GETMINMAXINFO comes before WM_NCCREATE for
// top-level windows), so the object sees every message. After WM_NCDESTROY
// the object lets go of the window and OnFinalMessage runs; an object may
// delete itself there. Destroying an object whose window still lives
// detaches it, and later messages get the default processing.
//
// Every message handler runs behind the exception firewall (ui/Firewall.h):
// an exception is reported and the message gets its default processing.
#pragma once
#include "ui/MessageMap.h"
#include "ui/Window.h"

template <DWORD Style = 0, DWORD ExStyle = 0>
struct CWinTraits {
    // A style of 0 asks for the traits' style.
    static DWORD GetWndStyle(DWORD style) { return style == 0 ? Style : style; }
    static DWORD GetWndExStyle(DWORD exStyle) { return exStyle == 0 ? ExStyle : exStyle; }
};
typedef CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0> CControlWinTraits;
typedef CWinTraits<WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE>
    CFrameWinTraits;

// The window class of one CWindowImpl; registered on first creation.
struct CWndClassInfo {
    const wchar_t* name;  // null: a name is made up when the class is registered
    UINT style;
    int background;  // COLOR_xxx + 1, or 0 for no background brush
    ATOM atom;
};

// Gives a CWindowImpl class its own window class name, style and background.
#define DECLARE_WND_CLASS_EX(className, classStyle, bkgnd)                                                   \
    static CWndClassInfo& GetWndClassInfo()                                                                  \
    {                                                                                                        \
        static CWndClassInfo info = {className, classStyle, bkgnd, 0};                                       \
        return info;                                                                                         \
    }
#define DECLARE_WND_CLASS(className) DECLARE_WND_CLASS_EX(className, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW + 1)

// The part of every window object that does not depend on its handle type.
class CWindowImplRoot : public CMessageMap {
public:
    CWindowImplRoot(const CWindowImplRoot&) = delete;
    CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;
    virtual ~CWindowImplRoot();

    // After the window's last message; the object may delete itself here.
    virtual void OnFinalMessage(HWND) {}

    // The message being handled, null outside a handler.
    const MSG* GetCurrentMessage() const { return m_current; }

protected:
    explicit CWindowImplRoot(HWND* handle) : m_handle(handle) {}

    // The default processing of a message for this window.
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    BOOL SubclassImpl(HWND hwnd);
    HWND UnsubclassImpl();
    bool IsSubclassed() const { return m_attach == kSubclass; }
    HWND CreateImpl(CWndClassInfo& info, HWND parent, const RECT& rect, const wchar_t* name, DWORD style,
                    DWORD exStyle, HMENU menuOrId, void* param);

    // Dialogs (ui/DialogImpl.h).
    INT_PTR DialogBoxImpl(const wchar_t* resource, const DLGTEMPLATE* templ, HWND parent, LPARAM init);
    HWND CreateDialogImpl(const wchar_t* resource, const DLGTEMPLATE* templ, HWND parent, LPARAM init);
    // The dialog procedure of property pages: the page object comes with
    // WM_INITDIALOG, in the lParam of its PROPSHEETPAGEW.
    static INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Makes this object the one the next created window or dialog binds to.
    void PrepareBinding();
    void CancelBinding();

private:
    enum Attachment { kNone, kOwnClass, kSubclass, kDialog };
    static LRESULT CALLBACK ClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR DialogDispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Bind(HWND hwnd, Attachment kind);
    void Unhook(HWND hwnd);
    // Runs the map behind the firewall; false when nothing handled the message.
    bool RunMap(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    LRESULT WindowDispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Release(HWND hwnd);

    HWND* m_handle;
    Attachment m_attach = kNone;
    const MSG* m_current = nullptr;
    bool m_showOnInit = false;  // a modal dialog, from its creation to its WM_INITDIALOG
};

template <class TBase = CWindow>
class CWindowImplBaseT : public TBase, public CWindowImplRoot {
public:
    CWindowImplBaseT() : CWindowImplRoot(&this->m_hWnd) {}

    // Takes over an existing window; false when it is null or cannot be subclassed.
    BOOL SubclassWindow(HWND hwnd) { return SubclassImpl(hwnd); }
    // Gives the window back to its own procedure; returns it.
    HWND UnsubclassWindow() { return UnsubclassImpl(); }

    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }
    // The default processing of the message being handled.
    LRESULT DefWindowProc()
    {
        const MSG* m = GetCurrentMessage();
        return m ? DefaultProc(m->message, m->wParam, m->lParam) : 0;
    }
};

template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImpl : public CWindowImplBaseT<TBase> {
public:
    DECLARE_WND_CLASS_EX(nullptr, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW + 1)

    // A style of 0 takes the traits' style. For a child window, id is its
    // control id; for a top-level one, a menu handle or 0.
    HWND Create(HWND parent, const RECT& rect, const wchar_t* name = nullptr, DWORD style = 0, DWORD exStyle = 0,
                UINT_PTR id = 0, void* param = nullptr)
    {
        return this->CreateImpl(T::GetWndClassInfo(), parent, rect, name, TWinTraits::GetWndStyle(style),
                                TWinTraits::GetWndExStyle(exStyle), reinterpret_cast<HMENU>(id), param);
    }
};
