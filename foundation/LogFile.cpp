#include "foundation/LogFile.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include <shlobj.h>
#include <cstdlib>

namespace {

boost::shared_ptr<CLogFile> g_log;
DWORD g_lastTick = 0;

void SetGlobalLog(const boost::shared_ptr<CLogFile>& log)
{
    // Registered after g_log was made, so it runs before g_log goes: the
    // last lines reach the file even while a writer still holds the log.
    static const bool registered = std::atexit(CLogFile::CloseAtExit) == 0;
    (void)registered;
    g_log = log;
}

} // namespace

utf16_filebuf::utf16_filebuf() { setp(m_chars, m_chars + kChars); }

utf16_filebuf::~utf16_filebuf() { close(); }

utf16_filebuf* utf16_filebuf::open(const wchar_t* path)
{
    if (is_open())
        return nullptr;
    HANDLE h = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    m_file.Attach(h);
    setp(m_chars, m_chars + kChars);
    return this;
}

utf16_filebuf* utf16_filebuf::close()
{
    if (!is_open())
        return nullptr;
    bool ok = WriteBuffered();
    if (!::CloseHandle(m_file.Detach()))
        ok = false;
    setp(m_chars, m_chars + kChars);
    return ok ? this : nullptr;
}

bool utf16_filebuf::WriteBuffered()
{
    const wchar_t* p = pbase();
    const wchar_t* end = pptr();
    setp(m_chars, m_chars + kChars);
    if (!is_open())
        return p == end;
    size_t n = 0;
    for (; p != end; ++p) {
        wchar_t c = *p;
        if (c == L'\r')
            continue;
        if (c == L'\n') {
            m_bytes[n++] = '\r';
            m_bytes[n++] = 0;
        }
        m_bytes[n++] = static_cast<char>(c & 0xFF);
        m_bytes[n++] = static_cast<char>((c >> 8) & 0xFF);
    }
    size_t done = 0;
    while (done < n) {
        DWORD written = 0;
        if (!::WriteFile(m_file, m_bytes + done, static_cast<DWORD>(n - done), &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

utf16_filebuf::int_type utf16_filebuf::overflow(int_type c)
{
    if (!is_open() || !WriteBuffered())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int utf16_filebuf::sync() { return is_open() && WriteBuffered() ? 0 : -1; }

utf16_ofstream::utf16_ofstream() : std::basic_ostream<wchar_t>(nullptr) { init(&m_buf); }

utf16_ofstream::~utf16_ofstream() { m_buf.close(); }

void utf16_ofstream::open(const std::wstring& path)
{
    if (!m_buf.open(path.c_str())) {
        setstate(std::ios_base::failbit);
        return;
    }
    clear();
    // Written and flushed at once: even a file nobody writes to is UTF-16.
    put(L'\xFEFF');
    flush();
}

void utf16_ofstream::close()
{
    if (!m_buf.close())
        setstate(std::ios_base::failbit);
}

bool CLogFile::Open(const std::wstring& path)
{
    CAutoLock<CAutoCriticalSection> lock(*this);
    m_path = path;
    if (is_open())
        close();
    utf16_ofstream::open(path);
    return is_open();
}

bool CLogFile::OpenInAppDataFolder(const std::wstring& name)
{
    CAutoLock<CAutoCriticalSection> lock(*this);
    wchar_t folder[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, TRUE))
        return false;
    return Open(PathJoined(folder, name));
}

bool CLogFile::OpenInProgramFolder(const std::wstring& name)
{
    CAutoLock<CAutoCriticalSection> lock(*this);
    std::wstring folder;
    GetProgramFolder(folder);  // the folder of the command line's first token
    return Open(PathJoined(folder, name));
}

bool CLogFile::OpenTimestamped(const std::wstring& folder)
{
    CAutoLock<CAutoCriticalSection> lock(*this);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return Open(PathJoined(folder, MakeTimestampedLogName(now)));
}

bool CLogFile::OpenDefault()
{
    boost::shared_ptr<CLogFile> log(new CLogFile);
    SetGlobalLog(log);
    return log->OpenInAppDataFolder(L"LOG.txt");
}

bool CLogFile::OpenPath(const std::wstring& path)
{
    boost::shared_ptr<CLogFile> log(new CLogFile);
    if (!log->Open(path))
        return false;
    SetGlobalLog(log);
    return true;
}

void CLogFile::Close()
{
    if (!g_log)
        return;
    {
        CAutoLock<CAutoCriticalSection> lock(*g_log);
        if (g_log->is_open())
            g_log->close();
    }
    g_log.reset();
}

void CLogFile::CloseAtExit() { Close(); }

boost::shared_ptr<CLogFile> GetGlobalLog() { return g_log; }

std::wstring MakeTimestampedLogName(const SYSTEMTIME& t)
{
    return FormatStr(L"%04u_%02u_%02u %02u_%02u_%02u %04u.txt", t.wYear, t.wMonth, t.wDay, t.wHour,
                     t.wMinute, t.wSecond, t.wMilliseconds);
}

DWORD LogTickDelta()
{
    DWORD now = ::GetTickCount();
    DWORD delta = now - g_lastTick;
    g_lastTick = now;
    return delta;
}
