// The date parser tries a table of anchored patterns in order and takes the
// captures of the first that fits; boost.regex's \d also accepts full-width
// digits here, so captured digits are read by a routine that knows both.
#include "foundation/DateTime.h"
#include "platform/RegKey.h"
#include <boost/regex.hpp>
#include <cstring>
#include <ostream>
#include <sstream>
#include <vector>

const DateTimePattern kDateTimePatterns[28] = {
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[Tt]\s*(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*[\.．]\s*(\d+)\s*[Zz]\s*$)", L"YMD1234"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[Tt]\s*(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*[Zz]\s*$)", L"YMD123"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[Tt]\s*(\d+)\s*[:：]\s*(\d+)\s*[Zz]\s*$)", L"YMD12"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[Tt]\s*(\d+)\s*[Zz]\s*$)", L"YMD1"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[Zz]\s*$)", L"YMD"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*[\.．]\s*(\d+)\s*$)", L"YMD1234"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*$)", L"YMD123"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*[:：]\s*(\d+)\s*$)", L"YMD12"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*$)", L"YMD1"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*$)", L"YMD"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*時\s*(\d+)\s*分\s*(\d+)\s*秒\s*\s*$)", L"YMD123"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*時\s*(\d+)\s*分\s*\s*$)", L"YMD12"},
    {LR"(^\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*時\s*\s*$)", L"YMD1"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*[\.．]\s*(\d+)\s*$)", L"YMD1234"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*$)", L"YMD123"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*[:：]\s*(\d+)\s*$)", L"YMD12"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)[\s,;，；、]+(\d+)\s*$)", L"YMD1"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*[/／\-－\.．_＿・]\s*(\d+)\s*$)", L"YMD"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*[\s,;，；、]*(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*[\.．]\s*(\d+)\s*$)", L"YMD1234"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*[\s,;，；、]*(\d+)\s*[:：]\s*(\d+)\s*[:：]\s*(\d+)\s*$)", L"YMD123"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*[\s,;，；、]*(\d+)\s*[:：]\s*(\d+)\s*$)", L"YMD12"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*[\s,;，；、]*(\d+)\s*$)", L"YMD1"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*\s*$)", L"YMD"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*\s*$)", L"YM"},
    {LR"(^\s*(\d+)\s*年\s*\s*$)", L"Y"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*[\s,;，；、]*(\d+)\s*時\s*(\d+)\s*分\s*(\d+)\s*秒\s*$)", L"YMD123"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*[\s,;，；、]*(\d+)\s*時\s*(\d+)\s*分\s*$)", L"YMD12"},
    {LR"(^\s*(\d+)\s*年\s*(\d+)\s*月\s*(\d+)\s*日\s*[\s,;，；、]*(\d+)\s*時\s*$)", L"YMD1"},
};

namespace {

const ULONGLONG kTicksPerMillisecond = 10000;
const ULONGLONG kUnixEpoch = 116444736000000000ull;  // 100 ns from 1601-01-01 to 1970-01-01

// Digits of a capture as a number (kept below 2^32); false for a character
// that is no decimal digit.
bool ReadDigits(const std::wstring& digits, size_t count, unsigned long& value)
{
    value = 0;
    for (size_t i = 0; i < count && i < digits.size(); ++i) {
        const int d = DecimalDigitValue(digits[i]);
        if (d < 0)
            return false;
        if (value < 100000000ul)
            value = value * 10 + static_cast<unsigned long>(d);
    }
    return true;
}

// Compiled once: the table never changes.
const std::vector<boost::wregex>& CompiledPatterns()
{
    static const std::vector<boost::wregex> compiled = [] {
        std::vector<boost::wregex> out;
        for (const DateTimePattern& p : kDateTimePatterns)
            out.emplace_back(p.pattern);
        return out;
    }();
    return compiled;
}

// The record from one match; false when a capture holds a digit this
// parser cannot read.
bool ApplyMatch(SystemTimeRecord& out, const boost::wsmatch& match, const wchar_t* key)
{
    SystemTimeRecord record;
    record.Reset();
    for (size_t k = 0; key[k]; ++k) {
        const std::wstring digits = match[k + 1].str();
        unsigned long value = 0;
        if (key[k] == L'4') {
            // The fraction: up to three digits of milliseconds, the next up
            // to four digits of ticks; further digits are ignored.
            const size_t n = digits.size();
            if (!ReadDigits(digits, n, value))
                return false;
            if (n <= 3) {
                static const unsigned long scale[] = {0, 100, 10, 1};
                record.wMilliseconds = static_cast<WORD>(n ? value * scale[n] : 0);
            } else {
                unsigned long ms = 0, ticks = 0;
                const size_t tickDigits = n - 3 < 4 ? n - 3 : 4;
                ReadDigits(digits, 3, ms);
                ReadDigits(digits.substr(3), tickDigits, ticks);
                for (size_t i = tickDigits; i < 4; ++i)
                    ticks *= 10;
                record.wMilliseconds = static_cast<WORD>(ms);
                record.wTicks = static_cast<WORD>(ticks);
            }
            continue;
        }
        if (!ReadDigits(digits, digits.size(), value))
            return false;
        const WORD w = static_cast<WORD>(value);
        switch (key[k]) {
        case L'Y': record.wYear = w; break;
        case L'M': record.wMonth = w; break;
        case L'D': record.wDay = w; break;
        case L'1': record.wHour = w; break;
        case L'2': record.wMinute = w; break;
        case L'3': record.wSecond = w; break;
        default: break;
        }
    }
    out = record;
    return true;
}

} // namespace

int DecimalDigitValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= 0xFF10 && c <= 0xFF19)
        return c - 0xFF10;
    return -1;
}

void SystemTimeRecord::Reset()
{
    ResetSystemTime(*this);
    wTicks = 0;
}

bool SystemTimeRecord::IsNull() const
{
    return IsNullSystemTime(*this) && wTicks == 0;
}

bool SystemTimeRecord::FromFileTime(const FILETIME& time)
{
    return FileTimeToSystemTimeRecord(time, *this);
}

int CompareInts(const int& a, const int& b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool IsNullSystemTime(const SYSTEMTIME& t)
{
    return !t.wYear && !t.wMonth && !t.wDayOfWeek && !t.wDay && !t.wHour && !t.wMinute && !t.wSecond &&
           !t.wMilliseconds;
}

void ResetSystemTime(SYSTEMTIME& t)
{
    std::memset(&t, 0, sizeof t);
    t.wMonth = 1;
    t.wDay = 1;
}

int CompareFileTimes(const FILETIME& a, const FILETIME& b)
{
    return ::CompareFileTime(&a, &b);
}

int CompareFileTimesNullFirst(const FILETIME& a, const FILETIME& b)
{
    const bool nullA = FileTimeToU64(a) == 0, nullB = FileTimeToU64(b) == 0;
    if (nullA || nullB)
        return nullA == nullB ? 0 : (nullA ? -1 : 1);
    return ::CompareFileTime(&a, &b);
}

bool FileTimeToSystemTimeChecked(const FILETIME& time, SYSTEMTIME& out)
{
    return ::FileTimeToSystemTime(&time, &out) != FALSE;
}

bool FileTimeToLocalSystemTime(const FILETIME& time, SYSTEMTIME& out)
{
    FILETIME local;
    return ::FileTimeToLocalFileTime(&time, &local) && ::FileTimeToSystemTime(&local, &out);
}

bool FileTimeToSystemTimeRecord(const FILETIME& time, SystemTimeRecord& out)
{
    FILETIME back;
    if (!::FileTimeToSystemTime(&time, &out) || !::SystemTimeToFileTime(&out, &back))
        return false;
    const ULONGLONG given = FileTimeToU64(time), whole = FileTimeToU64(back);
    if (given < whole)
        return false;
    if (given > whole)
        out.wTicks = static_cast<WORD>(given - whole);
    return true;
}

bool SystemTimeRecordToFileTime(const SystemTimeRecord& time, FILETIME& out)
{
    if (!::SystemTimeToFileTime(&time, &out))
        return false;
    AddToFileTime(out, time.wTicks);
    return true;
}

bool SystemTimeRecordToLocalSystemTime(const SystemTimeRecord& time, SYSTEMTIME& out)
{
    FILETIME utc;
    return SystemTimeRecordToFileTime(time, utc) && FileTimeToLocalSystemTime(utc, out);
}

bool LocalSystemTimeRecordToFileTime(FILETIME& out, const SystemTimeRecord& time)
{
    FILETIME local;
    return SystemTimeRecordToFileTime(time, local) && ::LocalFileTimeToFileTime(&local, &out);
}

bool LocalFileTimeToFileTimeChecked(FILETIME& out, const FILETIME& local)
{
    return ::LocalFileTimeToFileTime(&local, &out) != FALSE;
}

void FormatDate(const SYSTEMTIME& time, std::wstring& out, const std::wstring& format)
{
    wchar_t buffer[64];
    const int n = ::GetDateFormatW(LOCALE_SYSTEM_DEFAULT, 0, &time, format.empty() ? L"yyyy/MM/dd" : format.c_str(),
                                   buffer, 64);
    out.assign(buffer, n > 0 ? n - 1 : 0);
}

void FormatTime(const SYSTEMTIME& time, std::wstring& out, const std::wstring& format)
{
    wchar_t buffer[64];
    const int n = ::GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, 0, &time, format.empty() ? L"H:mm:ss" : format.c_str(),
                                   buffer, 64);
    out.assign(buffer, n > 0 ? n - 1 : 0);
}

