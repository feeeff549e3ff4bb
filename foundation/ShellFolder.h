// Shell folders through IShellFolder: the desktop, a folder for an ID list,
// the parent of an item; names, parsing (also of paths that do not exist
// yet), renaming, finding a child by name, attributes, data objects and the
// shell's order of ID lists.
//
// A CShellFolder holds one folder interface. Every bind or get releases the
// held folder first, so a failed call leaves the holder empty. Operations
// come in an HRESULT form and, where a caller wants one, a raising form.
#pragma once
#include "foundation/ItemIDList.h"
#include "platform/ComPtr.h"
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

class CShellFolder {
public:
    CShellFolder() = default;
    explicit CShellFolder(IShellFolder* folder) : m_folder(folder) {}

    IShellFolder* Get() const { return m_folder; }
    IShellFolder* operator->() const { return m_folder; }
    bool IsEmpty() const { return !m_folder; }
    void Release() { m_folder.Release(); }

    HRESULT TrySetDesktopFolder();
    void SetDesktopFolder();  // IDS_GET_DESKTOP_FOLDER_FAILED
    // A null or empty list gives the desktop itself.
    HRESULT TryBindToIDList(LPCITEMIDLIST list);
    void BindToIDList(LPCITEMIDLIST list);  // IDS_CREATE_SHELL_FOLDER_FAILED
    // From the desktop one item at a time with the bind context; the first
    // failure is returned and leaves the holder empty.
    HRESULT BindStepwise(LPCITEMIDLIST list, IBindCtx* context);
    HRESULT TryBindToCurrentFolder();
    void BindToCurrentFolder();  // IDS_CREATE_SHELL_FOLDER_FAILED
    // `last` points into `list` at its last item.
    HRESULT TryBindToParent(LPCITEMIDLIST list, LPCITEMIDLIST& last);
    void BindToParent(LPCITEMIDLIST list, LPCITEMIDLIST& last);  // IDS_CREATE_SHELL_FOLDER_FAILED
    HRESULT BindToChild(LPCITEMIDLIST child, CShellFolder& out) const;
    // The same object as IShellFolder2; empty when it has none.
    CComPtr<IShellFolder2> QueryFolder2() const;

    // E_FAIL for a null child (output untouched) and for a name given as an
    // offset into the item.
    HRESULT GetDisplayNameOf(LPCITEMIDLIST child, SHGDNF flags, std::wstring& name) const;
    static HRESULT GetItemDisplayName(LPCITEMIDLIST absolute, SHGDNF flags, std::wstring& name);
    // The text after the last '.' of the in-folder parsing name.
    HRESULT GetParsingExtension(LPCITEMIDLIST child, std::wstring& extension) const;
    HRESULT TrySetNameOf(LPCITEMIDLIST child, const std::wstring& newName, CItemIDList* newChild);
    void SetNameOf(LPCITEMIDLIST child, const std::wstring& newName, CItemIDList* newChild);  // IDS_GET_DISPLAY_NAME_FAILED
    // In-folder names of each item joined by "\"; a failure leaves `path` as it was.
    HRESULT GetRelativeDisplayPath(LPCITEMIDLIST relative, std::wstring& path) const;

    HRESULT ParseDisplayName(const std::wstring& name, CItemIDList& out, IBindCtx* context = nullptr) const;
    // The shell takes the file data from `data` instead of the disk, so the
    // path need not exist.
    HRESULT ParseDisplayNameWithFindData(const std::wstring& path, CItemIDList& out,
                                         const WIN32_FIND_DATAW& data) const;
    HRESULT ParseNonExistingPath(const std::wstring& path, CItemIDList& out, bool isFolder) const;
    // The absolute list of a child, through its parsing name.
    HRESULT FullIDListOfChild(LPCITEMIDLIST child, CItemIDList& out) const;
    // Parsing first, then a search by display name without regard to case.
    // S_FALSE with a null list when nothing matches.
    HRESULT FindChild(const std::wstring& name, CItemIDList& out, SHGDNF flags, HWND owner) const;
    HRESULT SearchChild(const std::wstring& name, CItemIDList& out, SHGDNF flags, HWND owner) const;

    // E_HANDLE for an empty holder.
    HRESULT TryGetAttributesOf(LPCITEMIDLIST child, SFGAOF& attributes) const;
    HRESULT TryGetAttributesOf(const std::vector<LPCITEMIDLIST>& children, SFGAOF& attributes) const;
    void GetAttributesOf(LPCITEMIDLIST child, SFGAOF& attributes) const;  // IDS_GET_SHELL_ATTRIBUTES_FAILED
    bool HasChildren(DWORD contentFlags, HWND owner) const;
    // DROPEFFECT_COPY, _MOVE and _LINK for the abilities all items share.
    HRESULT GetAllowedDropEffects(const std::vector<LPCITEMIDLIST>& children, DWORD& effects) const;
    HRESULT GetAllowedDropEffects(LPCITEMIDLIST child, DWORD& effects) const;
    // E_INVALIDARG for no children.
    HRESULT TryGetDataObject(const std::vector<LPCITEMIDLIST>& children, HWND owner, IDataObject** out) const;
    void GetDataObject(const std::vector<LPCITEMIDLIST>& children, HWND owner, IDataObject** out) const;  // IDS_CREATE_DATA_OBJECT_FAILED
    // The find data through IShellFolder2::GetDetailsEx; E_FAIL without it.
    HRESULT GetFindData(LPCITEMIDLIST child, WIN32_FIND_DATAW& data) const;

    // -1, 0 or 1; a non-empty list sorts after an empty one without asking
    // the shell; -2 when the shell fails.
    int CompareIDs(LPCITEMIDLIST a, LPCITEMIDLIST b) const;
    bool IsLess(LPCITEMIDLIST a, LPCITEMIDLIST b) const { return CompareIDs(a, b) < 0; }
    // Two absolute lists: item by item, then the folder of the common part
    // decides at the first difference. -1 when no folder can be had.
    static int CompareIDLists(LPCITEMIDLIST a, LPCITEMIDLIST b);

private:
    CComPtr<IShellFolder> m_folder;
};

// The IFileSystemBindData object that ParseDisplayNameWithFindData registers
// in its bind context. E_POINTER for a null out pointer.
HRESULT CreateFileSystemBindData(const WIN32_FIND_DATAW& data, IFileSystemBindData** out);
