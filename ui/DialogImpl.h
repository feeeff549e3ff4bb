// Dialogs of our own over dialog templates: modal (DoModal) or modeless
// (Create). The class names its template with `enum { IDD = ... }` or by
// hiding TemplateName().
//
// The map's result reaches the system the way each message expects: the
// messages whose dialog-procedure result is the answer itself (WM_INITDIALOG,
// WM_CTLCOLORxxx, WM_COMPAREITEM, WM_VKEYTOITEM, WM_CHARTOITEM,
// WM_QUERYDRAGICON) return it directly; every other handled message returns
// TRUE with the result in DWLP_MSGRESULT. A message the map leaves returns
// FALSE, so the dialog manager handles it.
#pragma once
#include "ui/WindowImpl.h"

template <class TBase = CWindow>
class CDialogImplBaseT : public TBase, public CWindowImplRoot {
public:
    CDialogImplBaseT() : CWindowImplRoot(&this->m_hWnd) {}
    // A dialog's default processing is the dialog manager's, which runs when
    // the map leaves a message.
    LRESULT DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }
    LRESULT DefWindowProc() { return 0; }
};

template <class T, class TBase = CWindow>
class CDialogImpl : public CDialogImplBaseT<TBase> {
public:
    // Runs the dialog; the value given to EndDialog, or -1 (0 without a
    // parent) when the dialog cannot be created.
    INT_PTR DoModal(HWND parent = ::GetActiveWindow(), LPARAM init = 0)
    {
        m_modal = true;
        return this->DialogBoxImpl(static_cast<T*>(this)->TemplateName(), nullptr, parent, init);
    }
    INT_PTR DoModalIndirect(const DLGTEMPLATE* templ, HWND parent = ::GetActiveWindow(), LPARAM init = 0)
    {
        m_modal = true;
        return this->DialogBoxImpl(nullptr, templ, parent, init);
    }
    // A modeless dialog; null when it cannot be created.
    HWND Create(HWND parent, LPARAM init = 0)
    {
        m_modal = false;
        return this->CreateDialogImpl(static_cast<T*>(this)->TemplateName(), nullptr, parent, init);
    }
    HWND CreateIndirect(const DLGTEMPLATE* templ, HWND parent, LPARAM init = 0)
    {
        m_modal = false;
        return this->CreateDialogImpl(nullptr, templ, parent, init);
    }
    // Ends a modal dialog with the result; a modeless one is destroyed.
    BOOL EndDialog(INT_PTR result)
    {
        if (m_modal)
            return ::EndDialog(this->m_hWnd, result);
        return this->DestroyWindow();
    }
    bool IsModal() const { return m_modal; }

    const wchar_t* TemplateName() const { return MAKEINTRESOURCEW(T::IDD); }

private:
    bool m_modal = false;
};
