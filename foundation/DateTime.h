// Dates, times and file times: a SYSTEMTIME that keeps the 100-nanosecond
// ticks below the millisecond that a FILETIME carries, conversions between
// it, FILETIME and local time, comparisons in which a zero FILETIME stands
// for no time, the fixed text forms "yyyy/MM/dd" and "H:mm:ss", a tolerant
// parser for dates written by people, and FILETIMEs kept in the registry.
#pragma once
#include <windows.h>
#include <iosfwd>
#include <string>

// A SYSTEMTIME followed by the ticks (0 to 9999) below its millisecond.
// All nine WORDs 0 is the null record: no date, written as "0".
struct SystemTimeRecord : SYSTEMTIME {
    WORD wTicks = 0;

    SystemTimeRecord() : SYSTEMTIME() {}
    // The eight fields copied, ticks 0.
    explicit SystemTimeRecord(const SYSTEMTIME& time) : SYSTEMTIME(time) {}

    // Year 0, month 1, day of week 0, day 1, 00:00:00.000, ticks 0.
    void Reset();
    bool IsNull() const;
    bool FromFileTime(const FILETIME& time);
};

int CompareInts(const int& a, const int& b);
bool IsNullSystemTime(const SYSTEMTIME& time);
void ResetSystemTime(SYSTEMTIME& time);

// FILETIMEs as unsigned 64-bit counts of 100 ns since 1601-01-01 UTC.
inline ULONGLONG FileTimeToU64(const FILETIME& t) { return static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime; }
inline FILETIME FileTimeFromParts(DWORD low, DWORD high) { FILETIME t = {low, high}; return t; }
inline FILETIME FileTimeFromU64(ULONGLONG v) { return FileTimeFromParts(static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)); }
inline void CopyFileTime(FILETIME& out, const FILETIME& in) { out = in; }
inline void AddToFileTime(FILETIME& t, ULONGLONG count) { t = FileTimeFromU64(FileTimeToU64(t) + count); }
int CompareFileTimes(const FILETIME& a, const FILETIME& b);
// A zero FILETIME sorts before every other; two zeros are equal.
int CompareFileTimesNullFirst(const FILETIME& a, const FILETIME& b);

// Conversions; false when a system conversion fails.
bool FileTimeToSystemTimeChecked(const FILETIME& time, SYSTEMTIME& out);
bool FileTimeToLocalSystemTime(const FILETIME& time, SYSTEMTIME& out);
// The ticks are the part below the millisecond; `out` keeps its ticks when
// there is none, so start from a zeroed record.
bool FileTimeToSystemTimeRecord(const FILETIME& time, SystemTimeRecord& out);
bool SystemTimeRecordToFileTime(const SystemTimeRecord& time, FILETIME& out);
// The ticks do not survive.
bool SystemTimeRecordToLocalSystemTime(const SystemTimeRecord& time, SYSTEMTIME& out);
// The record read as local time.
bool LocalSystemTimeRecordToFileTime(FILETIME& out, const SystemTimeRecord& time);
bool LocalFileTimeToFileTimeChecked(FILETIME& out, const FILETIME& local);

// GetDateFormatW / GetTimeFormatW in the system locale, "yyyy/MM/dd" and
// "H:mm:ss" for an empty format; the empty text on failure.
void FormatDate(const SYSTEMTIME& time, std::wstring& out, const std::wstring& format = std::wstring());
void FormatTime(const SYSTEMTIME& time, std::wstring& out, const std::wstring& format = std::wstring());
// "yyyy/MM/dd", or "?/?/?".
void WriteDate(std::wostream& os, const SYSTEMTIME& time);
// "0" for the null record, else the date, a space and "H:mm:ss" (or "?:?:?").
void WriteDateTime(std::wostream& os, const SystemTimeRecord& time);
// Local time as WriteDateTime writes it; empty when a conversion fails.
std::wstring FileTimeToLocalText(const FILETIME& time);
// "UTC, local, high-low".
std::wstring FileTimeToDebugText(const FILETIME& time);
// High part, "-", low part, in decimal.
void FileTimeToText(std::wostream& os, const FILETIME& time);

// Dates as people write them: "2024/3/5 7:08", "2024-03-05T07:08:09.5Z",
// "2024年3月5日 7時8分", with ASCII or full-width digits and separators.
// Empty or "0" gives the null record; a text no pattern fits leaves year 0,
// month 1, day 1. Always true.
bool ParseDateTime(SystemTimeRecord& out, const std::wstring& text);
// The parsed record taken as UTC; false for a text no pattern fits.
bool ParseDateTimeToFileTime(FILETIME& out, const std::wstring& text);

// The key's REG_DWORD values "LowDateTime" and "HighDateTime".
bool ReadFileTimeValue(FILETIME& out, const wchar_t* subkey, HKEY parent);
bool WriteFileTimeValue(const FILETIME& time, const wchar_t* subkey, HKEY parent);

// seconds x 10^7 + the 100 ns intervals from 1601 to 1970; returns 0.
int UnixTimeToFileTime(long long seconds, FILETIME& out);

// The (pattern, key) pairs ParseDateTime tries in order. Key letters name
// the captures: Y year, M month, D day, 1 hour, 2 minute, 3 second, 4 the
// fraction of a second.
struct DateTimePattern {
    const wchar_t* pattern;
    const wchar_t* key;
};
extern const DateTimePattern kDateTimePatterns[28];

// The value of a decimal digit, ASCII or full-width (U+FF10 to U+FF19); -1
// for anything else.
int DecimalDigitValue(wchar_t c);
