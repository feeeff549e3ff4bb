#include "decoration/RegistryForm.h"
#include "foundation/Registry.h"
#include <cwchar>
#include <sstream>

namespace regform {

bool ReadDword(const CRegKey& key, const wchar_t* name, DWORD& out)
{
    return key.QueryDWORDValue(name, out) == ERROR_SUCCESS;
}

bool ReadInt(const CRegKey& key, const wchar_t* name, int& out)
{
    DWORD v = 0;
    if (!ReadDword(key, name, v))
        return false;
    out = static_cast<int>(v);
    return true;
}

bool ReadUInt(const CRegKey& key, const wchar_t* name, UINT& out)
{
    DWORD v = 0;
    if (!ReadDword(key, name, v))
        return false;
    out = v;
    return true;
}

bool ReadBool(const CRegKey& key, const wchar_t* name, bool& out)
{
    DWORD v = 0;
    if (!ReadDword(key, name, v))
        return false;
    out = v != 0;
    return true;
}

bool ReadBool(const CRegKey& key, const wchar_t* name, UINT& out)
{
    DWORD v = 0;
    if (!ReadDword(key, name, v))
        return false;
    out = v != 0 ? TRUE : FALSE;
    return true;
}

bool ReadDouble(const CRegKey& key, const wchar_t* name, double& out)
{
    std::wstring text;
    if (!RegQueryStringValue(key, name, text))
        return false;
    out = std::wcstod(text.c_str(), nullptr);  // like _wtof: no number reads as 0
    return true;
}

bool ReadString(const CRegKey& key, const wchar_t* name, std::wstring& out)
{
    return RegQueryStringValue(key, name, out);
}

DWORD ReadCount(const CRegKey& key, const wchar_t* name)
{
    DWORD v = 0, type = 0, size = sizeof v;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS)
        return 0;
    return v;
}

bool QueryRawDword(const CRegKey& key, const wchar_t* name, DWORD& target)
{
    // Through a copy: after a failed query the buffer's contents are undefined.
    DWORD v = target, type = 0, size = sizeof v;
    const LONG rc = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
    if (rc != ERROR_SUCCESS)
        return false;
    target = v;
    return type == REG_DWORD && size == sizeof v;
}

bool WriteDword(CRegKey& key, const wchar_t* name, DWORD value)
{
    return key.SetDWORDValue(name, value) == ERROR_SUCCESS;
}

bool WriteDouble(CRegKey& key, const wchar_t* name, double value)
{
    return RegSetStringValue(key, name, DoubleText(value));
}

bool WriteString(CRegKey& key, const wchar_t* name, const std::wstring& value)
{
    return RegSetStringValue(key, name, value);
}

std::wstring IndexedPath(const std::wstring& listPath, DWORD index)
{
    wchar_t number[16];
    swprintf(number, 16, L"%02lu", static_cast<unsigned long>(index));
    return listPath + L"\\" + number;
}

std::wstring DoubleText(double value)
{
    std::wostringstream s;
    s << value;
    return s.str();
}

} // namespace regform
