// Owner of a hook procedure installed with SetWindowsHookExW, removed with
// UnhookWindowsHookEx.
#pragma once
#include <windows.h>

class CHookHandle {
public:
    CHookHandle() = default;
    explicit CHookHandle(HHOOK h) : m_h(h) {}
    ~CHookHandle() { Reset(); }
    CHookHandle(const CHookHandle&) = delete;
    CHookHandle& operator=(const CHookHandle&) = delete;
    void Reset(HHOOK h = nullptr) { if (m_h) ::UnhookWindowsHookEx(m_h); m_h = h; }
    HHOOK Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
private:
    HHOOK m_h = nullptr;
};
