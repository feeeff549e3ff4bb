// The library's process-wide values: lookup lists, preloaded texts, the
// Windows version flags and the application information. Each is built on
// first use (a function-local static, so the order of static initialisation
// across files never matters); InitLibraryGlobals builds them all at once, in
// a fixed order, on the program's first thread before any other starts, and
// from inside the entry point's error handling, so a missing text is
// reported instead of ending the process before main.
#pragma once
#include <windows.h>
#include <string>

void InitLibraryGlobals();

// "斜体" / "Italic" (IDS_FONT_ITALIC) and "未定義" / "Undefined" (IDS_UNDEFINED).
const std::wstring& GetItalicLabel();
const std::wstring& GetUndefinedLabel();

// VerifyVersionInfoW: Windows 6.<minor> or later (major compared before minor).
bool IsWindows6OrLater(UINT minor);

// The three answers for 6.0, 6.1 and 6.2, asked once.
struct CWindowsVersionFlags {
    bool atLeast60 = false;
    bool atLeast61 = false;
    bool atLeast62 = false;
};
const CWindowsVersionFlags& GetWindowsVersionFlags();
