#include "foundation/Registry.h"
#include <vector>

bool RegQueryStringValue(HKEY key, const wchar_t* name, std::wstring& value)
{
    std::vector<wchar_t> buffer(1024);
    DWORD type = 0, bytes = 0;
    for (;;) {
        bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        LONG rc = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
        if (rc == ERROR_SUCCESS)
            break;
        if (rc != ERROR_MORE_DATA)
            return false;
        // The size the registry reports may be stale by the next call; doubling
        // converges whatever happens in between.
        buffer.resize(buffer.size() * 2);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    if (bytes == 0) {
        value.clear();
        return true;
    }
    if (bytes % sizeof(wchar_t) != 0)
        return false;
    size_t units = bytes / sizeof(wchar_t);
    if (buffer[units - 1] != L'\0')
        return false;
    value.assign(buffer.data(), units - 1);
    return true;
}

bool RegSetStringValue(HKEY key, const wchar_t* name, const std::wstring& value)
{
    DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

bool RegSetStringValue(HKEY key, const wchar_t* name, const wchar_t* value)
{
    if (!value)
        return false;
    return RegSetStringValue(key, name, std::wstring(value));
}
