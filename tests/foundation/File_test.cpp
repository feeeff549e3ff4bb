#include "foundation/File.h"
#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

std::string Bytes(size_t n, char seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>(seed + i * 7);
    return s;
}

} // namespace

TEST(File, FailedCallWithoutLastErrorIsNotSuccess)
{
    struct Case { DWORD lastError; HRESULT expected; } cases[] = {
        {0, E_FAIL},
        {ERROR_FILE_NOT_FOUND, static_cast<HRESULT>(0x80070002)},
        {static_cast<DWORD>(0x80004005), static_cast<HRESULT>(0x80004005)},
    };
    for (const Case& c : cases) {
        SetLastError(c.lastError);
        EXPECT_EQ(c.expected, FailedCallResult()) << c.lastError;
    }
}

TEST(File, OpenFailureMessageCarriesSystemTextAndPath)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"missing.bin");
    CFile file;
    try {
        file.OpenRead(path);
        FAIL() << "no exception";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_OPEN_FILE_FAILED), e.id);
        EXPECT_EQ(static_cast<HRESULT>(0x80070002), e.code);
        std::wstring sys = SystemText(e.code);
        ASSERT_FALSE(sys.empty());
        EXPECT_EQ(L"ファイルが開けませんでした - " + sys + L"\n\n" + path, e.message);
    }
    EXPECT_FALSE(file.IsOpen());
}

TEST(File, ThrowingFormsRaiseTheirIds)
{
    CTempFolder dir;
    std::wstring existing = dir.File(L"here.txt");
    ASSERT_TRUE(WriteFileBytes(existing, "x"));
    std::wstring missing = dir.File(L"none\\a.txt");
    struct Case {
        const char* name;
        std::function<void(CFile&)> call;
        UINT id;
    } cases[] = {
        {"OpenRead", [&](CFile& f) { f.OpenRead(missing); }, IDS_OPEN_FILE_FAILED},
        {"OpenWrite", [&](CFile& f) { f.OpenWrite(missing); }, IDS_OPEN_FILE_FAILED},
        {"OpenDirectory", [&](CFile& f) { f.OpenDirectory(missing); }, IDS_OPEN_FILE_FAILED},
        {"CreateAlways", [&](CFile& f) { f.CreateAlways(missing); }, IDS_CREATE_FILE_FAILED},
        {"CreateNew", [&](CFile& f) { f.CreateNew(existing); }, IDS_CREATE_FILE_FAILED},
        {"SeekToStart", [&](CFile& f) { f.SeekToStart(); }, IDS_SEEK_FILE_FAILED},
        {"SetEndOfFile", [&](CFile& f) { f.SetEndOfFile(); }, IDS_SET_END_OF_FILE_FAILED},
        {"GetSize", [&](CFile& f) { ULONGLONG s; f.GetSize(s); }, IDS_GET_FILE_SIZE_FAILED},
        {"Write", [&](CFile& f) { f.Write("a", 1); }, IDS_WRITE_FILE_FAILED},
        {"WriteString", [&](CFile& f) { f.Write(std::string("a")); }, IDS_WRITE_FILE_FAILED},
    };
    for (const Case& c : cases) {
        CFile file;
        try {
            c.call(file);
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const my::CException& e) {
            EXPECT_EQ(c.id, e.id) << c.name;
            EXPECT_TRUE(FAILED(e.code)) << c.name;
        }
    }
}

TEST(File, WriteOfNothingMakesNoCall)
{
    CFile closed;
    EXPECT_NO_THROW(closed.Write("", 0));
    EXPECT_THROW(closed.Write("a", 1), my::CException);
}

TEST(File, SecondOpenReleasesTheFirstHandle)
{
    CTempFolder dir;
    std::wstring a = dir.File(L"a.txt"), b = dir.File(L"b.txt");
    CFile file;
    file.CreateAlways(a);
    file.CreateAlways(b);
    // The first handle shared reading only: a leaked one would refuse writers.
    CFile again;
    EXPECT_EQ(S_OK, again.TryCreateAlways(a.c_str()));
}

TEST(File, ReadAllHonoursItsLimit)
{
    CTempFolder dir;
    struct Case { size_t size; int limit; HRESULT expected; } cases[] = {
        {0, 32000, S_OK},
        {32000, 32000, S_OK},
        {32001, 32000, static_cast<HRESULT>(0x800700EA)},
        {32001, 0, S_OK},
        {32001, -1, S_OK},
        {5, 4, static_cast<HRESULT>(0x800700EA)},
    };
    for (const Case& c : cases) {
        std::wstring path = dir.File(L"r.bin");
        std::string content = Bytes(c.size, 'a');
        ASSERT_TRUE(WriteFileBytes(path, content));
        CFile file;
        file.OpenRead(path);
        std::vector<unsigned char> bytes(3, 9);
        EXPECT_EQ(c.expected, file.TryReadAll(bytes, c.limit)) << c.size << "/" << c.limit;
        if (c.expected == S_OK) {
            EXPECT_EQ(content, std::string(bytes.begin(), bytes.end())) << c.size;
        }
    }
}

