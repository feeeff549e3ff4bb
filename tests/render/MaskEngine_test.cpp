// The mask engine of the raster pipeline: the run masks the glyph pass works
// in (disc growth, union, 10:1 reduction) against the plain forms of
// MaskOracle.h, the winding fill, and laying coverage over a plane.
#include "render/DiscDilation.h"
#include "render/GlyphFill.h"
#include "render/RunMask.h"
#include "tests/render/MaskOracle.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// Random shapes: rectangles, discs and single pixels, so that runs both repeat
// over rows (stacks) and change every row (slopes), merge and split.
void FillRandomShapes(CPlainMask& plane, std::mt19937& rng, int count)
{
    std::uniform_int_distribution<int> px(0, plane.Width() - 1), py(0, plane.Height() - 1), size(0, 9), kind(0, 2);
    for (int n = 0; n < count; ++n) {
        int x = px(rng), y = py(rng), s = size(rng), k = kind(rng);
        for (int j = -s; j <= s; ++j)
            for (int i = -s; i <= s; ++i) {
                int tx = x + i, ty = y + j;
                if (tx < 0 || ty < 0 || tx >= plane.Width() || ty >= plane.Height())
                    continue;
                bool in = k == 0 ? (i * i + j * j <= s * s) : k == 1 ? (std::abs(i) <= s / 2 + 1) : (i == 0 && j == 0);
                if (in)
                    plane.Set(tx, ty);
            }
    }
    plane.MarkAllDirty();
}

int CountDifferences(const CPlainMask& a, const CPlainMask& b)
{
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            n += a.Get(x, y) != b.Get(x, y);
    return n;
}

TEST(DiscTest, ShapeOfSmallDiscs)
{
    // Half-widths of each row: r^2 + r bounds i^2 + j^2.
    struct Case {
        int r;
        std::vector<int> half;
    } cases[] = {
        {0, {0}},
        {1, {1, 1}},
        {2, {2, 2, 1}},
        {3, {3, 3, 2, 1}},
        {5, {5, 5, 5, 4, 3, 2}},
    };
    for (const Case& c : cases) {
        CDisc disc(c.r);
        for (int j = 0; j <= c.r; ++j) {
            EXPECT_EQ(c.half[j], disc.HalfWidth(j)) << "r " << c.r << " row " << j;
            EXPECT_EQ(disc.HalfWidth(j), disc.HalfWidth(-j));
        }
        EXPECT_FALSE(disc.Contains(0, c.r + 1));
    }
    // A large disc's area is that of a circle of radius r + 1/2.
    CDisc big(100);
    long area = 0;
    for (int j = -100; j <= 100; ++j)
        area += 2 * big.HalfWidth(j) + 1;
    EXPECT_NEAR(3.14159265 * 100.5 * 100.5, static_cast<double>(area), 200.0);
}

// A copy whose dirty rectangle is the smallest that holds the set pixels:
// runs then start and end right at its sides.
CPlainMask WithTightDirty(const CPlainMask& from)
{
    CPlainMask to(from.Width(), from.Height());
    RECT r = {from.Width(), from.Height(), 0, 0};
    for (int y = 0; y < from.Height(); ++y)
        for (int x = 0; x < from.Width(); ++x)
            if (from.Get(x, y)) {
                to.Set(x, y);
                r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                         std::max<LONG>(r.bottom, y + 1)};
            }
    to.MarkDirty(r);
    return to;
}

// The plane grown the engine's way: through its runs.
CPlainMask GrownByRuns(const CPlainMask& plane, const CDisc& disc, int dx, int dy)
{
    CRunMask in, out;
    CRowRing ring;
    PlainRunsOf(plane, in);
    DilateRuns(out, in, disc, ring, dx, dy);
    return PlaneOf(out);
}

