// A registry key of its own for one test, under HKCU\Software\KanteloTest,
// deleted with everything below it when the test ends.
#pragma once
#include <windows.h>
#include <shlwapi.h>
#include <string>

class CTestRegistryKey {
public:
    CTestRegistryKey()
    {
        static LONG counter = 0;
        wchar_t name[96];
        swprintf(name, 96, L"Software\\KanteloTest\\set-%lu-%ld-%lu", GetCurrentProcessId(),
                 InterlockedIncrement(&counter), GetTickCount());
        m_path = name;
    }
    ~CTestRegistryKey() { SHDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str()); }
    CTestRegistryKey(const CTestRegistryKey&) = delete;
    CTestRegistryKey& operator=(const CTestRegistryKey&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring Sub(const std::wstring& name) const { return m_path + L"\\" + name; }

    // Helpers that seed values the way an older version (or damage) left them.
    bool SetDword(const std::wstring& sub, const wchar_t* name, DWORD value) const
    {
        return Set(sub, name, REG_DWORD, &value, sizeof value);
    }
    bool SetString(const std::wstring& sub, const wchar_t* name, const std::wstring& value) const
    {
        return Set(sub, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
    }
    bool Set(const std::wstring& sub, const wchar_t* name, DWORD type, const void* data, DWORD size) const
    {
        HKEY key = nullptr;
        const std::wstring path = sub.empty() ? m_path : Sub(sub);
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const LONG rc = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
    bool GetString(const std::wstring& sub, const wchar_t* name, std::wstring& out) const
    {
        wchar_t buffer[256];
        DWORD size = sizeof buffer;
        const std::wstring path = sub.empty() ? m_path : Sub(sub);
        if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
            ERROR_SUCCESS)
            return false;
        out = buffer;
        return true;
    }

private:
    std::wstring m_path;
};
