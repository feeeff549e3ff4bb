// Owner of one BSTR. Allocation failure raises std::bad_alloc: a text that
// cannot be built must not be passed on as a null string.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <new>
#include <string>

class CBstr {
public:
    CBstr() = default;
    explicit CBstr(const std::wstring& text) : m_s(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
        if (!m_s)
            throw std::bad_alloc();
    }
    ~CBstr() { ::SysFreeString(m_s); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    operator BSTR() const { return m_s; }
    // For out parameters: frees what was held.
    BSTR* operator&()
    {
        ::SysFreeString(m_s);
        m_s = nullptr;
        return &m_s;
    }
    std::wstring str() const { return m_s ? std::wstring(m_s, ::SysStringLen(m_s)) : std::wstring(); }
private:
    BSTR m_s = nullptr;
};
