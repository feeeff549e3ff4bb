// The pop-up menus of the main window's decoration rows and font line.
// Each row's menu moves the row up or down, copies it and pastes into it;
// row 0 cannot move up and row 4 cannot move down (those entries are plain
// disabled, not greyed, and stay so). A menu opens under its button, left
// and top aligned; the paste entry is enabled only while the clipboard holds
// a decoration. The chosen entry arrives as the owner's WM_COMMAND.
#pragma once
#include "platform/Menu.h"
#include <windows.h>

namespace knt {

// Where a pop-up opens under a button: its left and bottom edge. A point on
// no monitor (the button dragged off the desktop) gets its x moved into the
// work area of the nearest monitor; y stays.
POINT PopupAnchor(const RECT& buttonScreenRect);
// Opens the pop-up under the button with the owner receiving the command.
void TrackPopupUnder(HMENU popup, HWND button, HWND owner);

class CRowMenus {
public:
    CRowMenus() = default;
    CRowMenus(const CRowMenus&) = delete;
    CRowMenus& operator=(const CRowMenus&) = delete;

    // The bar holding one pop-up per row. Without a bar no menu exists and
    // Track does nothing; a row whose pop-up cannot be made has none.
    void Create();
    void Destroy();
    // Row r's pop-up, null when it has none.
    HMENU GetPopup(int row) const;
    // Opens row r's pop-up under its button.
    void Track(int row, HWND button, HWND owner);
    // The paste entry follows whether the paste command could run now.
    void UpdatePasteEntry(int row);

private:
    CMenuHandle m_bar;  // destroys the pop-ups with itself
};

} // namespace knt
