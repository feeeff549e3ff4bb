// Values of the older registry form of the settings: numbers are REG_DWORD,
// doubles REG_SZ holding the default stream text of the number, and lists
// are numbered subkeys "00", "01", ... A value that is missing or of another
// type counts as not read and leaves its target unchanged.
#pragma once
#include "platform/RegKey.h"
#include <string>

namespace regform {

bool ReadDword(const CRegKey& key, const wchar_t* name, DWORD& out);
bool ReadInt(const CRegKey& key, const wchar_t* name, int& out);
bool ReadUInt(const CRegKey& key, const wchar_t* name, UINT& out);
// Any value other than 0 is true.
bool ReadBool(const CRegKey& key, const wchar_t* name, bool& out);
bool ReadBool(const CRegKey& key, const wchar_t* name, UINT& out);
bool ReadDouble(const CRegKey& key, const wchar_t* name, double& out);
bool ReadString(const CRegKey& key, const wchar_t* name, std::wstring& out);
// A list's "Count", read whatever its type (0 when missing).
DWORD ReadCount(const CRegKey& key, const wchar_t* name);
// Queries up to four bytes straight into the target whatever the value's
// type; true only for a REG_DWORD.
bool QueryRawDword(const CRegKey& key, const wchar_t* name, DWORD& target);

bool WriteDword(CRegKey& key, const wchar_t* name, DWORD value);
bool WriteDouble(CRegKey& key, const wchar_t* name, double value);
bool WriteString(CRegKey& key, const wchar_t* name, const std::wstring& value);

// "%s\%02d": the subkey path of list entry `index`.
std::wstring IndexedPath(const std::wstring& listPath, DWORD index);
// The default stream text of a double (six significant digits).
std::wstring DoubleText(double value);

} // namespace regform
