// Where a window stood, so that it comes back in the same place at the next
// start: the main window (with its full-screen state and splitter) and a
// resizable dialog. The records store their values unchecked; keeping a
// rectangle on the screen is the business of the code that applies them.
#pragma once
#include "decoration/FieldWalks.h"
#include <windows.h>

class CWindowLayout {
public:
    bool FullScreen = false;
    bool Maximized = false;
    RECT NormalBounds = {0, 0, 0, 0};
    int SplitterPos = -1;  // -1: not set, the dialog uses its own default

    // The older registry form keeps the window in the subkey "Window" and
    // has no maximized state.
    template <class V>
    static void Fields(V& v)
    {
        typedef CWindowLayout R;
        v.Bool(CField(L"FullScreen").Key(L"Window\\FullScreen"), &R::FullScreen);
        v.Bool(CField(L"Maximized").NoRegistry(), &R::Maximized);
        v.Rect(CField(L"NormalBounds").Key(L"Window"), &R::NormalBounds);
        v.Int(L"SplitterPos", &R::SplitterPos);
    }
};

class CDialogLayout {
public:
    bool Maximized = false;
    RECT Rect = {0, 0, 0, 0};  // empty: never placed

    template <class V>
    static void Fields(V& v)
    {
        v.Bool(L"Maximized", &CDialogLayout::Maximized);
        v.Rect(L"Rect", &CDialogLayout::Rect);
    }
};
