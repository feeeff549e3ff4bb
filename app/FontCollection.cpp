// The font list's collection.
//
// Order: face in natural order (StrCmpLogicalW: digits by value, case
// ignored), then strike-out, underline, italic, weight, height. Equality is
// stricter than that order (the face compared exactly), so "Arial" and
// "ARIAL" are two entries of one place in the order: de-duplication scans
// the whole range of entries of equal order, not only its first element.
//
// Realising a font: a face enumerated once is created at each weight 100 to
// 900, plain and then italic, and kept only when the text metrics report
// exactly that weight and slant; Wine, for one, realises 400 and 700 only.
#include "app/FontCollection.h"
#include "outline/FontNames.h"
#include "outline/FontSetting.h"
#include "platform/Gdi.h"
#include "ui/Firewall.h"
#include <algorithm>
#include <cstring>

bool CLogFontW::operator==(const CLogFontW& o) const
{
    return lfHeight == o.lfHeight && lfWidth == o.lfWidth && lfEscapement == o.lfEscapement &&
           lfOrientation == o.lfOrientation && lfWeight == o.lfWeight && lfItalic == o.lfItalic &&
           lfUnderline == o.lfUnderline && lfStrikeOut == o.lfStrikeOut && lfCharSet == o.lfCharSet &&
           lfOutPrecision == o.lfOutPrecision && lfClipPrecision == o.lfClipPrecision &&
           lfQuality == o.lfQuality && lfPitchAndFamily == o.lfPitchAndFamily &&
           StrEqual(GetFaceName(*this), GetFaceName(o));
}

bool CFontCollection::Insert(const LOGFONTW& font)
{
    return InsertOrderedUnique(
        Fonts, CLogFontPtr(new CLogFontW(font)),
        [](const CLogFontPtr& a, const CLogFontPtr& b) { return CompareLogFonts(*a, *b); },
        [](const CLogFontPtr& a, const CLogFontPtr& b) { return *a == *b; });
}

bool CFontCollection::AddIfRealised(const LOGFONTW& font)
{
    CFontHandle test(::CreateFontIndirectW(&font));
    if (!test.Get() || !DC)
        return false;
    TEXTMETRICW tm = {};
    BOOL measured = FALSE;
    {
        CSelectObjectGuard select(DC, test.Get());
        if (select.Failed())
            return false;
        measured = ::GetTextMetricsW(DC, &tm);
    }
    if (!measured || tm.tmWeight != font.lfWeight || (tm.tmItalic != 0) != (font.lfItalic != 0))
        return false;
    Insert(font);
    return true;
}

bool CFontCollection::Add(const ENUMLOGFONTEXW& font, const NEWTEXTMETRICEXW&, DWORD)
{
    if (!(Flags & (FontEnumFlags::EveryWeight | FontEnumFlags::ItalicToo))) {
        Insert(font.elfLogFont);
        return true;
    }
    LOGFONTW lf = font.elfLogFont;
    lf.lfWidth = 0;
    auto tryWeight = [&] {
        lf.lfItalic = 0;
        AddIfRealised(lf);
        if (Flags & FontEnumFlags::ItalicToo) {
            lf.lfItalic = 255;
            AddIfRealised(lf);
        }
    };
    if (Flags & FontEnumFlags::EveryWeight) {
        for (LONG weight = 100; weight <= 900; weight += 100) {
            lf.lfWeight = weight;
            tryWeight();
        }
    } else {
        tryWeight();
    }
    return true;
}

void CFontCollection::SetHeights(int height)
{
    for (const CLogFontPtr& f : Fonts)
        f->lfHeight = height;
}

void CFontCollection::SetWidths(int width)
{
    for (const CLogFontPtr& f : Fonts)
        f->lfWidth = width;
}

bool SkipEnumeratedFont(const LOGFONTW& font, DWORD fontType, UINT flags)
{
    const bool vertical = IsVerticalFace(font);
    if ((flags & FontEnumFlags::SkipVertical) && vertical)
        return true;
    if ((flags & FontEnumFlags::SkipHorizontal) && !vertical)
        return true;
    if ((flags & FontEnumFlags::SkipRaster) && (fontType & RASTER_FONTTYPE))
        return true;
    if ((flags & FontEnumFlags::SkipTrueType) && (fontType & TRUETYPE_FONTTYPE))
        return true;
    return false;
}

namespace {

int CALLBACK CollectFont(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM param)
{
    // An exception must not cross GDI: a failure ends the enumeration.
    int result = 0;
    GuardedCall([&] {
        CFontCollection& fonts = *reinterpret_cast<CFontCollection*>(param);
        if (SkipEnumeratedFont(*font, fontType, fonts.Flags))
            result = 1;
        else
            result = fonts.Add(*reinterpret_cast<const ENUMLOGFONTEXW*>(font),
                               *reinterpret_cast<const NEWTEXTMETRICEXW*>(metrics), fontType)
                         ? 1
                         : 0;
    });
    return result;
}

} // namespace

void CFontCollection::Enumerate(HDC dc, BYTE charSet, UINT flags)
{
    Fonts.clear();
    DC = dc;
    Flags = flags;
    LOGFONTW lf = {};
    lf.lfCharSet = charSet;
    ::EnumFontFamiliesExW(dc, &lf, CollectFont, reinterpret_cast<LPARAM>(this), 0);
    DC = nullptr;
    // A face's entries lie side by side in the order: each face is tried once.
    std::wstring face;
    bool drawn = false;
    Fonts.erase(std::remove_if(Fonts.begin(), Fonts.end(),
                               [&](const CLogFontPtr& f) {
                                   if (face.empty() || !StrEqual(face, GetFaceName(*f))) {
                                       face = GetFaceName(*f);
                                       drawn = CanDrawFace(face);
                                   }
                                   return !drawn;
                               }),
                Fonts.end());
}

size_t CFontCollection::FindBestMatch(const CLogFonts& fonts, const LOGFONTW& wanted)
{
    std::wstring face = GetFaceName(wanted);
    if (face.empty())
        return fonts.size();
    const bool vertical = IsVerticalFace(face);
    if (vertical)
        face.erase(0, 1);
    size_t best = fonts.size();
    unsigned bestScore = 0;
    for (size_t i = 0; i < fonts.size(); ++i) {
        unsigned score = FontMatchScore(*fonts[i], wanted, face, vertical);
        if (score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    return bestScore >= 100 ? best : fonts.size();
}

size_t CFontCollection::FindBestMatch(const LOGFONTW& wanted) const
{
    return FindBestMatch(Fonts, wanted);
}