TEST(DiscDilationTest, EqualsPlainStampOnRandomShapes)
{
    std::mt19937 rng(12345);
    struct Case {
        int r, dx, dy;
    } cases[] = {{0, 0, 0}, {0, 7, -5}, {0, -70, 3}, {1, 0, 0}, {2, 3, -1}, {3, 0, 0}, {5, -4, 6}, {8, 0, 0}, {13, 20, 17}, {6, -90, 0}};
    // The growth's ring keeps rows as 32-bit words: widths that end inside a
    // word and on its edge, dirty rectangles of the whole plane and tight ones.
    const int widths[] = {61, 64};
    for (int width : widths)
        for (const Case& c : cases)
            for (int round = 0; round < 6; ++round) {
                CPlainMask shapes(width, 47);
                FillRandomShapes(shapes, rng, 3 + round * 4);
                const CPlainMask in = round % 2 ? WithTightDirty(shapes) : shapes;
                ASSERT_EQ(0, CountDifferences(GrownByRuns(in, CDisc(c.r), c.dx, c.dy),
                                              PlainDilation(in, CDisc(c.r), c.dx, c.dy)))
                    << "width " << width << " r " << c.r << " dx " << c.dx << " dy " << c.dy << " round " << round;
            }
}

TEST(DiscDilationTest, RandomNoiseAndReuseOfTheOutputMask)
{
    // Pure noise has runs of every length; the output mask and the ring are
    // reused, so a result must not keep pixels of the previous one.
    std::mt19937 rng(7);
    CRunMask runs, grown;
    CRowRing ring;
    for (int round = 0; round < 8; ++round) {
        CPlainMask in(40, 33);
        std::bernoulli_distribution on(round * 0.04);
        for (int y = 5; y < 28; ++y)
            for (int x = 3; x < 37; ++x)
                in.Set(x, y, on(rng));
        in.MarkDirty(RECT{3, 5, 37, 28});
        int r = round % 4;
        PlainRunsOf(in, runs);
        DilateRuns(grown, runs, CDisc(r), ring, 0, 0);
        ASSERT_EQ(0, CountDifferences(PlaneOf(grown), PlainDilation(in, CDisc(r), 0, 0))) << "round " << round;
    }
}

TEST(DiscDilationTest, LargeRadiusOnAStroke)
{
    // A slanted stroke and a vertical bar at a decoration's working size.
    CPlainMask in(160, 150);
    for (int y = 40; y < 110; ++y) {
        for (int x = 50 + (y - 40) / 3; x < 62 + (y - 40) / 2; ++x)
            in.Set(x, y);
        for (int x = 100; x < 108; ++x)
            in.Set(x, y);
    }
    in.MarkDirty(RECT{50, 40, 108, 110});
    EXPECT_EQ(0, CountDifferences(GrownByRuns(in, CDisc(37), 2, -3), PlainDilation(in, CDisc(37), 2, -3)));
}

TEST(DiscDilationTest, EmptyInputGivesEmptyOutput)
{
    // The output mask held a grown row before: nothing of it is left.
    CPlainMask row(20, 20);
    for (int x = 0; x < 20; ++x)
        row.Set(x, 3);
    row.MarkAllDirty();
    CRunMask in, out;
    CRowRing ring;
    PlainRunsOf(row, in);
    DilateRuns(out, in, CDisc(4), ring);
    ASSERT_FALSE(out.IsClean());
    PlainRunsOf(CPlainMask(20, 20), in);
    DilateRuns(out, in, CDisc(4), ring);
    EXPECT_TRUE(out.IsClean());
    EXPECT_FALSE(PlaneOf(out).Get(5, 3));
}

std::vector<CPathPoint> Square(float x0, float y0, float x1, float y1, bool clockwise)
{
    if (clockwise)
        return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
}

int CountSet(const CPlainMask& p)
{
    int n = 0;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            n += p.Get(x, y);
    return n;
}

TEST(GlyphFillTest, PixelCentresDecide)
{
    CRunMask m;
    m.Reset(10, 10);
    std::vector<CPathPoint> pts = Square(1.0f, 1.0f, 4.0f, 4.0f, true);
    std::vector<BYTE> types = {0, 1, 1, 0x81};
    ASSERT_TRUE(FillPathWinding(m, pts, types));
    const CPlainMask p = PlaneOf(m);
    EXPECT_EQ(9, CountSet(p));
    EXPECT_TRUE(p.Get(1, 1));
    EXPECT_TRUE(p.Get(3, 3));
    EXPECT_FALSE(p.Get(4, 3));
    // A square from 1.6 to 2.4 holds no pixel centre.
    CRunMask q;
    q.Reset(10, 10);
    ASSERT_TRUE(FillPathWinding(q, Square(1.6f, 1.6f, 2.4f, 2.4f, true), types));
    EXPECT_EQ(0, CountSet(PlaneOf(q)));
    EXPECT_TRUE(q.IsClean());
}

