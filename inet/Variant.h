// Byte strings and texts in and out of VARIANTs, the form in which a browser
// control hands over post data and headers.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <string>

// A one-dimensional VT_UI1 array from 0; size 0 leaves the VARIANT empty.
// E_OUTOFMEMORY when the array cannot be made.
HRESULT BytesToVariant(VARIANT* out, const void* data, size_t size);
HRESULT BytesToVariant(VARIANT* out, const std::string& bytes);
// The text in the thread's ANSI code page.
HRESULT AnsiTextToVariant(VARIANT* out, const std::wstring& text);
// The text's UTF-16 code units as bytes.
HRESULT WideTextToVariant(VARIANT* out, const std::wstring& text);

// A one-dimensional byte array, directly or behind one VT_BYREF|VT_VARIANT:
// S_OK; VT_EMPTY: S_FALSE; anything else E_FAIL. out is emptied first.
HRESULT VariantToBytes(std::string& out, const VARIANT* in);
// VT_BSTR: S_OK (a null BSTR is ""); VT_EMPTY: S_FALSE; else E_FAIL.
HRESULT VariantToString(std::wstring& out, const VARIANT* in);
// VT_I4 as decimal, VT_BSTR as it is, anything else (null too) as "".
void VariantToText(std::wstring& out, const VARIANT* in);
