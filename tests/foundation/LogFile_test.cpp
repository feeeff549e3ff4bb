#include "foundation/LogFile.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

namespace {

// The bytes a text must become on disk, computed independently of the stream:
// BOM, then each unit little-endian, LF as CR LF, CR dropped.
std::string Expected(const std::wstring& text)
{
    std::string out("\xFF\xFE", 2);
    for (wchar_t c : text) {
        if (c == L'\r')
            continue;
        if (c == L'\n')
            out.append("\r\0", 2);
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    return out;
}

} // namespace

TEST(Utf16Stream, BytesOnDisk)
{
    CTempFolder dir;
    struct Case { std::wstring text; std::string bytes; } cases[] = {
        {L"a\nb", std::string("\xFF\xFE" "a\0\r\0\n\0b\0", 10)},
        {L"a\r\nb", std::string("\xFF\xFE" "a\0\r\0\n\0b\0", 10)},
        {L"a\rb", std::string("\xFF\xFE" "a\0b\0", 6)},
        {L"", std::string("\xFF\xFE", 2)},
        {L"\n\n", std::string("\xFF\xFE\r\0\n\0\r\0\n\0", 10)},
        {L"\x3042\xD83D\xDE00", std::string("\xFF\xFE\x42\x30\x3D\xD8\x00\xDE", 8)},
    };
    for (const Case& c : cases) {
        std::wstring path = dir.File(L"s.txt");
        {
            utf16_ofstream out;
            out.open(path);
            ASSERT_TRUE(out.good());
            out << c.text;
        }
        EXPECT_EQ(Hex(c.bytes), Hex(ReadFileBytes(path))) << Narrow(c.text);
    }
}

TEST(Utf16Stream, LongTextsArriveWhole)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"long.txt");
    // One insertion far larger than any buffer, then many small ones.
    std::wstring big;
    for (int i = 0; i < 36000; ++i)
        big.push_back(i % 50 == 49 ? L'\n' : static_cast<wchar_t>(L'ぁ' + i % 83));
    std::wostringstream small;
    for (int i = 0; i < 5000; ++i)
        small << i << L' ' << (i % 7 == 0 ? L"\r\n" : L"");
    {
        utf16_ofstream out;
        out.open(path);
        out << big;
        for (int i = 0; i < 5000; ++i)
            out << i << L' ' << (i % 7 == 0 ? L"\r\n" : L"");
        out.close();
        EXPECT_FALSE(out.fail());
    }
    std::string expected = Expected(big + small.str());
    std::string actual = ReadFileBytes(path);
    EXPECT_EQ(expected.size(), actual.size());
    EXPECT_TRUE(expected == actual);
}

TEST(Utf16Stream, ReopenTruncatesAndFailureSetsFailState)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"t.txt");
    utf16_ofstream out;
    out.open(path);
    out << L"a long first text" << std::flush;
    out.close();
    out.open(path);
    out << L"x";
    out.close();
    EXPECT_EQ(std::string("\xFF\xFEx\0", 4), ReadFileBytes(path));

    utf16_ofstream bad;
    bad.open(dir.File(L"no\\such\\folder.txt"));
    EXPECT_TRUE(bad.fail());
    EXPECT_FALSE(bad.is_open());
    bad << L"ignored";
    bad.close();
    EXPECT_TRUE(bad.fail());
}

TEST(LogFile, HundredKilobytesWrittenIntact)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"log.txt");
    ASSERT_TRUE(CLogFile::OpenPath(path));
    std::wostringstream all;
    for (int i = 0; i < 3000; ++i) {
        boost::shared_ptr<CLogFile> log = GetGlobalLog();
        ASSERT_TRUE(log);
        CAutoLock<CAutoCriticalSection> lock(*log);
        *log << L"MoveTo " << i << L" 線 " << i * 0.5 << std::endl;
        all << L"MoveTo " << i << L" 線 " << i * 0.5 << L"\n";
    }
    CLogFile::Close();
    EXPECT_FALSE(GetGlobalLog());
    std::string actual = ReadFileBytes(path);
    EXPECT_GT(actual.size(), 100u * 1024);
    EXPECT_TRUE(Expected(all.str()) == actual);
}

