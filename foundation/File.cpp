#include "foundation/File.h"
#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"
#include <shellapi.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

HRESULT FailedCallResult()
{
    HRESULT hr = HResultFromLastError();
    return hr == S_OK ? E_FAIL : hr;
}

namespace {

// Reads until the buffer is full or the file ends, and keeps only what was
// read: zero bytes standing in for a short read would be corrupt data.
template <class Bytes>
HRESULT ReadUntilFullOrEnd(CFile& file, Bytes& bytes)
{
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD got = 0;
        HRESULT hr = file.TryRead(&bytes[total], static_cast<DWORD>(bytes.size() - total), &got);
        if (FAILED(hr))
            return hr;
        if (got == 0)
            break;
        total += got;
    }
    bytes.resize(total);
    return S_OK;
}

void ThrowIfFailed(HRESULT hr, UINT id, CTextArg a1 = {}, CTextArg a2 = {})
{
    if (FAILED(hr))
        ThrowErrorCode(id, hr, a1, a2);
}

const DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
const DWORD kCompareChunk = 1048576;

} // namespace

HRESULT CFile::Create(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    Close();
    HANDLE h = ::CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FailedCallResult();
    m_h.Attach(h);
    return S_OK;
}

HRESULT CFile::TryOpenRead(const wchar_t* path)
{
    return Create(path, GENERIC_READ, kShareReadWrite, OPEN_EXISTING);
}

HRESULT CFile::TryOpenWrite(const wchar_t* path)
{
    return Create(path, GENERIC_WRITE, kShareReadWrite, OPEN_EXISTING);
}

HRESULT CFile::TryOpenDirectory(const wchar_t* path)
{
    return Create(path, GENERIC_READ, kShareReadWrite | FILE_SHARE_DELETE, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_NO_BUFFERING);
}

