#include "foundation/ShellFolder.h"
#include "foundation/Error.h"
#include "foundation/StringUtil.h"
#include "platform/ComObject.h"
#include "platform/Variant.h"
#include "resources/strings_shell.h"
#include <shlguid.h>
#include <cstring>
#include <cwchar>

namespace {

inline bool IsNullOrEmpty(LPCITEMIDLIST list) { return !list || list->mkid.cb == 0; }

// Text of a STRRET the folder handed out; frees its task-memory string.
// `item` is the child an offset result points into.
HRESULT TakeStrRet(STRRET& result, LPCITEMIDLIST item, bool acceptOffset, std::wstring& text)
{
    switch (result.uType) {
    case STRRET_WSTR:
        if (!result.pOleStr)
            return S_OK;
        text = result.pOleStr;
        ::CoTaskMemFree(result.pOleStr);
        return S_OK;
    case STRRET_CSTR: {
        const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, result.cStr, -1, nullptr, 0);
        if (n > 0) {
            std::wstring wide(static_cast<size_t>(n), L'\0');
            ::MultiByteToWideChar(CP_THREAD_ACP, 0, result.cStr, -1, &wide[0], n);
            wide.resize(static_cast<size_t>(n) - 1);
            text = wide;
        }
        return S_OK;
    }
    case STRRET_OFFSET: {
        if (!acceptOffset || !item)
            return E_FAIL;
        const char* s = reinterpret_cast<const char*>(item) + result.uOffset;
        const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, s, -1, nullptr, 0);
        if (n <= 0)
            return E_FAIL;
        std::wstring wide(static_cast<size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_THREAD_ACP, 0, s, -1, &wide[0], n);
        wide.resize(static_cast<size_t>(n) - 1);
        text = wide;
        return S_OK;
    }
    default:
        return S_OK;
    }
}

// The find data of one item, handed to the shell through a bind context so
// that it parses a path without asking the disk.
class CFileSystemBindDataObj : public IFileSystemBindData {
public:
    BEGIN_COM_MAP(CFileSystemBindDataObj)
        COM_INTERFACE_ENTRY(IFileSystemBindData)
    END_COM_MAP()

    explicit CFileSystemBindDataObj(const WIN32_FIND_DATAW& data) : m_data(data) {}
    virtual ~CFileSystemBindDataObj() = default;

    STDMETHODIMP SetFindData(const WIN32_FIND_DATAW* data) override
    {
        if (!data)
            return E_POINTER;
        m_data = *data;
        return S_OK;
    }
    STDMETHODIMP GetFindData(WIN32_FIND_DATAW* data) override
    {
        if (!data)
            return E_POINTER;
        *data = m_data;
        return S_OK;
    }

private:
    WIN32_FIND_DATAW m_data;
};

} // namespace

HRESULT CreateFileSystemBindData(const WIN32_FIND_DATAW& data, IFileSystemBindData** out)
{
    if (!out)
        return E_POINTER;
    CComObject<CFileSystemBindDataObj>* object = new (std::nothrow) CComObject<CFileSystemBindDataObj>(data);
    *out = object;
    if (!object)
        return E_OUTOFMEMORY;
    object->AddRef();
    return S_OK;
}

// ---- folders

HRESULT CShellFolder::TrySetDesktopFolder()
{
    m_folder.Release();
    return ::SHGetDesktopFolder(&m_folder);
}

void CShellFolder::SetDesktopFolder()
{
    const HRESULT hr = TrySetDesktopFolder();
    if (FAILED(hr))
        throw my::CException(IDS_GET_DESKTOP_FOLDER_FAILED, hr);
}

HRESULT CShellFolder::TryBindToIDList(LPCITEMIDLIST list)
{
    if (IsNullOrEmpty(list))
        return TrySetDesktopFolder();
    m_folder.Release();
    CComPtr<IShellFolder> desktop;
    HRESULT hr = ::SHGetDesktopFolder(&desktop);
    if (FAILED(hr))
        return hr;
    return desktop->BindToObject(list, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&m_folder));
}

