// The exact-area rasteriser against a plain reference, and the pen's area.
#include "outline/CoverageRaster.h"
#include "outline/FloorInt.h"
#include "outline/PenStroke.h"
#include "outline/VectorRenderer.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

// Every block new makes in this test program has a guard word just before it, checked when
// the block is deleted: a write before a buffer's first element, which the heap does not
// notice, is counted. The guard is zero, which even the smallest float added to it changes.
namespace {

LONG g_brokenGuards = 0;

void DeleteGuarded(void* p)
{
    if (!p)
        return;
    unsigned* block = static_cast<unsigned*>(p) - 2;
    if (block[1] != 0)
        ::InterlockedIncrement(&g_brokenGuards);
    std::free(block);
}

} // namespace

void* operator new(size_t size)
{
    unsigned* block = static_cast<unsigned*>(std::malloc(size + 8));  // 8 keeps malloc's alignment
    if (!block)
        throw std::bad_alloc();
    block[1] = 0;
    return block + 2;
}

void operator delete(void* p) noexcept { DeleteGuarded(p); }
void operator delete(void* p, size_t) noexcept { DeleteGuarded(p); }

namespace {

size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

typedef std::vector<std::vector<CPointD> > Polygons;

// Coverage image of the raster's sweep.
std::vector<int> Sweep(CCoverageRaster& r, int w, int h)
{
    std::vector<int> img(static_cast<size_t>(w * h), 0);
    r.Sweep([&](int y, int x, const uint8_t* c, int n) {
        for (int i = 0; i < n; ++i)
            img[static_cast<size_t>(y * w + x + i)] = c[i];
    });
    return img;
}

std::vector<int> Rasterise(const Polygons& polygons, int w, int h)
{
    CCoverageRaster r;
    r.Reset(w, h);
    for (const std::vector<CPointD>& p : polygons) {
        r.MoveTo(p[0].x, p[0].y);
        for (size_t i = 1; i < p.size(); ++i)
            r.LineTo(p[i].x, p[i].y);
    }
    return Sweep(r, w, h);
}

// The plain reference: 32 x 32 samples per pixel, non-zero winding by
// counting crossings of a ray to the right.
std::vector<int> Reference(const Polygons& polygons, int w, int h)
{
    const int n = 32;
    std::vector<int> img(static_cast<size_t>(w * h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int inside = 0;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx) {
                    const double px = x + (sx + 0.5) / n, py = y + (sy + 0.5) / n;
                    int winding = 0;
                    for (const std::vector<CPointD>& p : polygons)
                        for (size_t i = 0; i < p.size(); ++i) {
                            const CPointD& a = p[i];
                            const CPointD& b = p[(i + 1) % p.size()];
                            if ((a.y <= py) != (b.y <= py)) {
                                const double cx = a.x + (py - a.y) * (b.x - a.x) / (b.y - a.y);
                                if (cx > px)
                                    winding += b.y > a.y ? 1 : -1;
                            }
                        }
                    inside += winding != 0;
                }
            img[static_cast<size_t>(y * w + x)] = (inside * 255 + n * n / 2) / (n * n);
        }
    return img;
}

} // namespace

TEST(CoverageRaster, FloorAndCeilingToIntAsTheLibrary)
{
    // Each value, its neighbours an ulp away and its negation: fractions, integers, signed
    // zeros, and from 2^23 on, where a float has no fraction bits left, to the ends of int.
    const double values[] = {0, 1e-300, 0.25, 0.5, 1, 2.5, 3, 8388607.5, 8388608, 8388609, 16777216, 2147483646.5};
    for (double base : values)
        for (double v : {base, std::nextafter(base, 0.0), std::nextafter(base, 1e10)})
            for (double x : {v, -v}) {
                EXPECT_EQ(std::floor(x), FloorToInt(x)) << x;
                EXPECT_EQ(std::ceil(x), CeilToInt(x)) << x;
                for (float f : {float(x), std::nextafter(float(x), 0.0f), std::nextafter(float(x), 1e10f)})
                    if (std::fabs(f) < 2147483648.0f) {  // within int as a float too
                        EXPECT_EQ(std::floor(f), FloorToInt(f)) << f;
                        EXPECT_EQ(std::ceil(f), CeilToInt(f)) << f;
                    }
            }
}

