// The version resource of an executable file: loaded once through the version
// API, then asked for string values (looked up across the file's translations)
// and for the product version as numbers.
#pragma once
#include <windows.h>
#include <shlwapi.h>
#include <string>
#include <vector>

namespace my { class CException; }

class CVersionInfo {
public:
    // Stores the path and reads the whole resource: IDS_VERSION_SIZE_FAILED when the size
    // cannot be had (a file without a version resource), IDS_VERSION_INFO_FAILED when the read
    // fails. Nothing is kept on failure but the path.
    void Load(const std::wstring& path);

    const std::wstring& GetPath() const { return m_path; }

    // VerQueryValueW on the loaded data; false (outputs zeroed) when absent.
    // The second form counts whole 32-bit units (the translation list: one
    // language and code page pair a unit), dropping a partial one.
    bool QueryValue(const std::wstring& subBlock, const void*& value, UINT& length) const;
    bool QueryValue(const std::wstring& subBlock, const DWORD*& value, UINT& count) const;
    bool HasValue(const std::wstring& subBlock) const;

    // The value of `key` under the first translation that has a non-empty
    // one, cut at its first NUL, e.g. QueryString(L"\\StringFileInfo\\",
    // L"\\LegalCopyright"). IDS_VERSION_VALUE_MISSING when there is no translation list or no
    // translation has the value, IDS_VERSION_VALUE_EMPTY when the list holds no translation.
    std::wstring QueryString(const std::wstring& prefix, const std::wstring& key) const;
    std::wstring GetProductVersion() const;
    std::wstring GetLegalCopyright() const;

    // The product version as `count` numbers (IDS_VERSION_INVALID when a piece is not a
    // number; missing pieces are 0), and as four 16-bit words (IDS_CAST_ERROR for a
    // number above 0xFFFF).
    void GetProductVersionNumbers(std::vector<DWORD>& out, size_t count) const;
    void GetProductVersionWords(WORD (&out)[4]) const;
    // Major, minor and build of the product version, for the NT platform.
    void GetProductVersionDllInfo(DLLVERSIONINFO& out) const;

private:
    std::wstring m_path;
    std::vector<BYTE> m_data;
};

// The error of a failed version API call on `path`: the last error as an
// HRESULT (E_FAIL when the call left none), its system text and the path.
my::CException VersionApiError(UINT id, const std::wstring& path);

// One number of a version text: digits with an optional '+' and an optional
// fraction that is dropped ("12", "+3", "7.", "1.5" -> 1). False for anything
// else, and for a number beyond 32 bits.
bool ParseVersionComponent(DWORD& out, const std::wstring& text);

// A version text cut at every '.' and ',' into `count` numbers, each piece
// trimmed of blanks; pieces beyond `count` are ignored. False at the first
// piece that is not a number.
bool ParseVersionNumbers(const std::wstring& text, size_t count, std::vector<DWORD>& out);

// Four numbers narrowed to 16 bits; IDS_CAST_ERROR ("DWORD" to "WORD") for one above 0xFFFF.
void NarrowVersionWords(const std::vector<DWORD>& numbers, WORD (&out)[4]);

// The four parts joined by `separator` ("2.4.1.0").
std::wstring FormatVersion(const WORD (&parts)[4], const std::wstring& separator = L".");
