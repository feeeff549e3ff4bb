// Resizable dialogs: each control listed in the dialog's resize map keeps
// its distance to the right and bottom edges (moves) or grows with the
// dialog (sizes), in x and y separately, as the dialog's client area differs
// from its size at initialisation. Optional: a size grip in the lower right
// corner (hidden while the dialog is maximised) and a minimum tracking size
// (the dialog's initial size).
//
//   BEGIN_DLGRESIZE_MAP(CMyDlg)
//       DLGRESIZE_CONTROL(IDC_FONT_LIST_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y)
//       DLGRESIZE_CONTROL(IDOK, DLSZ_MOVE_X | DLSZ_MOVE_Y)
//   END_DLGRESIZE_MAP()
//   ... CHAIN_MSG_MAP(CDialogResize<CMyDlg>) in the message map, and
//   DlgResize_Init() in WM_INITDIALOG.
#pragma once
#include "ui/MessageMap.h"
#include <windows.h>
#include <vector>

enum : DWORD {
    DLSZ_SIZE_X = 1,
    DLSZ_SIZE_Y = 2,
    DLSZ_MOVE_X = 4,
    DLSZ_MOVE_Y = 8,
};

struct CDialogResizeItem {
    int id;  // -1 ends a map
    DWORD flags;
};

#define BEGIN_DLGRESIZE_MAP(theClass)                                                                        \
    static const CDialogResizeItem* GetDlgResizeMap()                                                        \
    {                                                                                                        \
        static const CDialogResizeItem map[] = {
#define DLGRESIZE_CONTROL(id, flags) {id, flags},
#define END_DLGRESIZE_MAP()                                                                                  \
    {-1, 0}                                                                                                  \
    }                                                                                                        \
    ;                                                                                                        \
    return map;                                                                                              \
    }

// The rectangle of a control whose dialog grew by (dx, dy) since the
// control stood at `original` (negative deltas shrink and move back).
RECT ResizeControlRect(const RECT& original, DWORD flags, int dx, int dy);

// The part of the resize support that does not depend on the dialog class.
class CDialogResizeState {
public:
    // Records the controls of the map where they stand now and the client
    // size; adds the grip, forces the styles on the dialog.
    void Init(HWND dialog, const CDialogResizeItem* map, bool addGripper, bool useMinTrackSize, DWORD forceStyle);
    // Lays the controls out for the new client size.
    void Resize(HWND dialog, UINT sizeType, int cx, int cy);
    void ApplyMinTrackSize(MINMAXINFO* info) const;

    // The dialog's window size at initialisation; (-1, -1) until then.
    // Callers may lower it after the initialisation.
    POINT m_minTrackSize = {-1, -1};
    bool m_gripper = false;

private:
    struct CItem {
        int id;
        DWORD flags;
        RECT rect;
    };
    std::vector<CItem> m_items;
    SIZE m_initialClient = {0, 0};
    HWND m_grip = nullptr;
};

template <class T>
class CDialogResize : public CDialogResizeState {
public:
    BEGIN_MSG_MAP(CDialogResize)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
    END_MSG_MAP()

    void DlgResize_Init(bool addGripper = true, bool useMinTrackSize = true,
                        DWORD forceStyle = WS_THICKFRAME | WS_CLIPCHILDREN)
    {
        T* self = static_cast<T*>(this);
        Init(self->m_hWnd, T::GetDlgResizeMap(), addGripper, useMinTrackSize, forceStyle);
    }

private:
    LRESULT OnSize(UINT, WPARAM wp, LPARAM lp, BOOL&)
    {
        Resize(static_cast<T*>(this)->m_hWnd, static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)),
               static_cast<short>(HIWORD(lp)));
        return 0;
    }
    LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lp, BOOL&)
    {
        ApplyMinTrackSize(reinterpret_cast<MINMAXINFO*>(lp));
        return 0;
    }
};
