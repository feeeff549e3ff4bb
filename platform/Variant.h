// Owner of one VARIANT: initialised empty, cleared on every path.
#pragma once
#include <windows.h>
#include <oleauto.h>

class CVariant {
public:
    CVariant() { ::VariantInit(&m_v); }
    ~CVariant() { ::VariantClear(&m_v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    VARIANT* operator&() { return &m_v; }
    const VARIANT& Get() const { return m_v; }
    VARIANT& Get() { return m_v; }
    void Clear() { ::VariantClear(&m_v); }
private:
    VARIANT m_v;
};

// SafeArrayAccessData for the owner's lifetime.
class CSafeArrayData {
public:
    explicit CSafeArrayData(SAFEARRAY* array) : m_array(array)
    {
        if (FAILED(::SafeArrayAccessData(m_array, &m_data)))
            m_data = nullptr;
    }
    ~CSafeArrayData() { if (m_data) ::SafeArrayUnaccessData(m_array); }
    CSafeArrayData(const CSafeArrayData&) = delete;
    CSafeArrayData& operator=(const CSafeArrayData&) = delete;
    void* Get() const { return m_data; }
private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
};
