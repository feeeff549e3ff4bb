// The system's slim reader/writer lock and condition variable, with scoped
// locks (exclusive, or shared by readers). Neither needs freeing. Under Wine
// they wait on futexes, where std::mutex and std::condition_variable of the
// mingw runtime ask the wine server: waking seven sleeping threads took about
// 0.1 ms here against 1 ms, which is a fifth of a small preview.
#pragma once
#include <windows.h>

class CSlimLock {
public:
    CSlimLock() { ::InitializeSRWLock(&m_lock); }
    CSlimLock(const CSlimLock&) = delete;
    CSlimLock& operator=(const CSlimLock&) = delete;
    void Lock() { ::AcquireSRWLockExclusive(&m_lock); }
    bool TryLock() { return ::TryAcquireSRWLockExclusive(&m_lock) != 0; }
    void Unlock() { ::ReleaseSRWLockExclusive(&m_lock); }
    // Not to be taken again on a thread that holds it shared: a writer
    // waiting in between would wait for ever.
    void LockShared() { ::AcquireSRWLockShared(&m_lock); }
    void UnlockShared() { ::ReleaseSRWLockShared(&m_lock); }
    SRWLOCK* Get() { return &m_lock; }
private:
    SRWLOCK m_lock;
};

class CSlimLockGuard {
public:
    explicit CSlimLockGuard(CSlimLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CSlimLockGuard() { m_lock.Unlock(); }
    CSlimLockGuard(const CSlimLockGuard&) = delete;
    CSlimLockGuard& operator=(const CSlimLockGuard&) = delete;
private:
    CSlimLock& m_lock;
};

class CSlimSharedLockGuard {
public:
    explicit CSlimSharedLockGuard(CSlimLock& lock) : m_lock(lock) { m_lock.LockShared(); }
    ~CSlimSharedLockGuard() { m_lock.UnlockShared(); }
    CSlimSharedLockGuard(const CSlimSharedLockGuard&) = delete;
    CSlimSharedLockGuard& operator=(const CSlimSharedLockGuard&) = delete;
private:
    CSlimLock& m_lock;
};

class CConditionVariable {
public:
    CConditionVariable() { ::InitializeConditionVariable(&m_cv); }
    CConditionVariable(const CConditionVariable&) = delete;
    CConditionVariable& operator=(const CConditionVariable&) = delete;
    // Releases `lock` (held by the caller), sleeps until woken or `ms` have
    // passed, and takes the lock again. False on the time-out; a wake may
    // also come without a cause, so callers test their condition again.
    bool Wait(CSlimLock& lock, DWORD ms = INFINITE)
    {
        return ::SleepConditionVariableSRW(&m_cv, lock.Get(), ms, 0) != 0;
    }
    void WakeAll() { ::WakeAllConditionVariable(&m_cv); }
private:
    CONDITION_VARIABLE m_cv;
};
