#include "ui/Mixins.h"

bool RunEditCommand(HWND edit, UINT id)
{
    switch (id) {
    case ID_EDIT_COPY_CMD:
        ::SendMessageW(edit, WM_COPY, 0, 0);
        return true;
    case ID_EDIT_CUT_CMD:
        ::SendMessageW(edit, WM_CUT, 0, 0);
        return true;
    case ID_EDIT_PASTE_CMD:
        ::SendMessageW(edit, WM_PASTE, 0, 0);
        return true;
    case ID_EDIT_UNDO_CMD:
        ::SendMessageW(edit, EM_UNDO, 0, 0);
        return true;
    case ID_EDIT_SELECT_ALL_CMD:
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        return true;
    case ID_EDIT_SELECT_NONE_CMD:
        // A start of -1 removes the selection and leaves the caret.
        ::SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
        ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        return true;
    default:
        return false;
    }
}
