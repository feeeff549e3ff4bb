#include "foundation/ResourceString.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include <cstdarg>
#include <cwchar>

#include <wchar.h>
// msvcrt's secure printf (_vsnwprintf_s) keeps "%s" wide whatever the C++
// standard mode; mingw's C99 printf would read it as a narrow string.
#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif

namespace {
HINSTANCE g_resourceInstance = nullptr;
}

HINSTANCE GetResourceInstance()
{
    return g_resourceInstance ? g_resourceInstance : GetModuleHandleW(nullptr);
}

void SetResourceInstance(HINSTANCE instance) { g_resourceInstance = instance; }

void LoadResourceString(std::wstring& out, UINT id, bool throwOnFailure)
{
    size_t size = 256;
    out.assign(size, L'\0');
    for (;;) {
        // Cleared first: an earlier call's error must not explain this one.
        SetLastError(0);
        int n = LoadStringW(GetResourceInstance(), id, &out[0], static_cast<int>(size));
        if (n == 0) {
            HRESULT hr = HResultFromLastError();
            // An id missing from a block that exists leaves no last error; the
            // message must not read "completed successfully".
            if (hr == 0)
                hr = HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
            out.clear();
            if (throwOnFailure)
                throw my::CException(IDS_STRING_RESOURCE_MISSING, hr, NumberToWString(static_cast<long>(id)));
            return;
        }
        if (static_cast<size_t>(n) < size - 1) {
            out.resize(static_cast<size_t>(n));
            return;
        }
        // The text may have been cut: grow tenfold, up to 256000 characters.
        if (size > 65536) {
            out.clear();
            if (throwOnFailure)
                throw my::CException(IDS_STRING_RESOURCE_TOO_LONG, NumberToWString(static_cast<long>(id)));
            return;
        }
        size *= 10;
        out.assign(size, L'\0');
    }
}

std::wstring LoadResourceString(UINT id, bool throwOnFailure)
{
    std::wstring s;
    LoadResourceString(s, id, throwOnFailure);
    return s;
}

void AssignResourceString(std::wstring& out, UINT id)
{
    if (id == 0)
        out.clear();
    else
        LoadResourceString(out, id, true);
}

bool FormatStringV(std::wstring& out, const wchar_t* format, va_list args)
{
    size_t size = wcslen(format) + 1024;
    out.assign(size, L'\0');
    int n = _vsnwprintf_s(&out[0], size, _TRUNCATE, format, args);
    if (n < 0)
        n = static_cast<int>(size) - 1;
    out.resize(static_cast<size_t>(n));
    return true;
}

bool FormatString(std::wstring& out, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatStringV(out, format, args);
    va_end(args);
    return true;
}

std::wstring FormatStr(const wchar_t* format, ...)
{
    std::wstring out;
    va_list args;
    va_start(args, format);
    FormatStringV(out, format, args);
    va_end(args);
    return out;
}

bool FormatResourceV(std::wstring& out, UINT id, va_list args)
{
    std::wstring format;
    LoadResourceString(format, id, true);
    return FormatStringV(out, format.c_str(), args);
}

bool FormatResource(std::wstring& out, UINT id, ...)
{
    va_list args;
    va_start(args, id);
    std::wstring format;
    try {
        LoadResourceString(format, id, true);
    } catch (...) {
        va_end(args);
        throw;
    }
    FormatStringV(out, format.c_str(), args);
    va_end(args);
    return true;
}

void LoadResourceStringToMap(CResourceStringMap& map, UINT id, bool rethrow)
{
    std::wstring text;
    try {
        LoadResourceString(text, id, true);
    } catch (const my::CException&) {
        if (rethrow)
            throw;
        text.clear();
    }
    map[id] = text;
}

void LoadResourceStringMap(CResourceStringMap& map, UINT firstId, UINT lastId, bool rethrow)
{
    for (UINT id = firstId; id <= lastId && id >= firstId; ++id) {
        LoadResourceStringToMap(map, id, rethrow);
        if (id == 0xFFFFFFFFu)
            break;
    }
}

ResourceString::ResourceString(UINT id_) : id(id_)
{
    if (id != 0)
        LoadResourceString(text, id, true);
}

void ResourceString::SetId(UINT newId)
{
    if (newId == id)
        return;
    id = newId;
    AssignResourceString(text, id);
}
