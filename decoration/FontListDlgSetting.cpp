#include "decoration/FontListDlgSetting.h"

UINT CFontListDlgSetting::GetEnumFlags() const
{
    // 0x10000: try every weight; 0x20000: the italic form of each face.
    UINT flags = 0x30000;
    flags += Tategaki != 0 ? 2 : 1;  // 2: only "@" faces; 1: none of them
    if (Type == FontType3::RASTER)
        flags += 8;  // leave out TrueType fonts
    else if (Type == FontType3::VECTOR)
        flags += 4;  // leave out raster fonts
    return flags;
}

bool CFontListDlgSetting::MatchesStyle(const LOGFONTW& font) const
{
    switch (Weight) {
    case FontWeight4::NORMAL:
        if (font.lfWeight != FW_NORMAL)
            return false;
        break;
    case FontWeight4::LIGHTER:
        if (font.lfWeight >= FW_NORMAL)
            return false;
        break;
    case FontWeight4::BOLDER:
        if (font.lfWeight <= FW_NORMAL)
            return false;
        break;
    default:
        break;
    }
    switch (Italic) {
    case FontItalic3::OFF:
        return font.lfItalic == 0;
    case FontItalic3::ON:
        return font.lfItalic != 0;
    default:
        return true;
    }
}
