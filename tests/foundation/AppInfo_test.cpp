#include "foundation/AppInfo.h"
#include "foundation/Globals.h"
#include "foundation/NamedValues.h"
#include "foundation/ResourceString.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <shlobj.h>

TEST(AppInfo, NamesFolderTitleAndOneTimeSetUp)
{
    CAppInfo info;
    info.ReadVersion(GetModuleFilePath());
    info.SetNames(L"Zevrand", L"Kantelo", L"カンテロ");
    EXPECT_EQ(L"Kantelo32.config", info.GetConfigFileName());
    EXPECT_EQ(L"カンテロ  1.4.2.0", info.GetAppTitleWithVersion());

    CAppInfo fresh;
    fresh.Initialize(IDS_COLOR_WHITE, IDS_COLOR_BLACK, IDS_COLOR_RED, 1);  // any three texts of the table
    wchar_t appData[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(std::wstring(appData) + L"\\" + LoadResourceString(IDS_COLOR_WHITE) + L"\\" + LoadResourceString(IDS_COLOR_BLACK),
              fresh.GetDataFolder());
    EXPECT_EQ(fresh.GetDataFolder() + L"\\" + LoadResourceString(IDS_COLOR_BLACK) + L"32.config", fresh.GetConfigFilePath());
    fresh.Initialize(IDS_COLOR_GRAY, IDS_COLOR_GRAY, IDS_COLOR_GRAY, 1);  // a second call changes nothing
    EXPECT_EQ(LoadResourceString(IDS_COLOR_WHITE), fresh.GetMakerName());
    EXPECT_EQ(LoadResourceString(IDS_COLOR_RED) + L"  1.4.2.0", fresh.GetAppTitleWithVersion());
}

TEST(Globals, BuiltOnceWithTheirContents)
{
    // Strings load from the program itself until something says otherwise.
    EXPECT_EQ(GetModuleHandleW(nullptr), GetResourceInstance());
    InitLibraryGlobals();
    EXPECT_EQ(L"斜体", GetItalicLabel());
    EXPECT_EQ(L"未定義", GetUndefinedLabel());
    EXPECT_EQ(12u, GetNamedColors().size());
    const CWindowsVersionFlags& flags = GetWindowsVersionFlags();
    EXPECT_TRUE(flags.atLeast60);
    EXPECT_EQ(IsWindows6OrLater(1), flags.atLeast61);
    EXPECT_EQ(IsWindows6OrLater(2), flags.atLeast62);
    EXPECT_FALSE(IsWindows6OrLater(2) && !IsWindows6OrLater(1));
}
