// Owner of one open registry key. Every operation returns the Win32 error code
// (ERROR_SUCCESS on success) and never throws; callers decide what a failure
// means. The registry view bits of the access mask are kept for sub-key work.
#pragma once
#include <windows.h>

class CRegKey {
public:
    HKEY m_hKey = nullptr;

    CRegKey() = default;
    explicit CRegKey(HKEY key) : m_hKey(key) {}
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    operator HKEY() const { return m_hKey; }

    // Creates the key or opens an existing one; on success the key held
    // before is closed and the new one kept.
    LONG Create(HKEY parent, const wchar_t* subkey, wchar_t* keyClass = nullptr,
                DWORD options = REG_OPTION_NON_VOLATILE, REGSAM access = KEY_READ | KEY_WRITE,
                SECURITY_ATTRIBUTES* security = nullptr, DWORD* disposition = nullptr)
    {
        HKEY key = nullptr;
        DWORD d = 0;
        LONG rc = ::RegCreateKeyExW(parent, subkey, 0, keyClass, options, access, security, &key, &d);
        if (disposition)
            *disposition = d;
        if (rc == ERROR_SUCCESS)
            Replace(key, access);
        return rc;
    }

    LONG Open(HKEY parent, const wchar_t* subkey, REGSAM access = KEY_READ | KEY_WRITE)
    {
        HKEY key = nullptr;
        LONG rc = ::RegOpenKeyExW(parent, subkey, 0, access, &key);
        if (rc == ERROR_SUCCESS)
            Replace(key, access);
        return rc;
    }

    LONG Close()
    {
        LONG rc = ERROR_SUCCESS;
        if (m_hKey) {
            rc = ::RegCloseKey(m_hKey);
            m_hKey = nullptr;
        }
        m_view = 0;
        return rc;
    }

    void Attach(HKEY key) { Close(); m_hKey = key; }
    HKEY Detach() { HKEY key = m_hKey; m_hKey = nullptr; m_view = 0; return key; }

    LONG QueryDWORDValue(const wchar_t* name, DWORD& value) const
    {
        DWORD type = 0, v = 0, size = sizeof v;
        LONG rc = ::RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (type != REG_DWORD || size != sizeof v)
            return ERROR_INVALID_DATA;
        value = v;
        return ERROR_SUCCESS;
    }

    LONG SetDWORDValue(const wchar_t* name, DWORD value)
    {
        return ::RegSetValueExW(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

    // `chars` holds the buffer's size in characters and receives the stored
    // size, terminating NUL included. A value without that NUL is refused,
    // since the buffer would hold no terminated text.
    LONG QueryStringValue(const wchar_t* name, wchar_t* buffer, ULONG* chars) const
    {
        DWORD type = 0, size = *chars * sizeof(wchar_t);
        LONG rc = ::RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        *chars = size / sizeof(wchar_t);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return ERROR_INVALID_DATA;
        if (buffer && (size % sizeof(wchar_t) != 0 || size == 0 || buffer[size / sizeof(wchar_t) - 1] != L'\0'))
            return ERROR_INVALID_DATA;
        return ERROR_SUCCESS;
    }

    LONG SetStringValue(const wchar_t* name, const wchar_t* value, DWORD type = REG_SZ)
    {
        if (!value)
            return ERROR_INVALID_PARAMETER;
        DWORD bytes = static_cast<DWORD>((::lstrlenW(value) + 1) * sizeof(wchar_t));
        return ::RegSetValueExW(m_hKey, name, 0, type, reinterpret_cast<const BYTE*>(value), bytes);
    }

    LONG QueryBinaryValue(const wchar_t* name, void* buffer, ULONG* bytes) const
    {
        DWORD type = 0, size = *bytes;
        LONG rc = ::RegQueryValueExW(m_hKey, name, nullptr, &type, static_cast<BYTE*>(buffer), &size);
        *bytes = size;
        if (rc != ERROR_SUCCESS)
            return rc;
        return type == REG_BINARY ? ERROR_SUCCESS : ERROR_INVALID_DATA;
    }

    LONG SetBinaryValue(const wchar_t* name, const void* bytes, ULONG count)
    {
        return ::RegSetValueExW(m_hKey, name, 0, REG_BINARY, static_cast<const BYTE*>(bytes), count);
    }

    LONG DeleteValue(const wchar_t* name) { return ::RegDeleteValueW(m_hKey, name); }

    // Deletes a sub-key with everything below it.
    LONG RecurseDeleteKey(const wchar_t* subkey)
    {
        CRegKey key;
        LONG rc = key.Open(m_hKey, subkey, KEY_READ | KEY_WRITE | m_view);
        if (rc != ERROR_SUCCESS)
            return rc;
        wchar_t name[256];
        for (;;) {
            // Always the first child: deleting shifts the indexes.
            DWORD length = 256;
            rc = ::RegEnumKeyExW(key.m_hKey, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            if (rc != ERROR_SUCCESS)
                return rc;
            rc = key.RecurseDeleteKey(name);
            if (rc != ERROR_SUCCESS)
                return rc;
        }
        key.Close();
        return ::RegDeleteKeyW(m_hKey, subkey);
    }

private:
    void Replace(HKEY key, REGSAM access)
    {
        Close();
        m_hKey = key;
        m_view = access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    }

    REGSAM m_view = 0;
};