TEST(GlyphFillTest, OverlappingContoursFollowTheWindingRule)
{
    // Two squares overlapping in 2 x 2 pixels. Drawn the same way round (as a
    // font draws crossing strokes) the overlap stays filled; drawn opposite
    // ways (a hole) it is left empty.
    struct Case {
        bool secondClockwise;
        int expected;
    } cases[] = {{true, 16 + 16 - 4}, {false, 16 + 16 - 8}};
    for (const Case& c : cases) {
        CRunMask m;
        m.Reset(12, 12);
        std::vector<CPathPoint> pts = Square(1, 1, 5, 5, true);
        std::vector<CPathPoint> second = Square(3, 3, 7, 7, c.secondClockwise);
        pts.insert(pts.end(), second.begin(), second.end());
        std::vector<BYTE> types = {0, 1, 1, 0x81, 0, 1, 1, 0x81};
        ASSERT_TRUE(FillPathWinding(m, pts, types));
        const CPlainMask p = PlaneOf(m);
        EXPECT_EQ(c.expected, CountSet(p));
        EXPECT_EQ(c.secondClockwise, p.Get(3, 3));
    }
}

TEST(GlyphFillTest, BezierCircleAndBadTypes)
{
    // A circle of radius 20 from four cubic arcs.
    const float k = 0.5522847f * 20, cx = 25, cy = 25, r = 20;
    std::vector<CPathPoint> pts = {
        {cx + r, cy},     {cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r},     {cx - k, cy + r}, {cx - r, cy + k},
        {cx - r, cy},     {cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r},     {cx + k, cy - r}, {cx + r, cy - k},
        {cx + r, cy}};
    std::vector<BYTE> types = {0, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0x83};
    CRunMask m;
    m.Reset(50, 50);
    ASSERT_TRUE(FillPathWinding(m, pts, types));
    const CPlainMask p = PlaneOf(m);
    EXPECT_NEAR(3.14159265 * 400, CountSet(p), 40);
    EXPECT_TRUE(p.Get(25, 25));
    EXPECT_FALSE(p.Get(2, 2));

    CRunMask q;
    q.Reset(10, 10);
    std::vector<BYTE> bad = {0, 2, 1, 0x81};
    EXPECT_FALSE(FillPathWinding(q, Square(1, 1, 4, 4, true), bad));
    std::vector<BYTE> shortBezier = {0, 3, 3, 1};
    EXPECT_FALSE(FillPathWinding(q, Square(1, 1, 4, 4, true), shortBezier));
}

TEST(MaskReductionTest, EqualsPlainBlockAverageOverExistingAlpha)
{
    std::mt19937 rng(99);
    CPlainMask plane(70, 50);
    std::bernoulli_distribution on(0.4);
    for (int y = 10; y < 43; ++y)
        for (int x = 17; x < 64; ++x)
            plane.Set(x, y, on(rng));
    plane.MarkDirty(RECT{17, 10, 64, 43});
    // Target 9 x 6 pixels (smaller than the plane's 7 x 5 blocks placed at
    // (3, 2)), holding some alpha already.
    const int tw = 9, th = 6, ox = 3, oy = 2;
    std::vector<uint8_t> target(tw * th), expected;
    for (size_t i = 0; i < target.size(); ++i)
        target[i] = static_cast<uint8_t>(i * 37);
    expected = target;
    for (int by = 0; by < 5; ++by)
        for (int bx = 0; bx < 7; ++bx) {
            int tx = ox + bx, ty = oy + by;
            if (tx >= tw || ty >= th)
                continue;
            int n = 0;
            for (int j = 0; j < 10; ++j)
                for (int i = 0; i < 10; ++i)
                    n += plane.Get(bx * 10 + i, by * 10 + j);
            if (n == 0)
                continue;
            int s = (n * 255 + 50) / 100;
            uint8_t& a = expected[ty * tw + tx];
            a = static_cast<uint8_t>(s + (a * (255 - s) + 127) / 255);
        }
    CRunMask runs;
    PlainRunsOf(plane, runs);
    CCoverageBlock block;
    ReduceRuns(runs, block);
    // Only the blocks that hold the dirty rectangle; laying cuts them at the target.
    EXPECT_EQ(1, block.x);
    EXPECT_EQ(7, block.x + block.width);
    EXPECT_EQ(1, block.y);
    EXPECT_EQ(5, block.y + block.height);
    LayCoverageOver(block, ox, oy, target.data(), tw, tw, th);
    EXPECT_EQ(expected, target);
    // A clean mask lays nothing.
    PlainRunsOf(CPlainMask(70, 50), runs);
    ReduceRuns(runs, block);
    EXPECT_EQ(0, block.width * block.height);
}

