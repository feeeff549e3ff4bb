#include "foundation/Stream.h"
#include "foundation/ByteStream.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/ResourceString.h"
#include "resources/strings_foundation_io.h"
#include <shlwapi.h>
#include <new>
#include <vector>

namespace {

const DWORD kCreateMode = STGM_CREATE | STGM_SHARE_DENY_WRITE | STGM_WRITE;
const DWORD kOpenMode = STGM_READ | STGM_SHARE_DENY_WRITE;

} // namespace

HRESULT OpenStream(CComPtr<IStream>& stream, const wchar_t* path, DWORD mode)
{
    stream.Release();
    return ::SHCreateStreamOnFileW(path, mode, &stream);
}

HRESULT TryCreateFileStream(CComPtr<IStream>& stream, const std::wstring& path)
{
    return OpenStream(stream, path.c_str(), kCreateMode);
}

void CreateFileStream(CComPtr<IStream>& stream, const std::wstring& path)
{
    HRESULT hr = TryCreateFileStream(stream, path);
    if (FAILED(hr))
        ThrowErrorCode(IDS_CREATE_FILE_FAILED, hr, path);
}

HRESULT TryOpenFileStream(CComPtr<IStream>& stream, const std::wstring& path)
{
    return OpenStream(stream, path.c_str(), kOpenMode);
}

void OpenFileStream(CComPtr<IStream>& stream, const std::wstring& path)
{
    HRESULT hr = TryOpenFileStream(stream, path);
    if (FAILED(hr))
        ThrowErrorCode(IDS_OPEN_FILE_FAILED, hr, path);
}

HRESULT TryCreateMemoryStream(CComPtr<IStream>& stream)
{
    return ::CreateStreamOnHGlobal(nullptr, FALSE, &stream);
}

void CreateMemoryStream(CComPtr<IStream>& stream)
{
    HRESULT hr = TryCreateMemoryStream(stream);
    if (FAILED(hr))
        ThrowErrorCode(IDS_CREATE_MEMORY_STREAM_FAILED, hr);
}

void CreateOwnedMemoryStream(CComPtr<IStream>& stream, CGlobalMemory& owner)
{
    CreateMemoryStream(stream);
    owner.Attach(GetHGlobal(stream));
}

HRESULT TryGetHGlobal(IStream* stream, HGLOBAL& block)
{
    if (!stream)
        return E_POINTER;
    return ::GetHGlobalFromStream(stream, &block);
}

HGLOBAL GetHGlobal(IStream* stream)
{
    HGLOBAL block = nullptr;
    HRESULT hr = TryGetHGlobal(stream, block);
    if (FAILED(hr))
        ThrowErrorCode(IDS_GET_STREAM_HANDLE_FAILED, hr);
    return block;
}

HRESULT CreateStreamOnMemory(CComPtr<IStream>& stream, HGLOBAL block, BOOL deleteOnRelease)
{
    return ::CreateStreamOnHGlobal(block, deleteOnRelease, &stream);
}

HRESULT CreateStreamFromFile(CComPtr<IStream>& stream, const std::wstring& path, ULONGLONG maxSize)
{
    if (maxSize == 0)
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    CFile file;
    HRESULT hr = file.TryOpenRead(path.c_str());
    if (FAILED(hr))
        return hr;
    ULONGLONG size = 0;
    hr = file.TryGetSize(size);
    if (FAILED(hr))
        return hr;
    // A vector here holds less than 2 GiB: a larger file is too large to
    // read, not a lack of memory (its allocation fails with a length error).
    if (size >= 0x80000000ull || size > maxSize)
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    // A stream of our own, not one over global memory: see ByteStream.h.
    std::vector<BYTE> bytes;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    DWORD total = 0;
    while (total < size) {
        DWORD got = 0;
        hr = file.TryRead(bytes.data() + total, static_cast<DWORD>(size) - total, &got);
        if (FAILED(hr))
            return hr;
        // A file that ended early must not be passed on with zeros in
        // place of its end.
        if (got == 0)
            return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
        total += got;
    }
    return CreateByteStream(stream, std::move(bytes));
}

