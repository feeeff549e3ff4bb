// Owning COM interface pointer: one reference, released on every path.
#pragma once
#include <objbase.h>
#include <utility>

template <class T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    CComPtr(const CComPtr& o) : CComPtr(o.m_p) {}
    CComPtr(CComPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    ~CComPtr() { Release(); }
    CComPtr& operator=(const CComPtr& o) { CComPtr(o).Swap(*this); return *this; }
    CComPtr& operator=(CComPtr&& o) noexcept { CComPtr(std::move(o)).Swap(*this); return *this; }
    CComPtr& operator=(T* p) { CComPtr(p).Swap(*this); return *this; }
    void Swap(CComPtr& o) noexcept { T* t = m_p; m_p = o.m_p; o.m_p = t; }
    void Release() { if (m_p) { T* p = m_p; m_p = nullptr; p->Release(); } }
    // Takes over a reference that the caller already owns.
    void Attach(T* p) { Release(); m_p = p; }
    T* Detach() { T* p = m_p; m_p = nullptr; return p; }
    T* operator->() const { return m_p; }
    operator T*() const { return m_p; }
    T* Get() const { return m_p; }
    // For out parameters: the pointer must be empty.
    T** operator&() { Release(); return &m_p; }
    template <class Q>
    HRESULT QueryInterface(Q** out) const { return m_p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(out)); }
    HRESULT CoCreateInstance(REFCLSID clsid, DWORD context = CLSCTX_INPROC_SERVER)
    {
        Release();
        return ::CoCreateInstance(clsid, nullptr, context, __uuidof(T), reinterpret_cast<void**>(&m_p));
    }
private:
    T* m_p = nullptr;
};

// The calling thread in a single-threaded COM apartment while it lives; a
// thread that could not enter one is left as it was.
class CComApartment {
public:
    CComApartment() : m_entered(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComApartment() { if (m_entered) ::CoUninitialize(); }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;
private:
    bool m_entered;
};
