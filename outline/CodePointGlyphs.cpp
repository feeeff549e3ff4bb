// Character map lookup: the 'cmap' table lists encoding records (platform,
// encoding, offset); the Windows full-repertoire record (3, 10), or else a
// Unicode one (0, 4 or 0, 6), points at a format 12 subtable: groups of
// consecutive code points mapped to consecutive glyphs. Every offset and
// count is checked against the table's size before it is read; a malformed
// table maps nothing.
#include "outline/CodePointGlyphs.h"
#include <algorithm>
#include <string>

namespace {

UINT32 Be32(const BYTE* p) { return (UINT32(p[0]) << 24) | (UINT32(p[1]) << 16) | (UINT32(p[2]) << 8) | p[3]; }
UINT Be16(const BYTE* p) { return (UINT(p[0]) << 8) | p[1]; }

const DWORD kCmapTag = 0x70616D63;  // "cmap" as GetFontData wants it (bytes in file order)

} // namespace

void CCodePointGlyphs::Load(HDC dc)
{
    m_groups.clear();
    const DWORD size = ::GetFontData(dc, kCmapTag, 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0)
        return;
    std::vector<BYTE> table(size);
    if (::GetFontData(dc, kCmapTag, 0, table.data(), size) != size)
        return;
    Parse(table);
}

void CCodePointGlyphs::Parse(const std::vector<BYTE>& t)
{
    m_groups.clear();
    const size_t n = t.size();
    if (n < 4)
        return;
    const UINT records = Be16(&t[2]);
    size_t chosen = 0;
    int rank = 0;
    for (UINT i = 0; i < records; ++i) {
        const size_t r = 4 + size_t(i) * 8;
        if (r + 8 > n)
            return;
        const UINT platform = Be16(&t[r]), encoding = Be16(&t[r + 2]);
        const size_t offset = Be32(&t[r + 4]);
        if (offset + 2 > n || Be16(&t[offset]) != 12)
            continue;
        const int here = platform == 3 && encoding == 10 ? 2 : platform == 0 && (encoding == 4 || encoding == 6) ? 1 : 0;
        if (here > rank) {
            rank = here;
            chosen = offset;
        }
    }
    if (rank == 0 || chosen + 16 > n)
        return;
    const size_t count = Be32(&t[chosen + 12]);
    if (count > (n - chosen - 16) / 12)
        return;
    m_groups.reserve(count);
    for (size_t g = 0; g < count; ++g) {
        const BYTE* p = &t[chosen + 16 + g * 12];
        const Group group = {Be32(p), Be32(p + 4), Be32(p + 8)};
        if (group.first <= group.last)
            m_groups.push_back(group);
    }
    std::sort(m_groups.begin(), m_groups.end(), [](const Group& a, const Group& b) { return a.first < b.first; });
}

UINT CCodePointGlyphs::Find(UINT32 code) const
{
    auto it = std::upper_bound(m_groups.begin(), m_groups.end(), code,
                               [](UINT32 c, const Group& g) { return c < g.first; });
    if (it == m_groups.begin())
        return 0;
    --it;
    return code <= it->last ? it->glyph + (code - it->first) : 0;
}

std::wstring CodePointText(UINT32 code)
{
    if (code < 0x10000)
        return std::wstring(1, static_cast<wchar_t>(code));
    code -= 0x10000;
    const wchar_t pair[2] = {static_cast<wchar_t>(0xD800 + (code >> 10)), static_cast<wchar_t>(0xDC00 + (code & 0x3FF))};
    return std::wstring(pair, 2);
}

bool GetGlyphAbcWidths(HDC dc, UINT glyph, ABC& abc)
{
    ZeroMemory(&abc, sizeof abc);
    WORD index = static_cast<WORD>(glyph);
    if (::GetCharABCWidthsI(dc, index, 1, &index, &abc))
        return true;
    INT width = 0;
    if (::GetCharWidthI(dc, index, 1, &index, &width)) {
        abc.abcB = static_cast<UINT>(width);
        return true;
    }
    return false;
}