void CShellFolder::BindToIDList(LPCITEMIDLIST list)
{
    const HRESULT hr = TryBindToIDList(list);
    if (FAILED(hr))
        throw my::CException(IDS_CREATE_SHELL_FOLDER_FAILED, hr);
}

HRESULT CShellFolder::BindStepwise(LPCITEMIDLIST list, IBindCtx* context)
{
    m_folder.Release();
    CComPtr<IShellFolder> current;
    HRESULT hr = ::SHGetDesktopFolder(&current);
    if (FAILED(hr))
        return hr;
    for (LPCITEMIDLIST p = list; p && p->mkid.cb; p = CItemIDListHandle(p).GetNextItem()) {
        CItemIDList item = CItemIDListHandle(p).CopyFirstItem();
        if (item.IsNull())
            return E_OUTOFMEMORY;
        CComPtr<IShellFolder> next;
        hr = current->BindToObject(item, context, IID_IShellFolder, reinterpret_cast<void**>(&next));
        if (FAILED(hr))
            return hr;
        current = next;
    }
    m_folder = current;
    return S_OK;
}

HRESULT CShellFolder::TryBindToCurrentFolder()
{
    m_folder.Release();
    CItemIDList list;
    const HRESULT hr = list.SetCurrentFolder();
    if (FAILED(hr))
        return hr;
    return TryBindToIDList(list);
}

void CShellFolder::BindToCurrentFolder()
{
    const HRESULT hr = TryBindToCurrentFolder();
    if (FAILED(hr))
        throw my::CException(IDS_CREATE_SHELL_FOLDER_FAILED, hr);
}

HRESULT CShellFolder::TryBindToParent(LPCITEMIDLIST list, LPCITEMIDLIST& last)
{
    m_folder.Release();
    last = nullptr;
    return ::SHBindToParent(list, IID_IShellFolder, reinterpret_cast<void**>(&m_folder), &last);
}

void CShellFolder::BindToParent(LPCITEMIDLIST list, LPCITEMIDLIST& last)
{
    const HRESULT hr = TryBindToParent(list, last);
    if (FAILED(hr))
        throw my::CException(IDS_CREATE_SHELL_FOLDER_FAILED, hr);
}

HRESULT CShellFolder::BindToChild(LPCITEMIDLIST child, CShellFolder& out) const
{
    out.m_folder.Release();
    if (!m_folder)
        return E_HANDLE;
    return m_folder->BindToObject(child, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&out.m_folder));
}

CComPtr<IShellFolder2> CShellFolder::QueryFolder2() const
{
    CComPtr<IShellFolder2> folder2;
    if (m_folder)
        m_folder.QueryInterface(&folder2);
    return folder2;
}

// ---- names

HRESULT CShellFolder::GetDisplayNameOf(LPCITEMIDLIST child, SHGDNF flags, std::wstring& name) const
{
    if (!child)
        return E_FAIL;
    name.clear();
    if (!m_folder)
        return E_HANDLE;
    STRRET result = {};
    const HRESULT hr = m_folder->GetDisplayNameOf(child, flags, &result);
    if (FAILED(hr))
        return hr;
    return TakeStrRet(result, child, false, name);
}

HRESULT CShellFolder::GetItemDisplayName(LPCITEMIDLIST absolute, SHGDNF flags, std::wstring& name)
{
    CShellFolder parent;
    LPCITEMIDLIST last = nullptr;
    const HRESULT hr = parent.TryBindToParent(absolute, last);
    if (FAILED(hr))
        return hr;
    return parent.GetDisplayNameOf(last, flags, name);
}

