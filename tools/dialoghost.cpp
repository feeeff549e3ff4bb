// A stand-in program for trying the UI driver and taking pictures of the
// dialog templates without the program's own windows. Not shipped.
//
//   dialoghost.exe [--fill] [--message TEXT] [--at X Y] ID
//
// Shows dialog template ID of its resources modeless; a child template (a page
// of the paint dialog) is shown inside a modeless property sheet. --fill puts
// the items "一", "二" and "三" into every combo box and list box; --message
// shows a message box before the dialog; --at puts the window's top left
// corner at X, Y of the screen (past its edge too). Every command that reaches the dialog
// (a control's notification other than a focus change, a menu command) is
// echoed at the end of the window title as "[code id]". OK and Cancel close the window; the exit code
// is the id of the button that closed it (2 for the close box), 3 when the
// template cannot be shown.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

bool g_fill = false;
std::wstring g_title;
int g_exitCode = 2;

void FillLists(HWND dialog)
{
    const wchar_t* items[] = {L"一", L"二", L"三"};
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32] = L"";
        GetClassNameW(child, cls, 32);
        const bool combo = _wcsicmp(cls, L"ComboBox") == 0;
        const bool list = _wcsicmp(cls, L"ListBox") == 0;
        // A list without stored strings only knows its count.
        if (list && (GetWindowLongW(child, GWL_STYLE) & LBS_NODATA))
            continue;
        for (const wchar_t* item : items) {
            if (combo)
                SendMessageW(child, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            else if (list)
                SendMessageW(child, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
    }
}

// Focus changes come from whatever else happens on the display (another
// program's window taking the activation), not from the control's user: they
// are not echoed. A combo box that loses the focus also reports its list as
// closed without a choice, though the list was never open.
bool IsFocusNote(HWND control, WORD code)
{
    wchar_t cls[32] = L"";
    if (!control || !GetClassNameW(control, cls, 32))
        return false;
    if (_wcsicmp(cls, L"ComboBox") == 0)
        return code == CBN_SETFOCUS || code == CBN_KILLFOCUS || code == CBN_SELENDCANCEL;
    if (_wcsicmp(cls, L"ListBox") == 0)
        return code == LBN_SETFOCUS || code == LBN_KILLFOCUS;
    if (_wcsicmp(cls, L"Edit") == 0)
        return code == EN_SETFOCUS || code == EN_KILLFOCUS;
    if (_wcsicmp(cls, L"Button") == 0)
        return code == BN_SETFOCUS || code == BN_KILLFOCUS;
    return false;
}

// Called from the dialog procedure: nothing thrown may leave it.
void Echo(HWND top, WORD code, WORD id)
{
    try {
        wchar_t tail[40];
        swprintf(tail, 40, L" [%u %u]", static_cast<unsigned>(code), static_cast<unsigned>(id));
        SetWindowTextW(top, (g_title + tail).c_str());
    } catch (...) {
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (g_fill)
            FillLists(dialog);
        return TRUE;
    case WM_COMMAND: {
        const WORD id = LOWORD(wParam), code = HIWORD(wParam);
        const bool child = (GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD) != 0;
        if (!child && (id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
            g_exitCode = id;
            DestroyWindow(dialog);
            return TRUE;
        }
        if (!IsFocusNote(reinterpret_cast<HWND>(lParam), code))
            Echo(child ? GetParent(dialog) : dialog, code, id);
        return FALSE;
    }
    case WM_CLOSE:
        DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(g_exitCode);
        return FALSE;
    }
    return FALSE;
}

// Whether template id is a child window (a page), read from its header.
bool IsChildTemplate(HINSTANCE instance, UINT id, bool& found)
{
    found = false;
    HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    const BYTE* data = info ? static_cast<const BYTE*>(LockResource(LoadResource(instance, info))) : nullptr;
    if (!data || SizeofResource(instance, info) < 16)
        return false;
    found = true;
    DWORD style;
    const WORD* words = reinterpret_cast<const WORD*>(data);
    if (words[0] == 1 && words[1] == 0xFFFF)
        std::memcpy(&style, data + 12, sizeof style);  // DLGTEMPLATEEX
    else
        std::memcpy(&style, data, sizeof style);
    return (style & WS_CHILD) != 0;
}

int CALLBACK SheetCallback(HWND, UINT message, LPARAM lParam)
{
    // No help button: the template asks for one that nothing answers.
    if (message == PSCB_PRECREATE) {
        WORD* words = reinterpret_cast<WORD*>(lParam);
        DWORD* style = reinterpret_cast<DWORD*>(words[0] == 1 && words[1] == 0xFFFF ? words + 6 : words);
        *style &= ~DS_CONTEXTHELP;
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    UINT id = 0;
    std::wstring message;
    bool place = false;
    int x = 0, y = 0;
    for (int i = 1; i < __argc; ++i) {
        const std::wstring arg = __wargv[i];
        if (arg == L"--fill")
            g_fill = true;
        else if (arg == L"--message" && i + 1 < __argc)
            message = __wargv[++i];
        else if (arg == L"--at" && i + 2 < __argc) {
            place = true;
            x = static_cast<int>(wcstol(__wargv[++i], nullptr, 10));
            y = static_cast<int>(wcstol(__wargv[++i], nullptr, 10));
        }
        else
            id = static_cast<UINT>(wcstoul(arg.c_str(), nullptr, 10));
    }
    if (!message.empty())
        MessageBoxW(nullptr, message.c_str(), L"dialoghost", MB_OK | MB_ICONINFORMATION);

    bool found = false;
    const bool child = IsChildTemplate(instance, id, found);
    if (!found)
        return 3;
    HWND top = nullptr;
    if (child) {
        PROPSHEETPAGEW page = {};
        page.dwSize = sizeof page;
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEW(id);
        page.pfnDlgProc = DialogProc;
        PROPSHEETHEADERW header = {};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
        header.hInstance = instance;
        header.pszCaption = L"dialoghost";
        header.nPages = 1;
        header.ppsp = &page;
        header.pfnCallback = SheetCallback;
        top = reinterpret_cast<HWND>(PropertySheetW(&header));
    } else {
        top = CreateDialogParamW(instance, MAKEINTRESOURCEW(id), nullptr, DialogProc, 0);
    }
    if (!top)
        return 3;
    wchar_t title[256] = L"";
    GetWindowTextW(top, title, 256);
    g_title = title;
    if (place)
        SetWindowPos(top, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(top, show == SW_HIDE ? SW_SHOWNORMAL : show);

    // A modeless sheet that ends posts nothing: a timer wakes the loop to see it.
    if (child)
        SetTimer(nullptr, 0, 100, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (child) {
            if (PropSheet_IsDialogMessage(top, &msg))
                continue;
        } else if (IsDialogMessageW(top, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        // A modeless sheet closes by losing its page.
        if (child && IsWindow(top) && !PropSheet_GetCurrentPageHwnd(top)) {
            g_exitCode = PropSheet_GetResult(top) > 0 ? IDOK : IDCANCEL;
            DestroyWindow(top);
            PostQuitMessage(g_exitCode);
        }
    }
    return static_cast<int>(msg.wParam);
}
