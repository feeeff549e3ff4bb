// Text from outside: bytes of a text file of undeclared encoding decoded to
// UTF-16, and line ends converted between LF, CR LF and lone CR.
#pragma once
#include "platform/ComPtr.h"
#include "platform/MLang.h"
#include <string>
#include <vector>

// The MLang object (IDS_CREATE_COM_OBJECT_FAILED with "CLSID_CMultiLanguage" when it cannot be made).
HRESULT TryCreateMultiLanguage(CComPtr<IMultiLanguage2>& ml);
void CreateMultiLanguage(CComPtr<IMultiLanguage2>& ml);

// Thin wrappers over a held MLang object; a null one gives E_HANDLE.
HRESULT TryDetectInputCodepage(IMultiLanguage2* ml, const char* bytes, int count, DetectEncodingInfo& info);
void DetectInputCodepage(IMultiLanguage2* ml, const char* bytes, int count, DetectEncodingInfo& info);  // IDS_DETECT_CODE_PAGE_FAILED
HRESULT TryConvertStringToUnicode(IMultiLanguage2* ml, DWORD& mode, UINT codePage, const char* bytes,
                                  UINT count, std::wstring& text);
void ConvertStringToUnicode(IMultiLanguage2* ml, DWORD& mode, UINT codePage, const char* bytes,
                            UINT count, std::wstring& text);  // IDS_CONVERT_TO_UTF16_FAILED

// The code page when the system cannot tell: a byte order mark (UTF-16LE 1200,
// UTF-16BE 1201, UTF-8 65001), else 65001 for valid UTF-8, else 932.
UINT GuessCodePage(const std::vector<unsigned char>& bytes);
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const unsigned char* bytes, size_t count);

// The decoded text, without a byte order mark. Empty bytes give an empty text.
// The system's detection decides the code page; where it fails, GuessCodePage.
// Throws IDS_CREATE_COM_OBJECT_FAILED, IDS_CONVERT_TO_UTF16_FAILED, or the cast error for more than 2 GiB.
void DecodeTextBuffer(std::wstring& text, const std::vector<unsigned char>& bytes);

// Every LF that no CR precedes becomes CR LF; lone CRs stay.
std::wstring ConvertLfToCrLf(const std::wstring& text);
// Every CR LF becomes LF; lone CRs and LFs stay.
std::wstring ConvertCrLfToLf(const std::wstring& text);
// CR LF and lone CR become LF.
std::wstring NormaliseLineEndsToLf(const std::wstring& text);
// LF, CR LF and lone CR each become the given line end.
std::wstring ReplaceLineEnds(const std::wstring& text, const std::wstring& newline);
