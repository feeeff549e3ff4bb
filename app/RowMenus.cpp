#include "app/RowMenus.h"
#include "app/Command.h"
#include "decoration/Setting.h"
#include "foundation/ResourceString.h"
#include "resources/main_window.h"
#include "resources/strings_app.h"
#include <string>

namespace knt {

POINT PopupAnchor(const RECT& button)
{
    POINT anchor = {button.left, button.bottom};
    if (MonitorFromPoint(anchor, MONITOR_DEFAULTTONULL))
        return anchor;
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromPoint(anchor, MONITOR_DEFAULTTONEAREST), &info)) {
        if (anchor.x < info.rcWork.left)
            anchor.x = info.rcWork.left;
        else if (anchor.x > info.rcWork.right)
            anchor.x = info.rcWork.right;
    }
    return anchor;
}

void TrackPopupUnder(HMENU popup, HWND button, HWND owner)
{
    if (!popup)
        return;
    RECT r;
    if (!GetWindowRect(button, &r))
        return;
    const POINT anchor = PopupAnchor(r);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, anchor.x, anchor.y, 0, owner, nullptr);
}

void CRowMenus::Create()
{
    m_bar.Reset(CreateMenu());
    if (!m_bar)
        return;
    const std::wstring up = LoadResourceString(IDS_DECO_MOVE_UP);
    const std::wstring down = LoadResourceString(IDS_DECO_MOVE_DOWN);
    const std::wstring copy = LoadResourceString(IDS_DECO_COPY);
    const std::wstring paste = LoadResourceString(IDS_DECO_PASTE);
    for (int r = 0; r < kDecorationRows; ++r) {
        CMenuHandle popup(CreatePopupMenu());
        if (!popup)
            continue;
        // Plain disabled, not greyed: the entries that can never apply.
        AppendMenuW(popup, MF_STRING | (r == 0 ? MF_DISABLED : 0), IDM_DECO_MOVE_UP + r, up.c_str());
        AppendMenuW(popup, MF_STRING | (r == kDecorationRows - 1 ? MF_DISABLED : 0), IDM_DECO_MOVE_DOWN + r,
                    down.c_str());
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(popup, MF_STRING, IDM_DECO_COPY + r, copy.c_str());
        AppendMenuW(popup, MF_STRING, IDM_DECO_PASTE + r, paste.c_str());
        if (AppendMenuW(m_bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Get()), std::to_wstring(r).c_str()))
            popup.Detach();  // the bar destroys it with itself
    }
}

void CRowMenus::Destroy() { m_bar.Reset(); }

HMENU CRowMenus::GetPopup(int row) const
{
    if (!m_bar || row < 0 || row >= kDecorationRows)
        return nullptr;
    // A pop-up that could not be made leaves a gap: find it by its caption.
    const int count = GetMenuItemCount(m_bar);
    const std::wstring caption = std::to_wstring(row);
    for (int i = 0; i < count; ++i) {
        wchar_t text[8] = L"";
        GetMenuStringW(m_bar, i, text, 8, MF_BYPOSITION);
        if (caption == text)
            return GetSubMenu(m_bar, i);
    }
    return nullptr;
}

void CRowMenus::UpdatePasteEntry(int row)
{
    HMENU popup = GetPopup(row);
    if (!popup)
        return;
    CCommandSet* commands = GetCommandSet();
    // The test keeps the command's last row index: it asks only about the clipboard.
    const bool canPaste = commands && commands->PasteDeco->RunAndTest();
    EnableMenuItem(popup, IDM_DECO_PASTE + row, MF_BYCOMMAND | (canPaste ? MF_ENABLED : MF_DISABLED));
}

void CRowMenus::Track(int row, HWND button, HWND owner)
{
    HMENU popup = GetPopup(row);
    if (!popup)
        return;
    UpdatePasteEntry(row);
    TrackPopupUnder(popup, button, owner);
}

} // namespace knt
