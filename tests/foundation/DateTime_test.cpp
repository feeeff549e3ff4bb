#include "foundation/DateTime.h"
#include "platform/RegKey.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <sstream>

TEST(DateTime, ParsesWhatPeopleWrite)
{
    const struct {
        const wchar_t* text;
        WORD y, mo, d, h, mi, s, ms, ticks;
    } cases[] = {
        {L"2024-03-05T07:08:09.5Z", 2024, 3, 5, 7, 8, 9, 500, 0},
        {L" 2024/3/5 t 7 : 8 Z", 2024, 3, 5, 7, 8, 0, 0, 0},
        {L"2024.03.05", 2024, 3, 5, 0, 0, 0, 0, 0},
        // Slashes, a blank, an hour and a minute: the first fitting entry
        // wants neither "T" nor seconds.
        {L"2024/03/05 07:08", 2024, 3, 5, 7, 8, 0, 0, 0},
        {L"2024/3/5, 7:08:09.25", 2024, 3, 5, 7, 8, 9, 250, 0},
        {L"2024/3/5 7:08:09.12345", 2024, 3, 5, 7, 8, 9, 123, 4500},
        {L"2024/3/5 7:08:09.1234567", 2024, 3, 5, 7, 8, 9, 123, 4567},
        {L"2024/3/5 7:08:09.123456789", 2024, 3, 5, 7, 8, 9, 123, 4567},
        {L"2024/3/5 7時8分9秒", 2024, 3, 5, 7, 8, 9, 0, 0},
        {L"2024年3-5、10:11", 2024, 3, 5, 10, 11, 0, 0, 0},
        {L"2024年3月5日 7時8分", 2024, 3, 5, 7, 8, 0, 0, 0},
        {L"2024年3月5日7:08:09．5", 2024, 3, 5, 7, 8, 9, 500, 0},
        {L"2024年3月", 2024, 3, 1, 0, 0, 0, 0, 0},
        {L"2024年", 2024, 1, 1, 0, 0, 0, 0, 0},
        // Full-width separators and digits.
        {L"2024／3／5", 2024, 3, 5, 0, 0, 0, 0, 0},
        {L"２０２４－０３－０５　１２：３４", 2024, 3, 5, 12, 34, 0, 0, 0},
        {L"２０２４年１２月３１日", 2024, 12, 31, 0, 0, 0, 0, 0},
        // Nothing fits: the reset state.
        {L"March 5, 2024", 0, 1, 1, 0, 0, 0, 0, 0},
        {L"2024/3/5 7:08 pm", 0, 1, 1, 0, 0, 0, 0, 0},
        {L"\x0662\x0660\x0662\x0664/3/5", 0, 1, 1, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SystemTimeRecord r;
        r.wTicks = 77;
        EXPECT_TRUE(ParseDateTime(r, c.text));
        const WORD got[] = {r.wYear, r.wMonth, r.wDay, r.wHour, r.wMinute, r.wSecond, r.wMilliseconds, r.wTicks};
        const WORD want[] = {c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms, c.ticks};
        EXPECT_TRUE(std::equal(got, got + 8, want)) << Narrow(c.text) << ": " << got[0] << "/" << got[1] << "/"
                                                    << got[2] << " " << got[3] << ":" << got[4] << ":" << got[5]
                                                    << "." << got[6] << " +" << got[7];
    }
    for (const wchar_t* text : {L"", L"0"}) {
        SystemTimeRecord r;
        r.wYear = 5;
        ParseDateTime(r, text);
        EXPECT_TRUE(r.IsNull());
    }
    FILETIME t;
    EXPECT_FALSE(ParseDateTimeToFileTime(t, L"nonsense"));
    ASSERT_TRUE(ParseDateTimeToFileTime(t, L"1970-01-01T00:00:01Z"));
    FILETIME unix;
    UnixTimeToFileTime(1, unix);
    EXPECT_EQ(FileTimeToU64(unix), FileTimeToU64(t));
    EXPECT_EQ(116444736010000000ull, FileTimeToU64(t));
}

TEST(DateTime, FileTimesRecordsAndText)
{
    // 2024-03-05 07:08:09.1234567 UTC keeps its ticks through a record.
    SystemTimeRecord r;
    ParseDateTime(r, L"2024/3/5 7:08:09.1234567");
    FILETIME t;
    ASSERT_TRUE(SystemTimeRecordToFileTime(r, t));
    SystemTimeRecord back;
    ASSERT_TRUE(FileTimeToSystemTimeRecord(t, back));
    EXPECT_EQ(123, back.wMilliseconds);
    EXPECT_EQ(4567, back.wTicks);
    FILETIME again;
    ASSERT_TRUE(SystemTimeRecordToFileTime(back, again));
    EXPECT_EQ(FileTimeToU64(t), FileTimeToU64(again));

    std::wostringstream os;
    WriteDateTime(os, back);
    os << L'|';
    WriteDateTime(os, SystemTimeRecord());
    EXPECT_EQ(L"2024/03/05 7:08:09|0", os.str());
    const std::wstring debug = FileTimeToDebugText(FileTimeFromParts(2, 1));
    EXPECT_EQ(L", 1-2", debug.substr(debug.size() - 5));
    EXPECT_EQ(0u, FileTimeToDebugText(t).find(L"2024/03/05 7:08:09, "));

    const FILETIME zero = {0, 0}, one = FileTimeFromU64(1), big = FileTimeFromU64(~0ull >> 2);
    EXPECT_EQ(-1, CompareFileTimesNullFirst(zero, one));
    EXPECT_EQ(1, CompareFileTimesNullFirst(big, zero));
    EXPECT_EQ(0, CompareFileTimesNullFirst(zero, zero));
    EXPECT_EQ(-1, CompareFileTimesNullFirst(one, big));

    // Local time and back.
    FILETIME local;
    ASSERT_TRUE(LocalSystemTimeRecordToFileTime(local, r));
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToLocalSystemTime(local, st));
    EXPECT_EQ(7, st.wHour);
    EXPECT_EQ(8, st.wMinute);
}

TEST(DateTime, FileTimeInTheRegistry)
{
    const wchar_t* key = L"Software\\KanteloTest\\DateTime";
    const FILETIME t = FileTimeFromParts(0x89ABCDEF, 0x01D9F00D);
    ASSERT_TRUE(WriteFileTimeValue(t, key, HKEY_CURRENT_USER));
    FILETIME read = {};
    EXPECT_TRUE(ReadFileTimeValue(read, key, HKEY_CURRENT_USER));
    EXPECT_EQ(FileTimeToU64(t), FileTimeToU64(read));
    {
        CRegKey k;
        k.Open(HKEY_CURRENT_USER, key);
        k.SetStringValue(L"HighDateTime", L"1");
    }
    EXPECT_FALSE(ReadFileTimeValue(read, key, HKEY_CURRENT_USER));
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
    EXPECT_FALSE(ReadFileTimeValue(read, key, HKEY_CURRENT_USER));
}
