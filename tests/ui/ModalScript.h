// Helpers of the dialog tests: steps that run one after another inside the
// modal loop of the dialog under test (on a thread timer, which every modal
// loop dispatches), and a picture of a window saved as PNG.
#pragma once
#include "imaging/Dib.h"
#include "imaging/ImageSaver.h"
#include "platform/Gdi.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

class CModalScript {
public:
    std::vector<std::function<void()>> steps;

    // Starts the steps, one per tick, once the caller enters its modal loop.
    void Start(UINT intervalMs = 150)
    {
        s_current = this;
        m_next = 0;
        m_timer = ::SetTimer(nullptr, 0, intervalMs, Tick);
    }
    bool Finished() const { return m_next >= steps.size(); }
    // Called by a step whose window is not there yet: the step runs again at
    // the next tick (for a few seconds at most).
    void Again() { m_again = true; }
    ~CModalScript()
    {
        if (m_timer)
            ::KillTimer(nullptr, m_timer);
        if (s_current == this)
            s_current = nullptr;
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        CModalScript* self = s_current;
        if (!self || self->m_busy)
            return;
        if (self->m_next >= self->steps.size()) {
            ::KillTimer(nullptr, self->m_timer);
            self->m_timer = 0;
            return;
        }
        // A step may open a nested modal loop, which ticks too: one at a time.
        self->m_busy = true;
        const size_t step = self->m_next++;
        self->m_again = false;
        try {
            self->steps[step]();
        } catch (...) {
            ADD_FAILURE() << "step " << step << " threw";
        }
        if (self->m_again) {
            if (++self->m_tries < kMaxTries)
                self->m_next = step;
            else
                ADD_FAILURE() << "step " << step << " waited in vain";
        } else {
            self->m_tries = 0;
        }
        self->m_busy = false;
    }
    static const int kMaxTries = 40;
    static CModalScript* s_current;
    size_t m_next = 0;
    int m_tries = 0;
    bool m_again = false;
    UINT_PTR m_timer = 0;
    bool m_busy = false;
};

inline CModalScript* CModalScript::s_current = nullptr;

// Replaces the text of a combo's edit field as typing would: the combo sees
// the edit change (CBN_EDITCHANGE to its parent, its list selection
// cleared) as it does for the user's keys.
inline void TypeIntoCombo(HWND combo, const wchar_t* text)
{
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetComboBoxInfo(combo, &info) || !info.hwndItem)
        return;
    ::SendMessageW(info.hwndItem, EM_SETSEL, 0, -1);
    ::SendMessageW(info.hwndItem, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}
inline void TypeIntoCombo(HWND dialog, int id, const wchar_t* text) { TypeIntoCombo(::GetDlgItem(dialog, id), text); }

// Selects an item of a dialog's combo as a choice in its list would: the
// dialog is told CBN_SELCHANGE.
inline void ChooseInCombo(HWND dialog, int id, int index)
{
    HWND combo = ::GetDlgItem(dialog, id);
    ::SendMessageW(combo, CB_SETCURSEL, index, 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// The text of a dialog's control.
inline std::wstring DlgItemText(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(item, &text[0], static_cast<int>(text.size()))));
    return text;
}

// The window as it looks now, saved as a PNG; false when it cannot be.
inline bool SaveWindowPicture(HWND window, const std::wstring& path)
{
    RECT r;
    if (!::GetWindowRect(window, &r))
        return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    CDibSection dib;
    if (w <= 0 || h <= 0 || !dib.CreateWithV5Header(w, h, 32) || !dib.AllocBits())
        return false;
    CWindowDC screen(nullptr);
    CCreatedDC dc(::CreateCompatibleDC(screen));
    {
        // What the screen shows there: the window and every child as drawn.
        CSelectObjectGuard select(dc, dib.GetBitmap());
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        if (!::BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY))
            return false;
    }
    dib.SetAlpha(255);
    boost::shared_ptr<Gdiplus::CImageSaver> png = CreatePngSaver();
    return png && SUCCEEDED(png->Save(dib, false, path));
}
