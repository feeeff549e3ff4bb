// Shell item ID lists: the shell's name for every file, folder and virtual
// object. A list is a run of items in task memory, each starting with its
// 16-bit size (the size field included), ended by an item of size 0. The
// empty list is those two zero bytes; a null pointer is no list at all.
//
// CItemIDListHandle views a list without owning it; CItemIDList owns its
// memory (CoTaskMemAlloc / CoTaskMemFree, so lists pass to and from the shell
// in both directions). Operations that need a shell folder object are in
// foundation/ShellFolder.h.
//
// The "Shell IDList Array" block (several lists in one global-memory block,
// as drag and drop and the clipboard carry them) is read with
// ReadIDListArray, which checks every count, offset and item against the
// block's size: such a block comes from another process.
#pragma once
#include "platform/Icon.h"
#include <windows.h>
#include <shlobj.h>
#include <iosfwd>
#include <list>
#include <string>
#include <vector>

class CItemIDList;
class CShellFolder;

// A size as an int; above INT_MAX raises IDS_CAST_ERROR ("size_t" to "int").
int CastSizeToInt(size_t size);

class CItemIDListHandle {
public:
    CItemIDListHandle() = default;
    explicit CItemIDListHandle(LPCITEMIDLIST list) : m_list(const_cast<LPITEMIDLIST>(list)) {}
    virtual ~CItemIDListHandle() = default;

    LPITEMIDLIST Get() const { return m_list; }
    operator LPCITEMIDLIST() const { return m_list; }
    bool IsNull() const { return m_list == nullptr; }

    // A list whose first item has size 0 (false for no list).
    bool IsEmpty() const { return m_list && m_list->mkid.cb == 0; }
    UINT GetFirstItemSize() const { return m_list ? m_list->mkid.cb : 0; }
    // The list after the first item (the list itself when it is empty).
    LPCITEMIDLIST GetNextItem() const;
    // Sum of the item sizes plus 2 for the end; 0 for no list.
    UINT GetSize() const;
    // All items but the last, without the end.
    UINT GetParentSize() const;
    UINT GetItemCount() const;
    // The last item; null for an empty list or no list.
    LPCITEMIDLIST FindLastItem() const;

    // New lists; null when memory runs out.
    // a's items followed by b's; a missing or empty side adds nothing.
    static CItemIDList Combine(LPCITEMIDLIST a, LPCITEMIDLIST b);
    CItemIDList CopyFirstItem() const;
    // All items but the last; null for no list, an empty or a one-item list.
    CItemIDList CopyParent() const;
    // The items after `parent` when it is a prefix of this list, else null.
    CItemIDList RelativeTo(LPCITEMIDLIST parent) const;

    // Equal first items: both lists empty, or same size and same bytes, or
    // the shell's ILIsEqual on one-item copies when only the bytes differ.
    static bool IsFirstItemEqual(LPCITEMIDLIST a, LPCITEMIDLIST b);
    // The same, keeping the one-item copies in the holders for reuse; they
    // are made only while the holders are empty.
    static bool IsFirstItemEqual(LPCITEMIDLIST a, LPCITEMIDLIST b, CItemIDList& firstA, CItemIDList& firstB);
    // Every item of this list equals the item of `other` at its place. An
    // empty list is a prefix of any list; a null side gives false.
    bool IsPrefixOf(LPCITEMIDLIST other) const;

    // The file-system path (S_OK), or E_FAIL with the text emptied.
    HRESULT TryGetPath(std::wstring& path) const;
    // The path; IDS_ID_LIST_TO_PATH_FAILED when the list names no file-system object.
    std::wstring GetPath() const;
    HRESULT GetDisplayName(std::wstring& name) const;
    // Empty on failure.
    CIconHandle GetIcon(UINT flags) const;
    // Index in the system image list, or -1.
    int GetSysIconIndex(UINT flags) const;

    // Each item's bytes in two-digit hexadecimal, items separated by "/".
    void WriteHex(std::wostream& os) const;

protected:
    LPITEMIDLIST m_list = nullptr;
};

