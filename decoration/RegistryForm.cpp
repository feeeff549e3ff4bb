#include "decoration/RegistryForm.h"
#include "foundation/Registry.h"
#include "foundation/XmlValue.h"
#include <cwchar>

namespace regform {

bool ReadDword(HKEY key, const wchar_t* name, DWORD& out)
{
    DWORD type = 0, v = 0, size = sizeof v;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof v)
        return false;
    out = v;
    return true;
}

bool QueryRawDword(HKEY key, const wchar_t* name, DWORD& target)
{
    // Through a copy: after a failed query the buffer's contents are undefined.
    DWORD v = target, type = 0, size = sizeof v;
    const LONG rc = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
    if (rc != ERROR_SUCCESS)
        return false;
    target = v;
    return type == REG_DWORD && size == sizeof v;
}

bool ReadDouble(HKEY key, const wchar_t* name, double& out)
{
    std::wstring text;
    if (!RegQueryStringValue(key, name, text))
        return false;
    out = std::wcstod(text.c_str(), nullptr);
    return true;
}

bool ReadString(HKEY key, const wchar_t* name, std::wstring& out) { return RegQueryStringValue(key, name, out); }

bool WriteDword(HKEY key, const wchar_t* name, DWORD value)
{
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool WriteDouble(HKEY key, const wchar_t* name, double value) { return RegSetStringValue(key, name, FormatReal(value)); }

bool WriteString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetStringValue(key, name, value);
}

std::wstring IndexName(size_t index)
{
    wchar_t number[16];
    swprintf(number, 16, L"%02lu", static_cast<unsigned long>(index));
    return number;
}

const wchar_t* KeyName(const CField& f) { return f.key ? f.key : f.element; }

const wchar_t* const kSideNames[4] = {L"Left", L"Top", L"Right", L"Bottom"};

CValueName::CValueName(HKEY key, const CField& f, bool create) : m_key(key), m_name(KeyName(f))
{
    const size_t cut = m_name.rfind(L'\\');
    if (cut == std::wstring::npos)
        return;
    const std::wstring sub = m_name.substr(0, cut);
    const LONG rc = create ? m_sub.Create(key, sub.c_str()) : m_sub.Open(key, sub.c_str(), KEY_READ);
    m_key = rc == ERROR_SUCCESS ? m_sub.m_hKey : nullptr;
    m_name.erase(0, cut + 1);
}

} // namespace regform
