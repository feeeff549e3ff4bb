// One object per thread, made on the thread's first Get and destroyed when
// that thread ends, through a fiber-local storage slot and its callback.
//
// The compiler's thread_local must not hold an object with a destructor
// here: with mingw-w64's emulated TLS the storage of such an object is freed
// before its destructor runs at thread exit, so the destructor reads freed
// memory, and a vector in it frees whatever pointer it finds there, which
// may be a block another thread is using at that moment.
#pragma once
#include "platform/AtlException.h"
#include <windows.h>

template <class T>
class CThreadLocal {
public:
    CThreadLocal() : m_slot(::FlsAlloc(&CThreadLocal::Destroy))
    {
        if (m_slot == FLS_OUT_OF_INDEXES)
            ATL::AtlThrow(HRESULT_FROM_WIN32(::GetLastError() ? ::GetLastError() : ERROR_NO_MORE_ITEMS));
    }
    // Nothing is freed: a slot is meant to live as long as the process (a
    // function-local static), and threads may still hold their objects
    // while the process ends.
    CThreadLocal(const CThreadLocal&) = delete;
    CThreadLocal& operator=(const CThreadLocal&) = delete;

    // The calling thread's object; std::bad_alloc, or the HRESULT of a
    // failed FlsSetValue, when it cannot be made.
    T& Get()
    {
        if (T* object = static_cast<T*>(::FlsGetValue(m_slot)))
            return *object;
        T* object = new T();
        if (!::FlsSetValue(m_slot, object)) {
            const DWORD error = ::GetLastError();
            delete object;
            ATL::AtlThrow(HRESULT_FROM_WIN32(error ? error : ERROR_NOT_ENOUGH_MEMORY));
        }
        return *object;
    }

private:
    // Runs on the ending thread; nothing may leave it.
    static void WINAPI Destroy(void* object) noexcept { delete static_cast<T*>(object); }

    DWORD m_slot;
};
