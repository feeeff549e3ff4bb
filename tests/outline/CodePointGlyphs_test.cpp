// Glyphs of characters beyond U+FFFF from a character map.
#include "outline/CodePointGlyphs.h"
#include <gtest/gtest.h>

namespace {

void Put16(std::vector<BYTE>& t, UINT v) { t.push_back(BYTE(v >> 8)); t.push_back(BYTE(v)); }
void Put32(std::vector<BYTE>& t, UINT32 v) { Put16(t, v >> 16); Put16(t, v & 0xFFFF); }

// A 'cmap' table with one record (platform, encoding) of format 12 and the
// groups (first, last, glyph).
std::vector<BYTE> Cmap(UINT platform, UINT encoding, const std::vector<std::vector<UINT32> >& groups)
{
    std::vector<BYTE> t;
    Put16(t, 0);
    Put16(t, 1);
    Put16(t, platform);
    Put16(t, encoding);
    Put32(t, 12);
    Put16(t, 12);
    Put16(t, 0);
    Put32(t, static_cast<UINT32>(16 + 12 * groups.size()));
    Put32(t, 0);
    Put32(t, static_cast<UINT32>(groups.size()));
    for (const std::vector<UINT32>& g : groups)
        for (UINT32 v : g)
            Put32(t, v);
    return t;
}

TEST(CodePointGlyphsTest, GroupsOfTheFullRangeTable)
{
    CCodePointGlyphs map;
    map.Parse(Cmap(3, 10, {{0x1F600, 0x1F60F, 500}, {0x20BB7, 0x20BB7, 42}}));
    EXPECT_EQ(500u, map.Find(0x1F600));
    EXPECT_EQ(515u, map.Find(0x1F60F));
    EXPECT_EQ(0u, map.Find(0x1F610));
    EXPECT_EQ(42u, map.Find(0x20BB7));
    EXPECT_EQ(0u, map.Find(0x10000));
    // A table of another kind, a short one and a count beyond its end map nothing.
    map.Parse(Cmap(3, 1, {{0x1F600, 0x1F600, 7}}));
    EXPECT_EQ(0u, map.Find(0x1F600));
    std::vector<BYTE> cut = Cmap(3, 10, {{0x1F600, 0x1F600, 7}});
    cut.resize(cut.size() - 4);
    map.Parse(cut);
    EXPECT_EQ(0u, map.Find(0x1F600));
    map.Parse(std::vector<BYTE>(3, 0));
    EXPECT_EQ(0u, map.Find(0x1F600));
    EXPECT_EQ(std::wstring(L"\U0001F600"), CodePointText(0x1F600));
    EXPECT_EQ(std::wstring(L"a"), CodePointText(L'a'));
}

} // namespace
