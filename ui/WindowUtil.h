// Small helpers over window handles: the visible frame rectangle, window
// texts (skipping an unchanged text, turning bare line feeds into CR LF,
// filled from a format the control holds), class-name tests, a required
// control text, rectangles in parent coordinates, monitor information and a
// window's drawing held off for a batch of changes.
#pragma once
#include <windows.h>
#include <iosfwd>
#include <string>
#include <type_traits>

// The visible frame of a window: the desktop compositor's extended frame
// bounds when the process has loaded it, else (and when it fails, as it does
// without composition) the window rectangle. S_OK or the failure's HRESULT.
HRESULT GetWindowFrameRect(HWND hwnd, RECT& rect);

bool GetWindowTextString(HWND hwnd, std::wstring& text);
// With trim, white space and CR are removed at both ends.
bool GetWindowTextTrim(HWND hwnd, std::wstring& text, bool trim);
// With convertLf, every LF not preceded by CR becomes CR LF first; with
// skipIfSame, an equal text is not set again (and counts as success).
bool SetWindowTextIfChanged(HWND hwnd, const std::wstring& text, bool skipIfSame = true, bool convertLf = false);
// The string-table text of id (empty for 0).
bool SetWindowTextRes(HWND hwnd, UINT id, bool skipIfSame = true, bool convertLf = false);
// text(id1) + text(id2) + the current text trimmed; the suffix form puts the
// trimmed text first, then text(id2), then text(id1).
bool SetWindowTextWithPrefix(HWND hwnd, UINT id1, UINT id2);
bool SetWindowTextWithSuffix(HWND hwnd, UINT id1, UINT id2);

namespace window_text_detail {
// 'i' for an integer, 'f' for a floating-point value, 's' for a text.
template <class T>
constexpr wchar_t Kind()
{
    return std::is_floating_point<T>::value ? L'f'
           : std::is_integral<T>::value || std::is_enum<T>::value ? L'i'
                                                                   : L's';
}
template <class T>
T Pass(T value)
{
    static_assert(std::is_arithmetic<T>::value || std::is_enum<T>::value, "numbers, or texts as wide strings");
    static_assert(sizeof(T) <= 4 || std::is_floating_point<T>::value, "64-bit integers are not passed");
    return value;
}
inline const wchar_t* Pass(const wchar_t* text) { return text ? text : L""; }
inline const wchar_t* Pass(const std::wstring& text) { return text.c_str(); }
// True when every conversion of the format takes the argument of its kind,
// in order, and the counts agree (no '*', no %n or %p).
bool FormatMatchesKinds(const std::wstring& format, const std::wstring& kinds);
bool SetFormattedText(HWND hwnd, const std::wstring& kinds, ...);
} // namespace window_text_detail

// The window's own text is the printf-style format of its new text (dialog
// templates carry "%d" in a control's initial text); the result is cut at
// the current length + 1024 characters and set when it differs. The text is
// not trusted: when its conversions do not fit the arguments it is left as
// it is and false is returned.
template <class... A>
bool SetWindowTextFormat(HWND hwnd, const A&... args)
{
    const wchar_t kinds[] = {window_text_detail::Kind<typename std::decay<A>::type>()..., L'\0'};
    return window_text_detail::SetFormattedText(hwnd, kinds, window_text_detail::Pass(args)...);
}

// The class name (at most 1023 characters); false when it is empty.
bool GetWindowClassName(HWND hwnd, std::wstring& name);
bool IsButtonClassName(const std::wstring& name);
bool IsEditClassName(const std::wstring& name);
bool IsEditableListBoxClassName(const std::wstring& name);
bool IsComboBoxClassName(const std::wstring& name);
bool IsComboBoxExClassName(const std::wstring& name);
bool IsReBarClassName(const std::wstring& name);
bool IsToolbarClassName(const std::wstring& name);
// Whether the window's class name is that of an edit control.
bool IsEditWindow(HWND hwnd);
// Whether other comes after hwnd among its siblings.
bool IsLaterSibling(HWND hwnd, HWND other);

// Comparisons of at most n characters without case in the "C" locale.
int CompareNoCaseN(const wchar_t* a, const wchar_t* b, size_t n);
inline bool EqualsNoCaseN(const wchar_t* a, const wchar_t* b, size_t n) { return CompareNoCaseN(a, b, n) == 0; }
inline int CompareNoCaseN(const std::wstring& a, const std::wstring& b, size_t n)
{
    return CompareNoCaseN(a.c_str(), b.c_str(), n);
}
inline bool EqualsNoCaseN(const std::wstring& a, const std::wstring& b, size_t n)
{
    return CompareNoCaseN(a, b, n) == 0;
}

// U+3000, CR, LF and TAB.
inline bool IsSpaceTabCrLfOrIdeographicSpace(wchar_t c)
{
    return c == 0x3000 || c == L'\r' || c == L'\n' || c == L'\t';
}

// The control's text trimmed of white space and CR, then of ideographic
// spaces, CR, LF and TAB. An empty text raises my::CCtrlException with
// messageId and the control; an unreadable control raises IDS_GET_CONTROL_TEXT_FAILED with its id.
std::wstring GetControlTextRequired(UINT messageId, HWND control);
void GetControlTextRequired(std::wstring& text, UINT messageId, HWND control);

// The window rectangle in its parent's client coordinates; false without a
// parent or when the rectangle cannot be read.
bool GetChildRect(HWND hwnd, RECT& rect);
bool ScreenToClientRect(HWND hwnd, RECT& rect);
// (right - width, top) of the child's rectangle in its parent.
POINT GetChildTopRightAnchor(HWND hwnd, int width);
// 0: position; 1: the far edge (position + outer - inner); 2: centred.
int AlignOffset(int mode, int position, int outer, int inner);

// Monitor information; each query returns false when no monitor is found or
// its information cannot be read.
class CMonitorInfo : public MONITORINFOEXW {
public:
    CMonitorInfo();
    bool FromHandle(HMONITOR monitor);
    bool FromRect(const RECT& rect, DWORD flags = MONITOR_DEFAULTTONEAREST);
    bool FromPoint(POINT pt, DWORD flags = MONITOR_DEFAULTTONEAREST);
    // The cursor position of the last message.
    bool FromCursorPos(DWORD flags = MONITOR_DEFAULTTONEAREST);
    bool FromWindow(HWND hwnd, DWORD flags = MONITOR_DEFAULTTONEAREST);
    bool Primary();
    static POINT GetMessagePoint();
    // "<device>, Flags: <n>, rcMonitor: (l, t)-(r, b), rcWork: (l, t)-(r, b)"
    std::wstring ToString() const;
};

// "(x, y)" in decimal.
std::wostream& operator<<(std::wostream& os, const POINT& pt);

// Holds a window's drawing off for a batch of changes, then has the whole
// window drawn once. A window that is not shown is left alone: WM_SETREDRAW
// TRUE makes a hidden window visible, before it is laid out and without being
// shown (a later ShowWindow then does nothing). So is one already held off:
// its holder draws it.
class CRedrawSuspension {
public:
    explicit CRedrawSuspension(HWND window) : m_window(::IsWindowVisible(window) ? window : nullptr)
    {
        if (m_window)
            ::SendMessageW(m_window, WM_SETREDRAW, FALSE, 0);
    }
    ~CRedrawSuspension()
    {
        if (!m_window)
            return;
        ::SendMessageW(m_window, WM_SETREDRAW, TRUE, 0);
        ::RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    CRedrawSuspension(const CRedrawSuspension&) = delete;
    CRedrawSuspension& operator=(const CRedrawSuspension&) = delete;

private:
    HWND m_window;
};
