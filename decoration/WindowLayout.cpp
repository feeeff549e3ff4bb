#include "decoration/WindowLayout.h"
#include "decoration/RegistryForm.h"

bool CWindowLayout::operator==(const CWindowLayout& o) const
{
    return FullScreen == o.FullScreen && Maximized == o.Maximized &&
           EqualRect(&NormalBounds, &o.NormalBounds) && SplitterPos == o.SplitterPos;
}

bool CDialogLayout::operator==(const CDialogLayout& o) const
{
    return Maximized == o.Maximized && EqualRect(&Rect, &o.Rect);
}

bool LoadWindowLayoutRegistry(CWindowLayout& layout, HKEY settingKey)
{
    CRegKey setting(settingKey);
    bool ok = regform::ReadInt(setting, L"SplitterPos", layout.SplitterPos);
    setting.Detach();  // borrowed handle

    CRegKey window;
    if (window.Open(settingKey, L"Window", KEY_READ) != ERROR_SUCCESS)
        return false;
    ok = regform::ReadBool(window, L"FullScreen", layout.FullScreen) && ok;
    int side[4] = {};
    const wchar_t* const names[4] = {L"Left", L"Top", L"Right", L"Bottom"};
    bool all = true;
    for (int i = 0; i < 4; ++i)
        all = regform::ReadInt(window, names[i], side[i]) && all;
    if (all)
        SetRect(&layout.NormalBounds, side[0], side[1], side[2], side[3]);
    return ok && all;
}
