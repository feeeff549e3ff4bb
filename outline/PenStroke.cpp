// The area of a wide pen as a union of simple polygons.
//
// Goal: what a pen of half width h paints along flattened figures, for the
// coverage rasteriser, robust for any width: also for pens far wider than
// the glyph they outline, where offset curves turn inside out and a single
// outline polygon would cancel itself under the winding rule.
//
// The area is built from pieces that are each convex (or a fan about one
// point) and all wound the same way: a rectangle of width 2h along every
// segment; at every corner, on its outer side, a piece between the two
// offsets (a circular sector for round joins, the triangle for bevel joins,
// the triangle with the miter tip for miter joins within the limit); at the
// open ends of a figure, a half disc (round cap) or a half square (square
// cap). The raster counts any winding as inside, so the pieces unite.
//
// Edge cases: repeated points are dropped (a zero-length segment has no
// direction); a figure left with one point paints nothing; a straight
// continuation needs no join piece; a full reversal gets the half disc or
// the bevel beyond the corner (a miter would be infinite).
#include "outline/PenStroke.h"
#include "outline/VectorRenderer.h"
#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;
// Flattening tolerance of arcs, in device pixels.
const double kArcTolerance = 0.125;

CPointD Add(const CPointD& a, const CPointD& b, double s) { return CPointD{a.x + b.x * s, a.y + b.y * s}; }

// A polygon wound the one way the stroke uses (positive shoelace area in
// device coordinates); reversed when built the other way.
void AddPiece(CCoverageRaster& raster, std::vector<CPointD>& points)
{
    double area = 0;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++)
        area += points[j].x * points[i].y - points[i].x * points[j].y;
    if (area == 0)
        return;
    if (area < 0)
        std::reverse(points.begin(), points.end());
    raster.MoveTo(points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i)
        raster.LineTo(points[i].x, points[i].y);
    raster.Close();
}

// Points of the arc of radius h about c from angle a0 through sweep (radians),
// both ends included.
void AppendArc(std::vector<CPointD>& out, const CPointD& c, double h, double a0, double sweep)
{
    const double step = h > kArcTolerance ? 2 * std::acos(1 - kArcTolerance / h) : kPi / 2;
    const int n = std::min(4096, std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / step))));
    for (int i = 0; i <= n; ++i) {
        const double a = a0 + sweep * i / n;
        out.push_back(CPointD{c.x + h * std::cos(a), c.y + h * std::sin(a)});
    }
}

// The cap at end point p of a segment whose direction away from the figure is `out`.
void AddCap(CCoverageRaster& raster, const CPointD& p, const CPointD& out, const CPenShape& pen)
{
    const double h = pen.halfWidth;
    const CPointD n = {-out.y, out.x};
    std::vector<CPointD> piece;
    if (pen.cap == kCapSquare) {
        piece = {Add(p, n, h), Add(Add(p, n, h), out, h), Add(Add(p, n, -h), out, h), Add(p, n, -h)};
    } else if (pen.cap == kCapRound) {
        // From +n through `out` to -n.
        const double a0 = std::atan2(n.y, n.x);
        const double toOut = std::atan2(out.y, out.x) - a0;
        const double sweep = std::sin(toOut) >= 0 ? kPi : -kPi;
        AppendArc(piece, p, h, a0, sweep);
    } else {
        return;
    }
    AddPiece(raster, piece);
}