void WriteDate(std::wostream& os, const SYSTEMTIME& time)
{
    std::wstring text;
    FormatDate(time, text);
    os << (text.empty() ? L"?/?/?" : text);
}

void WriteDateTime(std::wostream& os, const SystemTimeRecord& time)
{
    if (time.IsNull()) {
        os << L"0";
        return;
    }
    WriteDate(os, time);
    std::wstring text;
    FormatTime(time, text);
    os << L' ' << (text.empty() ? L"?:?:?" : text);
}

std::wstring FileTimeToLocalText(const FILETIME& time)
{
    SYSTEMTIME local;
    if (!FileTimeToLocalSystemTime(time, local))
        return std::wstring();
    std::wostringstream os;
    WriteDateTime(os, SystemTimeRecord(local));
    return os.str();
}

std::wstring FileTimeToDebugText(const FILETIME& time)
{
    std::wostringstream os;
    SystemTimeRecord utc;
    if (FileTimeToSystemTimeRecord(time, utc))
        WriteDateTime(os, utc);
    else
        os << L"?";
    os << L", ";
    SYSTEMTIME local;
    if (FileTimeToLocalSystemTime(time, local))
        WriteDateTime(os, SystemTimeRecord(local));
    else
        os << L"?";
    os << L", ";
    FileTimeToText(os, time);
    return os.str();
}

void FileTimeToText(std::wostream& os, const FILETIME& time)
{
    os << time.dwHighDateTime << L'-' << time.dwLowDateTime;
}

bool ParseDateTime(SystemTimeRecord& out, const std::wstring& text)
{
    if (text.empty() || text == L"0") {
        out = SystemTimeRecord();
        return true;
    }
    out.Reset();
    const std::vector<boost::wregex>& patterns = CompiledPatterns();
    for (size_t i = 0; i < patterns.size(); ++i) {
        boost::wsmatch match;
        if (boost::regex_search(text, match, patterns[i]) && ApplyMatch(out, match, kDateTimePatterns[i].key))
            return true;
    }
    return true;
}

bool ParseDateTimeToFileTime(FILETIME& out, const std::wstring& text)
{
    SystemTimeRecord record;
    ParseDateTime(record, text);
    return SystemTimeRecordToFileTime(record, out);
}

bool ReadFileTimeValue(FILETIME& out, const wchar_t* subkey, HKEY parent)
{
    CRegKey key;
    if (key.Open(parent, subkey, KEY_READ) != ERROR_SUCCESS)
        return false;
    DWORD low = 0, high = 0;
    if (key.QueryDWORDValue(L"LowDateTime", low) != ERROR_SUCCESS ||
        key.QueryDWORDValue(L"HighDateTime", high) != ERROR_SUCCESS)
        return false;
    out = FileTimeFromParts(low, high);
    return true;
}

bool WriteFileTimeValue(const FILETIME& time, const wchar_t* subkey, HKEY parent)
{
    CRegKey key;
    if (key.Create(parent, subkey, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return false;
    const bool low = key.SetDWORDValue(L"LowDateTime", time.dwLowDateTime) == ERROR_SUCCESS;
    const bool high = key.SetDWORDValue(L"HighDateTime", time.dwHighDateTime) == ERROR_SUCCESS;
    return low && high;
}

int UnixTimeToFileTime(long long seconds, FILETIME& out)
{
    out = FileTimeFromU64(static_cast<ULONGLONG>(seconds) * 10000000ull + kUnixEpoch);
    return 0;
}
