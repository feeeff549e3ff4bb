#include "imaging/MemoryDC.h"
#include "platform/Gdi.h"
#include <gtest/gtest.h>

namespace {

struct Band { LONG top, bottom; };

std::vector<Band> Rows(const std::vector<RECT>& rects)
{
    std::vector<Band> rows;
    for (const RECT& r : rects)
        rows.push_back({r.top, r.bottom});
    return rows;
}

bool operator==(const Band& a, const Band& b) { return a.top == b.top && a.bottom == b.bottom; }

std::ostream& operator<<(std::ostream& os, const Band& b) { return os << "[" << b.top << "," << b.bottom << ")"; }

int Channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

void ExpectColour(COLORREF expected, COLORREF actual, int tolerance, const char* what)
{
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(Channel(expected, shift), Channel(actual, shift), tolerance)
            << what << std::hex << " expected " << expected << " got " << actual;
}

} // namespace

TEST(BandLayout, Table)
{
    const LONG big = 0x7FFFFFF0;
    struct Case { const char* what; RECT area; unsigned budget; std::vector<Band> rows; } cases[] = {
        {"zero width", {5, 5, 5, 50}, 100, {}},
        {"zero height", {0, 7, 10, 7}, 100, {}},
        {"inverted", {10, 0, 0, 10}, 100, {}},
        {"budget 0 at the origin", {0, 0, 640, 480}, 0, {{0, 480}}},
        {"budget 0 below the origin", {0, 100, 640, 480}, 0, {{100, 480}}},
        {"budget 0 above the origin", {-30, -200, 10, 40}, 0, {{-200, 40}}},
        {"budget 0 near the largest y", {0, big - 10, 4, big}, 0, {{big - 10, big}}},
        {"budget below the width", {0, 0, 1000, 3}, 999, {{0, 1}, {1, 2}, {2, 3}}},
        {"a million over 1000 x 2500", {0, 0, 1000, 2500}, 1000000, {{0, 1000}, {1000, 2000}, {2000, 2500}}},
        {"bands from the area's top", {3, 10, 13, 35}, 100, {{10, 20}, {20, 30}, {30, 35}}},
        {"huge quotient is one band", {0, 50, 1, 60}, 0xFFFFFFFFu, {{50, 60}}},
    };
    for (const Case& c : cases) {
        std::vector<RECT> rects = LayoutBands(c.area, c.budget);
        EXPECT_EQ(c.rows, Rows(rects)) << c.what;
        for (const RECT& r : rects) {
            EXPECT_EQ(c.area.left, r.left) << c.what;
            EXPECT_EQ(c.area.right, r.right) << c.what;
        }
    }
}

TEST(SplitFrameRects, Table)
{
    struct Case { RECT rect; int thickness; std::vector<RECT> strips; } cases[] = {
        {{0, 0, 5, 5}, 3, {{0, 0, 5, 5}}},
        {{0, 0, 6, 5}, 2, {{0, 0, 6, 2}, {0, 3, 6, 5}, {0, 2, 2, 3}, {4, 2, 6, 3}}},
        {{10, 20, 30, 40}, 1, {{10, 20, 30, 21}, {10, 39, 30, 40}, {10, 21, 11, 39}, {29, 21, 30, 39}}},
        {{0, 0, 4, 100}, 2, {{0, 0, 4, 100}}},
    };
    for (const Case& c : cases) {
        std::vector<RECT> strips = SplitFrameRects(c.rect, c.thickness);
        ASSERT_EQ(c.strips.size(), strips.size());
        for (size_t i = 0; i < strips.size(); ++i)
            EXPECT_TRUE(EqualRect(&c.strips[i], &strips[i])) << i << ": " << strips[i].left << "," << strips[i].top
                                                             << "," << strips[i].right << "," << strips[i].bottom;
    }
}

