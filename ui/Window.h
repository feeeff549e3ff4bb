// A window handle with the calls the dialogs make on it, and typed wrappers
// for the standard controls (edit, list box, combo box, button). None of them
// owns the window: destroying the wrapper leaves the window alone.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>

class CWindow {
public:
    HWND m_hWnd = nullptr;

    CWindow(HWND hwnd = nullptr) : m_hWnd(hwnd) {}
    CWindow& operator=(HWND hwnd)
    {
        m_hWnd = hwnd;
        return *this;
    }
    operator HWND() const { return m_hWnd; }

    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND Detach()
    {
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        return h;
    }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageW(m_hWnd, msg, wp, lp); }
    LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const
    {
        return ::SendDlgItemMessageW(m_hWnd, id, msg, wp, lp);
    }

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetOwner() const { return ::GetWindow(m_hWnd, GW_OWNER); }

    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(m_hWnd, enable); }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool IsZoomed() const { return ::IsZoomed(m_hWnd) != FALSE; }
    bool IsIconic() const { return ::IsIconic(m_hWnd) != FALSE; }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    HWND SetCapture() const { return ::SetCapture(m_hWnd); }

    // The whole text (empty when it cannot be read).
    std::wstring GetWindowText() const
    {
        int n = ::GetWindowTextLengthW(m_hWnd);
        if (n <= 0)
            return std::wstring();
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, &text[0], n + 1)));
        return text;
    }
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    BOOL SetWindowText(const wchar_t* text) const { return ::SetWindowTextW(m_hWnd, text); }
    BOOL SetWindowText(const std::wstring& text) const { return ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetDlgItemText(int id) const { return CWindow(GetDlgItem(id)).GetWindowText(); }
    BOOL SetDlgItemText(int id, const std::wstring& text) const { return ::SetDlgItemTextW(m_hWnd, id, text.c_str()); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    BOOL CheckDlgButton(int id, UINT state) const { return ::CheckDlgButton(m_hWnd, id, state); }

    BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
    BOOL GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect); }
    BOOL ScreenToClient(POINT* pt) const { return ::ScreenToClient(m_hWnd, pt); }
    BOOL ClientToScreen(POINT* pt) const { return ::ClientToScreen(m_hWnd, pt); }
    BOOL ScreenToClient(RECT* rect) const
    {
        return ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(rect)) &&
               ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(rect) + 1);
    }
    BOOL ClientToScreen(RECT* rect) const
    {
        return ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(rect)) &&
               ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(rect) + 1);
    }
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const
    {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    BOOL MoveWindow(const RECT& r, BOOL repaint = TRUE) const
    {
        return ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) const
    {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    BOOL SetWindowPos(HWND after, const RECT& r, UINT flags) const
    {
        return ::SetWindowPos(m_hWnd, after, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
    }
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL InvalidateRect(const RECT* rect, BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, rect, erase); }
    BOOL UpdateWindow() const { return ::UpdateWindow(m_hWnd); }

    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    // True when the style changed; with swpFlags the frame is told through SetWindowPos.
    bool ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0) const { return ModifyLong(GWL_STYLE, remove, add, swpFlags); }
    bool ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0) const
    {
        return ModifyLong(GWL_EXSTYLE, remove, add, swpFlags);
    }
    LONG_PTR GetWindowLongPtr(int index) const { return ::GetWindowLongPtrW(m_hWnd, index); }
    LONG_PTR SetWindowLongPtr(int index, LONG_PTR value) const { return ::SetWindowLongPtrW(m_hWnd, index, value); }

    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE) const { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
    HICON SetIcon(HICON icon, BOOL big) const
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }

    BOOL DestroyWindow()
    {
        if (!::DestroyWindow(m_hWnd))
            return FALSE;
        m_hWnd = nullptr;
        return TRUE;
    }

    // Centres the window on `center` (by default its owner, else its parent
    // when it is a child), kept inside the work area of the monitor nearest
    // to that window; a window with neither is centred on that work area.
    BOOL CenterWindow(HWND center = nullptr) const;

private:
    bool ModifyLong(int index, DWORD remove, DWORD add, UINT swpFlags) const
    {
        DWORD old = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, index));
        DWORD now = (old & ~remove) | add;
        if (old == now)
            return false;
        ::SetWindowLongPtrW(m_hWnd, index, static_cast<LONG_PTR>(now));
        if (swpFlags)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
        return true;
    }
};

