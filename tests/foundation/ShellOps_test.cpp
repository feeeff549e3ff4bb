#include "foundation/ShellOps.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_foundation_io.h"
#include <gtest/gtest.h>

TEST(ShellOps, CreateFolderWithItsParents)
{
    CTempFolder temp;
    std::wstring file = temp.File(L"file");
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    wchar_t missingDrive[] = L"?:\\";
    DWORD drives = GetLogicalDrives();
    for (int i = 25; i >= 2 && missingDrive[0] == L'?'; --i) {
        if (!(drives & (1u << i)))
            missingDrive[0] = static_cast<wchar_t>(L'A' + i);
    }
    struct Case {
        std::wstring path;
        DWORD code;
    } const cases[] = {
        {temp.File(L"a\\b\\c"), 0},
        {temp.File(L"a\\b\\c"), 0},  // an existing folder counts
        {L"C:\\", 0},                // a root is never created
        {missingDrive, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.path));
        EXPECT_EQ(c.code, TryCreateFolder(c.path));
    }
    EXPECT_TRUE(GetFileAttributesW(temp.File(L"a\\b\\c").c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    my::CException e = ThrownError([&] { CreateFolder(file + L"\\sub"); });
    EXPECT_EQ(IDS_CREATE_FOLDER_FAILED, e.id);
    EXPECT_NE(0, e.code);
    EXPECT_NE(std::wstring::npos, e.message.find(L"フォルダーの作成に失敗しました - "));
    EXPECT_NE(std::wstring::npos, e.message.find(file + L"\\sub"));
}