TEST(MemoryDC2, DrawsInTheLargerSpace)
{
    CScreenDC screen;
    CMemoryDC2 mem;
    const RECT area = {30, 20, 130, 70};
    ASSERT_TRUE(mem.Create(screen, area));
    EXPECT_EQ(RGB(0, 0, 255), mem.FillSolid(RGB(0, 0, 255)));
    EXPECT_EQ(RGB(255, 0, 0), mem.FillRectSolid({30, 20, 31, 21}, RGB(255, 0, 0)));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(mem, 30, 20));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(mem, 129, 69));
    EXPECT_EQ(CLR_INVALID, GetPixel(mem, 29, 20));

    // Copies land at the same coordinates of the target space.
    CMemoryDC2 other;
    ASSERT_TRUE(other.Create(screen, {0, 0, 200, 100}));
    other.FillSolid(RGB(0, 0, 0));
    EXPECT_TRUE(mem.CopyTo(other));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(other, 30, 20));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(other, 29, 20));
    EXPECT_TRUE(mem.CopyRectToAt(other, {30, 20, 31, 21}, 0, 0));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(other, 0, 0));

    EXPECT_TRUE(mem.Destroy());
    EXPECT_EQ(nullptr, mem.GetHDC());
}

// The single calls on a bare DC, each seen by its effect on a memory DC.
TEST(BareDC, SingleCalls)
{
    CScreenDC screen;
    CMemoryDC2 mem, source;
    ASSERT_TRUE(mem.Create(screen, {0, 0, 40, 20}));
    ASSERT_TRUE(source.Create(screen, {0, 0, 10, 10}));
    mem.FillSolid(RGB(0, 0, 0));
    source.FillSolid(RGB(200, 100, 0));

    CBrushHandle white(CreateSolidBrush(RGB(255, 255, 255)));
    EXPECT_TRUE(dc::FillRect(mem, {0, 0, 2, 2}, white));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(mem, 1, 1));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(mem, 2, 2));

    // Half of the source over black, from explicit coordinates.
    const BLENDFUNCTION half = {AC_SRC_OVER, 0, 128, 0};
    EXPECT_TRUE(dc::AlphaBlend(mem, 10, 0, 4, 4, source, 2, 2, 4, 4, half));
    ExpectColour(RGB(100, 50, 0), GetPixel(mem, 11, 1), 2, "blend");
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(mem, 14, 1));

    const int before = GetStretchBltMode(mem);
    EXPECT_EQ(before, dc::SetStretchBltMode(mem, HALFTONE));
    EXPECT_EQ(HALFTONE, GetStretchBltMode(mem));
    EXPECT_NE(0, dc::SetICMMode(mem, ICM_OFF));
    EXPECT_EQ(ICM_OFF, dc::SetICMMode(mem, ICM_QUERY));

    CBrushHandle red(CreateSolidBrush(RGB(255, 0, 0)));
    const HGDIOBJ previous = dc::SelectObject(mem, red);
    EXPECT_EQ(red.Get(), GetCurrentObject(mem, OBJ_BRUSH));
    EXPECT_EQ(red.Get(), dc::SelectObject(mem, previous));

    // Logical x 20 at pixel 10; the clip keeps logical 19 (pixel 9) out.
    EXPECT_TRUE(dc::SetViewportOrg(mem, -10, 0));
    EXPECT_NE(ERROR, dc::IntersectClip(mem, {20, 0, 40, 20}));
    EXPECT_TRUE(dc::FillRect(mem, {19, 5, 21, 6}, white));
    dc::SetViewportOrg(mem, 0, 0);
    SelectClipRgn(mem, nullptr);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(mem, 9, 5));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(mem, 10, 5));

    // An icon of one white pixel in a black square, drawn at a point.
    BYTE andMask[32 * 4] = {}, xorMask[32 * 4] = {};
    xorMask[0] = 0x80;
    HICON icon = CreateIcon(nullptr, 32, 32, 1, 1, andMask, xorMask);
    ASSERT_NE(nullptr, icon);
    mem.FillSolid(RGB(0, 0, 255));
    EXPECT_TRUE(dc::DrawIcon(mem, 3, 4, icon));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(mem, 3, 4));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(mem, 4, 4));
    DestroyIcon(icon);
}

