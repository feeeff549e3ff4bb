#include "foundation/Globals.h"
#include "foundation/AppInfo.h"
#include "foundation/NamedValues.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include "resources/strings_outline.h"

const std::wstring& GetItalicLabel()
{
    static const std::wstring text = LoadResourceString(IDS_FONT_ITALIC);
    return text;
}

const std::wstring& GetUndefinedLabel()
{
    static const std::wstring text = LoadResourceString(IDS_UNDEFINED);
    return text;
}

bool IsWindows6OrLater(UINT minor)
{
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = 6;
    info.dwMinorVersion = minor;
    DWORDLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
}

const CWindowsVersionFlags& GetWindowsVersionFlags()
{
    static const CWindowsVersionFlags flags = [] {
        CWindowsVersionFlags f;
        f.atLeast60 = IsWindows6OrLater(0);
        f.atLeast61 = IsWindows6OrLater(1);
        f.atLeast62 = IsWindows6OrLater(2);
        return f;
    }();
    return flags;
}

void InitLibraryGlobals()
{
    GetComparisonLocale();
    GetItalicLabel();
    GetUndefinedLabel();
    GetNamedColors();
    GetImageFitTypeNames();
    GetPixelFormatNames();
    GetJpegQualityPresets();
    GetWindowsVersionFlags();
    GetAppInfo();
}