// The text of a list or combo item; empty for an invalid index.
std::wstring GetListItemText(HWND window, UINT lenMsg, UINT textMsg, int index, bool* ok = nullptr);

template <class TBase = CWindow>
class CEditT : public TBase {
public:
    CEditT(HWND hwnd = nullptr) : TBase(hwnd) {}
    CEditT& operator=(HWND hwnd) { this->m_hWnd = hwnd; return *this; }
    void GetSel(int& start, int& end) const
    {
        DWORD s = 0, e = 0;
        this->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        start = static_cast<int>(s);
        end = static_cast<int>(e);
    }
    void SetSel(int start, int end, BOOL noScroll = FALSE) const
    {
        this->SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
        if (!noScroll)
            ScrollCaret();
    }
    void SetSelAll(BOOL noScroll = FALSE) const { SetSel(0, -1, noScroll); }
    void SetSelNone(BOOL noScroll = FALSE) const { SetSel(-1, 0, noScroll); }
    void ReplaceSel(const wchar_t* text, BOOL canUndo = FALSE) const
    {
        this->SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text));
    }
    void ScrollCaret() const { this->SendMessage(EM_SCROLLCARET); }
    UINT GetLimitText() const { return static_cast<UINT>(this->SendMessage(EM_GETLIMITTEXT)); }
    void SetLimitText(UINT max) const { this->SendMessage(EM_SETLIMITTEXT, max); }
    int GetLineCount() const { return static_cast<int>(this->SendMessage(EM_GETLINECOUNT)); }
    BOOL Undo() const { return static_cast<BOOL>(this->SendMessage(EM_UNDO)); }
    void Copy() const { this->SendMessage(WM_COPY); }
    void Cut() const { this->SendMessage(WM_CUT); }
    void Paste() const { this->SendMessage(WM_PASTE); }
    BOOL GetModify() const { return static_cast<BOOL>(this->SendMessage(EM_GETMODIFY)); }
    void SetModify(BOOL modified = TRUE) const { this->SendMessage(EM_SETMODIFY, modified); }
};
typedef CEditT<> CEditW;

template <class TBase = CWindow>
class CListBoxT : public TBase {
public:
    CListBoxT(HWND hwnd = nullptr) : TBase(hwnd) {}
    CListBoxT& operator=(HWND hwnd) { this->m_hWnd = hwnd; return *this; }
    int GetCount() const { return static_cast<int>(this->SendMessage(LB_GETCOUNT)); }
    int SetCount(int count) const { return static_cast<int>(this->SendMessage(LB_SETCOUNT, count)); }
    int GetCurSel() const { return static_cast<int>(this->SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(this->SendMessage(LB_SETCURSEL, index)); }
    int GetTopIndex() const { return static_cast<int>(this->SendMessage(LB_GETTOPINDEX)); }
    int SetTopIndex(int index) const { return static_cast<int>(this->SendMessage(LB_SETTOPINDEX, index)); }
    int GetCaretIndex() const { return static_cast<int>(this->SendMessage(LB_GETCARETINDEX)); }
    int SetCaretIndex(int index, BOOL partial = FALSE) const
    {
        return static_cast<int>(this->SendMessage(LB_SETCARETINDEX, index, partial));
    }
    int GetItemHeight(int index) const { return static_cast<int>(this->SendMessage(LB_GETITEMHEIGHT, index)); }
    int SetItemHeight(int index, int height) const
    {
        return static_cast<int>(this->SendMessage(LB_SETITEMHEIGHT, index, MAKELPARAM(height, 0)));
    }
    int GetItemRect(int index, RECT* rect) const
    {
        return static_cast<int>(this->SendMessage(LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)));
    }
    // LB_ITEMFROMPOINT: the index in the low word, 1 in the high word outside the items.
    DWORD ItemFromPoint(POINT pt) const
    {
        return static_cast<DWORD>(this->SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y)));
    }
    int GetTextLen(int index) const { return static_cast<int>(this->SendMessage(LB_GETTEXTLEN, index)); }
    std::wstring GetText(int index, bool* ok = nullptr) const
    {
        return GetListItemText(this->m_hWnd, LB_GETTEXTLEN, LB_GETTEXT, index, ok);
    }
    int AddString(const wchar_t* text) const
    {
        return static_cast<int>(this->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int InsertString(int index, const wchar_t* text) const
    {
        return static_cast<int>(this->SendMessage(LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text)));
    }
    int DeleteString(int index) const { return static_cast<int>(this->SendMessage(LB_DELETESTRING, index)); }
    void ResetContent() const { this->SendMessage(LB_RESETCONTENT); }
    int FindString(int start, const wchar_t* text) const
    {
        return static_cast<int>(this->SendMessage(LB_FINDSTRING, start, reinterpret_cast<LPARAM>(text)));
    }
    int FindStringExact(int start, const wchar_t* text) const
    {
        return static_cast<int>(this->SendMessage(LB_FINDSTRINGEXACT, start, reinterpret_cast<LPARAM>(text)));
    }
    LRESULT GetItemData(int index) const { return this->SendMessage(LB_GETITEMDATA, index); }
    int SetItemData(int index, LPARAM data) const { return static_cast<int>(this->SendMessage(LB_SETITEMDATA, index, data)); }
};
typedef CListBoxT<> CListBoxW;

