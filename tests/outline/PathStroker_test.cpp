#include "outline/PathStroker.h"
#include "outline/GlyphOutline.h"
#include "resources/strings_engine.h"
#include "resources/strings_outline.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cmath>

using namespace Gdiplus;

namespace {

struct COutline {
    std::vector<PointF> points;
    std::vector<BYTE> types;
    int figures = 0;
    RectF bounds;
};

COutline Stroke(const GraphicsPath& path, float width, LineJoin join, LineCap cap, float tolerance = 0.25f)
{
    Pen pen(0xFF000000, width);
    pen.SetLineJoin(join);
    pen.SetLineCap(cap, cap, DashCapFlat);
    GraphicsPath out;
    EXPECT_EQ(Ok, BuildStrokeOutline(out, path, pen, tolerance));
    EXPECT_EQ(FillModeWinding, out.GetFillMode());
    COutline o;
    out.GetPathData(o.points, o.types);
    for (BYTE t : o.types)
        if ((t & PathPointTypePathTypeMask) == PathPointTypeStart)
            ++o.figures;
    GetTightPathBounds(o.bounds, out, nullptr);
    return o;
}

void ExpectBounds(const RectF& b, float x, float y, float w, float h, float eps = 0.01f)
{
    EXPECT_NEAR(x, b.X, eps);
    EXPECT_NEAR(y, b.Y, eps);
    EXPECT_NEAR(w, b.Width, eps);
    EXPECT_NEAR(h, b.Height, eps);
}

// The greatest distance of an outline point from the square [0, 100]^2.
float FarthestFromSquare(const COutline& o)
{
    float farthest = 0;
    for (const PointF& p : o.points) {
        const float dx = std::max({0.0f, -p.X, p.X - 100}), dy = std::max({0.0f, -p.Y, p.Y - 100});
        farthest = std::max(farthest, std::sqrt(dx * dx + dy * dy));
    }
    return farthest;
}

} // namespace

TEST(PathStroker, CapsOnALine)
{
    GraphicsPath line;
    line.AddLine(10, 20, 110, 20);
    const struct {
        LineCap cap;
        float x, width;
        size_t minPoints;
    } cases[] = {
        {LineCapFlat, 10, 100, 4},
        {LineCapSquare, 5, 110, 8},
        {LineCapRound, 5, 110, 12},
    };
    for (const auto& c : cases) {
        const COutline o = Stroke(line, 10, LineJoinMiter, c.cap);
        EXPECT_EQ(1, o.figures) << c.cap;
        ExpectBounds(o.bounds, c.x, 15, c.width, 10);
        EXPECT_GE(o.points.size(), c.minPoints);
    }
    EXPECT_EQ(4u, Stroke(line, 10, LineJoinMiter, LineCapFlat).points.size());
    // Every point of a round cap lies on the half circle.
    for (const PointF& p : Stroke(line, 10, LineJoinMiter, LineCapRound).points) {
        if (p.X > 110.001f) {
            EXPECT_NEAR(5, std::hypot(p.X - 110, p.Y - 20), 0.001);
        }
    }
}

