#include "foundation/ReplacingFileWriter.h"
#include "foundation/Error.h"
#include "foundation/File.h"

namespace {

std::wstring FolderOf(const std::wstring& path)
{
    const size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos)
        return L".";
    if (cut == 0 || path[cut - 1] == L':')
        return path.substr(0, cut + 1);  // keep the root's separator
    return path.substr(0, cut);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

CReplacingFileWriter::CReplacingFileWriter(const std::wstring& target, bool keepBackup)
    : m_target(target), m_keepBackup(keepBackup)
{
}

CReplacingFileWriter::~CReplacingFileWriter()
{
    if (!m_temp.empty())
        DeleteFileW(m_temp.c_str());
}

HRESULT CReplacingFileWriter::WriteTemporary(const std::string& bytes)
{
    if (!m_temp.empty()) {
        DeleteFileW(m_temp.c_str());
        m_temp.clear();
    }
    wchar_t temp[MAX_PATH + 16] = {};
    // Same folder as the target: the final rename then never crosses volumes.
    if (!GetTempFileNameW(FolderOf(m_target).c_str(), L"knt", 0, temp))
        return FailedCallResult();
    m_temp = temp;
    CFile file;
    HRESULT hr = file.TryCreateAlways(m_temp.c_str());
    if (SUCCEEDED(hr))
        hr = file.TryWrite(bytes);
    if (SUCCEEDED(hr) && !FlushFileBuffers(file))
        hr = FailedCallResult();
    return hr;
}

HRESULT CReplacingFileWriter::Commit()
{
    if (m_temp.empty())
        return E_UNEXPECTED;
    if (Exists(m_target)) {
        const std::wstring backup = BackupPath(m_target);
        if (ReplaceFileW(m_target.c_str(), m_temp.c_str(), m_keepBackup ? backup.c_str() : nullptr,
                         REPLACEFILE_WRITE_THROUGH, nullptr, nullptr)) {
            m_temp.clear();
            return S_OK;
        }
        const DWORD error = GetLastError();
        // 1177: the old file already went to the backup name but the new one
        // was not moved in; finishing with a plain move completes the swap.
        if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            return HResultFromWin32(error);
    }
    if (!MoveFileExW(m_temp.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FailedCallResult();
    m_temp.clear();
    return S_OK;
}

HRESULT WriteFileReplacing(const std::wstring& path, const std::string& bytes, bool keepBackup)
{
    CFile current;
    if (SUCCEEDED(current.TryOpenRead(path.c_str()))) {
        std::string old;
        if (SUCCEEDED(current.TryReadAllToString(old)) && old == bytes)
            return S_FALSE;
    }
    current.Close();
    CReplacingFileWriter writer(path, keepBackup);
    HRESULT hr = writer.WriteTemporary(bytes);
    if (SUCCEEDED(hr))
        hr = writer.Commit();
    return hr;
}
