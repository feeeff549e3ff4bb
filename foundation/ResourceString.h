// Texts of the string table, and printf-style formatting of them. Every
// formatted text goes through msvcrt's _vsnwprintf_s: under -std=c++17 mingw's
// own printf family reads "%s" as a narrow string.
#pragma once
#include <windows.h>
#include <map>
#include <string>

// The module that holds the resources; set once before any other thread starts.
HINSTANCE GetResourceInstance();
void SetResourceInstance(HINSTANCE instance);

void LoadResourceString(std::wstring& out, UINT id, bool throwOnFailure);
std::wstring LoadResourceString(UINT id, bool throwOnFailure = true);
void AssignResourceString(std::wstring& out, UINT id);

bool FormatResource(std::wstring& out, UINT id, ...);
bool FormatResourceV(std::wstring& out, UINT id, va_list args);
bool FormatString(std::wstring& out, const wchar_t* format, ...);
bool FormatStringV(std::wstring& out, const wchar_t* format, va_list args);
std::wstring FormatStr(const wchar_t* format, ...);

typedef std::map<UINT, std::wstring> CResourceStringMap;
void LoadResourceStringMap(CResourceStringMap& map, UINT firstId, UINT lastId, bool rethrow);
void LoadResourceStringToMap(CResourceStringMap& map, UINT id, bool rethrow);

class ResourceString {
public:
    std::wstring text;
    UINT id = 0;
    explicit ResourceString(UINT id = 0);
    void SetId(UINT id);
    const std::wstring& str() const { return text; }
    const wchar_t* c_str() const { return text.c_str(); }
    operator const std::wstring&() const { return text; }
};