TEST(MaskReductionTest, LayingEqualsPlainSourceOver)
{
    // Rows shorter and longer than the sixteen values laid at once, cut at
    // the target's sides; values of 0 and 255 often, as at glyph edges.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255), pick(0, 3);
    const auto value = [&] { int k = pick(rng); return k == 0 ? 0 : k == 1 ? 255 : byte(rng); };
    struct Case {
        int width, x;
    } cases[] = {{1, 0}, {15, 2}, {16, 0}, {17, 5}, {40, -3}, {53, 20}};
    const int tw = 70, th = 5;
    for (const Case& c : cases) {
        CCoverageBlock block;
        block.x = 0;
        block.y = -1;
        block.width = c.width;
        block.height = 4;
        for (int i = 0; i < c.width * 4; ++i)
            block.values.push_back(static_cast<uint8_t>(value()));
        std::vector<uint8_t> target(tw * th), expected;
        for (uint8_t& t : target)
            t = static_cast<uint8_t>(value());
        expected = target;
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < c.width; ++i) {
                const int tx = c.x + i, ty = j - 1;
                if (tx < 0 || tx >= tw || ty < 0 || ty >= th)
                    continue;
                const unsigned s = block.values[j * c.width + i];
                uint8_t& a = expected[ty * tw + tx];
                if (s != 0)
                    a = static_cast<uint8_t>(s + (a * (255 - s) + 127) / 255);
            }
        LayCoverageOver(block, c.x, 0, target.data(), tw, tw, th);
        EXPECT_EQ(expected, target) << "width " << c.width << " at " << c.x;
    }
}

TEST(MaskReductionTest, LayingOnFreshRowsEqualsBlending)
{
    // Blocks laid one after another on a zeroed target, overlapping each
    // other in every way and cut at its sides: storing where a row was never
    // laid on gives what blending gives.
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> byte(0, 255), pos(-20, 60), size(1, 40);
    const int tw = 70, th = 30;
    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> blended(tw * th, 0), stored(tw * th, 0);
        std::vector<CWrittenColumns> written(th);
        for (int n = 0; n < 6; ++n) {
            CCoverageBlock block;
            block.x = pos(rng);
            block.y = pos(rng) / 2;
            block.width = size(rng);
            block.height = size(rng) / 2 + 1;
            for (int i = 0; i < block.width * block.height; ++i)
                block.values.push_back(static_cast<uint8_t>(byte(rng) < 80 ? 0 : byte(rng)));
            LayCoverageOver(block, 0, 0, blended.data(), tw, tw, th);
            LayCoverageOver(block, 0, 0, stored.data(), tw, tw, th, written.data());
        }
        ASSERT_EQ(blended, stored) << "round " << round;
    }
}

TEST(MaskReductionTest, FullAndHalfBlocks)
{
    CPlainMask plane(20, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < (y < 5 ? 15 : 10); ++x)
            plane.Set(x, y);
    plane.MarkAllDirty();
    CRunMask runs;
    PlainRunsOf(plane, runs);
    CCoverageBlock block;
    ReduceRuns(runs, block);
    ASSERT_EQ(2, block.width);
    ASSERT_EQ(1, block.height);
    EXPECT_EQ(255, block.values[0]);
    EXPECT_EQ(64, block.values[1]);  // 25 of 100 pixels: 63.75 rounds up
}

