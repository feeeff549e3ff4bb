// A dialog whose modal loop is its own (CModalDialogImpl): it is created
// modeless, its parent is disabled while it runs, and the loop lets the
// dialog look at each message before IsDialogMessageW does
// (PreTranslateModalMessage, hidden by T). EndModal ends the loop.
#pragma once
#include "ui/DialogImpl.h"
#include "ui/Firewall.h"

template <class T, class TBase = CWindow>
class CModalDialogImpl : public CDialogImpl<T, TBase> {
public:
    // The value given to EndModal (IDCANCEL when the loop ended otherwise),
    // or 0 when the dialog cannot be created.
    INT_PTR DoModal(HWND parent = ::GetActiveWindow(), LPARAM init = 0)
    {
        m_result = IDCANCEL;
        m_ending = false;
        return this->Create(parent, init) ? RunLoop(parent) : 0;
    }
    INT_PTR DoModalIndirect(const DLGTEMPLATE* templ, HWND parent = ::GetActiveWindow(), LPARAM init = 0)
    {
        m_result = IDCANCEL;
        m_ending = false;
        return this->CreateIndirect(templ, parent, init) ? RunLoop(parent) : 0;
    }

    void EndModal(INT_PTR result)
    {
        m_result = result;
        m_ending = true;
        ::PostQuitMessage(0);
    }

    // True when the dialog took the message itself.
    bool PreTranslateModalMessage(MSG&) { return false; }

private:
    INT_PTR RunLoop(HWND parent)
    {
        const bool disable = parent && ::IsWindowEnabled(parent);
        if (disable)
            ::EnableWindow(parent, FALSE);
        this->ShowWindow(SW_SHOW);
        MSG msg;
        for (;;) {
            BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == -1)
                break;
            if (!got) {
                // A quit that is not ours belongs to the loop outside: pass it on.
                if (!m_ending)
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            bool taken = false;
            GuardedCall([&] { taken = static_cast<T*>(this)->PreTranslateModalMessage(msg); });
            if (taken)
                continue;
            if (!this->m_hWnd || !::IsDialogMessageW(this->m_hWnd, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        // Enabled before the dialog goes, so the parent is activated again.
        if (disable)
            ::EnableWindow(parent, TRUE);
        if (this->m_hWnd)
            this->DestroyWindow();
        return m_result;
    }

    INT_PTR m_result = IDCANCEL;
    bool m_ending = false;
};