HRESULT CShellFolder::GetParsingExtension(LPCITEMIDLIST child, std::wstring& extension) const
{
    extension.clear();
    if (!m_folder || !child)
        return E_FAIL;
    STRRET result = {};
    HRESULT hr = m_folder->GetDisplayNameOf(child, SHGDN_FORPARSING | SHGDN_INFOLDER, &result);
    if (FAILED(hr))
        return hr;
    if (result.uType != STRRET_WSTR && result.uType != STRRET_CSTR && result.uType != STRRET_OFFSET)
        return E_FAIL;
    if (result.uType == STRRET_WSTR && !result.pOleStr)
        return E_FAIL;
    std::wstring name;
    hr = TakeStrRet(result, child, true, name);
    if (FAILED(hr))
        return hr;
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        extension = name.substr(dot + 1);
    return S_OK;
}

HRESULT CShellFolder::TrySetNameOf(LPCITEMIDLIST child, const std::wstring& newName, CItemIDList* newChild)
{
    if (!m_folder)
        return E_HANDLE;
    LPITEMIDLIST renamed = nullptr;
    const HRESULT hr = m_folder->SetNameOf(nullptr, child, newName.c_str(), SHGDN_INFOLDER | SHGDN_FOREDITING,
                                           newChild ? &renamed : nullptr);
    if (newChild)
        newChild->Attach(renamed);
    return hr;
}

void CShellFolder::SetNameOf(LPCITEMIDLIST child, const std::wstring& newName, CItemIDList* newChild)
{
    const HRESULT hr = TrySetNameOf(child, newName, newChild);
    if (FAILED(hr))
        throw my::CException(IDS_GET_DISPLAY_NAME_FAILED, hr);
}

HRESULT CShellFolder::GetRelativeDisplayPath(LPCITEMIDLIST relative, std::wstring& path) const
{
    if (!m_folder)
        return E_HANDLE;
    std::wstring joined;
    CShellFolder folder(*this);
    for (LPCITEMIDLIST p = relative; p && p->mkid.cb; p = CItemIDListHandle(p).GetNextItem()) {
        CItemIDList item = CItemIDListHandle(p).CopyFirstItem();
        if (item.IsNull())
            return E_OUTOFMEMORY;
        std::wstring name;
        HRESULT hr = folder.GetDisplayNameOf(item, SHGDN_INFOLDER, name);
        if (FAILED(hr))
            return hr;
        if (!joined.empty())
            joined += L'\\';
        joined += name;
        if (CItemIDListHandle(p).GetNextItem()->mkid.cb) {
            CShellFolder child;
            hr = folder.BindToChild(item, child);
            if (FAILED(hr))
                return hr;
            folder = child;
        }
    }
    path = joined;
    return S_OK;
}

// ---- parsing

HRESULT CShellFolder::ParseDisplayName(const std::wstring& name, CItemIDList& out, IBindCtx* context) const
{
    out.Free();
    if (!m_folder)
        return E_HANDLE;
    LPITEMIDLIST list = nullptr;
    const HRESULT hr = m_folder->ParseDisplayName(nullptr, context, const_cast<LPWSTR>(name.c_str()), nullptr,
                                                  &list, nullptr);
    out.Attach(SUCCEEDED(hr) ? list : nullptr);
    if (FAILED(hr) && list)
        ::CoTaskMemFree(list);
    return hr;
}

HRESULT CShellFolder::ParseDisplayNameWithFindData(const std::wstring& path, CItemIDList& out,
                                                   const WIN32_FIND_DATAW& data) const
{
    out.Free();
    CComPtr<IFileSystemBindData> bindData;
    if (FAILED(CreateFileSystemBindData(data, &bindData)))
        return E_FAIL;
    CComPtr<IBindCtx> context;
    HRESULT hr = ::CreateBindCtx(0, &context);
    if (FAILED(hr))
        return hr;
    hr = context->RegisterObjectParam(const_cast<LPOLESTR>(STR_FILE_SYS_BIND_DATA), bindData);
    if (FAILED(hr))
        return hr;
    return ParseDisplayName(path, out, context);
}

HRESULT CShellFolder::ParseNonExistingPath(const std::wstring& path, CItemIDList& out, bool isFolder) const
{
    WIN32_FIND_DATAW data = {};
    data.dwFileAttributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_NORMAL;
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    data.ftCreationTime = data.ftLastAccessTime = data.ftLastWriteTime = now;
    wcsncpy_s(data.cFileName, path.c_str(), _TRUNCATE);
    return ParseDisplayNameWithFindData(path, out, data);
}

