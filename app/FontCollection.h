// The fonts the system offers for one character set, each face tried at
// every weight and slant so that only the combinations the system really
// realises are kept, sorted in the font list's order and free of equal
// entries; and the search for the entry that best matches a wanted font.
#pragma once
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <algorithm>
#include <vector>

// A LOGFONTW value. Equal when the sizes, angles, weight, the eight byte
// fields and the face name (exactly, case-sensitive) all match.
class CLogFontW : public LOGFONTW {
public:
    CLogFontW() : LOGFONTW() {}
    explicit CLogFontW(const LOGFONTW& lf) : LOGFONTW(lf) {}
    bool operator==(const CLogFontW& o) const;
    bool operator!=(const CLogFontW& o) const { return !(*this == o); }
};
typedef boost::shared_ptr<CLogFontW> CLogFontPtr;
typedef std::vector<CLogFontPtr> CLogFonts;

// Enumeration flags.
namespace FontEnumFlags {
enum : UINT {
    SkipVertical = 0x1,      // faces beginning with "@"
    SkipHorizontal = 0x2,    // faces not beginning with "@"
    SkipRaster = 0x4,
    SkipTrueType = 0x8,
    EveryWeight = 0x10000,   // try 100, 200, ... 900
    ItalicToo = 0x20000,     // try the italic form as well
};
}

class CFontCollection {
public:
    CLogFonts Fonts;     // sorted by CompareLogFonts, no two equal
    HDC DC = nullptr;    // where test fonts are realised; valid during an enumeration only
    UINT Flags = 0;

    // One enumerated font; always true, so that the enumeration goes on.
    bool Add(const ENUMLOGFONTEXW& font, const NEWTEXTMETRICEXW& metrics, DWORD fontType);
    // Inserts a copy in order unless an equal entry is present; false then.
    bool Insert(const LOGFONTW& font);
    // Realises the font on DC and inserts it when the system gives exactly
    // its weight and slant.
    bool AddIfRealised(const LOGFONTW& font);

    void SetHeights(int height);
    void SetWidths(int width);

    // Empties the collection and lists the fonts of the character set on
    // the DC (EnumFontFamiliesExW), with the skip and try flags, of the
    // faces the tasks draw (CanDrawFace) only.
    void Enumerate(HDC dc, BYTE charSet, UINT flags);

    // The position of the best entry for the wanted font, or Fonts.size()
    // when none shares its face (an empty wanted face matches nothing).
    size_t FindBestMatch(const LOGFONTW& wanted) const;
    static size_t FindBestMatch(const CLogFonts& fonts, const LOGFONTW& wanted);
};

// Inserts item at its place in a list kept in the order of compare (a
// three-way comparison of two entries) unless an equal entry is present;
// false then. Equality may be stricter than the order ("Arial" and "ARIAL"
// share one place), so every entry of the item's place is looked at, not
// only the first.
template <class List, class Compare, class Equal>
bool InsertOrderedUnique(List& list, const typename List::value_type& item, Compare compare, Equal equal)
{
    typedef typename List::value_type T;
    auto first = std::partition_point(list.begin(), list.end(), [&](const T& e) { return compare(e, item) < 0; });
    auto last = std::partition_point(first, list.end(), [&](const T& e) { return compare(e, item) == 0; });
    for (auto it = first; it != last; ++it)
        if (equal(*it, item))
            return false;
    list.insert(last, item);
    return true;
}

// Whether the enumeration's skip flags leave a font out.
bool SkipEnumeratedFont(const LOGFONTW& font, DWORD fontType, UINT flags);