TEST(CoverageRaster, ExactAreasOfSimpleShapes)
{
    struct Case {
        const char* what;
        Polygons shape;
        int x, y, expected;  // one pixel's coverage
    } cases[] = {
        {"quarter of a pixel", {{{1.5, 1.5}, {3, 1.5}, {3, 3}, {1.5, 3}}}, 1, 1, 64},
        {"whole pixel inside", {{{1.5, 1.5}, {3, 1.5}, {3, 3}, {1.5, 3}}}, 2, 2, 255},
        {"half by a diagonal", {{{0, 0}, {4, 0}, {0, 4}}}, 1, 2, 128},
        {"other winding, same area", {{{0, 0}, {0, 4}, {4, 0}}}, 1, 2, 128},
        {"two layers count once", {{{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {{0, 0}, {4, 0}, {4, 4}, {0, 4}}}, 1, 1, 255},
        {"a hole wound back", {{{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {{1, 1}, {1, 3}, {3, 3}, {3, 1}}}, 1, 1, 0},
        {"left of the raster still winds", {{{-5, 0}, {0.5, 0}, {0.5, 4}, {-5, 4}}}, 0, 1, 128},
        {"beyond the right side", {{{3.5, 0}, {40, 0}, {40, 4}, {3.5, 4}}}, 3, 1, 128},
    };
    for (const Case& c : cases) {
        const std::vector<int> img = Rasterise(c.shape, 4, 4);
        EXPECT_EQ(c.expected, img[static_cast<size_t>(c.y * 4 + c.x)]) << c.what;
    }
}

TEST(CoverageRaster, MatchesFineSamplingOnRandomShapes)
{
    // Triangles wound one way, as glyph contours and pen pieces are. One
    // triangle is exact. Where two boundaries cross inside one pixel their
    // partial areas are added for the union: never less than it, and only
    // at those few pixels more. (Regions of both winding signs meeting
    // inside a pixel would partly cancel; nothing the renderer draws has them.)
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-4, 28);
    for (int round = 0; round < 20; ++round) {
        Polygons shape(1 + round % 4);
        for (std::vector<CPointD>& p : shape) {
            for (int i = 0; i < 3; ++i)
                p.push_back(CPointD{coordinate(random), coordinate(random)});
            const double area = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
            if ((area > 0) != (round % 2 == 0))
                std::swap(p[1], p[2]);
        }
        const std::vector<int> fast = Rasterise(shape, 24, 24), plain = Reference(shape, 24, 24);
        int edge = 0, off = 0;
        for (size_t i = 0; i < fast.size(); ++i) {
            EXPECT_GE(fast[i], plain[i] - 12) << round << " at " << i;
            edge += plain[i] > 0 && plain[i] < 255;
            off += std::abs(fast[i] - plain[i]) > 12;
        }
        if (shape.size() == 1)
            EXPECT_EQ(0, off) << round;
        else
            EXPECT_LE(off * 5, edge) << round;
        // Beside a shape two million pixels away the band is one row high:
        // no pixel changes, and the sweep holds megabytes (64 rows would be
        // half a gigabyte).
        Polygons spread = shape;
        spread.push_back({{2e6, 0}, {2e6 + 1, 0}, {2e6 + 1, 1}});
        CCoverageRaster wide;
        wide.Reset(1 << 21, 24);
        for (const std::vector<CPointD>& p : spread) {
            wide.MoveTo(p[0].x, p[0].y);
            for (size_t i = 1; i < p.size(); ++i)
                wide.LineTo(p[i].x, p[i].y);
        }
        std::vector<int> banded(fast.size(), 0);
        const size_t before = PrivateBytes();
        size_t most = before;
        wide.Sweep([&](int y, int x, const uint8_t* c, int n) {
            most = std::max(most, PrivateBytes());
            for (int i = 0; i < n && x + i < 24; ++i)
                banded[static_cast<size_t>(y * 24 + x + i)] = c[i];
        });
        EXPECT_EQ(fast, banded) << round;
        EXPECT_LT(most - before, size_t(64) << 20) << round;
    }
}

TEST(CoverageRaster, NothingWrittenBeforeTheBand)
{
    // A vertex on the first column, its end interpolated a rounding error left of it in a
    // band's first row: the top row of a triangle cut there, and any row when a shape two
    // million columns away makes every band one row high.
    struct Case { double points[3][2]; int width; } cases[] = {
        {{{8, 0.41572040665532123}, {19.536281883328634, -0.26349753680051802}, {24.21686399253332, 18.46747111238016}}, 32},
        {{{18.812010170957908, 56.996288021291456}, {8, 32.00690957394896}, {23.309702144237018, 29.583575618840754}}, 1 << 21},
    };
    for (const Case& c : cases) {
        const LONG broken = g_brokenGuards;
        {
            CCoverageRaster r;
            r.Reset(c.width, 64);
            r.MoveTo(c.points[0][0], c.points[0][1]);
            r.LineTo(c.points[1][0], c.points[1][1]);
            r.LineTo(c.points[2][0], c.points[2][1]);
            r.MoveTo(2e6, 0);  // right of a narrow raster's last column, where it winds nothing
            r.LineTo(2e6 + 1, 1);
            r.LineTo(2e6, 1);
            r.Sweep([](int, int, const uint8_t*, int) {});
        }
        EXPECT_EQ(broken, g_brokenGuards) << c.width;
    }
}

TEST(PenStroke, WidePensStaySolidAndJoinsFollowTheirKind)
{
    // A square of side 4 stroked with a pen 40 wide: a single offset outline
    // would turn inside out; the pieces keep everything within 20 covered.
    CFlatFigure square;
    square.points = {{30, 30}, {34, 30}, {34, 34}, {30, 34}};
    square.closed = true;
    CPenShape pen;
    pen.halfWidth = 20;
    pen.join = kJoinRound;
    CCoverageRaster r;
    r.Reset(64, 64);
    AddPenStroke(r, {square}, pen);
    std::vector<int> img = Sweep(r, 64, 64);
    EXPECT_EQ(255, img[32 * 64 + 32]);       // the middle, inside the pen's reach
    EXPECT_EQ(255, img[32 * 64 + 12]);       // 18 left of the square
    EXPECT_EQ(0, img[32 * 64 + 8]);          // 22 left
    EXPECT_EQ(0, img[12 * 64 + 12]);         // diagonal beyond a round corner
    pen.join = kJoinMiter;
    r.Reset(64, 64);
    AddPenStroke(r, {square}, pen);
    img = Sweep(r, 64, 64);
    EXPECT_EQ(255, img[12 * 64 + 12]);       // the miter fills the corner

    // An open line: a butt cap ends at the end point, a square cap goes on.
    CFlatFigure line;
    line.points = {{10, 10}, {20, 10}};
    for (int cap : {kCapButt, kCapSquare, kCapRound}) {
        CPenShape thin;
        thin.halfWidth = 2;
        thin.cap = cap;
        r.Reset(32, 32);
        AddPenStroke(r, {line}, thin);
        img = Sweep(r, 32, 32);
        EXPECT_EQ(cap == kCapButt ? 0 : 255, img[10 * 32 + 20]) << cap;
        EXPECT_EQ(255, img[10 * 32 + 15]) << cap;
        EXPECT_EQ(0, img[13 * 32 + 15]) << cap;
    }
}
