// String values of registry keys. Neither function throws: every failure is
// a false result, and the output is changed only on success.
#pragma once
#include <windows.h>
#include <string>

// REG_SZ or REG_EXPAND_SZ (returned unexpanded), without its terminating NUL.
// False for another type, an odd byte count or a value stored without its NUL.
bool RegQueryStringValue(HKEY key, const wchar_t* name, std::wstring& value);

// REG_SZ with the terminating NUL, that is (length + 1) * 2 bytes.
bool RegSetStringValue(HKEY key, const wchar_t* name, const std::wstring& value);
bool RegSetStringValue(HKEY key, const wchar_t* name, const wchar_t* value);
