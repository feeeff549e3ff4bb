#include "foundation/ShellOps.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_shell.h"
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
    // An existing folder too long to hold files, made as another program can (the \\?\ form).
    const std::wstring tooLong = temp.File(std::wstring(kMaxFolderPath - temp.Path().size(), L'l'));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + tooLong).c_str(), nullptr));
    struct Case {
        std::wstring path;
        DWORD code;
        UINT raised;  // by CreateFolder
    } const cases[] = {
        {temp.File(L"a\\b\\c"), 0, 0},
        {temp.File(L"a\\b\\c"), 0, 0},  // an existing folder counts
        {L"C:\\", 0, 0},                // a root is never created
        {missingDrive, ERROR_ACCESS_DENIED, IDS_CREATE_FOLDER_FAILED},
        {file, ERROR_ALREADY_EXISTS, IDS_CREATE_FOLDER_FAILED},  // a file is no folder
        {tooLong, ERROR_FILENAME_EXCED_RANGE, IDS_FOLDER_TOO_LONG_FOR_FILES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.path));
        EXPECT_EQ(c.code, TryCreateFolder(c.path));
        EXPECT_EQ(c.raised, ThrownId([&] { CreateFolder(c.path); }));
    }
    EXPECT_EQ(CSimpleErr::Format(IDS_FOLDER_TOO_LONG_FOR_FILES, std::to_wstring(kMaxFolderPath), tooLong + L"\\"),
              ThrownError([&] { CreateParentFolder(tooLong + L"\\name.png"); }).message);
    EXPECT_TRUE(GetFileAttributesW(temp.File(L"a\\b\\c").c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    my::CException e = ThrownError([&] { CreateFolder(file + L"\\sub"); });
    EXPECT_EQ(IDS_CREATE_FOLDER_FAILED, e.id);
    EXPECT_NE(0, e.code);
    EXPECT_NE(std::wstring::npos, e.message.find(L"フォルダーの作成に失敗しました - "));
    EXPECT_NE(std::wstring::npos, e.message.find(file + L"\\sub"));
}

// A folder path longer than the system takes is refused before any of its
// folders is made: the shell would make the parents and fail at the last.
TEST(ShellOps, ATooLongFolderPathMakesNoFolder)
{
    CTempFolder temp;
    const std::wstring base = temp.File(L"");
    struct Case { std::wstring path; bool tooLong; } const cases[] = {
        {L"C:\\" + std::wstring(kMaxFolderPath - 3, L'a'), false},
        {L"C:\\" + std::wstring(kMaxFolderPath - 2, L'a'), true},
        {L"C:\\a\\" + std::wstring(kMaxFolderPath - 5, L'b') + L"\\", false},
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

TEST(ShellOps, ShellErrorsMapToWin32Codes)
{
    struct Case {
        UINT_PTR result;
        DWORD code;
    } const cases[] = {
        {0, 14}, {8, 14}, {2, 2}, {3, 3}, {5, 5}, {11, 11}, {26, 32}, {27, 1155}, {31, 1155}, {28, 1460},
        {29, 1156}, {30, 170}, {32, 1157}, {1, 1}, {4, 1}, {12, 1}, {25, 1}, {33, 0}, {42, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, ShellErrorToWin32(reinterpret_cast<HINSTANCE>(c.result))) << c.result;
}

TEST(ShellOps, SelectingAMissingFileStartsNothing)
{
    CTempFolder temp;
    my::CException e = ThrownError([&] { OpenFolderAndSelect(temp.File(L"missing.png")); });
    EXPECT_EQ(UINT(IDS_SHELL_EXECUTE_FAILED), e.id);
    EXPECT_EQ(HRESULT(0x80070003), e.code);
    EXPECT_NE(std::wstring::npos, e.message.find(temp.File(L"missing.png")));
}

TEST(ShellOps, ParentFoldersAndFileOperations)
{
    CTempFolder temp;
    EXPECT_EQ(DWORD(ERROR_BAD_PATHNAME), TryCreateParentFolder(L""));
    EXPECT_EQ(0u, TryCreateParentFolder(temp.File(L"p\\q\\file.txt")));
    EXPECT_TRUE(GetFileAttributesW(temp.File(L"p\\q").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(0u, TryCreateParentFolder(L"bare-name.txt"));
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(temp.Path().c_str());
    EXPECT_EQ(0u, TryCreateParentFolder(L"r1\\r2\\file.txt"));
    SetCurrentDirectoryW(current);
    EXPECT_TRUE(GetFileAttributesW(temp.File(L"r1\\r2").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(UINT(IDS_CREATE_FOLDER_FAILED), ThrownId([] { CreateParentFolder(L""); }));

    const FILEOP_FLAGS silent = FOF_NO_UI;
    ASSERT_TRUE(WriteFileBytes(temp.File(L"a.txt"), "a"));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"b.txt"), "b"));
    EXPECT_EQ(S_OK, ShellFileOperation(FO_COPY, {temp.File(L"a.txt"), temp.File(L"b.txt")}, temp.File(L"p"), nullptr,
                                  silent));
    EXPECT_EQ("b", ReadFileBytes(temp.File(L"p\\b.txt")));
    EXPECT_EQ(E_FAIL, ShellFileOperation(FO_COPY, {temp.File(L"none.txt")}, temp.File(L"p"), nullptr, silent));

    bool aborted = true;
    EXPECT_EQ(0, DeleteFiles({temp.File(L"a.txt"), temp.File(L"b.txt")}, nullptr, silent, &aborted));
    EXPECT_FALSE(aborted);
    EXPECT_FALSE(FileExists(temp.File(L"a.txt")));
    EXPECT_FALSE(FileExists(temp.File(L"b.txt")));
    EXPECT_EQ(0, DeleteFileByShell(temp.File(L"p\\a.txt"), nullptr, silent, nullptr));
    EXPECT_FALSE(FileExists(temp.File(L"p\\a.txt")));
    EXPECT_TRUE(FileExists(temp.File(L"p\\b.txt")));
}

TEST(ShellOps, RunAndWaitGivesTheExitCode)
{
    DWORD exitCode = 0;
    ASSERT_TRUE(RunAndWait(L"cmd.exe", L"/c exit 7", L"", nullptr, SW_HIDE, &exitCode));
    EXPECT_EQ(7u, exitCode);
    EXPECT_FALSE(RunAndWait(L"no-such-program-here.exe", L"", L"", nullptr, SW_HIDE, &exitCode));
}
