// Owner of a file search (FindFirstFileW / FindNextFileW / FindClose) and
// the entry it stands on.
#pragma once
#include <windows.h>

class CFindFile {
public:
    CFindFile() = default;
    ~CFindFile() { Close(); }
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    // Starts a search and stands on its first entry; false when nothing matches.
    bool FindFile(const wchar_t* pattern)
    {
        Close();
        m_find = ::FindFirstFileW(pattern, &m_data);
        return m_find != INVALID_HANDLE_VALUE;
    }
    // A search asking for folders only; the system may still return files
    // (Wine does), so callers test IsDirectory themselves.
    bool FindDirectories(const wchar_t* pattern)
    {
        Close();
        m_find = ::FindFirstFileExW(pattern, FindExInfoStandard, &m_data, FindExSearchLimitToDirectories, nullptr, 0);
        return m_find != INVALID_HANDLE_VALUE;
    }
    bool FindNextFile() { return m_find != INVALID_HANDLE_VALUE && ::FindNextFileW(m_find, &m_data); }
    void Close()
    {
        if (m_find != INVALID_HANDLE_VALUE)
            ::FindClose(m_find);
        m_find = INVALID_HANDLE_VALUE;
    }

    const WIN32_FIND_DATAW& GetData() const { return m_data; }
    const wchar_t* GetFileName() const { return m_data.cFileName; }
    bool IsDirectory() const { return (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // "." or "..".
    bool IsDots() const
    {
        const wchar_t* n = m_data.cFileName;
        return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0));
    }

private:
    HANDLE m_find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_data = {};
};