// Random pixels in a rectangle of a 70 x 50 plane, the rectangle its dirty one.
void FillRandomRect(CPlainMask& plane, const RECT& r, double density)
{
    std::mt19937 rng(static_cast<unsigned>(r.left * 100 + r.top));
    std::bernoulli_distribution on(density);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            plane.Set(x, y, on(rng));
    plane.MarkDirty(r);
}

TEST(RunMaskTest, ReductionOfRunsEqualsTheReductionOfThePlane)
{
    // Dirty rectangles on and off the grid of ten; runs of every length,
    // inside one block and across many.
    const RECT shapes[] = {{0, 0, 70, 50}, {17, 10, 64, 43}, {3, 41, 9, 49}, {61, 1, 70, 2}};
    for (double density : {0.1, 0.5, 0.95})
        for (const RECT& r : shapes) {
            CPlainMask plane(70, 50);
            FillRandomRect(plane, r, density);
            CRunMask runs;
            PlainRunsOf(plane, runs);
            CCoverageBlock fromPlane, fromRuns;
            PlainReduction(plane, fromPlane);
            ReduceRuns(runs, fromRuns);
            EXPECT_EQ(fromPlane.x, fromRuns.x);
            EXPECT_EQ(fromPlane.y, fromRuns.y);
            EXPECT_EQ(fromPlane.width, fromRuns.width);
            EXPECT_EQ(fromPlane.height, fromRuns.height);
            EXPECT_EQ(fromPlane.values, fromRuns.values) << "density " << density << " left " << r.left;
        }
    CRunMask clean;
    PlainRunsOf(CPlainMask(20, 20), clean);
    CCoverageBlock none;
    ReduceRuns(clean, none);
    EXPECT_TRUE(clean.IsClean());
    EXPECT_EQ(0, none.width * none.height);
}

TEST(RunMaskTest, UnionOfRunsEqualsTheUnionOfPlanes)
{
    // Overlapping, touching and separate runs, and one side clean.
    const RECT pairs[][2] = {{{0, 0, 70, 50}, {10, 5, 40, 30}},
                             {{17, 10, 64, 43}, {3, 41, 9, 49}},
                             {{61, 1, 70, 2}, {0, 0, 0, 0}}};
    for (const auto& pair : pairs) {
        CPlainMask a(70, 50), b(70, 50);
        FillRandomRect(a, pair[0], 0.5);
        if (pair[1].right > 0)
            FillRandomRect(b, pair[1], 0.3);
        const CPlainMask expected = PlainUnion(a, b);
        CRunMask ra, rb, united;
        PlainRunsOf(a, ra);
        PlainRunsOf(b, rb);
        UniteRuns(united, ra, rb);
        EXPECT_EQ(0, CountDifferences(expected, PlaneOf(united)));
        EXPECT_EQ(expected.Dirty().left, united.Dirty().left);
        EXPECT_EQ(expected.Dirty().bottom, united.Dirty().bottom);
    }
}

TEST(RunMaskTest, OneRingServesGrowthsOfEverySizeInTurn)
{
    // The glyph pass grows every layer of every glyph through one ring:
    // wider and narrower masks, larger and smaller discs, moves past the
    // edges, one after another, each still the plain stamp.
    std::mt19937 rng(31);
    CRowRing ring;
    struct Case {
        int width, height, r, dx, dy;
    } cases[] = {{40, 30, 3, 0, 0}, {90, 70, 12, 5, -4}, {33, 47, 1, -30, 0},
                 {90, 70, 20, 0, 60}, {16, 16, 0, 3, 3}, {64, 50, 7, 0, 0}};
    for (const Case& c : cases) {
        CPlainMask shapes(c.width, c.height);
        FillRandomShapes(shapes, rng, 6);
        CRunMask in, out;
        PlainRunsOf(shapes, in);
        DilateRuns(out, in, CDisc(c.r), ring, c.dx, c.dy);
        EXPECT_EQ(0, CountDifferences(PlainDilation(shapes, CDisc(c.r), c.dx, c.dy), PlaneOf(out)))
            << "r " << c.r << " width " << c.width;
    }
}

} // namespace
