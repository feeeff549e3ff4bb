#include "foundation/ItemIDList.h"
#include "foundation/Error.h"
#include "foundation/GlobalMemory.h"
#include "foundation/ShellFolder.h"
#include "resources/strings_shell.h"
#include <shellapi.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <iomanip>
#include <ostream>

namespace {

const ITEMIDLIST kEmptyList = {{0, {0}}};

inline LPITEMIDLIST Advance(LPCITEMIDLIST item)
{
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(item) + item->mkid.cb));
}

UINT ListSize(LPCITEMIDLIST list)
{
    if (!list)
        return 0;
    UINT size = sizeof(USHORT);
    for (; list->mkid.cb; list = Advance(list))
        size += list->mkid.cb;
    return size;
}

// `size` zeroed bytes of task memory, or null.
LPITEMIDLIST AllocList(size_t size)
{
    void* memory = ::CoTaskMemAlloc(size);
    if (memory)
        std::memset(memory, 0, size);
    return static_cast<LPITEMIDLIST>(memory);
}

// A copy of `byteCount` bytes of items with an end after them.
LPITEMIDLIST CopyItems(LPCITEMIDLIST source, UINT byteCount)
{
    LPITEMIDLIST copy = AllocList(static_cast<size_t>(byteCount) + sizeof(USHORT));
    if (copy && byteCount)
        std::memcpy(copy, source, byteCount);
    return copy;
}

} // namespace

int CastSizeToInt(size_t size)
{
    if (size > static_cast<size_t>(INT_MAX))
        ThrowCastErrorU64(L"size_t", L"int", size);
    return static_cast<int>(size);
}

// ---- CItemIDListHandle

LPCITEMIDLIST CItemIDListHandle::GetNextItem() const
{
    return m_list ? Advance(m_list) : nullptr;
}

UINT CItemIDListHandle::GetSize() const
{
    return ListSize(m_list);
}

UINT CItemIDListHandle::GetParentSize() const
{
    LPCITEMIDLIST last = FindLastItem();
    return last ? static_cast<UINT>(reinterpret_cast<const BYTE*>(last) - reinterpret_cast<const BYTE*>(m_list)) : 0;
}

UINT CItemIDListHandle::GetItemCount() const
{
    UINT count = 0;
    if (m_list)
        for (LPCITEMIDLIST p = m_list; p->mkid.cb; p = Advance(p))
            ++count;
    return count;
}

LPCITEMIDLIST CItemIDListHandle::FindLastItem() const
{
    if (!m_list || !m_list->mkid.cb)
        return nullptr;
    LPCITEMIDLIST last = m_list;
    for (LPCITEMIDLIST p = Advance(m_list); p->mkid.cb; p = Advance(p))
        last = p;
    return last;
}

CItemIDList CItemIDListHandle::Combine(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    if (!a && !b)
        return CItemIDList();
    const int sizeA = CastSizeToInt(ListSize(a));
    const int sizeB = CastSizeToInt(ListSize(b));
    const UINT bytesA = sizeA ? sizeA - sizeof(USHORT) : 0;
    const UINT bytesB = sizeB ? sizeB - sizeof(USHORT) : 0;
    LPITEMIDLIST out = AllocList(static_cast<size_t>(bytesA) + bytesB + sizeof(USHORT));
    if (out) {
        if (bytesA)
            std::memcpy(out, a, bytesA);
        if (bytesB)
            std::memcpy(reinterpret_cast<BYTE*>(out) + bytesA, b, bytesB);
    }
    return CItemIDList(out);
}

CItemIDList CItemIDListHandle::CopyFirstItem() const
{
    if (!m_list)
        return CItemIDList();
    return CItemIDList(CopyItems(m_list, m_list->mkid.cb));
}

CItemIDList CItemIDListHandle::CopyParent() const
{
    if (GetItemCount() < 2)
        return CItemIDList();
    return CItemIDList(CopyItems(m_list, GetParentSize()));
}

CItemIDList CItemIDListHandle::RelativeTo(LPCITEMIDLIST parent) const
{
    if (!CItemIDListHandle(parent).IsPrefixOf(m_list))
        return CItemIDList();
    LPCITEMIDLIST rest = m_list;
    for (LPCITEMIDLIST p = parent; p->mkid.cb; p = Advance(p))
        rest = Advance(rest);
    return CItemIDList(CopyItems(rest, ListSize(rest) - sizeof(USHORT)));
}

bool CItemIDListHandle::IsFirstItemEqual(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    CItemIDList firstA, firstB;
    return IsFirstItemEqual(a, b, firstA, firstB);
}

