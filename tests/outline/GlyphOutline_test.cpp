#include "outline/GlyphOutline.h"
#include "resources/strings_outline.h"
#include "tests/outline/OutlineTestSupport.h"
#include <gtest/gtest.h>
#include <cmath>
#include <random>

using namespace Gdiplus;

namespace {

struct PathShape {
    std::vector<PointF> points;
    std::vector<BYTE> types;
};

PathShape ShapeOf(const GraphicsPath& path)
{
    PathShape s;
    EXPECT_EQ(Ok, path.GetPathData(s.points, s.types));
    return s;
}

PathShape Walk(const std::vector<BYTE>& buffer, const double* transform = nullptr)
{
    GraphicsPath path(FillModeWinding);
    CGlyphParseState state;
    ParseGlyphOutline(state, path, L'x', buffer, transform);
    EXPECT_EQ(Ok, path.GetLastStatus());
    return ShapeOf(path);
}

UINT WalkError(const std::vector<BYTE>& buffer)
{
    return ThrownId([&] {
        GraphicsPath path;
        CGlyphParseState state;
        ParseGlyphOutline(state, path, L'x', buffer, nullptr);
    });
}

std::vector<BYTE> WithTrailingBytes(std::vector<BYTE> buffer, size_t n)
{
    buffer.insert(buffer.end(), n, 0);
    return buffer;
}

} // namespace

TEST(GlyphOutline, MalformedBuffersRaiseTheirIds)
{
    struct Case {
        const char* name;
        std::vector<BYTE> buffer;
        UINT id;
    };
    const Case cases[] = {
        {"eight bytes", std::vector<BYTE>(8, 0), IDS_POLYGON_HEADER_TOO_SMALL},
        {"not a polygon", COutlineBuilder().Polygon(0, 0, 23).Curve(1, {1, 1}).Bytes(), IDS_POLYGON_TYPE_UNKNOWN},
        {"cb zero", COutlineBuilder().Polygon(0, 0).ForceSize(0).Bytes(), IDS_POLYGON_HEADER_SIZE_ZERO},
        {"cb one", COutlineBuilder().Polygon(0, 0).Curve(1, {1, 1}).ForceSize(1).Bytes(), IDS_POLYGON_HEADER_TOO_SMALL},
        {"cb fifteen", COutlineBuilder().Polygon(0, 0).Curve(1, {1, 1}).ForceSize(15).Bytes(), IDS_POLYGON_HEADER_TOO_SMALL},
        {"cb beyond the buffer", COutlineBuilder().Polygon(0, 0).Curve(1, {1, 1}).ForceSize(29).Bytes(), IDS_POLYGON_HEADER_TOO_LARGE},
        {"curve head cut", COutlineBuilder().Polygon(0, 0).Raw({1, 0}).Bytes(), IDS_POLYCURVE_TOO_SMALL},
        {"curve points beyond cb", COutlineBuilder().Polygon(0, 0).Curve(1, {1, 1, 2, 2}).ForceSize(28).Bytes(), IDS_POLYCURVE_TOO_LARGE},
        {"quadratic", COutlineBuilder().Polygon(0, 0).Curve(2, {1, 1, 2, 0}).Bytes(), IDS_POLYCURVE_QUADRATIC},
        {"unknown curve type", COutlineBuilder().Polygon(0, 0).Curve(9, {1, 1}).Bytes(), IDS_POLYCURVE_TYPE_UNKNOWN},
        {"open cubic short of a segment", COutlineBuilder().Polygon(0, 0).Curve(3, {1, 1, 2, 2, 3, 3, 4, 4}).Curve(1, {5, 0}).Bytes(), IDS_POLYCURVE_CUBIC_TOO_FEW_POINTS},
        {"trailing bytes", WithTrailingBytes(COutlineBuilder().Polygon(0, 0).Curve(1, {1, 1}).Bytes(), 5), IDS_POLYGON_HEADER_TOO_SMALL},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.id, WalkError(c.buffer)) << c.name;
}

