#include "ui/WindowUtil.h"
#include "foundation/Error.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "foundation/TextDecode.h"
#include "resources/strings_foundation.h"
#include <cstdarg>
#include <ostream>
#include <sstream>
#include <vector>

HRESULT GetWindowFrameRect(HWND hwnd, RECT& rect)
{
    typedef HRESULT(WINAPI * GetAttribute)(HWND, DWORD, void*, DWORD);
    const DWORD kExtendedFrameBounds = 9;
    if (HMODULE dwm = ::GetModuleHandleW(L"dwmapi.dll")) {
        GetAttribute get = reinterpret_cast<GetAttribute>(
            reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmGetWindowAttribute")));
        RECT frame;
        // Fails without composition (and always under Wine): the window rectangle then.
        if (get && SUCCEEDED(get(hwnd, kExtendedFrameBounds, &frame, sizeof frame))) {
            rect = frame;
            return S_OK;
        }
    }
    if (!::GetWindowRect(hwnd, &rect))
        return HResultFromLastError();
    return S_OK;
}

bool GetWindowTextString(HWND hwnd, std::wstring& text)
{
    int n = ::GetWindowTextLengthW(hwnd);
    std::vector<wchar_t> buffer(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    int got = ::GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
    text.assign(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
    return true;
}

bool GetWindowTextTrim(HWND hwnd, std::wstring& text, bool trim)
{
    GetWindowTextString(hwnd, text);
    if (trim)
        TrimIf(text, IsSpaceOrCr);
    return true;
}

bool SetWindowTextIfChanged(HWND hwnd, const std::wstring& text, bool skipIfSame, bool convertLf)
{
    const std::wstring value = convertLf ? ConvertLfToCrLf(text) : text;
    if (skipIfSame) {
        std::wstring current;
        GetWindowTextString(hwnd, current);
        if (current == value)
            return true;
    }
    return ::SetWindowTextW(hwnd, value.c_str()) != FALSE;
}

bool SetWindowTextRes(HWND hwnd, UINT id, bool skipIfSame, bool convertLf)
{
    std::wstring text;
    if (id)
        AssignResourceString(text, id);
    return SetWindowTextIfChanged(hwnd, text, skipIfSame, convertLf);
}

bool SetWindowTextWithPrefix(HWND hwnd, UINT id1, UINT id2)
{
    std::wstring current;
    GetWindowTextTrim(hwnd, current, true);
    return SetWindowTextIfChanged(hwnd, LoadResourceString(id1) + LoadResourceString(id2) + current, true, false);
}

bool SetWindowTextWithSuffix(HWND hwnd, UINT id1, UINT id2)
{
    std::wstring current;
    GetWindowTextTrim(hwnd, current, true);
    return SetWindowTextIfChanged(hwnd, current + LoadResourceString(id2) + LoadResourceString(id1), true, false);
}

namespace window_text_detail {

bool FormatMatchesKinds(const std::wstring& format, const std::wstring& kinds)
{
    size_t used = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%')
            continue;
        if (++i >= format.size())
            return false;
        if (format[i] == L'%')
            continue;
        while (i < format.size() && wcschr(L"-+ #0", format[i]))
            ++i;
        while (i < format.size() && (iswdigit(format[i]) || format[i] == L'.'))
            ++i;
        while (i < format.size() && wcschr(L"hlwLI", format[i])) {
            // 64-bit sizes take arguments the window text is never given.
            if (format[i] == L'L' || (format[i] == L'I' && format.compare(i, 3, L"I64") == 0) ||
                (format[i] == L'l' && i + 1 < format.size() && format[i + 1] == L'l'))
                return false;
            ++i;
        }
        if (i >= format.size())
            return false;
        wchar_t kind;
        switch (format[i]) {
        case L'd': case L'i': case L'u': case L'x': case L'X': case L'o': case L'c': case L'C':
            kind = L'i';
            break;
        case L'f': case L'e': case L'E': case L'g': case L'G': case L'a': case L'A':
            kind = L'f';
            break;
        case L's': case L'S':
            kind = L's';
            break;
        default:
            return false;  // %n, %p, '*' and anything unknown
        }
        if (used >= kinds.size() || kinds[used] != kind)
            return false;
        ++used;
    }
    return used == kinds.size();
}

bool SetFormattedText(HWND hwnd, const std::wstring& kinds, ...)
{
    std::wstring format;
    GetWindowTextString(hwnd, format);
    if (!FormatMatchesKinds(format, kinds))
        return false;
    std::vector<wchar_t> buffer(format.size() + 1024, L'\0');
    va_list args;
    va_start(args, kinds);
    // msvcrt's own formatter keeps %s wide; a longer result is cut.
    _vsnwprintf_s(buffer.data(), buffer.size(), _TRUNCATE, format.c_str(), args);
    va_end(args);
    return SetWindowTextIfChanged(hwnd, buffer.data(), true, false);
}

} // namespace window_text_detail

bool GetWindowClassName(HWND hwnd, std::wstring& name)
{
    wchar_t buffer[1024] = L"";
    int n = ::GetClassNameW(hwnd, buffer, 1024);
    name.assign(buffer, static_cast<size_t>(n > 0 ? n : 0));
    return !name.empty();
}

bool IsButtonClassName(const std::wstring& name) { return CompareAsciiNoCase(name.c_str(), L"Button") == 0; }
bool IsEditClassName(const std::wstring& name) { return CompareAsciiNoCase(name.c_str(), L"Edit") == 0; }
bool IsEditableListBoxClassName(const std::wstring& name) { return CompareAsciiNoCase(name.c_str(), L"EditableListBox") == 0; }
bool IsComboBoxClassName(const std::wstring& name) { return CompareAsciiNoCase(name.c_str(), L"ComboBox") == 0; }
bool IsComboBoxExClassName(const std::wstring& name) { return CompareAsciiNoCase(name.c_str(), L"ComboBoxEx32") == 0; }
bool IsReBarClassName(const std::wstring& name) { return CompareAsciiNoCase(name.c_str(), L"ReBarWindow32") == 0; }
bool IsToolbarClassName(const std::wstring& name) { return CompareAsciiNoCase(name.c_str(), L"ToolbarWindow32") == 0; }

bool IsEditWindow(HWND hwnd)
{
    std::wstring name;
    return hwnd && GetWindowClassName(hwnd, name) && IsEditClassName(name);
}

bool IsLaterSibling(HWND hwnd, HWND other)
{
    if (!hwnd || other == hwnd)
        return false;
    for (HWND next = ::GetWindow(hwnd, GW_HWNDNEXT); next; next = ::GetWindow(next, GW_HWNDNEXT))
        if (next == other)
            return true;
    return false;
}

int CompareNoCaseN(const wchar_t* a, const wchar_t* b, size_t n)
{
    return _wcsnicmp_l(a, b, n, GetComparisonLocale());
}

void GetControlTextRequired(std::wstring& text, UINT messageId, HWND control)
{
    std::wstring read;
    if (!::IsWindow(control)) {
        // Built with its text at once: the message's "%s" must never go unfilled.
        my::CCtrlException e(nullptr, 0);
        e.Set(IDS_GET_CONTROL_TEXT_FAILED, NumberToWString(::GetDlgCtrlID(control)));
        e.control = control;
        throw e;
    }
    GetWindowTextString(control, read);
    TrimIf(read, IsSpaceOrCr);
    TrimIf(read, IsSpaceTabCrLfOrIdeographicSpace);
    if (read.empty())
        throw my::CCtrlException(control, messageId);
    text = read;
}

std::wstring GetControlTextRequired(UINT messageId, HWND control)
{
    std::wstring text;
    GetControlTextRequired(text, messageId, control);
    return text;
}

bool GetChildRect(HWND hwnd, RECT& rect)
{
    HWND parent = ::GetParent(hwnd);
    if (!parent || !::GetWindowRect(hwnd, &rect))
        return false;
    // A failing conversion leaves screen coordinates.
    ScreenToClientRect(parent, rect);
    return true;
}

bool ScreenToClientRect(HWND hwnd, RECT& rect)
{
    return ::ScreenToClient(hwnd, reinterpret_cast<POINT*>(&rect)) &&
           ::ScreenToClient(hwnd, reinterpret_cast<POINT*>(&rect) + 1);
}

POINT GetChildTopRightAnchor(HWND hwnd, int width)
{
    RECT r = {0, 0, 0, 0};
    if (!GetChildRect(hwnd, r))
        r = RECT{0, 0, 0, 0};
    return POINT{r.right - width, r.top};
}

int AlignOffset(int mode, int position, int outer, int inner)
{
    switch (mode) {
    case 1:
        return position + outer - inner;
    case 2:
        return position + (outer - inner) / 2;
    default:
        return position;
    }
}

CMonitorInfo::CMonitorInfo() : MONITORINFOEXW() { cbSize = sizeof(MONITORINFOEXW); }

bool CMonitorInfo::FromHandle(HMONITOR monitor)
{
    cbSize = sizeof(MONITORINFOEXW);
    return monitor && ::GetMonitorInfoW(monitor, this);
}

bool CMonitorInfo::FromRect(const RECT& rect, DWORD flags) { return FromHandle(::MonitorFromRect(&rect, flags)); }
bool CMonitorInfo::FromPoint(POINT pt, DWORD flags) { return FromHandle(::MonitorFromPoint(pt, flags)); }
bool CMonitorInfo::FromCursorPos(DWORD flags) { return FromPoint(GetMessagePoint(), flags); }
bool CMonitorInfo::FromWindow(HWND hwnd, DWORD flags) { return FromHandle(::MonitorFromWindow(hwnd, flags)); }

bool CMonitorInfo::Primary()
{
    // A point on no monitor at all, so the default always decides.
    const POINT nowhere = {static_cast<LONG>(0x80000000), static_cast<LONG>(0x80000000)};
    return FromPoint(nowhere, MONITOR_DEFAULTTOPRIMARY);
}

POINT CMonitorInfo::GetMessagePoint()
{
    DWORD pos = ::GetMessagePos();
    return POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
}

std::wostream& operator<<(std::wostream& os, const POINT& pt)
{
    return os << std::dec << L"(" << pt.x << L", " << pt.y << L")";
}

namespace {
std::wostream& WriteRect(std::wostream& os, const RECT& r)
{
    return os << POINT{r.left, r.top} << L"-" << POINT{r.right, r.bottom};
}
} // namespace

std::wstring CMonitorInfo::ToString() const
{
    std::wostringstream os;
    os << szDevice << L", Flags: " << std::dec << dwFlags << L", rcMonitor: ";
    WriteRect(os, rcMonitor) << L", rcWork: ";
    WriteRect(os, rcWork);
    return os.str();
}