TEST(PathStroker, JoinsOnAClosedSquare)
{
    GraphicsPath square;
    const PointF corners[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    square.AddLines(corners, 4);
    square.CloseFigure();
    const struct {
        LineJoin join;
        float farthest;
        bool inCorners;  // points outside the square on both axes
    } cases[] = {
        {LineJoinMiter, 10 * std::sqrt(2.0f), true},
        {LineJoinBevel, 10, false},
        {LineJoinRound, 10, true},
    };
    for (const auto& c : cases) {
        const COutline o = Stroke(square, 20, c.join, LineCapFlat);
        EXPECT_EQ(2, o.figures) << c.join;  // one ring per side
        ExpectBounds(o.bounds, -10, -10, 120, 120, 0.01f);
        EXPECT_NEAR(c.farthest, FarthestFromSquare(o), 0.01f) << c.join;
        bool inCorners = false;
        for (const PointF& p : o.points)
            inCorners |= (p.X < -0.01f || p.X > 100.01f) && (p.Y < -0.01f || p.Y > 100.01f);
        EXPECT_EQ(c.inCorners, inCorners) << c.join;
    }
    // A turn of nearly half a circle puts the miter point far out.
    GraphicsPath spike;
    const PointF v[] = {{0, 0}, {100, 0}, {0, 2}};
    spike.AddLines(v, 3);
    EXPECT_GT(Stroke(spike, 2, LineJoinMiter, LineCapFlat).bounds.Width, 140);
}

TEST(PathStroker, DegenerateAndMalformedFigures)
{
    GraphicsPath dot;
    dot.AddLine(5, 5, 5, 5);
    EXPECT_TRUE(Stroke(dot, 4, LineJoinMiter, LineCapRound).points.empty());
    GraphicsPath still;
    still.AddBezier(PointF(3, 3), PointF(3, 3), PointF(3, 3), PointF(3, 3));
    EXPECT_TRUE(Stroke(still, 4, LineJoinMiter, LineCapFlat).points.empty());
    // A zero-length piece between two lines changes nothing.
    GraphicsPath withZero, without;
    const PointF a[] = {{0, 0}, {50, 0}, {50, 0}, {50, 50}}, b[] = {{0, 0}, {50, 0}, {50, 50}};
    withZero.AddLines(a, 4);
    without.AddLines(b, 3);
    const COutline o1 = Stroke(withZero, 6, LineJoinMiter, LineCapFlat), o2 = Stroke(without, 6, LineJoinMiter, LineCapFlat);
    EXPECT_EQ(o2.points.size(), o1.points.size());
    ExpectBounds(o1.bounds, o2.bounds.X, o2.bounds.Y, o2.bounds.Width, o2.bounds.Height);

    // A curve of two points followed by a line; a curve cut short by the
    // figure's end; a point type no path holds.
    const std::vector<PointF> points = {{0, 0}, {10, 0}, {20, 0}, {30, 0}};
    const struct {
        std::vector<BYTE> types;
        UINT id;
    } cases[] = {
        {{PathPointTypeStart, PathPointTypeBezier, PathPointTypeBezier, PathPointTypeLine}, IDS_BEZIER_TOO_FEW_POINTS},
        {{PathPointTypeStart, PathPointTypeLine, PathPointTypeBezier, PathPointTypeBezier}, IDS_BEZIER_TOO_FEW_POINTS},
        {{PathPointTypeStart, PathPointTypeLine, 2, PathPointTypeLine}, IDS_PATH_POINT_TYPE_UNKNOWN},
    };
    for (const auto& c : cases) {
        for (int step : {1, -1}) {
            stroke::CPolygon polygon;
            int last = 0;
            bool closed = false;
            EXPECT_EQ(c.id, ThrownId([&] {
                stroke::StrokeFigure(polygon, points, c.types, step > 0 ? 0 : 3, step, 1, LineJoinMiter, LineCapFlat,
                                     0.25f, last, closed);
            }));
        }
    }
}

// Curves: an S curve offset within the tolerance, and a cusp (the derivative
// vanishes at t = 0.5) that still ends.
TEST(PathStroker, CurvesAndACusp)
{
    GraphicsPath s;
    s.AddBezier(PointF(0, 0), PointF(100, 0), PointF(0, 100), PointF(100, 100));
    const COutline o = Stroke(s, 10, LineJoinRound, LineCapFlat, 0.1f);
    EXPECT_EQ(1, o.figures);
    RectF curve;
    GetTightPathBounds(curve, s, nullptr);
    EXPECT_NEAR(curve.Y - 5, o.bounds.Y, 0.2f);
    EXPECT_NEAR(curve.GetBottom() + 5, o.bounds.GetBottom(), 0.2f);

    // The derivative vanishes at t = 1/3, a parameter no halving reaches.
    GraphicsPath cusp;
    cusp.AddBezier(PointF(0, 0), PointF(90, 60), PointF(-30, 90), PointF(90, -270));
    const COutline c = Stroke(cusp, 10, LineJoinMiter, LineCapFlat, 0.25f);
    EXPECT_EQ(1, c.figures);
    EXPECT_LT(c.points.size(), 100000u);
    GetTightPathBounds(curve, cusp, nullptr);
    EXPECT_LE(c.bounds.X, curve.X);
    EXPECT_GE(c.bounds.GetRight(), curve.GetRight());
}

TEST(PathStroker, RotatedBoundsOfAList)
{
    CGraphicsPathList list(1, boost::shared_ptr<GraphicsPath>(new GraphicsPath));
    const PointF corners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    list[0]->AddLines(corners, 4);
    list[0]->CloseFigure();
    RectF bounds;
    PointF origin;
    GetRotatedPathListBounds(list, bounds, &origin, nullptr, 90);
    ExpectBounds(bounds, -10, 0, 10, 10);
    EXPECT_NEAR(0, origin.X, 1e-4);  // the corner that turns to the top-left
    EXPECT_NEAR(10, origin.Y, 1e-4);

    Pen pen(0xFF000000, 4);
    GetRotatedPathListBounds(list, bounds, nullptr, &pen, 0);
    ExpectBounds(bounds, -2, -2, 14, 14);
    CGraphicsPathList widened;
    WidenPathList(widened, list, pen, 0.25f);
    ASSERT_EQ(1u, widened.size());
    EXPECT_EQ(FillModeWinding, widened[0]->GetFillMode());
}