HRESULT CShellFolder::FullIDListOfChild(LPCITEMIDLIST child, CItemIDList& out) const
{
    out.Free();
    std::wstring name;
    HRESULT hr = GetDisplayNameOf(child, SHGDN_FORPARSING, name);
    if (FAILED(hr))
        return hr;
    CShellFolder desktop;
    hr = desktop.TrySetDesktopFolder();
    if (FAILED(hr))
        return hr;
    return desktop.ParseDisplayName(name, out);
}

HRESULT CShellFolder::FindChild(const std::wstring& name, CItemIDList& out, SHGDNF flags, HWND owner) const
{
    if (SUCCEEDED(ParseDisplayName(name, out)))
        return S_OK;
    return SearchChild(name, out, flags, owner);
}

HRESULT CShellFolder::SearchChild(const std::wstring& name, CItemIDList& out, SHGDNF flags, HWND owner) const
{
    out.Free();
    if (!m_folder)
        return E_HANDLE;
    CComPtr<IEnumIDList> items;
    HRESULT hr = m_folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items);
    if (FAILED(hr))
        return hr;
    if (!items)
        return S_FALSE;  // S_FALSE without an enumerator: nothing to list
    for (;;) {
        LPITEMIDLIST fetched = nullptr;
        hr = items->Next(1, &fetched, nullptr);
        if (hr != S_OK)
            break;
        CItemIDList item(fetched);
        std::wstring itemName;
        if (SUCCEEDED(GetDisplayNameOf(item, flags, itemName)) && CompareNoCase(itemName, name) == 0) {
            out = std::move(item);
            return S_OK;
        }
    }
    return FAILED(hr) ? hr : S_FALSE;
}

// ---- items

HRESULT CShellFolder::TryGetAttributesOf(LPCITEMIDLIST child, SFGAOF& attributes) const
{
    if (!m_folder)
        return E_HANDLE;
    return m_folder->GetAttributesOf(1, &child, &attributes);
}

HRESULT CShellFolder::TryGetAttributesOf(const std::vector<LPCITEMIDLIST>& children, SFGAOF& attributes) const
{
    if (!m_folder)
        return E_HANDLE;
    return m_folder->GetAttributesOf(static_cast<UINT>(children.size()),
                                     children.empty() ? nullptr : const_cast<LPCITEMIDLIST*>(children.data()),
                                     &attributes);
}

void CShellFolder::GetAttributesOf(LPCITEMIDLIST child, SFGAOF& attributes) const
{
    const HRESULT hr = TryGetAttributesOf(child, attributes);
    if (FAILED(hr))
        throw my::CException(IDS_GET_SHELL_ATTRIBUTES_FAILED, hr);
}

bool CShellFolder::HasChildren(DWORD contentFlags, HWND owner) const
{
    if (!m_folder)
        return false;
    CComPtr<IEnumIDList> items;
    if (m_folder->EnumObjects(owner, contentFlags, &items) != S_OK || !items)
        return false;
    LPITEMIDLIST fetched = nullptr;
    if (items->Next(1, &fetched, nullptr) != S_OK)
        return false;
    ::CoTaskMemFree(fetched);
    return true;
}

HRESULT CShellFolder::GetAllowedDropEffects(const std::vector<LPCITEMIDLIST>& children, DWORD& effects) const
{
    effects = 0;
    SFGAOF attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    const HRESULT hr = TryGetAttributesOf(children, attributes);
    if (FAILED(hr))
        return hr;
    if (attributes & SFGAO_CANCOPY)
        effects |= DROPEFFECT_COPY;
    if (attributes & SFGAO_CANMOVE)
        effects |= DROPEFFECT_MOVE;
    if (attributes & SFGAO_CANLINK)
        effects |= DROPEFFECT_LINK;
    return hr;
}

