#include "inet/InetStream.h"
#include "foundation/Error.h"
#include "foundation/File.h"
#include "foundation/GuardedRunner.h"
#include "foundation/PathUtil.h"
#include "foundation/ResourceString.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"
#include <atomic>

CInetMemStream::~CInetMemStream() { m_target->resize(m_written); }

void CInetMemStream::Begin(DWORD expectedLength, DWORD chunkSize)
{
    m_expectedLength = expectedLength;
    m_chunkSize = chunkSize;
    m_written = 0;
}

void CInetMemStream::GetBuffer(void*& buffer, DWORD& length)
{
    m_target->resize(static_cast<size_t>(m_written) + m_chunkSize);
    buffer = &(*m_target)[m_written];
    length = m_chunkSize;
}

void CInetMemStream::Commit(const void*, DWORD bytes) { m_written += bytes; }

void CInetMemStream::End() { m_target->resize(m_written); }

void CInetFileStream::Open(const std::wstring& path)
{
    m_path = path;
    file.open(path.c_str(), std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file.is_open())
        ThrowWriteError();
}

void CInetFileStream::Close()
{
    if (!file.is_open())
        return;
    file.close();
    if (file.fail())
        ThrowWriteError();
}

void CInetFileStream::ThrowWriteError() const { throw my::CException(IDS_OPEN_FILE_FAILED, E_FAIL, m_path); }

void CInetFileStream::Begin(DWORD, DWORD chunkSize) { m_buffer.resize(chunkSize); }

void CInetFileStream::GetBuffer(void*& buffer, DWORD& length)
{
    buffer = &m_buffer[0];
    length = static_cast<DWORD>(m_buffer.size());
}

void CInetFileStream::Commit(const void* buffer, DWORD bytes)
{
    file.write(static_cast<const char*>(buffer), bytes);
    if (!file)
        ThrowWriteError();
}

void CInetFileStream::End() {}

HRESULT MakeTempFileName(std::wstring& name)
{
    std::wstring folder;
    HRESULT hr = GetTempPathString(folder);
    if (FAILED(hr))
        return hr;
    AppendSeparator(folder);
    // Process-wide, so that threads of one process never race for a name;
    // other processes have other ids.
    static std::atomic<unsigned> counter(0);
    const std::wstring prefix = folder + FormatStr(L"ZVR_%08X_", GetCurrentProcessId());
    // The runtime's own temporary names keep only three prefix characters
    // under Wine: the name is ours, and CREATE_NEW claims it atomically.
    for (int attempt = 0; attempt < 10000; ++attempt) {
        std::wstring candidate = prefix + std::to_wstring(++counter);
        CFile file;
        hr = file.TryCreateNew(candidate.c_str());
        if (SUCCEEDED(hr)) {
            name = candidate;
            return S_OK;
        }
        if (hr != HResultFromWin32(ERROR_FILE_EXISTS) && hr != HResultFromWin32(ERROR_ALREADY_EXISTS))
            return hr;
    }
    return HResultFromWin32(ERROR_FILE_EXISTS);
}

void MakeTempFileNameOrThrow(std::wstring& name)
{
    HRESULT hr = MakeTempFileName(name);
    if (FAILED(hr))
        throw my::CException(IDS_GET_TEMP_PATH_FAILED, hr);
}

CAutoDeleteFile::~CAutoDeleteFile()
{
    try {
        Delete();
    } catch (...) {
        // Only a missing message text can get here; a destructor must not raise.
    }
}

void CAutoDeleteFile::SetFile(const std::wstring& path)
{
    m_path = path;
    m_isFolder = false;
}

void CAutoDeleteFile::SetFolder(const std::wstring& path)
{
    m_path = path;
    m_isFolder = true;
}

void CAutoDeleteFile::Release()
{
    m_path.clear();
    m_isFolder = false;
}

void CAutoDeleteFile::Delete()
{
    if (m_path.empty())
        return;
    my::CCtrlException result(nullptr, 0);
    CatchToError(result, [this] {
        if (m_isFolder)
            DeleteFolderOrThrow(m_path);
        else
            DeleteFileOrThrow(m_path);
    });
    m_path.clear();
    Err = result;
}
