// COM streams: file streams through the shell, whole files and module
// resources copied into read-only byte streams (ByteStream.h), writable
// memory streams whose memory the caller takes over, and the IStream calls
// in the library's two failure styles (HRESULT results and my::CException).
#pragma once
#include "foundation/GlobalMemory.h"
#include "platform/ComPtr.h"
#include <windows.h>
#include <objidl.h>
#include <string>

// SHCreateStreamOnFileW with any STGM mode; the stream held before is released.
HRESULT OpenStream(CComPtr<IStream>& stream, const wchar_t* path, DWORD mode);
// Create or truncate for writing, others may read (IDS_CREATE_FILE_FAILED).
HRESULT TryCreateFileStream(CComPtr<IStream>& stream, const std::wstring& path);
void CreateFileStream(CComPtr<IStream>& stream, const std::wstring& path);
// Open for reading, others may read (IDS_OPEN_FILE_FAILED).
HRESULT TryOpenFileStream(CComPtr<IStream>& stream, const std::wstring& path);
void OpenFileStream(CComPtr<IStream>& stream, const std::wstring& path);

// A growing memory stream whose block outlives the stream: the caller takes
// the block over with GetHGlobal (IDS_CREATE_MEMORY_STREAM_FAILED).
HRESULT TryCreateMemoryStream(CComPtr<IStream>& stream);
void CreateMemoryStream(CComPtr<IStream>& stream);
// The same, with the block handed to the owner at once (IDS_CREATE_MEMORY_STREAM_FAILED, IDS_GET_STREAM_HANDLE_FAILED).
void CreateOwnedMemoryStream(CComPtr<IStream>& stream, CGlobalMemory& owner);
HRESULT TryGetHGlobal(IStream* stream, HGLOBAL& block);
HGLOBAL GetHGlobal(IStream* stream);  // IDS_GET_STREAM_HANDLE_FAILED
// CreateStreamOnHGlobal over a block the caller has.
HRESULT CreateStreamOnMemory(CComPtr<IStream>& stream, HGLOBAL block, BOOL deleteOnRelease);

// The whole file in a byte stream. A file above maxSize, or of 2 GiB and more,
// is HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) before anything is read;
// E_OUTOFMEMORY when its memory cannot be had.
HRESULT CreateStreamFromFile(CComPtr<IStream>& stream, const std::wstring& path, ULONGLONG maxSize);
void CreateStreamFromFileOrThrow(CComPtr<IStream>& stream, const std::wstring& path,
                                 ULONGLONG maxSize = ~0ull);  // IDS_OPEN_FILE_FAILED
// In memory when it fits, else read through the shell (IDS_OPEN_FILE_FAILED).
void OpenFileStreamBuffered(CComPtr<IStream>& stream, const std::wstring& path, ULONGLONG maxSize = ~0ull);
// A copy of a resource of the program's module (name and type may be
// MAKEINTRESOURCE ids; type names match regardless of case). E_FAIL when it is
// missing or empty, and the stream is left empty.
HRESULT CreateStreamOnResource(CComPtr<IStream>& stream, const wchar_t* name, const wchar_t* type);

// E_POINTER for a null stream.
HRESULT TryGetStreamSize(IStream* stream, ULONGLONG& size);
void GetStreamSize(IStream* stream, ULONGLONG& size);  // IDS_SET_STREAM_SIZE_FAILED
HRESULT TrySeekStream(IStream* stream, LARGE_INTEGER move, DWORD origin);
void SeekStream(IStream* stream, LARGE_INTEGER move, DWORD origin);  // IDS_SEEK_STREAM_FAILED
// Exactly count bytes, or IDS_READ_STREAM_FAILED / IDS_WRITE_STREAM_FAILED.
void ReadStreamExact(IStream* stream, void* buffer, ULONG count);
void WriteStreamExact(IStream* stream, const void* buffer, ULONG count);

// truncate(dpi * 10000 / 254 + rounding), the unit of a bitmap header.
int DpiToPelsPerMeter(double dpi, double rounding);