HRESULT CShellFolder::GetAllowedDropEffects(LPCITEMIDLIST child, DWORD& effects) const
{
    return GetAllowedDropEffects(std::vector<LPCITEMIDLIST>(1, child), effects);
}

HRESULT CShellFolder::TryGetDataObject(const std::vector<LPCITEMIDLIST>& children, HWND, IDataObject** out) const
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (children.empty())
        return E_INVALIDARG;
    if (!m_folder)
        return E_HANDLE;
    return m_folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                   const_cast<LPCITEMIDLIST*>(children.data()), IID_IDataObject, nullptr,
                                   reinterpret_cast<void**>(out));
}

void CShellFolder::GetDataObject(const std::vector<LPCITEMIDLIST>& children, HWND owner, IDataObject** out) const
{
    const HRESULT hr = TryGetDataObject(children, owner, out);
    if (FAILED(hr))
        throw my::CException(IDS_CREATE_DATA_OBJECT_FAILED, hr);
}

HRESULT CShellFolder::GetFindData(LPCITEMIDLIST child, WIN32_FIND_DATAW& data) const
{
    CComPtr<IShellFolder2> folder2 = QueryFolder2();
    if (!folder2)
        return E_FAIL;
    SHCOLUMNID column = {FMTID_ShellDetails, PID_FINDDATA};
    CVariant value;
    HRESULT hr = folder2->GetDetailsEx(child, &column, &value);
    if (FAILED(hr))
        return hr;
    // Only a byte array that holds the whole structure is copied.
    const VARIANT& v = value.Get();
    if (v.vt != (VT_ARRAY | VT_UI1) || !v.parray || v.parray->cDims != 1 ||
        v.parray->rgsabound[0].cElements < sizeof(WIN32_FIND_DATAW))
        return E_FAIL;
    const CSafeArrayData bytes(v.parray);
    if (!bytes.Get())
        return E_FAIL;
    std::memcpy(&data, bytes.Get(), sizeof data);
    return S_OK;
}

// ---- order

int CShellFolder::CompareIDs(LPCITEMIDLIST a, LPCITEMIDLIST b) const
{
    const bool emptyA = IsNullOrEmpty(a), emptyB = IsNullOrEmpty(b);
    if (!emptyA && emptyB)
        return 1;
    if (emptyA && !emptyB)
        return -1;
    if (emptyA && emptyB)
        return 0;
    if (!m_folder)
        return -2;
    const HRESULT hr = m_folder->CompareIDs(0, a, b);
    if (FAILED(hr))
        return -2;
    const short code = static_cast<short>(HRESULT_CODE(hr));
    return code < 0 ? -1 : (code > 0 ? 1 : 0);
}

int CShellFolder::CompareIDLists(LPCITEMIDLIST a, LPCITEMIDLIST b)
{
    if (!a || !b)
        return a ? 1 : (b ? -1 : 0);
    LPCITEMIDLIST p = a, q = b;
    for (;;) {
        if (!p->mkid.cb)
            return q->mkid.cb ? -1 : 0;
        if (!q->mkid.cb)
            return 1;
        if (!CItemIDListHandle::IsFirstItemEqual(p, q))
            break;
        p = CItemIDListHandle(p).GetNextItem();
        q = CItemIDListHandle(q).GetNextItem();
    }
    const UINT common = static_cast<UINT>(reinterpret_cast<const BYTE*>(p) - reinterpret_cast<const BYTE*>(a));
    CShellFolder folder;
    if (common == 0) {
        if (FAILED(folder.TrySetDesktopFolder()))
            return -1;
    } else {
        CItemIDList prefix;
        if (!prefix.CopyPrefix(a, common) || FAILED(folder.TryBindToIDList(prefix)))
            return -1;
    }
    const CItemIDList itemA = CItemIDListHandle(p).CopyFirstItem();
    const CItemIDList itemB = CItemIDListHandle(q).CopyFirstItem();
    return folder.CompareIDs(itemA, itemB);
}
