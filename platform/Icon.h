// Owner of an icon made or loaded for the program alone (CreateIcon,
// LoadImage without LR_SHARED, a shell file icon), destroyed with DestroyIcon.
// A shared icon is the system's and never goes in here.
#pragma once
#include <windows.h>

class CIconHandle {
public:
    CIconHandle() = default;
    explicit CIconHandle(HICON h) : m_h(h) {}
    ~CIconHandle() { Reset(); }
    CIconHandle(const CIconHandle&) = delete;
    CIconHandle& operator=(const CIconHandle&) = delete;
    CIconHandle(CIconHandle&& o) noexcept : m_h(o.Detach()) {}
    CIconHandle& operator=(CIconHandle&& o) noexcept { Reset(o.Detach()); return *this; }
    void Reset(HICON h = nullptr) { if (m_h) ::DestroyIcon(m_h); m_h = h; }
    HICON Detach() { HICON h = m_h; m_h = nullptr; return h; }
    HICON Get() const { return m_h; }
    operator HICON() const { return m_h; }
private:
    HICON m_h = nullptr;
};