TEST(MemoryDC2, FailuresLeaveNoDC)
{
    CMemoryDC2 mem;
    // Without a DC the background colour cannot be set: nothing is drawn.
    EXPECT_EQ(CLR_INVALID, mem.FillSolid(RGB(1, 2, 3)));
    // No reference DC: the bitmap cannot be made compatible with anything.
    EXPECT_EQ(nullptr, mem.Create(nullptr, {0, 0, 10, 10}));
    EXPECT_EQ(nullptr, mem.GetHDC());
    CScreenDC screen;
    EXPECT_EQ(nullptr, mem.Create(screen, {0, 0, 0, 10}));
    EXPECT_EQ(nullptr, mem.Create(screen, {0, 0, 100000, 100000}));
    EXPECT_EQ(nullptr, mem.GetHDC());
}

TEST(MemoryDCBands, CreateAndEnsureArea)
{
    CScreenDC screen;
    CMemoryDCBands bands(100 * 10);
    EXPECT_EQ(nullptr, bands.Create(screen, {0, 0, 0, 40}));
    EXPECT_TRUE(bands.IsEmpty());

    ASSERT_TRUE(bands.Create(screen, {10, 20, 110, 45}));
    std::vector<HDC> dcs;
    ASSERT_TRUE(bands.GetHDCs(dcs));
    ASSERT_EQ(3u, dcs.size());
    EXPECT_EQ(dcs[0], bands.GetFirstHDC());
    const RECT& last = bands.GetBands()[2]->GetArea();
    EXPECT_EQ(40, last.top);
    EXPECT_EQ(45, last.bottom);

    struct Case { const char* what; RECT area; HRESULT hr; bool kept; } cases[] = {
        {"same", {10, 20, 110, 45}, S_FALSE, true},
        {"smaller, same corner", {10, 20, 60, 30}, S_FALSE, true},
        {"other corner", {11, 20, 60, 30}, S_OK, false},
        {"larger", {11, 20, 300, 30}, S_OK, false},
        {"empty", {0, 0, 0, 0}, E_FAIL, false},
        {"after a failure", {0, 0, 0, 0}, E_FAIL, false},
    };
    for (const Case& c : cases) {
        HDC before = bands.GetFirstHDC();
        EXPECT_EQ(c.hr, bands.EnsureArea(screen, c.area)) << c.what;
        if (c.kept) {
            EXPECT_EQ(before, bands.GetFirstHDC()) << c.what;
        }
    }
    EXPECT_TRUE(bands.IsEmpty());
}

TEST(MemoryDCBands, CopyLayoutAndCopyFromBands)
{
    CScreenDC screen;
    CMemoryDCBands a(50 * 7);
    ASSERT_TRUE(a.Create(screen, {0, 5, 50, 40}));
    for (int y = 5; y < 40; ++y)
        a.FillRectSolid({0, y, 50, y + 1}, RGB(y, 255 - y, 7));
    CMemoryDCBands b(0);
    ASSERT_TRUE(b.CopyLayout(a));
    EXPECT_EQ(a.GetBands().size(), b.GetBands().size());
    EXPECT_EQ(a.GetBudget(), b.GetBudget());

    CMemoryDCBands c(50 * 3);
    ASSERT_TRUE(c.Create(screen, {0, 5, 50, 40}));
    c.FillSolid(RGB(0, 0, 0));
    EXPECT_TRUE(c.CopyFromBands(a, a.GetArea()));
    for (const CMemoryDC2Ptr& band : c.GetBands())
        for (int y = band->GetArea().top; y < band->GetArea().bottom; ++y)
            EXPECT_EQ(RGB(y, 255 - y, 7), GetPixel(band->GetHDC(), 25, y)) << y;
}

