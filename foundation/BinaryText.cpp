#include "foundation/BinaryText.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/StringUtil.h"
#include "resources/strings_foundation.h"
#include <wincrypt.h>
#include <algorithm>
#include <cwchar>
#include <vector>

HRESULT BinaryToString(std::wstring& out, const BYTE* bytes, DWORD count, DWORD flags, bool removeLineBreaks)
{
    DWORD chars = 0;
    if (!::CryptBinaryToStringW(bytes, count, flags, nullptr, &chars))
        return FailedCallResult();
    std::wstring text(chars, L'\0');
    if (chars && !::CryptBinaryToStringW(bytes, count, flags, &text[0], &chars))
        return FailedCallResult();
    // The second call reports the characters without the terminating NUL;
    // Wine's count can run past the NUL (it counts line breaks it never
    // wrote), so the text also ends at the first NUL.
    text.resize(std::min<size_t>(chars, text.size()));
    text.resize(std::wcslen(text.c_str()));
    if (removeLineBreaks)
        RemoveLineBreaks(text);
    out.swap(text);
    return S_OK;
}

void BinaryToStringOrThrow(std::wstring& out, const BYTE* bytes, DWORD count, DWORD flags, bool removeLineBreaks)
{
    const HRESULT hr = BinaryToString(out, bytes, count, flags, removeLineBreaks);
    if (FAILED(hr))
        throw my::CException(IDS_BINARY_TO_STRING_FAILED, hr);
}

void BinaryToStringEx(std::wstring& out, const BYTE* bytes, DWORD count, DWORD flags, bool reverseBytes,
                      bool removeLineBreaks)
{
    if (!reverseBytes || count == 0) {
        BinaryToStringOrThrow(out, bytes, count, flags, removeLineBreaks);
        return;
    }
    std::vector<BYTE> reversed(bytes, bytes + count);
    std::reverse(reversed.begin(), reversed.end());
    BinaryToStringOrThrow(out, reversed.data(), count, flags, removeLineBreaks);
}

void BinaryToUtf8String(std::string& out, const BYTE* bytes, DWORD count, DWORD flags, bool reverseBytes,
                        bool removeLineBreaks)
{
    std::wstring text;
    BinaryToStringEx(text, bytes, count, flags, reverseBytes, removeLineBreaks);
    WideToMultiByte(CP_UTF8, text, out);
}

void WideStringToBase64(std::wstring& out, const std::wstring& text)
{
    std::string utf8;
    WideToMultiByte(CP_UTF8, text, utf8);
    BinaryToStringEx(out, reinterpret_cast<const BYTE*>(utf8.data()), static_cast<DWORD>(utf8.size()),
                     CRYPT_STRING_BASE64, false, true);
}

void RemoveLineBreaks(std::wstring& text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
               text.end());
}

void CopyWithoutLineBreaks(std::wstring& out, const wchar_t* text)
{
    out = text ? text : L"";
    RemoveLineBreaks(out);
}
