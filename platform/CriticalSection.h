// Win32 critical sections (recursive, as all of them are) and the scoped
// locks over them.
#pragma once
#include "platform/AtlException.h"
#include <windows.h>
#include <string>

class CAutoCriticalSection {
public:
    CAutoCriticalSection() { ::InitializeCriticalSection(&m_sec); }
    ~CAutoCriticalSection() { ::DeleteCriticalSection(&m_sec); }
    CAutoCriticalSection(const CAutoCriticalSection&) = delete;
    CAutoCriticalSection& operator=(const CAutoCriticalSection&) = delete;
    void Lock() { ::EnterCriticalSection(&m_sec); }
    void Unlock() { ::LeaveCriticalSection(&m_sec); }
private:
    CRITICAL_SECTION m_sec;
};

template <class T>
class CAutoLock {
public:
    explicit CAutoLock(T& section) : m_section(section) { m_section.Lock(); }
    ~CAutoLock() { m_section.Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;
private:
    T& m_section;
};

// A critical section that carries a name (for the reader of a dump; only the
// application information gives one). Its users lock it through CNamedLock.
class CNamedCriticalSection {
public:
    explicit CNamedCriticalSection(const wchar_t* name = nullptr) : m_name(name ? name : L"")
    {
        if (!::InitializeCriticalSectionEx(&m_sec, 0, 0)) {
            DWORD e = ::GetLastError();
            if (e != 0)
                ATL::AtlThrow(HRESULT_FROM_WIN32(e));
        }
    }
    ~CNamedCriticalSection()
    {
        ::DeleteCriticalSection(&m_sec);
        m_name.clear();
    }
    CNamedCriticalSection(const CNamedCriticalSection&) = delete;
    CNamedCriticalSection& operator=(const CNamedCriticalSection&) = delete;
    CRITICAL_SECTION& Get() { return m_sec; }
    operator CRITICAL_SECTION&() { return m_sec; }
    const std::wstring& GetName() const { return m_name; }
private:
    CRITICAL_SECTION m_sec;
    std::wstring m_name;
};

// Enters the section for the lifetime of the lock.
class CNamedLock {
public:
    explicit CNamedLock(CRITICAL_SECTION& section) : m_sec(&section) { ::EnterCriticalSection(m_sec); }
    ~CNamedLock() { ::LeaveCriticalSection(m_sec); }
    CNamedLock(const CNamedLock&) = delete;
    CNamedLock& operator=(const CNamedLock&) = delete;
private:
    CRITICAL_SECTION* m_sec;
};