void CreateStreamFromFileOrThrow(CComPtr<IStream>& stream, const std::wstring& path, ULONGLONG maxSize)
{
    HRESULT hr = CreateStreamFromFile(stream, path, maxSize);
    if (FAILED(hr))
        ThrowErrorCode(IDS_OPEN_FILE_FAILED, hr, path);
}

void OpenFileStreamBuffered(CComPtr<IStream>& stream, const std::wstring& path, ULONGLONG maxSize)
{
    HRESULT hr = CreateStreamFromFile(stream, path, maxSize);
    if (hr == E_OUTOFMEMORY || hr == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE))
        hr = OpenStream(stream, path.c_str(), kOpenMode);
    if (FAILED(hr))
        ThrowErrorCode(IDS_OPEN_FILE_FAILED, hr, path);
}

HRESULT CreateStreamOnResource(CComPtr<IStream>& stream, const wchar_t* name, const wchar_t* type)
{
    stream.Release();
    HMODULE module = GetResourceInstance();
    HRSRC info = ::FindResourceW(module, name, type);
    if (!info)
        return E_FAIL;
    DWORD size = ::SizeofResource(module, info);
    HGLOBAL loaded = size ? ::LoadResource(module, info) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return E_FAIL;
    const BYTE* first = static_cast<const BYTE*>(bytes);
    try {
        std::vector<BYTE> copy(first, first + size);
        return CreateByteStream(stream, std::move(copy)) == S_OK ? S_OK : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
}

HRESULT TryGetStreamSize(IStream* stream, ULONGLONG& size)
{
    if (!stream)
        return E_POINTER;
    STATSTG stat = {};
    HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr))
        return hr;
    size = stat.cbSize.QuadPart;
    return S_OK;
}

void GetStreamSize(IStream* stream, ULONGLONG& size)
{
    HRESULT hr = TryGetStreamSize(stream, size);
    if (FAILED(hr))
        ThrowErrorCode(IDS_SET_STREAM_SIZE_FAILED, hr);
}

HRESULT TrySeekStream(IStream* stream, LARGE_INTEGER move, DWORD origin)
{
    if (!stream)
        return E_POINTER;
    return stream->Seek(move, origin, nullptr);
}

void SeekStream(IStream* stream, LARGE_INTEGER move, DWORD origin)
{
    HRESULT hr = TrySeekStream(stream, move, origin);
    if (FAILED(hr))
        ThrowErrorCode(IDS_SEEK_STREAM_FAILED, hr);
}

void ReadStreamExact(IStream* stream, void* buffer, ULONG count)
{
    if (!stream)
        ThrowErrorCode(IDS_READ_STREAM_FAILED, E_POINTER);
    ULONG got = 0;
    HRESULT hr = stream->Read(buffer, count, &got);
    if (FAILED(hr))
        ThrowErrorCode(IDS_READ_STREAM_FAILED, hr);
    if (got < count)
        ThrowErrorCode(IDS_READ_STREAM_FAILED, HRESULT_FROM_WIN32(ERROR_HANDLE_EOF));
}

void WriteStreamExact(IStream* stream, const void* buffer, ULONG count)
{
    if (!stream)
        ThrowErrorCode(IDS_WRITE_STREAM_FAILED, E_POINTER);
    ULONG written = 0;
    HRESULT hr = stream->Write(buffer, count, &written);
    if (FAILED(hr))
        ThrowErrorCode(IDS_WRITE_STREAM_FAILED, hr);
    if (written < count)
        ThrowErrorCode(IDS_WRITE_STREAM_FAILED, STG_E_MEDIUMFULL);
}

int DpiToPelsPerMeter(double dpi, double rounding)
{
    return static_cast<int>(dpi * 10000.0 / 254.0 + rounding);
}
