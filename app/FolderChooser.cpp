#include "app/FolderChooser.h"
#include <shlobj.h>

namespace {

struct CBrowseState {
    const std::wstring* initial;
};

// A callback of the shell: nothing may be thrown through it, and nothing here throws.
int CALLBACK OnBrowseEvent(HWND browser, UINT message, LPARAM param, LPARAM data) noexcept
{
    const CBrowseState* state = reinterpret_cast<const CBrowseState*>(data);
    switch (message) {
    case BFFM_INITIALIZED:
        if (state && !state->initial->empty()) {
            // Selecting opens the folder's parents. Asking to expand the
            // folder itself as well makes Wine move the selection to its
            // parent (or elsewhere), so it is only selected.
            SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(state->initial->c_str()));
        }
        break;
    case BFFM_VALIDATEFAILEDW:
        return 1;  // keep the browser open
    default:
        break;
    }
    return 0;
}

} // namespace

bool ChooseOutputFolder(HWND owner, const std::wstring& title, const std::wstring& initial, std::wstring& chosen)
{
    CBrowseState state = {&initial};
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    // File-system folders only, an edit box, the new dialog style.
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;  // 0x51
    info.lpfn = OnBrowseEvent;
    info.lParam = reinterpret_cast<LPARAM>(&state);
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
    if (!list)
        return false;
    wchar_t path[MAX_PATH] = L"";
    const bool ok = SHGetPathFromIDListW(list, path) != FALSE && path[0] != L'\0';
    CoTaskMemFree(list);
    if (ok)
        chosen = path;
    return ok;
}