// The join at corner v between directions d1 (arriving) and d2 (leaving).
void AddJoin(CCoverageRaster& raster, const CPointD& v, const CPointD& d1, const CPointD& d2, const CPenShape& pen)
{
    const double cross = d1.x * d2.y - d1.y * d2.x;
    const double dot = d1.x * d2.x + d1.y * d2.y;
    if (std::fabs(cross) < 1e-12 && dot > 0)
        return;  // straight on: the rectangles meet edge to edge
    const double h = pen.halfWidth;
    // The outer side of the turn: the offsets part there.
    const double side = cross > 0 ? -1 : 1;
    const CPointD n1 = {-d1.y * side, d1.x * side}, n2 = {-d2.y * side, d2.x * side};
    const CPointD o1 = Add(v, n1, h), o2 = Add(v, n2, h);
    // Away from the turn, between the two offsets.
    CPointD outward = {d1.x - d2.x, d1.y - d2.y};
    const double length = std::hypot(outward.x, outward.y);
    outward.x /= length;
    outward.y /= length;
    std::vector<CPointD> piece;
    if (pen.join == kJoinRound) {
        const double a0 = std::atan2(n1.y, n1.x);
        double sweep = std::atan2(n2.y, n2.x) - a0;
        while (sweep > kPi)
            sweep -= 2 * kPi;
        while (sweep <= -kPi)
            sweep += 2 * kPi;
        const double mid = a0 + sweep / 2;
        if (std::cos(mid) * outward.x + std::sin(mid) * outward.y < 0)
            sweep -= sweep > 0 ? 2 * kPi : -2 * kPi;
        piece.push_back(v);
        AppendArc(piece, v, h, a0, sweep);
    } else {
        piece = {v, o1, o2};
        // The tip lies h / cos(turn / 2) from the corner along the outward line.
        const double cosHalf = std::sqrt(std::max(0.0, (1 + dot) / 2));  // cos of half the turn
        if (pen.join == kJoinMiter && cosHalf > 1e-9 && 1 / cosHalf <= pen.miterLimit)
            piece = {v, o1, Add(v, outward, h / cosHalf), o2};
    }
    AddPiece(raster, piece);
}

} // namespace

void AddPenStroke(CCoverageRaster& raster, const std::vector<CFlatFigure>& figures, const CPenShape& pen)
{
    if (!(pen.halfWidth > 0) || !std::isfinite(pen.halfWidth))
        return;
    const double h = pen.halfWidth;
    std::vector<CPointD> pts, dirs;
    for (const CFlatFigure& f : figures) {
        pts.clear();
        for (const CPointD& p : f.points)
            if (pts.empty() || p.x != pts.back().x || p.y != pts.back().y)
                pts.push_back(p);
        const bool closed = f.closed && pts.size() > 2;
        if (closed && pts.back().x == pts.front().x && pts.back().y == pts.front().y)
            pts.pop_back();
        if (pts.size() < 2)
            continue;
        const size_t segments = closed ? pts.size() : pts.size() - 1;
        dirs.clear();
        for (size_t i = 0; i < segments; ++i) {
            const CPointD& a = pts[i];
            const CPointD& b = pts[(i + 1) % pts.size()];
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            const CPointD d = {(b.x - a.x) / len, (b.y - a.y) / len};
            dirs.push_back(d);
            const CPointD n = {-d.y, d.x};
            std::vector<CPointD> rect = {Add(a, n, h), Add(b, n, h), Add(b, n, -h), Add(a, n, -h)};
            AddPiece(raster, rect);
            if (pen.capEverySegment) {
                AddCap(raster, a, CPointD{-d.x, -d.y}, pen);
                AddCap(raster, b, d, pen);
            }
        }
        for (size_t i = closed ? 0 : 1; i < segments; ++i)
            AddJoin(raster, pts[i], dirs[(i + segments - 1) % segments], dirs[i], pen);
        if (!closed) {
            AddCap(raster, pts.front(), CPointD{-dirs.front().x, -dirs.front().y}, pen);
            AddCap(raster, pts.back(), dirs.back(), pen);
        }
    }
}

void FlattenBezier(std::vector<CPointD>& out, const CPointD& p0, const CPointD& p1, const CPointD& p2,
                   const CPointD& p3, double tolerance)
{
    // The distance of a cubic from its n-piece polyline is at most
    // 3/4 * max |second difference of the control points| / n^2.
    const double ddx = std::max(std::fabs(p0.x - 2 * p1.x + p2.x), std::fabs(p1.x - 2 * p2.x + p3.x));
    const double ddy = std::max(std::fabs(p0.y - 2 * p1.y + p2.y), std::fabs(p1.y - 2 * p2.y + p3.y));
    const double dd = std::hypot(ddx, ddy);
    int n = static_cast<int>(std::ceil(std::sqrt(0.75 * dd / tolerance)));
    n = std::min(1000, std::max(1, n));
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back(CPointD{a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
}
