// Owner of a menu that no window holds (a loaded pop-up menu), destroyed with
// DestroyMenu. A menu attached to a window is the window's to destroy.
#pragma once
#include <windows.h>

class CMenuHandle {
public:
    CMenuHandle() = default;
    explicit CMenuHandle(HMENU h) : m_h(h) {}
    ~CMenuHandle() { Reset(); }
    CMenuHandle(const CMenuHandle&) = delete;
    CMenuHandle& operator=(const CMenuHandle&) = delete;
    CMenuHandle(CMenuHandle&& o) noexcept : m_h(o.Detach()) {}
    CMenuHandle& operator=(CMenuHandle&& o) noexcept { Reset(o.Detach()); return *this; }
    void Reset(HMENU h = nullptr) { if (m_h) ::DestroyMenu(m_h); m_h = h; }
    HMENU Detach() { HMENU h = m_h; m_h = nullptr; return h; }
    HMENU Get() const { return m_h; }
    operator HMENU() const { return m_h; }
private:
    HMENU m_h = nullptr;
};
