// Bytes as printable text through the system's encoder (CryptBinaryToStringW):
// base64, hexadecimal and the other CRYPT_STRING_* forms, optionally without
// the line breaks the encoder puts in and optionally with the bytes reversed
// first; as a wide text or as UTF-8.
#pragma once
#include <windows.h>
#include <string>

// The HRESULT of the last error when the encoder fails.
HRESULT BinaryToString(std::wstring& out, const BYTE* bytes, DWORD count, DWORD flags, bool removeLineBreaks);
void BinaryToStringOrThrow(std::wstring& out, const BYTE* bytes, DWORD count, DWORD flags,
                           bool removeLineBreaks);  // IDS_BINARY_TO_STRING_FAILED
// Last byte first when reverseBytes is set (IDS_BINARY_TO_STRING_FAILED).
void BinaryToStringEx(std::wstring& out, const BYTE* bytes, DWORD count, DWORD flags, bool reverseBytes,
                      bool removeLineBreaks);
void BinaryToUtf8String(std::string& out, const BYTE* bytes, DWORD count, DWORD flags, bool reverseBytes,
                        bool removeLineBreaks);
// The text's UTF-8 bytes in base64 without line breaks.
void WideStringToBase64(std::wstring& out, const std::wstring& text);
// Every CR and LF removed.
void RemoveLineBreaks(std::wstring& text);
void CopyWithoutLineBreaks(std::wstring& out, const wchar_t* text);
