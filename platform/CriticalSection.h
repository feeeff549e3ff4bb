// A Win32 critical section (recursive, as all of them are) and the scoped
// lock over it.
#pragma once
#include <windows.h>

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
