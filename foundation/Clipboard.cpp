#include "foundation/Clipboard.h"
#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"
#include <ole2.h>
#include <cstring>
#include <cwchar>

void CClipboardOpener::Open(HWND owner)
{
    if (m_open)
        return;
    m_owner = owner;
    if (!::OpenClipboard(owner))
        ThrowClipboardOpenError();
    m_open = true;
}

BOOL CClipboardOpener::Close()
{
    if (!m_open)
        return TRUE;
    m_open = false;
    return ::CloseClipboard();
}

UINT ClipboardRegisterFormat(const wchar_t* name)
{
    UINT format = ::RegisterClipboardFormatW(name);
    if (format == 0)
        ThrowLastError(IDS_REGISTER_CLIPBOARD_FORMAT_FAILED);
    return format;
}

int ClipboardGetPriorityFormat(const std::vector<UINT>& wanted, bool raise)
{
    std::vector<UINT> list(wanted);
    int format = ::GetPriorityClipboardFormat(list.empty() ? nullptr : list.data(), static_cast<int>(list.size()));
    if (raise) {
        if (format == 0)
            ThrowError(IDS_CLIPBOARD_EMPTY);
        if (format == -1)
            ThrowError(IDS_CLIPBOARD_FORMAT_UNSUPPORTED);
    }
    return format;
}

HANDLE ClipboardGetData(UINT format)
{
    HANDLE data = ::GetClipboardData(format);
    if (!data)
        ThrowLastError(IDS_GET_CLIPBOARD_DATA_FAILED);
    return data;
}

void ClipboardEmpty()
{
    if (!::EmptyClipboard())
        ThrowLastError(IDS_EMPTY_CLIPBOARD_FAILED);
}

HANDLE ClipboardSetHandle(UINT format, HANDLE data)
{
    HANDLE set = ::SetClipboardData(format, data);
    if (!set)
        ThrowLastError(IDS_SET_CLIPBOARD_DATA_FAILED);
    return set;
}

void ClipboardSetData(UINT format, CGlobalMemory& block)
{
    ClipboardSetHandle(format, block.Get());
    block.Detach();
}

bool ClipboardGetText(std::wstring& text)
{
    text.clear();
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (!data)
        return false;
    void* p = nullptr;
    CGlobalLocker lock(p, data);
    if (!p)
        return false;
    // The block may be larger than its text, and need not end in a NUL within
    // it: never read past its size.
    SIZE_T units = ::GlobalSize(data) / sizeof(wchar_t);
    const wchar_t* chars = static_cast<const wchar_t*>(p);
    text.assign(chars, wcsnlen(chars, units));
    return true;
}

namespace {

// A movable block holding the bytes, set on the clipboard under the format.
HANDLE PutBlock(UINT format, const void* bytes, SIZE_T size)
{
    CGlobalMemory block;
    if (!block.Alloc(size, GMEM_MOVEABLE))
        ThrowError(IDS_GLOBAL_ALLOC_FAILED);
    {
        void* p = nullptr;
        CGlobalLocker lock(p, block);
        if (!p)
            ThrowError(IDS_GLOBAL_LOCK_FAILED);
        std::memcpy(p, bytes, size);
    }
    HANDLE set = ClipboardSetHandle(format, block.Get());
    block.Detach();
    return set;
}

} // namespace

void ClipboardPutText(const std::wstring& text)
{
    size_t length = wcslen(text.c_str());
    PutBlock(CF_UNICODETEXT, text.c_str(), (length + 1) * sizeof(wchar_t));
}

BOOL ClipboardCopyText(HWND owner, const std::wstring& text)
{
    CClipboardOpener opener(owner);
    ClipboardEmpty();
    ClipboardPutText(text);
    return opener.Close();
}

HANDLE ClipboardSetPreferredDropEffect(DWORD effect)
{
    UINT format = ClipboardRegisterFormat(L"Preferred DropEffect");
    return PutBlock(format, &effect, sizeof effect);
}

void ClipboardSetDataObject(IDataObject* data, bool flush)
{
    HRESULT hr = ::OleSetClipboard(data);
    if (FAILED(hr))
        throw my::CException(IDS_SET_OLE_CLIPBOARD_FAILED, hr);
    if (flush) {
        hr = ::OleFlushClipboard();
        if (FAILED(hr))
            throw my::CException(IDS_FLUSH_OLE_CLIPBOARD_FAILED, hr);
    }
}