bool CItemIDListHandle::IsFirstItemEqual(LPCITEMIDLIST a, LPCITEMIDLIST b, CItemIDList& firstA,
                                         CItemIDList& firstB)
{
    if (!a || !b)
        return a == b;
    if (a->mkid.cb != b->mkid.cb)
        return false;
    if (a->mkid.cb == 0 || std::memcmp(a, b, a->mkid.cb) == 0)
        return true;
    // The same size with other bytes may still name one object (the shell
    // keeps more than the name in an item).
    if (firstA.IsNull())
        firstA = CItemIDListHandle(a).CopyFirstItem();
    if (firstB.IsNull())
        firstB = CItemIDListHandle(b).CopyFirstItem();
    if (firstA.IsNull() || firstB.IsNull())
        return false;
    return ::ILIsEqual(firstA.Get(), firstB.Get()) != FALSE;
}

bool CItemIDListHandle::IsPrefixOf(LPCITEMIDLIST other) const
{
    if (!m_list || !other)
        return false;
    LPCITEMIDLIST p = m_list, q = other;
    for (; p->mkid.cb; p = Advance(p), q = Advance(q)) {
        if (!q->mkid.cb || !IsFirstItemEqual(p, q))
            return false;
    }
    return true;
}

HRESULT CItemIDListHandle::TryGetPath(std::wstring& path) const
{
    wchar_t buffer[MAX_PATH] = {};
    if (m_list && ::SHGetPathFromIDListW(m_list, buffer)) {
        path = buffer;
        return S_OK;
    }
    path.clear();
    return E_FAIL;
}

std::wstring CItemIDListHandle::GetPath() const
{
    std::wstring path;
    const HRESULT hr = TryGetPath(path);
    if (FAILED(hr))
        throw my::CException(IDS_ID_LIST_TO_PATH_FAILED, hr);
    return path;
}

HRESULT CItemIDListHandle::GetDisplayName(std::wstring& name) const
{
    SHFILEINFOW info = {};
    if (!m_list || !::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(m_list), 0, &info, sizeof info,
                                     SHGFI_PIDL | SHGFI_DISPLAYNAME))
        return E_FAIL;
    name = info.szDisplayName;
    return S_OK;
}

CIconHandle CItemIDListHandle::GetIcon(UINT flags) const
{
    SHFILEINFOW info = {};
    if (!m_list || !::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(m_list), 0, &info, sizeof info,
                                     flags | SHGFI_PIDL | SHGFI_ICON))
        return CIconHandle();
    return CIconHandle(info.hIcon);
}

int CItemIDListHandle::GetSysIconIndex(UINT flags) const
{
    SHFILEINFOW info = {};
    if (!m_list || !::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(m_list), 0, &info, sizeof info,
                                     flags | SHGFI_PIDL | SHGFI_SYSICONINDEX))
        return -1;
    return info.iIcon;
}

void CItemIDListHandle::WriteHex(std::wostream& os) const
{
    if (!m_list) {
        os << L"NULL";
        return;
    }
    const wchar_t fill = os.fill(L'0');
    bool first = true;
    for (LPCITEMIDLIST p = m_list; p->mkid.cb; p = Advance(p)) {
        if (!first)
            os << L'/';
        first = false;
        const BYTE* bytes = reinterpret_cast<const BYTE*>(p);
        for (UINT i = 0; i < p->mkid.cb; ++i)
            os << std::hex << std::setw(2) << static_cast<unsigned>(bytes[i]);
    }
    os << std::dec;
    os.fill(fill == L'0' ? L' ' : fill);
}

std::wostream& operator<<(std::wostream& os, const CItemIDListHandle& list)
{
    if (list.IsNull())
        return os << L"NULL";
    CShellFolder folder;
    if (FAILED(folder.TrySetDesktopFolder()))
        return os << L"CItemIDListHandle::operator << failed";
    bool first = true;
    for (LPCITEMIDLIST p = list.Get(); p->mkid.cb; p = Advance(p)) {
        if (!first)
            os << L'/';
        first = false;
        CItemIDList item = CItemIDListHandle(p).CopyFirstItem();
        std::wstring name;
        if (item.IsNull() || FAILED(folder.GetDisplayNameOf(item, SHGDN_INFOLDER, name))) {
            os << L"?{";
            item.WriteHex(os);
            os << L'}';
        } else {
            os << name;
        }
        if (Advance(p)->mkid.cb) {
            CShellFolder child;
            if (item.IsNull() || FAILED(folder.BindToChild(item, child))) {
                os << L"CItemIDListHandle::operator << BindToObject failed";
                break;
            }
            folder = child;
        }
    }
    return os;
}

// ---- CItemIDList

CItemIDList& CItemIDList::operator=(CItemIDList&& other) noexcept
{
    if (this != &other)
        Attach(other.Detach());
    return *this;
}

