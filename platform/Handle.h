// Owner of a kernel handle. Null and INVALID_HANDLE_VALUE both mean "none",
// because CreateFile and CreateEvent disagree on which one reports failure.
#pragma once
#include <windows.h>

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h) {}
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& o) noexcept : m_h(o.Detach()) {}
    CHandle& operator=(CHandle&& o) noexcept { Attach(o.Detach()); return *this; }
    ~CHandle() { Close(); }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    bool IsValid() const { return IsValid(m_h); }
    HANDLE Get() const { return m_h; }
    operator HANDLE() const { return m_h; }
    void Attach(HANDLE h) { Close(); m_h = h; }
    HANDLE Detach() { HANDLE h = m_h; m_h = nullptr; return h; }
    void Close() { if (IsValid()) ::CloseHandle(m_h); m_h = nullptr; }
private:
    HANDLE m_h = nullptr;
};
