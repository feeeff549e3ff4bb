#include "decoration/WindowLayout.h"

bool CWindowLayout::operator==(const CWindowLayout& o) const
{
    return FullScreen == o.FullScreen && Maximized == o.Maximized &&
           EqualRect(&NormalBounds, &o.NormalBounds) && SplitterPos == o.SplitterPos;
}

bool CDialogLayout::operator==(const CDialogLayout& o) const
{
    return Maximized == o.Maximized && EqualRect(&Rect, &o.Rect);
}