bool CItemIDList::Assign(LPCITEMIDLIST source)
{
    if (source == m_list)
        return true;
    Free();
    if (!source)
        return true;
    m_list = CopyItems(source, ListSize(source) - sizeof(USHORT));
    return m_list != nullptr;
}

void CItemIDList::Attach(LPITEMIDLIST list)
{
    if (list != m_list)
        Free();
    m_list = list;
}

LPITEMIDLIST CItemIDList::Detach()
{
    LPITEMIDLIST list = m_list;
    m_list = nullptr;
    return list;
}

void CItemIDList::Free()
{
    if (m_list) {
        ::CoTaskMemFree(m_list);
        m_list = nullptr;
    }
}

bool CItemIDList::Alloc(UINT size)
{
    Free();
    m_list = AllocList(size);
    return m_list != nullptr;
}

bool CItemIDList::CopyPrefix(LPCITEMIDLIST source, UINT byteCount)
{
    LPITEMIDLIST copy = CopyItems(source, byteCount);
    Attach(copy);
    return copy != nullptr;
}

CItemIDList CItemIDList::PopLastItem()
{
    LPCITEMIDLIST last = FindLastItem();
    if (!last)
        return CItemIDList(Detach());
    CItemIDList item = CItemIDListHandle(last).CopyFirstItem();
    if (!item.IsNull())
        const_cast<LPITEMIDLIST>(last)->mkid.cb = 0;
    return item;
}

HRESULT CItemIDList::SetCombined(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    // Built apart first: either side may be this very list.
    CItemIDList combined = Combine(a ? a : &kEmptyList, b);
    Attach(combined.Detach());
    return m_list ? S_OK : E_FAIL;
}

bool CItemIDList::SetEmpty()
{
    return Alloc(sizeof(USHORT));
}

HRESULT CItemIDList::SetSpecialFolder(int csidl)
{
    Free();
    return ::SHGetSpecialFolderLocation(nullptr, csidl, &m_list);
}

void CItemIDList::SetDesktop()
{
    const HRESULT hr = TrySetDesktop();
    if (FAILED(hr))
        throw my::CException(IDS_GET_ROOT_ID_LIST_FAILED, hr);
}

HRESULT CItemIDList::SetKnownFolder(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token)
{
    Free();
    return ::SHGetKnownFolderIDList(folderId, flags, token, &m_list);
}

HRESULT CItemIDList::TrySetFromPath(const std::wstring& path, SFGAOF* attributes)
{
    Free();
    CComPtr<IShellFolder> desktop;
    HRESULT hr = ::SHGetDesktopFolder(&desktop);
    if (FAILED(hr))
        return hr;
    SFGAOF none = 0;
    return desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(path.c_str()), nullptr, &m_list,
                                     attributes ? attributes : &none);
}

void CItemIDList::SetFromPath(const std::wstring& path, SFGAOF* attributes)
{
    const HRESULT hr = TrySetFromPath(path, attributes);
    if (FAILED(hr))
        throw my::CException(IDS_PATH_TO_ID_LIST_FAILED, hr, path);
}

HRESULT CItemIDList::SetCurrentFolder()
{
    Free();
    wchar_t buffer[MAX_PATH];
    const DWORD n = ::GetFullPathNameW(L".", MAX_PATH, buffer, nullptr);
    if (n == 0 || n > MAX_PATH)
        return E_FAIL;
    return TrySetFromPath(buffer);
}

HRESULT CItemIDList::SetFromChild(const CShellFolder& folder, LPCITEMIDLIST child)
{
    Free();
    return folder.FullIDListOfChild(child, *this);
}

void DestroyItemIDListVector(std::vector<CItemIDList>& lists)
{
    std::vector<CItemIDList>().swap(lists);
}

// ---- "Shell IDList Array"

HRESULT MakeIDListArray(const std::vector<CItemIDList>& lists, HGLOBAL& block)
{
    if (lists.empty())
        return E_INVALIDARG;
    const size_t count = lists.size();
    const size_t header = sizeof(UINT) * (count + 2);
    size_t size = header + sizeof(USHORT);
    // No list at all travels as the empty list, so that every offset names one.
    for (const CItemIDList& list : lists)
        size += list.IsNull() ? sizeof(USHORT) : list.GetSize();
    CGlobalMemory memory;
    if (!memory.Alloc(size, GHND))
        return E_OUTOFMEMORY;
    void* p = nullptr;
    CGlobalLocker lock(p, memory);
    if (!p)
        return HRESULT_FROM_WIN32(ERROR_NOACCESS);
    BYTE* bytes = static_cast<BYTE*>(p);
    UINT* offsets = reinterpret_cast<UINT*>(bytes) + 1;
    reinterpret_cast<UINT*>(bytes)[0] = static_cast<UINT>(count);
    size_t at = header;
    offsets[0] = static_cast<UINT>(at);  // the empty parent: zeroed already
    at += sizeof(USHORT);
    for (size_t i = 0; i < count; ++i) {
        offsets[i + 1] = static_cast<UINT>(at);
        const UINT n = lists[i].GetSize();
        if (n)
            std::memcpy(bytes + at, lists[i].Get(), n);
        at += n ? n : sizeof(USHORT);
    }
    lock.Unlock();
    block = memory.Detach();
    return S_OK;
}