HRESULT CFile::TryCreateAlways(const wchar_t* path)
{
    return Create(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

HRESULT CFile::TryCreateNew(const wchar_t* path)
{
    return Create(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
}

void CFile::OpenRead(const std::wstring& path) { ThrowIfFailed(TryOpenRead(path.c_str()), IDS_OPEN_FILE_FAILED, path); }
void CFile::OpenWrite(const std::wstring& path) { ThrowIfFailed(TryOpenWrite(path.c_str()), IDS_OPEN_FILE_FAILED, path); }
void CFile::OpenDirectory(const std::wstring& path) { ThrowIfFailed(TryOpenDirectory(path.c_str()), IDS_OPEN_FILE_FAILED, path); }
void CFile::CreateAlways(const std::wstring& path) { ThrowIfFailed(TryCreateAlways(path.c_str()), IDS_CREATE_FILE_FAILED, path); }
void CFile::CreateNew(const std::wstring& path) { ThrowIfFailed(TryCreateNew(path.c_str()), IDS_CREATE_FILE_FAILED, path); }

HRESULT CFile::TrySeekToStart()
{
    LARGE_INTEGER zero = {};
    if (!::SetFilePointerEx(m_h, zero, nullptr, FILE_BEGIN))
        return FailedCallResult();
    return S_OK;
}

void CFile::SeekToStart() { ThrowIfFailed(TrySeekToStart(), IDS_SEEK_FILE_FAILED); }

HRESULT CFile::TrySetEndOfFile()
{
    if (!::SetEndOfFile(m_h))
        return FailedCallResult();
    return S_OK;
}

void CFile::SetEndOfFile() { ThrowIfFailed(TrySetEndOfFile(), IDS_SET_END_OF_FILE_FAILED); }

HRESULT CFile::TryGetSize(ULONGLONG& size)
{
    DWORD high = 0;
    ::SetLastError(0);
    DWORD low = ::GetFileSize(m_h, &high);
    // INVALID_FILE_SIZE is also a valid low part; only the last error tells.
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR)
        return FailedCallResult();
    size = (static_cast<ULONGLONG>(high) << 32) | low;
    return S_OK;
}

void CFile::GetSize(ULONGLONG& size) { ThrowIfFailed(TryGetSize(size), IDS_GET_FILE_SIZE_FAILED); }

HRESULT CFile::TryRead(void* buffer, DWORD count, DWORD* read)
{
    DWORD got = 0;
    if (!::ReadFile(m_h, buffer, count, &got, nullptr))
        return FailedCallResult();
    if (read)
        *read = got;
    return S_OK;
}

HRESULT CFile::TryWrite(const void* buffer, DWORD count, DWORD* written)
{
    // WriteFile needs a count to write into unless the call is overlapped.
    DWORD done = 0;
    if (!::WriteFile(m_h, buffer, count, &done, nullptr))
        return FailedCallResult();
    if (written)
        *written = done;
    return S_OK;
}

HRESULT CFile::TryWrite(const std::vector<unsigned char>& bytes)
{
    return TryWrite(bytes.data(), static_cast<DWORD>(bytes.size()));
}

HRESULT CFile::TryWrite(const std::string& bytes)
{
    return TryWrite(bytes.data(), static_cast<DWORD>(bytes.size()));
}

void CFile::Write(const void* buffer, DWORD count)
{
    if (count == 0)
        return;
    DWORD written = 0;
    HRESULT hr = TryWrite(buffer, count, &written);
    if (SUCCEEDED(hr) && written < count)
        hr = E_FAIL;
    ThrowIfFailed(hr, IDS_WRITE_FILE_FAILED, L"");
}

void CFile::Write(const std::vector<unsigned char>& bytes) { ThrowIfFailed(TryWrite(bytes), IDS_WRITE_FILE_FAILED, L""); }
void CFile::Write(const std::string& bytes) { ThrowIfFailed(TryWrite(bytes), IDS_WRITE_FILE_FAILED, L""); }

HRESULT CFile::TryReadAll(std::vector<unsigned char>& bytes, int limit)
{
    ULONGLONG size = 0;
    HRESULT hr = TryGetSize(size);
    if (FAILED(hr))
        return hr;
    if (size >= 0x80000000ull)
        return E_OUTOFMEMORY;
    if (limit > 0 && static_cast<ULONGLONG>(limit) < size)
        return HRESULT_FROM_WIN32(ERROR_MORE_DATA);
    try {
        bytes.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (size == 0)
        return S_OK;
    return ReadUntilFullOrEnd(*this, bytes);
}

HRESULT CFile::TryReadAllToString(std::string& bytes)
{
    ULONGLONG size = 0;
    HRESULT hr = TryGetSize(size);
    if (FAILED(hr))
        return hr;
    if ((size >> 32) != 0)
        return E_OUTOFMEMORY;
    try {
        bytes.assign(static_cast<size_t>(size), '\0');
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;
    }
    if (size == 0)
        return S_OK;
    hr = TrySeekToStart();
    if (FAILED(hr))
        return hr;
    return ReadUntilFullOrEnd(*this, bytes);
}

bool CFile::Equals(CFile& other)
{
    ULONGLONG a = 0, b = 0;
    if (FAILED(TryGetSize(a)) || FAILED(other.TryGetSize(b)) || a != b)
        return false;
    if (FAILED(TrySeekToStart()) || FAILED(other.TrySeekToStart()))
        return false;
    std::unique_ptr<unsigned char[]> bufA(new (std::nothrow) unsigned char[kCompareChunk]);
    std::unique_ptr<unsigned char[]> bufB(new (std::nothrow) unsigned char[kCompareChunk]);
    if (!bufA || !bufB)
        return false;
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (FAILED(TryRead(bufA.get(), kCompareChunk, &gotA)) || FAILED(other.TryRead(bufB.get(), kCompareChunk, &gotB)))
            return false;
        if (gotA != gotB)
            return false;
        if (gotA == 0)
            return true;
        if (std::memcmp(bufA.get(), bufB.get(), gotA) != 0)
            return false;
    }
}

int CFile::ComparePrefix(CFile& other)
{
    if (FAILED(TrySeekToStart()) || FAILED(other.TrySeekToStart()))
        return 0;
    std::unique_ptr<unsigned char[]> bufA(new (std::nothrow) unsigned char[kCompareChunk]);
    std::unique_ptr<unsigned char[]> bufB(new (std::nothrow) unsigned char[kCompareChunk]);
    if (!bufA || !bufB)
        return 0;
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (FAILED(TryRead(bufA.get(), kCompareChunk, &gotA)) || FAILED(other.TryRead(bufB.get(), kCompareChunk, &gotB)))
            return 0;
        if (gotA > gotB)
            return 0;
        if (gotA == 0)
            return gotB == 0 ? 2 : 1;
        if (std::memcmp(bufA.get(), bufB.get(), gotA) != 0)
            return 0;
        if (gotA < gotB)
            return 1;
    }
}

HRESULT GetFileSizeByPath(const wchar_t* path, ULONGLONG& size)
{
    CFile file;
    HRESULT hr = file.TryOpenRead(path);
    if (FAILED(hr))
        return hr;
    return file.TryGetSize(size);
}

void DeleteFileOrThrow(const std::wstring& path)
{
    if (!::DeleteFileW(path.c_str()))
        ThrowErrorCode(IDS_DELETE_FILE_FAILED, FailedCallResult(), path);
}

void DeleteFolderOrThrow(const std::wstring& path)
{
    if (path.empty())
        ThrowErrorArg(IDS_DELETE_FOLDER_FAILED, path);
    std::wstring from = path;
    from.push_back(L'\0');  // the list ends with a second NUL
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    if (::SHFileOperationW(&op) != 0)
        ThrowErrorArg(IDS_DELETE_FOLDER_FAILED, path);
}

void CopyFileOrThrow(const std::wstring& from, const std::wstring& to, bool failIfExists)
{
    if (!::CopyFileW(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE))
        throw my::CException(IDS_COPY_FILE_FAILED, FailedCallResult(), from, to);
}

void MoveFileOrThrow(const std::wstring& from, const std::wstring& to)
{
    if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        throw my::CException(IDS_MOVE_FILE_FAILED, FailedCallResult(), from, to);
}

void CreateNewFileOrThrow(const std::wstring& path)
{
    CFile file;
    ThrowIfFailed(file.Create(path.c_str(), GENERIC_WRITE, kShareReadWrite, CREATE_NEW), IDS_CREATE_FILE_FAILED, path);
}
