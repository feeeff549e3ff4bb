#include "inet/Variant.h"
#include "foundation/StringUtil.h"
#include "platform/Variant.h"
#include <cstring>

HRESULT BytesToVariant(VARIANT* out, const void* data, size_t size)
{
    if (size == 0)
        return VariantClear(out);
    if (size > 0xFFFFFFFFu)
        return E_OUTOFMEMORY;
    SAFEARRAYBOUND bound = {static_cast<ULONG>(size), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (!array)
        return E_OUTOFMEMORY;
    {
        CSafeArrayData bytes(array);
        if (!bytes.Get()) {
            SafeArrayDestroy(array);
            return E_OUTOFMEMORY;
        }
        memcpy(bytes.Get(), data, size);
    }
    VariantClear(out);
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array;
    return S_OK;
}

HRESULT BytesToVariant(VARIANT* out, const std::string& bytes)
{
    return BytesToVariant(out, bytes.data(), bytes.size());
}

HRESULT AnsiTextToVariant(VARIANT* out, const std::wstring& text)
{
    std::string bytes;
    WideToMultiByte(CP_THREAD_ACP, text, bytes);
    return BytesToVariant(out, bytes);
}

HRESULT WideTextToVariant(VARIANT* out, const std::wstring& text)
{
    return BytesToVariant(out, text.data(), text.size() * sizeof(wchar_t));
}

HRESULT VariantToBytes(std::string& out, const VARIANT* in)
{
    out.clear();
    if (!in)
        return E_FAIL;
    if (in->vt == (VT_BYREF | VT_VARIANT)) {
        in = in->pvarVal;
        if (!in)
            return E_FAIL;
    }
    if (in->vt == VT_EMPTY)
        return S_FALSE;
    SAFEARRAY* array = nullptr;
    if (in->vt == (VT_ARRAY | VT_UI1))
        array = in->parray;
    else if (in->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && in->pparray)
        array = *in->pparray;
    if (!array || SafeArrayGetDim(array) != 1)
        return E_FAIL;
    LONG lower = 0, upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return E_FAIL;
    if (upper < lower)
        return S_OK;
    CSafeArrayData bytes(array);
    if (!bytes.Get())
        return E_FAIL;
    out.assign(static_cast<const char*>(bytes.Get()), static_cast<size_t>(upper - lower) + 1);
    return S_OK;
}

HRESULT VariantToString(std::wstring& out, const VARIANT* in)
{
    out.clear();
    if (!in)
        return E_FAIL;
    if (in->vt == VT_EMPTY)
        return S_FALSE;
    if (in->vt != VT_BSTR)
        return E_FAIL;
    if (in->bstrVal)
        out.assign(in->bstrVal, SysStringLen(in->bstrVal));
    return S_OK;
}

void VariantToText(std::wstring& out, const VARIANT* in)
{
    out.clear();
    if (!in)
        return;
    if (in->vt == VT_I4)
        out = std::to_wstring(in->lVal);
    else if (in->vt == VT_BSTR && in->bstrVal)
        out.assign(in->bstrVal, SysStringLen(in->bstrVal));
}
