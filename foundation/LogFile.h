// UTF-16 text files and the program's optional log.
//
// utf16_ofstream is a wide output stream whose file holds little-endian UTF-16
// that starts with a byte order mark (FF FE) and ends its lines with CR LF:
// every L'\n' is written as CR LF and every L'\r' is dropped, so text with CR LF
// and text with bare LF give the same bytes. The conversion lives in the stream
// buffer, which writes straight to a CreateFileW handle: a codecvt facet under
// libstdc++'s file buffer silently drops data unless it reports partial
// conversions exactly as that buffer expects.
#pragma once
#include "platform/CriticalSection.h"
#include "platform/Handle.h"
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <ostream>
#include <streambuf>
#include <string>

class utf16_filebuf : public std::basic_streambuf<wchar_t> {
public:
    utf16_filebuf();
    ~utf16_filebuf() override;
    utf16_filebuf(const utf16_filebuf&) = delete;
    utf16_filebuf& operator=(const utf16_filebuf&) = delete;

    // Truncates or creates the file for writing; others may read and write it.
    // Null when the file cannot be opened (or one is open already).
    utf16_filebuf* open(const wchar_t* path);
    // Writes what is buffered and closes; null when nothing was open or a
    // write or the close failed.
    utf16_filebuf* close();
    bool is_open() const { return m_file.IsValid(); }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool WriteBuffered();

    static const size_t kChars = 4096;
    CHandle m_file;
    wchar_t m_chars[kChars];
    char m_bytes[kChars * 4];  // a character needs at most 4 bytes (LF -> CR LF)
};

class utf16_ofstream : public std::basic_ostream<wchar_t> {
public:
    utf16_ofstream();
    ~utf16_ofstream() override;

    // Opens (truncating) and writes the byte order mark at once; failure sets
    // the fail state.
    void open(const std::wstring& path);
    // Flushes and closes; a failure sets the fail state.
    void close();
    bool is_open() const { return m_buf.is_open(); }
    utf16_filebuf* rdbuf() const { return const_cast<utf16_filebuf*>(&m_buf); }

private:
    utf16_filebuf m_buf;
};

// The log: a UTF-16 file with a lock. At most one is the process's global log,
// which writers reach through GetGlobalLog; each line is written under the
// lock and ended with std::endl:
//     if (boost::shared_ptr<CLogFile> log = GetGlobalLog()) {
//         CAutoLock<CAutoCriticalSection> lock(*log);
//         *log << L"MoveTo " << x << L" " << y << std::endl;
//     }
class CLogFile : public utf16_ofstream, public CAutoCriticalSection {
public:
    CLogFile() = default;
    ~CLogFile() override = default;

    // Under the lock: closes a file that is open and opens the path.
    bool Open(const std::wstring& path);
    // The name in the user's application-data folder (created when missing).
    bool OpenInAppDataFolder(const std::wstring& name);
    // The name beside the program file.
    bool OpenInProgramFolder(const std::wstring& name);
    // "yyyy_MM_dd HH_mm_ss 0fff.txt" of the local time in the folder.
    bool OpenTimestamped(const std::wstring& folder);
    const std::wstring& GetPath() const { return m_path; }

    // Makes a new log the global one, then opens "LOG.txt" in the
    // application-data folder; the global log stays set even when that fails.
    static bool OpenDefault();
    // Opens a new log on the path and makes it the global one only on success.
    static bool OpenPath(const std::wstring& path);
    // Closes and releases the global log, if any. Replacing or releasing the
    // global log is for start-up and shut-down, when no writer runs.
    static void Close();
    // Close, run at process exit once a global log was set.
    static void CloseAtExit();

private:
    std::wstring m_path;
};

boost::shared_ptr<CLogFile> GetGlobalLog();

// File name of the timestamped log for a given local time.
std::wstring MakeTimestampedLogName(const SYSTEMTIME& time);

// Milliseconds since the previous call (the first call gives the tick count).
DWORD LogTickDelta();
