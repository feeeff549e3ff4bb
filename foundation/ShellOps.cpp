#include "foundation/ShellOps.h"
#include "foundation/Error.h"
#include "foundation/PathUtil.h"
#include "resources/strings_foundation_io.h"
#include <shlobj.h>
#include <shlwapi.h>

DWORD TryCreateFolder(const std::wstring& path)
{
    if (IsDriveRoot(path))
        return PathFileExistsW(path.c_str()) ? 0 : ERROR_ACCESS_DENIED;
    int rc = SHCreateDirectory(nullptr, path.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS)
        return 0;
    return static_cast<DWORD>(rc);
}

void CreateFolder(const std::wstring& path)
{
    DWORD code = TryCreateFolder(path);
    if (code != 0)
        throw my::CException(IDS_CREATE_FOLDER_FAILED, HResultFromWin32(code), path);
}