template <class TBase = CWindow>
class CComboBoxT : public TBase {
public:
    CComboBoxT(HWND hwnd = nullptr) : TBase(hwnd) {}
    CComboBoxT& operator=(HWND hwnd) { this->m_hWnd = hwnd; return *this; }
    int GetCount() const { return static_cast<int>(this->SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(this->SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(this->SendMessage(CB_SETCURSEL, index)); }
    int GetLBTextLen(int index) const { return static_cast<int>(this->SendMessage(CB_GETLBTEXTLEN, index)); }
    std::wstring GetLBText(int index, bool* ok = nullptr) const
    {
        return GetListItemText(this->m_hWnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, index, ok);
    }
    int AddString(const wchar_t* text) const
    {
        return static_cast<int>(this->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int InsertString(int index, const wchar_t* text) const
    {
        return static_cast<int>(this->SendMessage(CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text)));
    }
    int DeleteString(int index) const { return static_cast<int>(this->SendMessage(CB_DELETESTRING, index)); }
    void ResetContent() const { this->SendMessage(CB_RESETCONTENT); }
    // Deletes from the last item down, one at a time, until none is left.
    void DeleteAllItems() const
    {
        for (int n = GetCount(); n > 0; n = GetCount())
            if (DeleteString(n - 1) == CB_ERR)
                break;
    }
    int FindStringExact(int start, const wchar_t* text) const
    {
        return static_cast<int>(this->SendMessage(CB_FINDSTRINGEXACT, start, reinterpret_cast<LPARAM>(text)));
    }
    BOOL SetEditSel(int start, int end) const
    {
        return static_cast<BOOL>(this->SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(start, end)));
    }
    DWORD GetEditSel() const { return static_cast<DWORD>(this->SendMessage(CB_GETEDITSEL)); }
    bool GetDroppedState() const { return this->SendMessage(CB_GETDROPPEDSTATE) != 0; }
    void ShowDropDown(BOOL show = TRUE) const { this->SendMessage(CB_SHOWDROPDOWN, show); }
    int GetDroppedWidth() const { return static_cast<int>(this->SendMessage(CB_GETDROPPEDWIDTH)); }
    int SetDroppedWidth(int width) const { return static_cast<int>(this->SendMessage(CB_SETDROPPEDWIDTH, width)); }
    BOOL GetComboBoxInfo(COMBOBOXINFO* info) const
    {
        info->cbSize = sizeof *info;
        return static_cast<BOOL>(this->SendMessage(CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)));
    }
    LRESULT GetItemData(int index) const { return this->SendMessage(CB_GETITEMDATA, index); }
    int SetItemData(int index, LPARAM data) const { return static_cast<int>(this->SendMessage(CB_SETITEMDATA, index, data)); }
};
typedef CComboBoxT<> CComboBoxW;

template <class TBase = CWindow>
class CButtonT : public TBase {
public:
    CButtonT(HWND hwnd = nullptr) : TBase(hwnd) {}
    CButtonT& operator=(HWND hwnd) { this->m_hWnd = hwnd; return *this; }
    int GetCheck() const { return static_cast<int>(this->SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { this->SendMessage(BM_SETCHECK, state); }
    UINT GetState() const { return static_cast<UINT>(this->SendMessage(BM_GETSTATE)); }
    void Click() const { this->SendMessage(BM_CLICK); }
    UINT GetButtonStyle() const { return static_cast<UINT>(this->GetStyle()) & 0xFFFF; }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) const { this->SendMessage(BM_SETSTYLE, style, redraw); }
};
typedef CButtonT<> CButtonW;