TEST(LogFile, WritersOnSeveralThreadsKeepLinesWhole)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"threads.txt");
    ASSERT_TRUE(CLogFile::OpenPath(path));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 400; ++i) {
                boost::shared_ptr<CLogFile> log = GetGlobalLog();
                CAutoLock<CAutoCriticalSection> lock(*log);
                // Several insertions per line: only the lock keeps them together.
                *log << L"thread " << t << L" line " << i << L" end" << std::endl;
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    CLogFile::Close();

    std::string bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::map<int, int> next;
    size_t lines = 0, pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        ASSERT_NE(std::wstring::npos, end);
        int t = -1, i = -1;
        wchar_t tail[8] = {};
        ASSERT_EQ(3, swscanf(text.substr(pos, end - pos).c_str(), L"thread %d line %d %7ls", &t, &i, tail));
        EXPECT_STREQ(L"end", tail);
        EXPECT_EQ(next[t]++, i);  // each thread's lines in its own order
        ++lines;
        pos = end + 2;
    }
    EXPECT_EQ(1600u, lines);
}

TEST(LogFile, GlobalLogLifecycle)
{
    CTempFolder dir;
    CLogFile::Close();  // nothing open: nothing happens
    EXPECT_FALSE(GetGlobalLog());

    ASSERT_TRUE(CLogFile::OpenPath(dir.File(L"first.txt")));
    boost::shared_ptr<CLogFile> first = GetGlobalLog();
    EXPECT_FALSE(CLogFile::OpenPath(dir.File(L"missing\\second.txt")));
    EXPECT_EQ(first, GetGlobalLog());
    EXPECT_EQ(dir.File(L"first.txt"), first->GetPath());

    // Reopening one log on another path closes the earlier file first.
    ASSERT_TRUE(first->Open(dir.File(L"third.txt")));
    *first << L"x" << std::endl;
    EXPECT_EQ(std::string("\xFF\xFE", 2), ReadFileBytes(dir.File(L"first.txt")));
    CLogFile::Close();
    EXPECT_EQ(std::string("\xFF\xFEx\0\r\0\n\0", 8), ReadFileBytes(dir.File(L"third.txt")));

    ASSERT_TRUE(CLogFile::OpenDefault());
    wchar_t appData[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE));
    std::wstring expected = std::wstring(appData) + L"\\LOG.txt";
    EXPECT_EQ(expected, GetGlobalLog()->GetPath());
    CLogFile::Close();
    EXPECT_EQ(std::string("\xFF\xFE", 2), ReadFileBytes(expected));
    DeleteFileW(expected.c_str());

    CLogFile local;
    ASSERT_TRUE(local.OpenTimestamped(dir.Path()));
    std::wstring name = local.GetPath().substr(dir.Path().size() + 1);
    EXPECT_EQ(28u, name.size()) << Narrow(name);
    local.close();

    // Beside the program file, as the command line names it.
    CLogFile beside;
    ASSERT_TRUE(beside.OpenInProgramFolder(L"knt-log-probe.txt"));
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder(program);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    EXPECT_EQ(0, lstrcmpiW((folder + L"knt-log-probe.txt").c_str(), beside.GetPath().c_str())) << Narrow(beside.GetPath());
    beside.close();
    DeleteFileW(beside.GetPath().c_str());
}

// Run as a child process by the next test: it leaves its log open and held,
// with a line still in the buffer, and simply ends.
KNT_CHILD_CASE(LogFile, ChildEndsWithItsLogOpen)
{
    wchar_t path[MAX_PATH];
    if (GetEnvironmentVariableW(L"KNT_LOG_AT_EXIT", path, MAX_PATH) == 0)
        return;  // not the child: nothing to do
    ASSERT_TRUE(CLogFile::OpenPath(path));
    *GetGlobalLog() << L"last words";
    new boost::shared_ptr<CLogFile>(GetGlobalLog());  // a holder that never lets go
}

// The global log is closed when the process ends, so its last lines reach
// the file although a holder never let the log go.
TEST(LogFile, ClosedAtProcessExit)
{
    CTempFolder dir;
    const std::wstring log = dir.File(L"exit.txt");
    ASSERT_TRUE(SetEnvironmentVariableW(L"KNT_LOG_AT_EXIT", log.c_str()));
    const DWORD rc = RunWithOutputFile(ChildCaseLine(L"LogFile", L"ChildEndsWithItsLogOpen"), dir.File(L"child.txt"), 60000);
    SetEnvironmentVariableW(L"KNT_LOG_AT_EXIT", nullptr);
    ASSERT_EQ(0u, rc) << ReadFileBytes(dir.File(L"child.txt"));
    EXPECT_EQ(Expected(L"last words"), ReadFileBytes(log));
}

TEST(LogFile, TimestampedName)
{
    SYSTEMTIME t = {};
    t.wYear = 2024; t.wMonth = 3; t.wDay = 5; t.wHour = 14; t.wMinute = 7; t.wSecond = 9; t.wMilliseconds = 42;
    EXPECT_EQ(L"2024_03_05 14_07_09 0042.txt", MakeTimestampedLogName(t));
}