TEST(File, ReadAllKeepsOnlyWhatWasRead)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"r.bin");
    ASSERT_TRUE(WriteFileBytes(path, "abcdef"));
    CFile file;
    file.OpenRead(path);
    char two[2];
    DWORD got = 0;
    ASSERT_EQ(S_OK, file.TryRead(two, 2, &got));
    std::vector<unsigned char> rest;
    ASSERT_EQ(S_OK, file.TryReadAll(rest, 0));
    EXPECT_EQ("cdef", std::string(rest.begin(), rest.end()));

    std::string all;
    ASSERT_EQ(S_OK, file.TryReadAllToString(all));
    EXPECT_EQ("abcdef", all);
}

TEST(File, WriteThenSizeAndTruncate)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"w.bin");
    {
        CFile file;
        file.CreateAlways(path);
        file.Write("hello", 5);
        file.Write(std::vector<unsigned char>{' ', 'w'});
        file.Write(std::string("orld"));
        ULONGLONG size = 0;
        file.GetSize(size);
        EXPECT_EQ(11u, size);
    }
    EXPECT_EQ("hello world", ReadFileBytes(path));
    {
        CFile file;
        file.OpenWrite(path);
        file.SeekToStart();
        file.Write("HE", 2);
        file.SetEndOfFile();
    }
    EXPECT_EQ("HE", ReadFileBytes(path));
    ULONGLONG size = 0;
    EXPECT_EQ(S_OK, GetFileSizeByPath(path.c_str(), size));
    EXPECT_EQ(2u, size);
    EXPECT_EQ(static_cast<HRESULT>(0x80070002), GetFileSizeByPath(dir.File(L"no").c_str(), size));
}

TEST(File, CompareContents)
{
    CTempFolder dir;
    // Sizes straddle the 1 MiB chunk so that a later chunk decides.
    const size_t big = 1048576 + 1000;
    std::string base = Bytes(big, 'q');
    std::string lastDiffers = base;
    lastDiffers[big - 1] ^= 1;
    struct Case { const char* name; std::string a, b; bool equal; int prefix; } cases[] = {
        {"both empty", "", "", true, 2},
        {"empty before data", "", "abc", false, 1},
        {"longer than other", "abcd", "abc", false, 0},
        {"short prefix", "ab", "abc", false, 1},
        {"same", "abc", "abc", true, 2},
        {"different", "abd", "abc", false, 0},
        {"big same", base, base, true, 2},
        {"big last byte", base, lastDiffers, false, 0},
        {"prefix over a chunk", base.substr(0, 1048576 + 10), base, false, 1},
        {"chunk-sized prefix", base.substr(0, 1048576), base, false, 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.File(L"a"), c.a));
        ASSERT_TRUE(WriteFileBytes(dir.File(L"b"), c.b));
        CFile a, b;
        a.OpenRead(dir.File(L"a"));
        b.OpenRead(dir.File(L"b"));
        EXPECT_EQ(c.equal, a.Equals(b)) << c.name;
        EXPECT_EQ(c.prefix, a.ComparePrefix(b)) << c.name;
    }
    CFile open, closed;
    open.OpenRead(dir.File(L"a"));
    EXPECT_FALSE(open.Equals(closed));
    EXPECT_EQ(0, open.ComparePrefix(closed));
}

TEST(File, FolderAndFileHelpers)
{
    CTempFolder dir;
    std::wstring tree = dir.File(L"tree");
    ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((tree + L"\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(tree + L"\\sub\\x.txt", "x"));
    DeleteFolderOrThrow(tree);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree.c_str()));

    try {
        DeleteFolderOrThrow(L"");
        ADD_FAILURE() << "empty path accepted";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_DELETE_FOLDER_FAILED), e.id);
    }
    EXPECT_THROW(DeleteFolderOrThrow(tree), my::CException);

    std::wstring a = dir.File(L"a.txt"), b = dir.File(L"b.txt");
    CreateNewFileOrThrow(a);
    EXPECT_EQ("", ReadFileBytes(a));
    try {
        CreateNewFileOrThrow(a);
        ADD_FAILURE() << "existing file replaced";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_CREATE_FILE_FAILED), e.id);
    }

    ASSERT_TRUE(WriteFileBytes(a, "first"));
    CopyFileOrThrow(a, b, true);
    EXPECT_EQ("first", ReadFileBytes(b));
    try {
        CopyFileOrThrow(a, b, true);
        ADD_FAILURE() << "copy over an existing file";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_COPY_FILE_FAILED), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(a + L"\n->\n" + b));
    }

    ASSERT_TRUE(WriteFileBytes(a, "second"));
    MoveFileOrThrow(a, b);  // replaces the target
    EXPECT_EQ("second", ReadFileBytes(b));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(a.c_str()));
    try {
        MoveFileOrThrow(a, b);
        ADD_FAILURE() << "moved a missing file";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_MOVE_FILE_FAILED), e.id);
        EXPECT_EQ(static_cast<HRESULT>(0x80070002), e.code);
    }

    DeleteFileOrThrow(b);
    try {
        DeleteFileOrThrow(b);
        ADD_FAILURE() << "deleted a missing file";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_DELETE_FILE_FAILED), e.id);
        EXPECT_EQ(static_cast<HRESULT>(0x80070002), e.code);
    }
}
