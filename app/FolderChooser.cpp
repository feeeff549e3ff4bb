// The output-folder chooser: the shell's folder browser, opened on the stored
// folder, which it selects and expands.
//
// Selecting the folder. The browser is asked to select it by its path
// (BFFM_SETSELECTIONW) and reports every selection with its ID list
// (BFFM_SELCHANGED), so the chooser knows which folder is selected. Wine's
// browser finds the folder by walking its tree and comparing each level's
// item ID with the IDs of the parsed path byte for byte, and a folder's ID
// carries its last-access time. Anything that lists a folder between the
// parse and the walk moves that time (the parse itself lists a parent when a
// name differs in case, other programs list busy folders such as /tmp, and a
// folder changed since it was last read gets a new access time on every
// read): the walk then stops at the last level that still matched, and OK
// would return that folder, often the drive's root. When the selection is not
// the stored folder, the chooser selects the drive's root (drives carry no
// times) and walks down the tree itself, comparing the paths the browser
// reports for the items it selects, never their IDs. A folder that no longer
// exists leaves its deepest existing parent selected.
//
// Expanding it. Wine's BFFM_SETEXPANDED only walks to the folder and never
// expands the folder itself, so the selected item of the tree is expanded
// directly; the selection stays where it is.
#include "app/FolderChooser.h"
#include "foundation/ItemIDList.h"
#include "foundation/PathUtil.h"
#include "ui/Firewall.h"
#include <shlobj.h>
#include <commctrl.h>

namespace {

struct CBrowseState {
    std::wstring initial;   // the stored folder, in its full form
    std::wstring selected;  // the path of the folder the browser shows selected
};

// No trailing separator, except for a drive's root ("C:\").
std::wstring FullFolderPath(const std::wstring& path)
{
    std::wstring full = GetFullPathOrSelf(path);
    while (RemoveTrailingSeparatorKeepRoot(full)) {
    }
    return full;
}

// The name of the folder below `folder` on the way to `path`.
std::wstring NextName(const std::wstring& folder, const std::wstring& path)
{
    size_t start = folder.size();
    if (start < path.size() && path[start] == L'\\')
        ++start;
    const size_t end = path.find(L'\\', start);
    return path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

BOOL CALLBACK FindTreeView(HWND child, LPARAM found)
{
    wchar_t name[32] = L"";
    ::GetClassNameW(child, name, 32);
    if (::lstrcmpiW(name, WC_TREEVIEWW) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

HTREEITEM NextItem(HWND tree, UINT which, HTREEITEM item)
{
    return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(item)));
}

std::wstring ItemText(HWND tree, HTREEITEM item)
{
    wchar_t text[MAX_PATH] = L"";
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

// Selects a tree item; the browser reports its path into state.selected.
const std::wstring& SelectItem(HWND tree, HTREEITEM item, CBrowseState& state)
{
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return state.selected;
}

// From the selected folder, which holds the target, down the tree to the
// target: at each level the child whose path leads on (items named like the
// next folder are tried first). False when a level has no such child; the
// deepest folder reached stays selected.
bool WalkDown(HWND tree, CBrowseState& state)
{
    HTREEITEM node = NextItem(tree, TVGN_CARET, nullptr);
    while (node) {
        const std::wstring here = state.selected;
        ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
        const std::wstring name = NextName(here, state.initial);
        HTREEITEM next = nullptr;
        for (int pass = 0; pass < 2 && !next; ++pass) {
            for (HTREEITEM child = NextItem(tree, TVGN_CHILD, node); child && !next;
                 child = NextItem(tree, TVGN_NEXT, child)) {
                if (EqualPathsIgnoringTrailingSeparator(ItemText(tree, child), name) != (pass == 0))
                    continue;
                const std::wstring& path = SelectItem(tree, child, state);
                if (EqualPathsIgnoringTrailingSeparator(path, state.initial))
                    return true;
                if (IsPathUnderFolder(path, state.initial))
                    next = child;
            }
        }
        if (!next) {
            SelectItem(tree, node, state);
            return false;
        }
        node = next;
    }
    return false;
}

void SelectInitialFolder(HWND browser, CBrowseState& state)
{
    ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(state.initial.c_str()));
    HWND tree = nullptr;
    ::EnumChildWindows(browser, FindTreeView, reinterpret_cast<LPARAM>(&tree));
    if (!tree)
        return;
    bool selected = EqualPathsIgnoringTrailingSeparator(state.selected, state.initial);
    if (!selected) {
        std::wstring root, rest;
        SplitRoot(state.initial, root, rest);
        if (!IsDriveRoot(root))
            return;
        ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(root.c_str()));
        if (!EqualPathsIgnoringTrailingSeparator(state.selected, root))
            return;
        selected = root == state.initial || WalkDown(tree, state);
    }
    if (selected) {
        HTREEITEM item = NextItem(tree, TVGN_CARET, nullptr);
        ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        ::SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    }
}

// A callback of the shell: nothing may be thrown through it.
int CALLBACK OnBrowseEvent(HWND browser, UINT message, LPARAM param, LPARAM data) noexcept
{
    if (message == BFFM_VALIDATEFAILEDW)
        return 1;  // keep the browser open
    CBrowseState* state = reinterpret_cast<CBrowseState*>(data);
    if (!state)
        return 0;
    GuardedCall([&] {
        if (message == BFFM_INITIALIZED && !state->initial.empty())
            SelectInitialFolder(browser, *state);
        else if (message == BFFM_SELCHANGED)
            CItemIDListHandle(reinterpret_cast<LPCITEMIDLIST>(param)).TryGetPath(state->selected);
    });
    return 0;
}

} // namespace

bool ChooseOutputFolder(HWND owner, const std::wstring& title, const std::wstring& initial, std::wstring& chosen)
{
    CBrowseState state;
    if (!initial.empty())
        state.initial = FullFolderPath(initial);
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    // File-system folders only, an edit box, the new dialog style.
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;  // 0x51
    info.lpfn = OnBrowseEvent;
    info.lParam = reinterpret_cast<LPARAM>(&state);
    const CItemIDList list(SHBrowseForFolderW(&info));
    std::wstring path;
    if (FAILED(list.TryGetPath(path)) || path.empty())
        return false;
    chosen = path;
    return true;
}