TEST(GlyphOutline, FiguresFromRecords)
{
    const BYTE S = PathPointTypeStart, L = PathPointTypeLine, B = PathPointTypeBezier, Z = PathPointTypeCloseSubpath;
    struct Case {
        const char* name;
        std::vector<BYTE> buffer;
        std::vector<PointF> points;
        std::vector<BYTE> types;
    };
    const Case cases[] = {
        {"empty buffer", {}, {}, {}},
        {"polygon without curves", COutlineBuilder().Polygon(3, 4).Bytes(), {}, {}},
        {"one line record closes back to the start", COutlineBuilder().Polygon(0, 0).Curve(1, {4, 0, 4, 4}).Bytes(),
         {{0, 0}, {4, 0}, {4, 4}}, {S, L, BYTE(L | Z)}},
        {"consecutive line records are one run",
         COutlineBuilder().Polygon(0, 0).Curve(1, {4, 0}).Curve(1, {4, 4}).Curve(1, {0, 4}).Bytes(),
         {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {S, L, L, BYTE(L | Z)}},
        {"one cubic segment", COutlineBuilder().Polygon(0, 0).Curve(3, {1, 2, 3, 2, 4, 0}).Bytes(),
         {{0, 0}, {1, 2}, {3, 2}, {4, 0}}, {S, B, B, BYTE(B | Z)}},
        {"a closing cubic run is padded with its first point",
         COutlineBuilder().Polygon(0, 0).Curve(3, {1, 2, 3, 2, 4, 0, 2, -2}).Bytes(),
         {{0, 0}, {1, 2}, {3, 2}, {4, 0}, {2, -2}, {0, 0}, {0, 0}}, {S, B, B, B, B, B, BYTE(B | Z)}},
        {"fixed fractions, negative values", COutlineBuilder().Polygon(-1.5, 0.25).Curve(1, {2.75, -3.5}).Bytes(),
         {{-1.5f, 0.25f}, {2.75f, -3.5f}}, {S, BYTE(L | Z)}},
    };
    for (const Case& c : cases) {
        const PathShape s = Walk(c.buffer);
        ASSERT_EQ(c.points.size(), s.points.size()) << c.name;
        for (size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_FLOAT_EQ(c.points[i].X, s.points[i].X) << c.name << " point " << i;
            EXPECT_FLOAT_EQ(c.points[i].Y, s.points[i].Y) << c.name << " point " << i;
            EXPECT_EQ(c.types[i], s.types[i]) << c.name << " point " << i;
        }
    }
}

TEST(GlyphOutline, RunsJoinAcrossTypesAndPolygonsStayApart)
{
    // A line run, then a cubic run that starts where the line ended; then a
    // second polygon that must be a figure of its own.
    const std::vector<BYTE> buffer = COutlineBuilder()
        .Polygon(0, 0).Curve(1, {4, 0}).Curve(3, {5, 1, 5, 3, 4, 4})
        .Polygon(10, 10).Curve(1, {12, 10, 12, 12})
        .Bytes();
    const PathShape s = Walk(buffer);
    int figures = 0, closed = 0;
    for (size_t i = 0; i < s.types.size(); ++i) {
        figures += (s.types[i] & PathPointTypePathTypeMask) == PathPointTypeStart;
        closed += (s.types[i] & PathPointTypeCloseSubpath) != 0;
    }
    EXPECT_EQ(2, figures);
    EXPECT_EQ(2, closed);
    RectF tight;
    ASSERT_EQ(Ok, GetTightPointBounds(tight, s.points, s.types));
    EXPECT_FLOAT_EQ(0, tight.X);
    EXPECT_FLOAT_EQ(12, tight.X + tight.Width);
    EXPECT_FLOAT_EQ(12, tight.Y + tight.Height);
    // The curve bulges to x = 4.75 (its turning point), not to its control points at 5.
    GraphicsPath first;
    CGlyphParseState state;
    ParseGlyphOutline(state, first, L'x', COutlineBuilder().Polygon(0, 0).Curve(1, {4, 0}).Curve(3, {5, 1, 5, 3, 4, 4}).Bytes(), nullptr);
    ASSERT_EQ(Ok, GetTightPathBounds(tight, first, nullptr));
    EXPECT_NEAR(4.75, tight.X + tight.Width, 1e-5);
}

TEST(GlyphOutline, TransformPlacesEveryPoint)
{
    const double t[7] = {2, 0, 0, -2, 10, 20, 1};
    const PathShape s = Walk(COutlineBuilder().Polygon(1, 1).Curve(1, {3, 1}).Curve(3, {3, 2, 2, 3, 1, 3}).Bytes(), t);
    ASSERT_GE(s.points.size(), 5u);
    EXPECT_FLOAT_EQ(12, s.points[0].X);
    EXPECT_FLOAT_EQ(18, s.points[0].Y);
    EXPECT_FLOAT_EQ(16, s.points[1].X);
    EXPECT_FLOAT_EQ(18, s.points[1].Y);
    EXPECT_FLOAT_EQ(12, s.points.back().X);
    EXPECT_FLOAT_EQ(14, s.points.back().Y);
}

TEST(GlyphOutline, ThrowLeavesEarlierFigures)
{
    GraphicsPath path;
    CGlyphParseState state;
    const std::vector<BYTE> buffer = COutlineBuilder()
        .Polygon(0, 0).Curve(1, {1, 0, 1, 1})
        .Polygon(5, 5).Curve(2, {6, 6, 7, 5})
        .Bytes();
    EXPECT_EQ(UINT(IDS_POLYCURVE_QUADRATIC), ThrownId([&] { ParseGlyphOutline(state, path, L'x', buffer, nullptr); }));
    EXPECT_EQ(3, path.GetPointCount());
}

TEST(TightBounds, CubicsAndLines)
{
    struct Case {
        const char* name;
        PointF p[4];
        RectF expected;
    };
    const Case cases[] = {
        // Control points at y = 10, the curve turns at y = 7.5.
        {"bulging", {{0, 0}, {0, 10}, {10, 10}, {10, 0}}, RectF(0, 0, 10, 7.5f)},
        // Evenly spaced on a line: a = b = 0, only the end points count.
        {"collinear", {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, RectF(0, 0, 3, 3)},
        // Control points overshoot both ends: the curve turns twice in x.
        {"s overshoot", {{0, 0}, {10, 0}, {-10, 1}, {0, 1}}, RectF(-2.886751f, 0, 5.773503f, 1)},
        {"backwards", {{10, 10}, {10, 0}, {0, 0}, {0, 10}}, RectF(0, 2.5f, 10, 7.5f)},
    };
    for (const Case& c : cases) {
        GraphicsPath path;
        ASSERT_EQ(Ok, path.AddBezier(c.p[0], c.p[1], c.p[2], c.p[3]));
        RectF r;
        ASSERT_EQ(Ok, GetTightPathBounds(r, path, nullptr)) << c.name;
        EXPECT_NEAR(c.expected.X, r.X, 1e-4) << c.name;
        EXPECT_NEAR(c.expected.Y, r.Y, 1e-4) << c.name;
        EXPECT_NEAR(c.expected.Width, r.Width, 1e-4) << c.name;
        EXPECT_NEAR(c.expected.Height, r.Height, 1e-4) << c.name;
    }
}

TEST(TightBounds, MatrixEmptyPathAndMalformedPoints)
{
    GraphicsPath empty;
    RectF r(1, 2, 3, 4);
    EXPECT_EQ(Ok, GetTightPathBounds(r, empty, nullptr));
    EXPECT_EQ(0, r.X + r.Y + r.Width + r.Height);

    GraphicsPath path;
    path.AddBezier(PointF(0, 0), PointF(0, 10), PointF(10, 10), PointF(10, 0));
    Matrix quarter;
    quarter.Rotate(90);
    ASSERT_EQ(Ok, GetTightPathBounds(r, path, &quarter));
    EXPECT_NEAR(-7.5, r.X, 1e-4);
    EXPECT_NEAR(7.5, r.Width, 1e-4);
    EXPECT_NEAR(10, r.Height, 1e-4);

    const BYTE S = PathPointTypeStart, L = PathPointTypeLine, B = PathPointTypeBezier;
    struct Case {
        const char* name;
        std::vector<BYTE> types;
        Status expected;
    };
    const Case cases[] = {
        {"line first", {L, L}, NotImplemented},
        {"start inside a bezier", {S, B, S, B}, NotImplemented},
        {"line inside a bezier", {S, B, B, L}, NotImplemented},
        {"bezier first", {B, B, B, B}, NotImplemented},
        {"unknown type", {S, 2}, NotImplemented},
        {"marker bits ignored", {S, BYTE(L | 0x20), BYTE(L | 0x80)}, Ok},
    };
    for (const Case& c : cases) {
        std::vector<PointF> points(c.types.size(), PointF(1, 1));
        EXPECT_EQ(c.expected, GetTightPointBounds(r, points, c.types)) << c.name;
    }
}

TEST(TightBounds, MatchesDenseSamplingAndStaysInsideControlHull)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coord(-100, 100);
    for (int n = 0; n < 200; ++n) {
        PointF p[4];
        for (PointF& q : p)
            q = PointF(coord(random), coord(random));
        GraphicsPath path;
        path.AddBezier(p[0], p[1], p[2], p[3]);
        RectF tight, hull;
        ASSERT_EQ(Ok, GetTightPathBounds(tight, path, nullptr));
        ASSERT_EQ(Ok, path.GetBounds(&hull));
        double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
        for (int i = 0; i <= 4000; ++i) {
            const double t = i / 4000.0, u = 1 - t;
            const double x = u * u * u * p[0].X + 3 * t * u * u * p[1].X + 3 * t * t * u * p[2].X + t * t * t * p[3].X;
            const double y = u * u * u * p[0].Y + 3 * t * u * u * p[1].Y + 3 * t * t * u * p[2].Y + t * t * t * p[3].Y;
            minX = std::min(minX, x); maxX = std::max(maxX, x);
            minY = std::min(minY, y); maxY = std::max(maxY, y);
        }
        EXPECT_NEAR(minX, tight.X, 0.02) << n;
        EXPECT_NEAR(minY, tight.Y, 0.02) << n;
        EXPECT_NEAR(maxX, tight.X + tight.Width, 0.02) << n;
        EXPECT_NEAR(maxY, tight.Y + tight.Height, 0.02) << n;
        EXPECT_GE(tight.X, hull.X - 1e-3) << n;
        EXPECT_LE(tight.X + tight.Width, hull.X + hull.Width + 1e-3) << n;
    }
}

TEST(TightBounds, PathListUnion)
{
    CGraphicsPathList list;
    RectF r(1, 1, 1, 1);
    EXPECT_EQ(Ok, GetPathListBounds(list, r, nullptr));
    EXPECT_EQ(0, r.X + r.Y + r.Width + r.Height);

    list.push_back(boost::shared_ptr<GraphicsPath>(new GraphicsPath));
    list.back()->AddLine(-1, 2, 3, 4);
    list.push_back(boost::shared_ptr<GraphicsPath>(new GraphicsPath));
    list.back()->AddBezier(PointF(0, 0), PointF(0, 10), PointF(10, 10), PointF(10, 0));
    ASSERT_EQ(Ok, GetPathListBounds(list, r, nullptr));
    EXPECT_FLOAT_EQ(-1, r.X);
    EXPECT_FLOAT_EQ(0, r.Y);
    EXPECT_FLOAT_EQ(11, r.Width);
    EXPECT_FLOAT_EQ(7.5, r.Height);
}
