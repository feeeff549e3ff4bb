#include "foundation/AppInfo.h"
#include "foundation/Globals.h"
#include "foundation/NamedValues.h"
#include "foundation/ResourceString.h"
#include "foundation/VersionInfo.h"
#include "resources/strings_foundation.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <shlobj.h>

TEST(VersionInfo, VersionTextsToNumbers)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        std::vector<DWORD> numbers;
    } const cases[] = {
        {L"2, 4, 1, 0", true, {2, 4, 1, 0}},
        {L"1.5", true, {1, 5, 0, 0}},
        {L"1.4.2.0.9", true, {1, 4, 2, 0}},      // pieces beyond the count are ignored
        {L"+3.\t7 .0,1", true, {3, 7, 0, 1}},
        {L"", true, {0, 0, 0, 0}},
        {L"2.4.x.0", false, {}},
        {L"2.-4", false, {}},
        {L"1.99999999999", false, {}},           // beyond 32 bits
    };
    for (const Case& c : cases) {
        std::vector<DWORD> out;
        EXPECT_EQ(c.ok, ParseVersionNumbers(c.text, 4, out)) << Narrow(c.text);
        if (c.ok) {
            EXPECT_EQ(c.numbers, out) << Narrow(c.text);
        }
    }
}

TEST(VersionInfo, PartsAbove16BitsAreACastError)
{
    WORD words[4];
    my::CException e = ThrownError([&] { NarrowVersionWords({2, 4, 1, 70000}, words); });
    EXPECT_EQ(UINT(IDS_CAST_ERROR), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(L"70000")) << Narrow(e.message);
    NarrowVersionWords({2, 4, 1, 65535}, words);
    EXPECT_EQ(L"2.4.1.65535", FormatVersion(words));
}

TEST(VersionInfo, ReadsTheRunningProgramsResource)
{
    CVersionInfo info;
    info.Load(GetModuleFilePath());
    WORD words[4];
    info.GetProductVersionWords(words);
    EXPECT_EQ(L"1.4.2.0", FormatVersion(words));
    EXPECT_FALSE(info.GetLegalCopyright().empty());
    // A value that no translation holds names every translation at once.
    my::CException e = ThrownError([&] { info.QueryString(L"\\StringFileInfo\\", L"\\NoSuchValue"); });
    EXPECT_EQ(UINT(IDS_VERSION_VALUE_MISSING), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(L"[ALL_TRANSLATES]\\NoSuchValue")) << Narrow(e.message);

    CTempFolder folder;
    WriteFileBytes(folder.File(L"plain.txt"), "no resources here");
    EXPECT_EQ(UINT(IDS_VERSION_SIZE_FAILED), ThrownId([&] { info.Load(folder.File(L"plain.txt")); }));
}

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
