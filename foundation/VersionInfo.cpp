#include "foundation/VersionInfo.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include <cstdio>

void CVersionInfo::Load(const std::wstring& path)
{
    m_path = path;
    m_data.clear();
    DWORD handle = 0;
    SetLastError(0);
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        throw VersionApiError(IDS_VERSION_SIZE_FAILED, path);
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), handle, size, data.data()))
        throw VersionApiError(IDS_VERSION_INFO_FAILED, path);
    m_data.swap(data);
}

my::CException VersionApiError(UINT id, const std::wstring& path)
{
    // The code's system text fills the first "%s"; the path the second.
    return my::CException(id, FailedCallResult(), path);
}

bool CVersionInfo::QueryValue(const std::wstring& subBlock, const void*& value, UINT& length) const
{
    value = nullptr;
    length = 0;
    if (m_data.empty())
        return false;
    void* p = nullptr;
    UINT n = 0;
    // VerQueryValueW takes a non-const block but only reads it.
    if (!::VerQueryValueW(const_cast<BYTE*>(m_data.data()), subBlock.c_str(), &p, &n) || p == nullptr)
        return false;
    value = p;
    length = n;
    return true;
}

bool CVersionInfo::QueryValue(const std::wstring& subBlock, const DWORD*& value, UINT& count) const
{
    value = nullptr;
    count = 0;
    const void* bytes = nullptr;
    UINT length = 0;
    if (!QueryValue(subBlock, bytes, length))
        return false;
    value = static_cast<const DWORD*>(bytes);
    count = length / sizeof(DWORD);
    return true;
}

bool CVersionInfo::HasValue(const std::wstring& subBlock) const
{
    const void* value;
    UINT length;
    return QueryValue(subBlock, value, length);
}

std::wstring CVersionInfo::QueryString(const std::wstring& prefix, const std::wstring& key) const
{
    static const wchar_t kTranslation[] = L"\\VarFileInfo\\Translation";
    const DWORD* translations = nullptr;
    UINT count = 0;
    if (!QueryValue(kTranslation, translations, count))
        throw my::CException(IDS_VERSION_VALUE_MISSING, m_path, kTranslation);
    if (count == 0)
        throw my::CException(IDS_VERSION_VALUE_EMPTY, m_path, kTranslation);
    for (UINT i = 0; i < count; ++i) {
        // The language is the first of the two words, the code page the second.
        wchar_t code[9];
        _snwprintf(code, 9, L"%04x%04x", LOWORD(translations[i]), HIWORD(translations[i]));
        const void* value = nullptr;
        UINT length = 0;
        if (!QueryValue(prefix + code + key, value, length))
            continue;
        std::wstring out(static_cast<const wchar_t*>(value), length);
        size_t nul = out.find(L'\0');
        if (nul != std::wstring::npos)
            out.erase(nul);
        // A value of nothing but its terminator is as empty as one of length
        // 0: resource compilers write either for "", and the next translation
        // may hold the text.
        if (!out.empty())
            return out;
    }
    throw my::CException(IDS_VERSION_VALUE_MISSING, m_path, prefix + L"[ALL_TRANSLATES]" + key);
}

std::wstring CVersionInfo::GetProductVersion() const
{
    return QueryString(L"\\StringFileInfo\\", L"\\ProductVersion");
}

std::wstring CVersionInfo::GetLegalCopyright() const
{
    return QueryString(L"\\StringFileInfo\\", L"\\LegalCopyright");
}

void CVersionInfo::GetProductVersionNumbers(std::vector<DWORD>& out, size_t count) const
{
    out.assign(count, 0);
    const std::wstring text = GetProductVersion();
    if (!ParseVersionNumbers(text, count, out))
        throw my::CException(IDS_VERSION_INVALID, m_path, text);
}

void CVersionInfo::GetProductVersionWords(WORD (&out)[4]) const
{
    std::vector<DWORD> numbers;
    GetProductVersionNumbers(numbers, 4);
    NarrowVersionWords(numbers, out);
}

void CVersionInfo::GetProductVersionDllInfo(DLLVERSIONINFO& out) const
{
    std::vector<DWORD> numbers;
    GetProductVersionNumbers(numbers, 3);
    out.cbSize = sizeof(DLLVERSIONINFO);
    out.dwMajorVersion = numbers[0];
    out.dwMinorVersion = numbers[1];
    out.dwBuildNumber = numbers[2];
    out.dwPlatformID = DLLVER_PLATFORM_NT;
}

bool ParseVersionComponent(DWORD& out, const std::wstring& text)
{
    size_t i = 0;
    if (i < text.size() && text[i] == L'+')
        ++i;
    const size_t digits = i;
    unsigned long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + static_cast<unsigned>(text[i] - L'0');
        if (value > 0xFFFFFFFFull)
            return false;
    }
    if (i == digits)
        return false;
    if (i < text.size()) {
        if (text[i] != L'.')
            return false;
        for (++i; i < text.size(); ++i)
            if (text[i] < L'0' || text[i] > L'9')
                return false;
    }
    out = static_cast<DWORD>(value);
    return true;
}

bool ParseVersionNumbers(const std::wstring& text, size_t count, std::vector<DWORD>& out)
{
    out.assign(count, 0);
    std::list<std::wstring> pieces;
    SplitString(text, L".,", pieces);
    size_t n = 0;
    for (const std::wstring& piece : pieces) {
        if (n == count)
            break;
        std::wstring trimmed = TrimCopyIf(piece, [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; });
        if (!ParseVersionComponent(out[n], trimmed))
            return false;
        ++n;
    }
    return true;
}

void NarrowVersionWords(const std::vector<DWORD>& numbers, WORD (&out)[4])
{
    for (size_t i = 0; i < 4; ++i) {
        DWORD n = i < numbers.size() ? numbers[i] : 0;
        if (n > 0xFFFF)
            ThrowCastError(L"DWORD", L"WORD", UInt64ToWString(n));
        out[i] = static_cast<WORD>(n);
    }
}

std::wstring FormatVersion(const WORD (&parts)[4], const std::wstring& separator)
{
    std::wstring text;
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0)
            text += separator;
        text += UInt64ToWString(parts[i]);
    }
    return text;
}
