// The Windows clipboard: a scoped opener and functions that register formats,
// choose one, and get and set data and Unicode text. Every failure raises
// my::CException. Apart from ClipboardCopyText, the functions that get, set
// or empty data expect the clipboard to be open (through a CClipboardOpener).
#pragma once
#include "foundation/GlobalMemory.h"
#include <windows.h>
#include <objidl.h>
#include <string>
#include <vector>

class CClipboardOpener {
public:
    CClipboardOpener() = default;
    // Opens at once; IDS_OPEN_CLIPBOARD_FAILED on failure.
    explicit CClipboardOpener(HWND owner) { Open(owner); }
    virtual ~CClipboardOpener() { Close(); }
    CClipboardOpener(const CClipboardOpener&) = delete;
    CClipboardOpener& operator=(const CClipboardOpener&) = delete;

    // Does nothing when already open.
    void Open(HWND owner);
    // CloseClipboard's result, or TRUE when this opener had nothing open.
    BOOL Close();
    bool IsOpen() const { return m_open; }

private:
    HWND m_owner = nullptr;
    bool m_open = false;
};

UINT ClipboardRegisterFormat(const wchar_t* name);                                  // IDS_REGISTER_CLIPBOARD_FORMAT_FAILED
// The first wanted format present, 0 for an empty clipboard, -1 when none is
// present. With raise, 0 raises IDS_CLIPBOARD_EMPTY and -1 raises IDS_CLIPBOARD_FORMAT_UNSUPPORTED.
int ClipboardGetPriorityFormat(const std::vector<UINT>& wanted, bool raise);
// The clipboard keeps the handle.
HANDLE ClipboardGetData(UINT format);                                                // IDS_GET_CLIPBOARD_DATA_FAILED
void ClipboardEmpty();                                                               // IDS_EMPTY_CLIPBOARD_FAILED
HANDLE ClipboardSetHandle(UINT format, HANDLE data);                                 // IDS_SET_CLIPBOARD_DATA_FAILED
// On success the clipboard owns the block and the owner is left empty; on
// failure the block stays with the owner.
void ClipboardSetData(UINT format, CGlobalMemory& block);                            // IDS_SET_CLIPBOARD_DATA_FAILED
// CF_UNICODETEXT up to its first NUL; false (and an empty text) when there is
// none or it cannot be read.
bool ClipboardGetText(std::wstring& text);
// The text up to its first NUL as CF_UNICODETEXT.
void ClipboardPutText(const std::wstring& text);                                     // IDS_GLOBAL_ALLOC_FAILED, IDS_GLOBAL_LOCK_FAILED, IDS_SET_CLIPBOARD_DATA_FAILED
// Opens the clipboard for the owner, empties it, puts the text and closes it;
// returns CloseClipboard's result.
BOOL ClipboardCopyText(HWND owner, const std::wstring& text);
// The DWORD under the registered "Preferred DropEffect"; returns the handle set.
HANDLE ClipboardSetPreferredDropEffect(DWORD effect);
void ClipboardSetDataObject(IDataObject* data, bool flush);                           // IDS_SET_OLE_CLIPBOARD_FAILED, IDS_FLUSH_OLE_CLIPBOARD_FAILED