// Each item's display name within its parent folder, separated by "/";
// "NULL" for no list.
std::wostream& operator<<(std::wostream& os, const CItemIDListHandle& list);

class CItemIDList : public CItemIDListHandle {
public:
    CItemIDList() = default;
    // Adopts the list.
    explicit CItemIDList(LPITEMIDLIST list) : CItemIDListHandle(list) {}
    CItemIDList(const CItemIDList& other) : CItemIDListHandle() { Assign(other); }
    CItemIDList(CItemIDList&& other) noexcept : CItemIDListHandle() { m_list = other.Detach(); }
    CItemIDList& operator=(const CItemIDList& other) { Assign(other); return *this; }
    CItemIDList& operator=(CItemIDList&& other) noexcept;
    ~CItemIDList() override { Free(); }

    // A deep copy; a null source leaves this null. False without memory.
    bool Assign(LPCITEMIDLIST source);
    void Attach(LPITEMIDLIST list);
    LPITEMIDLIST Detach();
    void Free();
    // `size` zeroed bytes in place of the held list.
    bool Alloc(UINT size);
    // The first byteCount bytes of the source and an end after them.
    bool CopyPrefix(LPCITEMIDLIST source, UINT byteCount);
    // Hands out the last item as a one-item list and cuts it off this list.
    // For an empty list the list itself is handed over and this is left null.
    CItemIDList PopLastItem();
    // This list becomes a followed by b (a missing a counts as empty);
    // E_FAIL without memory.
    HRESULT SetCombined(LPCITEMIDLIST a, LPCITEMIDLIST b);
    bool SetEmpty();

    HRESULT SetSpecialFolder(int csidl);
    HRESULT TrySetDesktop() { return SetSpecialFolder(CSIDL_DESKTOP); }
    void SetDesktop();  // IDS_GET_ROOT_ID_LIST_FAILED
    HRESULT SetRecycleBin() { return SetSpecialFolder(CSIDL_BITBUCKET); }
    HRESULT SetComputer() { return SetSpecialFolder(CSIDL_DRIVES); }
    HRESULT SetKnownFolder(REFKNOWNFOLDERID folderId, DWORD flags = 0, HANDLE token = nullptr);
    // Parsed by the desktop folder; `attributes` is the optional in/out mask.
    HRESULT TrySetFromPath(const std::wstring& path, SFGAOF* attributes = nullptr);
    void SetFromPath(const std::wstring& path, SFGAOF* attributes = nullptr);  // IDS_PATH_TO_ID_LIST_FAILED
    HRESULT SetCurrentFolder();
    // The absolute list of a child of the folder, through its parsing name.
    HRESULT SetFromChild(const CShellFolder& folder, LPCITEMIDLIST child);
};

void DestroyItemIDListVector(std::vector<CItemIDList>& lists);

// "Shell IDList Array": a count n, n + 1 offsets from the block start (the
// parent list first), an empty parent list, then the n lists. E_INVALIDARG
// for no lists; the caller owns the block on S_OK.
HRESULT MakeIDListArray(const std::vector<CItemIDList>& lists, HGLOBAL& block);
// The absolute lists of a block (parent combined with each item). A block
// whose header, offsets or lists do not fit in its size gives E_INVALIDARG
// and an empty output.
HRESULT ReadIDListArray(HGLOBAL block, std::vector<CItemIDList>& lists);
// The paths of the block's lists; the first list without a path ends the
// call with E_FAIL, keeping the paths before it.
HRESULT ReadPathsFromIDListArray(HGLOBAL block, std::list<std::wstring>& paths);
// The lists a data object offers as "Shell IDList Array", sorted in the
// desktop folder's order when asked. A null object gives none. Raises IDS_DATA_OBJECT_GET_DATA_FAILED
// when the object has no such data, IDS_GET_PATHS_FAILED when the block is unreadable or
// holds no list, IDS_GET_DESKTOP_FOLDER_FAILED when sorting cannot reach the desktop folder.
void ReadIDListsFromDataObject(IDataObject* data, std::vector<CItemIDList>& lists, bool sort);