TEST(MemoryDCBands, ScrollAcrossBands)
{
    CScreenDC screen;
    for (int dy : {5, -5, 12, -12}) {
        CMemoryDCBands bands(20 * 10);
        ASSERT_TRUE(bands.Create(screen, {0, 0, 20, 30}));
        for (int y = 0; y < 30; ++y)
            bands.FillRectSolid({0, y, 20, y + 1}, RGB(y * 8, 0, 0));
        EXPECT_TRUE(bands.Scroll(bands.GetArea(), 0, dy));
        for (const CMemoryDC2Ptr& band : bands.GetBands())
            for (int y = band->GetArea().top; y < band->GetArea().bottom; ++y) {
                int from = y + dy;
                if (from >= 0 && from < 30) {
                    EXPECT_EQ(RGB(from * 8, 0, 0), GetPixel(band->GetHDC(), 10, y)) << "dy " << dy << " y " << y;
                }
            }
    }
}

TEST(MemoryDCBands, FrameRectAlphaBlendsOnEveryBand)
{
    CScreenDC screen;
    CMemoryDCBands bands(40 * 6);
    ASSERT_TRUE(bands.Create(screen, {0, 0, 40, 30}));
    const RECT frame = {5, 3, 35, 27};
    struct Case { int thickness; BYTE alpha; COLORREF edge; COLORREF inside; } cases[] = {
        {0, 128, RGB(255, 255, 255), RGB(255, 255, 255)},
        {2, 255, RGB(0, 0, 0), RGB(255, 255, 255)},
        {2, 128, RGB(127, 127, 127), RGB(255, 255, 255)},
    };
    for (const Case& c : cases) {
        bands.FillSolid(RGB(255, 255, 255));
        EXPECT_TRUE(bands.FrameRectAlpha(frame, c.thickness, RGB(0, 0, 0), c.alpha));
        for (const CMemoryDC2Ptr& band : bands.GetBands()) {
            HDC dc = band->GetHDC();
            const RECT& a = band->GetArea();
            for (int y = a.top; y < a.bottom; ++y) {
                bool inFrameRows = y >= frame.top && y < frame.bottom;
                bool edgeRow = (y >= frame.top && y < frame.top + 2) || (y >= frame.bottom - 2 && y < frame.bottom);
                ExpectColour(RGB(255, 255, 255), GetPixel(dc, 2, y), 0, "outside");
                if (inFrameRows) {
                    ExpectColour(c.edge, GetPixel(dc, 5, y), 1, "left edge");
                    ExpectColour(c.edge, GetPixel(dc, 34, y), 1, "right edge");
                    ExpectColour(edgeRow ? c.edge : c.inside, GetPixel(dc, 20, y), 1, "middle column");
                }
            }
        }
    }
    CMemoryDCBands none(0);
    EXPECT_TRUE(none.FrameRectAlpha(frame, 2, RGB(0, 0, 0), 128));
}

TEST(MemoryDCBands, BlendsAndQueries)
{
    CScreenDC screen;
    CMemoryDCBands bands(30 * 4);
    ASSERT_TRUE(bands.Create(screen, {0, 0, 30, 10}));
    bands.FillSolid(RGB(255, 255, 255));
    CMemoryDC2 red;
    ASSERT_TRUE(red.Create(screen, {5, 2, 25, 9}));
    red.FillSolid(RGB(255, 0, 0));
    EXPECT_TRUE(AlphaBlendMemoryDC(red, bands, 255, 0));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(bands.GetBands()[0]->GetHDC(), 5, 2));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(bands.GetBands()[2]->GetHDC(), 24, 8));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(bands.GetBands()[2]->GetHDC(), 25, 8));

    // Every band answers the same ICM state; none answers without bands.
    int mode = bands.SetICMMode(ICM_QUERY);
    EXPECT_NE(0, mode);
    EXPECT_EQ(mode, bands.QueryICMMode());
    CMemoryDCBands none(0);
    EXPECT_EQ(0, none.SetICMMode(ICM_QUERY));
    EXPECT_EQ(0, none.QueryICMMode());
    EXPECT_EQ(nullptr, none.SetColorSpace(nullptr));
    std::vector<HDC> dcs;
    EXPECT_FALSE(none.GetHDCs(dcs));
}
