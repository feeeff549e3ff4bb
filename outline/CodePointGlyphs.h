// The glyphs of characters beyond the Basic Multilingual Plane. GDI takes
// characters one UTF-16 unit at a time, so such a character (two units, a
// surrogate pair) is drawn and measured through its glyph index, which the
// font's own character map gives.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class CCodePointGlyphs {
public:
    // Reads the character map of the font selected into dc: its full-range
    // (segmented 32-bit) table. A font without one maps nothing.
    void Load(HDC dc);
    // The glyph index of a code point; 0, the font's missing glyph, when the
    // font has none.
    UINT Find(UINT32 code) const;

    // The same from the bytes of a 'cmap' table (exposed for tests).
    void Parse(const std::vector<BYTE>& table);

private:
    struct Group {
        UINT32 first, last, glyph;
    };
    std::vector<Group> m_groups;  // sorted by first
};

// UTF-16 units of a code point: one, or a surrogate pair beyond U+FFFF.
std::wstring CodePointText(UINT32 code);

// ABC widths of a glyph index on dc (GetCharABCWidthsI, else {0,
// GetCharWidthI, 0}); false when both fail.
bool GetGlyphAbcWidths(HDC dc, UINT glyph, ABC& abc);
