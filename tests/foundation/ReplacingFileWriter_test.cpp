#include "foundation/ReplacingFileWriter.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int CountFiles(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
    int n = 0;
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++n;
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return n;
}

} // namespace

TEST(ReplacingFileWriter, NewThenReplacedKeepsBackup)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    const std::wstring bak = CReplacingFileWriter::BackupPath(path);

    EXPECT_EQ(S_OK, WriteFileReplacing(path, "one"));
    EXPECT_EQ("one", ReadFileBytes(path));
    EXPECT_FALSE(Exists(bak));
    EXPECT_EQ(1, CountFiles(folder.Path()));  // no temporary left behind

    EXPECT_EQ(S_OK, WriteFileReplacing(path, "two"));
    EXPECT_EQ("two", ReadFileBytes(path));
    EXPECT_EQ("one", ReadFileBytes(bak));

    // The same text again touches nothing: the backup keeps the older text.
    EXPECT_EQ(S_FALSE, WriteFileReplacing(path, "two"));
    EXPECT_EQ("one", ReadFileBytes(bak));
    EXPECT_EQ(2, CountFiles(folder.Path()));

    EXPECT_EQ(S_OK, WriteFileReplacing(path, ""));
    EXPECT_EQ("", ReadFileBytes(path));
    EXPECT_EQ("two", ReadFileBytes(bak));
}

TEST(ReplacingFileWriter, InterruptedWriteLeavesOldFile)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"s.config");
    ASSERT_EQ(S_OK, WriteFileReplacing(path, "old settings"));
    std::wstring leftover;
    {
        CReplacingFileWriter writer(path);
        ASSERT_EQ(S_OK, writer.WriteTemporary("new settings"));
        leftover = writer.TemporaryPath();
        writer.Abandon();  // the process dies before the replace
    }
    EXPECT_EQ("old settings", ReadFileBytes(path));
    EXPECT_EQ("new settings", ReadFileBytes(leftover));
    // A later save is not disturbed by the leftover.
    EXPECT_EQ(S_OK, WriteFileReplacing(path, "newer"));
    EXPECT_EQ("newer", ReadFileBytes(path));
    EXPECT_EQ("old settings", ReadFileBytes(CReplacingFileWriter::BackupPath(path)));

    // A writer dropped without committing removes its temporary.
    {
        CReplacingFileWriter writer(path);
        ASSERT_EQ(S_OK, writer.WriteTemporary("never"));
        leftover = writer.TemporaryPath();
        EXPECT_TRUE(Exists(leftover));
    }
    EXPECT_FALSE(Exists(leftover));
    EXPECT_EQ("newer", ReadFileBytes(path));
}

TEST(ReplacingFileWriter, Failures)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"missing\\s.config");
    EXPECT_TRUE(FAILED(WriteFileReplacing(path, "x")));
    EXPECT_FALSE(Exists(path));
    CReplacingFileWriter writer(folder.File(L"a"));
    EXPECT_EQ(E_UNEXPECTED, writer.Commit());  // nothing written yet
}

TEST(ReplacingFileWriter, WithoutBackup)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"d.knt");
    EXPECT_EQ(S_OK, WriteFileReplacing(path, "one", false));
    EXPECT_EQ(S_OK, WriteFileReplacing(path, "two", false));
    EXPECT_EQ("two", ReadFileBytes(path));
    EXPECT_FALSE(Exists(CReplacingFileWriter::BackupPath(path)));
    EXPECT_EQ(1, CountFiles(folder.Path()));
}
