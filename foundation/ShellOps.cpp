#include "foundation/ShellOps.h"
#include "foundation/Error.h"
#include "foundation/PathUtil.h"
#include "platform/Handle.h"
#include "resources/strings_foundation_io.h"
#include "resources/strings_shell.h"
#include <shlobj.h>
#include <shlwapi.h>

HINSTANCE ShellExecuteFile(const std::wstring& file, const std::wstring& parameters)
{
    return ShellExecuteW(nullptr, nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                         nullptr, SW_SHOWNORMAL);
}

DWORD ShellErrorToWin32(HINSTANCE result)
{
    const UINT_PTR value = reinterpret_cast<UINT_PTR>(result);
    if (value > 32)
        return 0;
    switch (value) {
    case 0:
    case SE_ERR_OOM:  // 8
        return ERROR_OUTOFMEMORY;
    case SE_ERR_FNF:
        return ERROR_FILE_NOT_FOUND;
    case SE_ERR_PNF:
        return ERROR_PATH_NOT_FOUND;
    case SE_ERR_ACCESSDENIED:
        return ERROR_ACCESS_DENIED;
    case ERROR_BAD_FORMAT:
        return ERROR_BAD_FORMAT;
    case SE_ERR_SHARE:
        return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
        return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
        return ERROR_TIMEOUT;
    case SE_ERR_DDEFAIL:
        return ERROR_DDE_FAIL;
    case SE_ERR_DDEBUSY:
        return ERROR_BUSY;
    case SE_ERR_DLLNOTFOUND:
        return ERROR_DLL_NOT_FOUND;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

HINSTANCE ShellExecuteOrThrow(const std::wstring& file, const std::wstring& parameters)
{
    HINSTANCE result = ShellExecuteFile(file, parameters);
    const DWORD code = ShellErrorToWin32(result);
    if (code != 0)
        throw my::CException(IDS_SHELL_EXECUTE_FAILED, HResultFromWin32(code), file + L" " + parameters);
    return result;
}

HINSTANCE OpenFolderAndSelect(const std::wstring& path)
{
    if (!PathFileExistsW(path.c_str()))
        throw my::CException(IDS_SHELL_EXECUTE_FAILED, HResultFromWin32(ERROR_PATH_NOT_FOUND), path);
    return ShellExecuteOrThrow(L"EXPLORER.EXE", L"/n,/select,\"" + path + L"\"");
}

HANDLE ShellExecuteProcess(const std::wstring& file, const std::wstring& parameters, const std::wstring& verb,
                           HWND owner, int showCommand)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = verb.empty() ? nullptr : verb.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = showCommand;
    if (!ShellExecuteExW(&info))
        return nullptr;
    return info.hProcess;
}

bool RunAndWait(const std::wstring& file, const std::wstring& parameters, const std::wstring& verb, HWND owner,
                int showCommand, DWORD* exitCode)
{
    const CHandle process(ShellExecuteProcess(file, parameters, verb, owner, showCommand));
    if (!process.IsValid())
        return false;
    // Polled rather than waited on at once, as the caller's thread may be
    // the one that owns windows.
    while (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
        Sleep(100);
    if (exitCode && !GetExitCodeProcess(process, exitCode))
        *exitCode = 0;
    return true;
}

HANDLE ShellExecuteElevated(const std::wstring& file, const std::wstring& parameters, HWND owner, int showCommand)
{
    return ShellExecuteProcess(file, parameters, L"runas", owner, showCommand);
}

bool RunElevatedAndWait(const std::wstring& file, const std::wstring& parameters, HWND owner, int showCommand,
                        DWORD* exitCode)
{
    return RunAndWait(file, parameters, L"runas", owner, showCommand, exitCode);
}

int DeleteFiles(const CPathList& paths, HWND owner, FILEOP_FLAGS flags, bool* aborted)
{
    std::wstring from;
    JoinNulSeparated(paths, from);
    SHFILEOPSTRUCTW op = {};
    op.hwnd = owner;
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = flags;
    const int result = SHFileOperationW(&op);
    if (aborted)
        *aborted = op.fAnyOperationsAborted != FALSE;
    return result;
}

int DeleteFileByShell(const std::wstring& path, HWND owner, FILEOP_FLAGS flags, bool* aborted)
{
    return DeleteFiles(CPathList(1, path), owner, flags, aborted);
}

HRESULT ShellFileOperation(UINT function, const CPathList& from, const std::wstring& to, HWND owner, FILEOP_FLAGS flags)
{
    std::wstring sources;
    JoinNulSeparated(from, sources);
    std::wstring target = to;
    target.append(2, L'\0');  // the destination is a list too
    SHFILEOPSTRUCTW op = {};
    op.hwnd = owner;
    op.wFunc = function;
    op.pFrom = sources.c_str();
    op.pTo = target.c_str();
    op.fFlags = flags;
    return SHFileOperationW(&op) == 0 ? S_OK : E_FAIL;
}

bool IsFolderPathTooLong(const std::wstring& fullPath)
{
    std::wstring path = fullPath;
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path.size() > kMaxFolderPath;
}

DWORD TryCreateFolder(const std::wstring& path)
{
    if (IsDriveRoot(path))
        return PathFileExistsW(path.c_str()) ? 0 : ERROR_ACCESS_DENIED;
    // The shell takes only full paths; a relative one is taken from the
    // current folder, as every other file call does.
    const std::wstring full = IsRelativePath(path) ? GetFullPathOrSelf(path) : path;
    // The shell makes the parents first and fails only at the folder that is
    // too long, leaving the parents behind (and Wine takes longer paths than
    // Windows does): refused before anything is made.
    if (IsFolderPathTooLong(full))
        return ERROR_FILENAME_EXCED_RANGE;
    int rc = SHCreateDirectory(nullptr, full.c_str());
    if (rc == ERROR_SUCCESS)
        return 0;
    // "Already exists" is success only when what exists is a folder, not a file.
    if (rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS)
        return IsExistingFolder(full) ? 0 : ERROR_ALREADY_EXISTS;
    return static_cast<DWORD>(rc);
}

namespace {

[[noreturn]] void ThrowCreateFolderFailed(DWORD code, const std::wstring& folder)
{
    // An existing folder is refused for the names of the files it would hold,
    // which the system's "file name too long" does not tell.
    if (code == ERROR_FILENAME_EXCED_RANGE && IsExistingFolder(folder))
        throw my::CException(IDS_FOLDER_TOO_LONG_FOR_FILES, std::to_wstring(kMaxFolderPath), folder);
    throw my::CException(IDS_CREATE_FOLDER_FAILED, HResultFromWin32(code), folder);
}

} // namespace

bool IsExistingFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFolder(const std::wstring& path)
{
    DWORD code = TryCreateFolder(path);
    if (code != 0)
        ThrowCreateFolderFailed(code, path);
}

namespace {
std::wstring FolderPartOf(const std::wstring& path)
{
    const size_t last = path.find_last_of(L"/\\");
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}
} // namespace

DWORD TryCreateParentFolder(const std::wstring& path)
{
    if (path.empty())
        return ERROR_BAD_PATHNAME;
    const std::wstring folder = FolderPartOf(path);
    // A bare file name lives in the current folder, which exists.
    return folder.empty() ? 0 : TryCreateFolder(folder);
}

void CreateParentFolder(const std::wstring& path)
{
    if (path.empty())
        throw my::CException(IDS_CREATE_FOLDER_FAILED, HResultFromWin32(ERROR_BAD_PATHNAME), path);
    const std::wstring folder = FolderPartOf(path);
    const DWORD code = folder.empty() ? 0 : TryCreateFolder(folder);
    if (code != 0)
        ThrowCreateFolderFailed(code, folder);
}