namespace {

// True when a list starting at `offset` ends inside `size` bytes.
bool ListFits(const BYTE* bytes, size_t size, size_t offset)
{
    for (;;) {
        if (offset > size || size - offset < sizeof(USHORT))
            return false;
        USHORT cb;
        std::memcpy(&cb, bytes + offset, sizeof cb);
        if (cb == 0)
            return true;
        if (cb < sizeof(USHORT))  // an item shorter than its size field never ends
            return false;
        offset += cb;
    }
}

} // namespace

HRESULT ReadIDListArray(HGLOBAL block, std::vector<CItemIDList>& lists)
{
    lists.clear();
    void* p = nullptr;
    CGlobalLocker lock(p, block);
    if (!p)
        return HRESULT_FROM_WIN32(ERROR_NOACCESS);
    // The block may come from another process: nothing in it is trusted.
    const size_t size = ::GlobalSize(block);
    const BYTE* bytes = static_cast<const BYTE*>(p);
    if (size < sizeof(UINT) * 2)
        return E_INVALIDARG;
    UINT count;
    std::memcpy(&count, bytes, sizeof count);
    if (count > (size / sizeof(UINT)) - 2)
        return E_INVALIDARG;
    std::vector<UINT> offsets(static_cast<size_t>(count) + 1);
    std::memcpy(offsets.data(), bytes + sizeof(UINT), offsets.size() * sizeof(UINT));
    for (UINT offset : offsets)
        if (!ListFits(bytes, size, offset))
            return E_INVALIDARG;
    std::vector<CItemIDList> out(count);
    LPCITEMIDLIST parent = reinterpret_cast<LPCITEMIDLIST>(bytes + offsets[0]);
    for (UINT i = 0; i < count; ++i) {
        out[i] = CItemIDListHandle::Combine(parent, reinterpret_cast<LPCITEMIDLIST>(bytes + offsets[i + 1]));
        if (out[i].IsNull())
            return E_OUTOFMEMORY;
    }
    lists.swap(out);
    return S_OK;
}

HRESULT ReadPathsFromIDListArray(HGLOBAL block, std::list<std::wstring>& paths)
{
    paths.clear();
    std::vector<CItemIDList> lists;
    HRESULT hr = ReadIDListArray(block, lists);
    if (FAILED(hr))
        return hr;
    for (const CItemIDList& list : lists) {
        std::wstring path;
        if (FAILED(list.TryGetPath(path)))
            return E_FAIL;
        paths.push_back(path);
    }
    return S_OK;
}

namespace {

// Releases the medium on every path out of the read.
class CStorageMedium {
public:
    STGMEDIUM medium = {};
    ~CStorageMedium() { ::ReleaseStgMedium(&medium); }
};

} // namespace

void ReadIDListsFromDataObject(IDataObject* data, std::vector<CItemIDList>& lists, bool sort)
{
    lists.clear();
    if (!data)
        return;
    FORMATETC format = {static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"Shell IDList Array")), nullptr,
                        DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    {
        CStorageMedium storage;
        HRESULT hr = data->GetData(&format, &storage.medium);
        if (FAILED(hr))
            throw my::CException(IDS_DATA_OBJECT_GET_DATA_FAILED, hr);
        hr = storage.medium.tymed == TYMED_HGLOBAL ? ReadIDListArray(storage.medium.hGlobal, lists) : DV_E_TYMED;
        if (SUCCEEDED(hr) && lists.empty())
            hr = E_INVALIDARG;
        if (FAILED(hr)) {
            lists.clear();
            throw my::CException(IDS_GET_PATHS_FAILED, hr);
        }
    }
    if (!sort)
        return;
    CShellFolder desktop;
    const HRESULT hr = desktop.TrySetDesktopFolder();
    if (FAILED(hr))
        throw my::CException(IDS_GET_DESKTOP_FOLDER_FAILED, hr);
    // A stable sort stays inside the vector even when the shell's answers do
    // not form a consistent order (a failed comparison counts as "less").
    std::stable_sort(lists.begin(), lists.end(),
                     [&desktop](const CItemIDList& a, const CItemIDList& b) { return desktop.IsLess(a, b); });
}
