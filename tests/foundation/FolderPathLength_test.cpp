#include "foundation/ShellOps.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

// A folder path longer than the system takes is refused before any of its
// folders is made: the shell would make the parents and fail at the last.
TEST(FolderPathLength, ATooLongPathMakesNoFolder)
{
    CTempFolder temp;
    const std::wstring base = temp.File(L"");
    struct Case { std::wstring path; bool tooLong; } const cases[] = {
        {L"C:\\" + std::wstring(kMaxFolderPath - 3, L'a'), false},
        {L"C:\\" + std::wstring(kMaxFolderPath - 2, L'a'), true},
        {L"C:\\a\\" + std::wstring(kMaxFolderPath - 5, L'b') + L"\\", false},
        {L"C:\\" + std::wstring(kMaxPathComponent + 1, L'c'), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.tooLong, IsFolderPathTooLong(c.path)) << c.path.size();

    const std::wstring parent = base + L"parent";
    std::wstring deep = parent;
    while (deep.size() <= kMaxFolderPath)
        deep += L"\\" + std::wstring(40, L'x');
    EXPECT_EQ(DWORD(ERROR_FILENAME_EXCED_RANGE), TryCreateFolder(deep));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(parent.c_str()));
    EXPECT_EQ(0u, TryCreateFolder(parent + L"\\" + std::wstring(40, L'x')));
}
