// Path stroker: the outline of the area a pen covers, built side by side.
// Each figure is walked forward, offsetting every segment by half the pen
// width along its left normal, and then backward, which gives the other
// side. Joins fill the outer side of each turn (a miter without limit, a
// bevel, or a round arc); caps close an open figure at both ends, so an open
// figure becomes one ring and a closed figure two. Cubic segments are offset
// by halving them until the offset of every piece is a straight line within
// the tolerance; round parts are split into equal arcs until their sagitta is
// within it.
// Edge cases: zero-length lines and point-like curves are skipped; where a
// curve turns tighter than the offset distance, the offset piece runs
// backwards and is left out (the winding fill covers the gap); near a cusp
// the end tangents of the pieces never agree, so halving stops at a fixed
// depth and the piece is taken as it is.
#include "outline/PathStroker.h"
#include "outline/GlyphOutline.h"
#include "foundation/Error.h"
#include "resources/strings_engine.h"
#include "resources/strings_outline.h"
#include <algorithm>
#include <cmath>

using namespace Gdiplus;

namespace stroke {

namespace {

const int kMaxBezierDepth = 24;  // 2^24 pieces: far finer than any pixel
const int kMaxArcRounds = 16;    // 65536 arc parts: a tolerance of 0 or a huge pen still ends

inline void Append(CPolygon& polygon, const PointF& p)
{
    if (polygon.empty() || polygon.back().X != p.X || polygon.back().Y != p.Y)
        polygon.push_back(p);
}

inline PointF Along(const PointF& p, const PointF& n, float w) { return PointF(p.X + w * n.X, p.Y + w * n.Y); }

// The left normal (y down) of the direction from q to p; false when they coincide.
bool NormalOf(const PointF& q, const PointF& p, PointF& n)
{
    const double dx = static_cast<double>(p.X) - q.X, dy = static_cast<double>(p.Y) - q.Y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0)
        return false;
    n = PointF(static_cast<REAL>(dy / length), static_cast<REAL>(-dx / length));
    return true;
}

inline bool Same(const CPointD& a, const CPointD& b) { return a.x == b.x && a.y == b.y; }

CPointD PointAt(const CPointD* p, double t)
{
    const double u = 1 - t, a = u * u * u, b = 3 * t * u * u, c = 3 * t * t * u, d = t * t * t;
    return {a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x, a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y};
}

CPointD DerivativeAt(const CPointD* p, double t)
{
    const double a = -3 * (1 - t) * (1 - t), b = 9 * t * t - 12 * t + 3, c = -(9 * t * t - 6 * t), d = 3 * t * t;
    return {a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x, a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y};
}

// Parameters in (0, 1) where the cubic with control values v0..v3 has an
// extreme: the roots of its derivative, as the exact path bounds find them.
int DerivativeRoots(double v0, double v1, double v2, double v3, double roots[2])
{
    const double threshold = 1.0e-7;
    const double a = -v0 + 3 * v1 - 3 * v2 + v3, b = 3 * (v0 - 2 * v1 + v2), c = 3 * (v1 - v0);
    double found[2];
    int n = 0;
    if (std::fabs(a) > threshold) {
        const double A = 3 * a, D = b * b - A * c;
        if (D == 0) {
            found[n++] = -b / A;
        } else if (D > 0) {
            const double s = std::sqrt(D);
            found[n++] = b < 0 ? c / (s - b) : (-b - s) / A;
            found[n++] = b < 0 ? (s - b) / A : c / (-b - s);
        }
    } else if (b != 0) {
        found[n++] = c / (-2 * b);
    }
    int kept = 0;
    for (int i = 0; i < n; ++i)
        if (found[i] > 0 && found[i] < 1)
            roots[kept++] = found[i];
    return kept;
}

struct CPiece {
    CPointD p[4];
    int depth;
    bool monotone;
};

void SplitHalf(const CPiece& piece, CPiece& left, CPiece& right)
{
    auto mid = [](const CPointD& a, const CPointD& b) { return CPointD{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
    const CPointD* p = piece.p;
    const CPointD ab = mid(p[0], p[1]), bc = mid(p[1], p[2]), cd = mid(p[2], p[3]);
    const CPointD abc = mid(ab, bc), bcd = mid(bc, cd), m = mid(abc, bcd);
    left = {{p[0], ab, abc, m}, piece.depth + 1, piece.monotone};
    right = {{m, bcd, cd, p[3]}, piece.depth + 1, piece.monotone};
}

// One side of one figure, walked from `begin` to `end` by `step`.
void StrokeSide(CPolygon& polygon, const std::vector<PointF>& points, const std::vector<BYTE>& types, int begin,
                int end, int step, bool closed, float w, int join, int cap, float tolerance)
{
    bool havePrevious = false, haveFirst = false;
    PointF previous, first;
    int pending = 0;
    auto startSegment = [&](const PointF& at, const PointF& n) {
        if (havePrevious)
            AddStrokeJoin(polygon, at, previous, n, w, join, tolerance);
        if (!haveFirst) {
            first = n;
            haveFirst = true;
        }
    };
    for (int i = begin; i != end;) {
        i += step;
        const BYTE type = types[step > 0 ? i : i + 1] & PathPointTypePathTypeMask;
        switch (type) {
        case PathPointTypeStart:
            if (pending)
                throw my::CException(IDS_BEZIER_TOO_FEW_POINTS);
            break;
        case PathPointTypeLine: {
            if (pending)
                throw my::CException(IDS_BEZIER_TOO_FEW_POINTS);
            const PointF& q = points[i - step];
            const PointF& p = points[i];
            PointF n;
            if (!NormalOf(q, p, n))
                break;  // a line of no length
            startSegment(q, n);
            Append(polygon, Along(q, n, w));
            Append(polygon, Along(p, n, w));
            previous = n;
            havePrevious = true;
            break;
        }
        case PathPointTypeBezier: {
            if (++pending < 3)
                break;
            pending = 0;
            CPointD p[4];
            for (int k = 0; k < 4; ++k)
                p[k] = {points[i - (3 - k) * step].X, points[i - (3 - k) * step].Y};
            if (Same(p[0], p[1]) && Same(p[1], p[2]) && Same(p[2], p[3]))
                break;
            const CPointD t0 = GetBezierTangent(p, 0), t1 = GetBezierTangent(p, 1);
            const PointF s0(static_cast<REAL>(t0.y), static_cast<REAL>(-t0.x));
            const PointF s1(static_cast<REAL>(t1.y), static_cast<REAL>(-t1.x));
            CPolygon offset;
            OffsetBezier(offset, p, w, tolerance);
            if (offset.empty())
                break;
            startSegment(points[i - 3 * step], s0);
            for (const PointF& q : offset)
                Append(polygon, q);
            previous = s1;
            havePrevious = true;
            break;
        }
        default:
            throw my::CException(IDS_PATH_POINT_TYPE_UNKNOWN);
        }
    }
    if (pending)
        throw my::CException(IDS_BEZIER_TOO_FEW_POINTS);  // a curve cut short by the figure's end
    const PointF& e = points[end];
    const PointF& s = points[begin];
    if (!closed) {
        if (havePrevious)
            AddStrokeCap(polygon, e, previous, w, cap, tolerance);
        return;
    }
    PointF n;
    if (NormalOf(e, s, n)) {
        startSegment(e, n);
        Append(polygon, Along(e, n, w));
        Append(polygon, Along(s, n, w));
        previous = n;
        havePrevious = true;
    }
    if (haveFirst)
        AddStrokeJoin(polygon, s, previous, first, w, join, tolerance);
}

Status AddPolygon(GraphicsPath& out, CPolygon& polygon)
{
    // The ring closes by itself: a last point on the first is dropped.
    if (polygon.size() > 2 && polygon.back().X == polygon.front().X && polygon.back().Y == polygon.front().Y)
        polygon.pop_back();
    Status s = Ok;
    if (polygon.size() > 1) {
        s = out.AddLines(polygon.data(), static_cast<INT>(polygon.size()));
        if (s == Ok)
            s = out.CloseFigure();
    }
    polygon.clear();
    return s;
}

} // namespace

void StrokeFigure(CPolygon& polygon, const std::vector<PointF>& points, const std::vector<BYTE>& types, int start,
                  int step, float w, int join, int cap, float tolerance, int& last, bool& closed)
{
    const int count = static_cast<int>(std::min(points.size(), types.size()));
    int first = start, end = start;
    if (step > 0) {
        while (end + 1 < count && (types[end + 1] & PathPointTypePathTypeMask) != PathPointTypeStart)
            ++end;
    } else {
        while (first > 0 && (types[first] & PathPointTypePathTypeMask) != PathPointTypeStart)
            --first;
        end = first;
    }
    last = step > 0 ? end : start;
    closed = (types[last] & PathPointTypeCloseSubpath) != 0;
    StrokeSide(polygon, points, types, start, end, step, closed, w, join, cap, tolerance);
}

CPointD GetBezierTangent(const CPointD* p, double t)
{
    CPointD d;
    if (t == 0) {
        d = !Same(p[0], p[1]) ? CPointD{p[1].x - p[0].x, p[1].y - p[0].y}
            : !Same(p[1], p[2]) ? CPointD{p[2].x - p[1].x, p[2].y - p[1].y}
                                : CPointD{p[3].x - p[0].x, p[3].y - p[0].y};
    } else if (t == 1) {
        d = !Same(p[3], p[2]) ? CPointD{p[3].x - p[2].x, p[3].y - p[2].y}
            : !Same(p[2], p[1]) ? CPointD{p[2].x - p[1].x, p[2].y - p[1].y}
                                : CPointD{p[3].x - p[0].x, p[3].y - p[0].y};
    } else {
        d = DerivativeAt(p, t);
    }
    const double length = std::sqrt(d.x * d.x + d.y * d.y);
    return length > 0 ? CPointD{d.x / length, d.y / length} : CPointD{0, 0};
}

void AddStrokeJoin(CPolygon& polygon, const PointF& v, const PointF& a, const PointF& b, float w, int join,
                   float tolerance)
{
    const float cross = b.X * a.Y - a.X * b.Y;
    if (cross >= 0)
        return;  // the inner side: the offset pieces overlap and the fill covers them
    switch (join) {
    case LineJoinMiter: {
        const float k = w / -cross;
        Append(polygon, PointF(v.X + (b.Y - a.Y) * k, v.Y + (a.X - b.X) * k));
        break;
    }
    case LineJoinRound:
        AddRoundArc(polygon, v, a, b, w, tolerance);
        break;
    default:
        break;  // bevel: the two offset points are joined straight
    }
}

void AddStrokeCap(CPolygon& polygon, const PointF& e, const PointF& n, float w, int cap, float tolerance)
{
    const PointF m(-n.X, -n.Y), f(-n.Y, n.X);
    switch (cap) {
    case LineCapSquare:
        Append(polygon, Along(e, n, w));
        Append(polygon, Along(Along(e, n, w), f, w));
        Append(polygon, Along(Along(e, m, w), f, w));
        Append(polygon, Along(e, m, w));
        break;
    case LineCapRound:
        AddRoundArc(polygon, e, n, m, w, tolerance);
        break;
    default:  // flat, and every other cap
        Append(polygon, Along(e, n, w));
        Append(polygon, Along(e, m, w));
        break;
    }
}

void AddRoundArc(CPolygon& polygon, const PointF& centre, const PointF& a, const PointF& b, float w, float tolerance)
{
    const float s = a.Y * b.X - b.Y * a.X;
    std::vector<PointF> list = {a, b};
    auto meanLength = [&list]() {
        const double x = (list[0].X + list[1].X) / 2.0, y = (list[0].Y + list[1].Y) / 2.0;
        return std::sqrt(x * x + y * y);
    };
    double m = meanLength();
    for (int round = 0; (1 - m) * w > tolerance && round < kMaxArcRounds; ++round) {
        if (m == 0) {
            // Opposite vectors: the half turn goes through the perpendicular of b.
            const PointF& last = list.back();
            list.insert(list.end() - 1, s < 0 ? PointF(-last.Y, last.X) : PointF(last.Y, -last.X));
        } else {
            std::vector<PointF> finer;
            finer.reserve(list.size() * 2);
            for (size_t i = 0; i + 1 < list.size(); ++i) {
                finer.push_back(list[i]);
                finer.push_back(PointF(static_cast<REAL>((list[i].X + list[i + 1].X) / (2 * m)),
                                       static_cast<REAL>((list[i].Y + list[i + 1].Y) / (2 * m))));
            }
            finer.push_back(list.back());
            list.swap(finer);
        }
        m = meanLength();
    }
    for (const PointF& v : list)
        Append(polygon, Along(centre, v, w));
}

void OffsetBezier(CPolygon& polygon, const CPointD* p, double w, double tolerance)
{
    std::vector<CPiece> stack(1, CPiece{{p[0], p[1], p[2], p[3]}, 0, false});
    while (!stack.empty()) {
        CPiece piece = stack.back();
        stack.pop_back();
        const CPointD* q = piece.p;
        if (Same(q[0], q[1]) && Same(q[1], q[2]) && Same(q[2], q[3]))
            continue;
        const CPointD t0 = GetBezierTangent(q, 0), t1 = GetBezierTangent(q, 1);
        const CPointD q0 = {q[0].x + w * t0.y, q[0].y - w * t0.x};
        const CPointD q3 = {q[3].x + w * t1.y, q[3].y - w * t1.x};
        const CPointD d = {q3.x - q0.x, q3.y - q0.y};
        const CPointD chord = {q[3].x - q[0].x, q[3].y - q[0].y};
        const bool reversed = chord.x * d.x + chord.y * d.y < 0;
        auto emit = [&]() {
            if (reversed)
                return;
            Append(polygon, PointF(static_cast<REAL>(q0.x), static_cast<REAL>(q0.y)));
            Append(polygon, PointF(static_cast<REAL>(q3.x), static_cast<REAL>(q3.y)));
        };
        if (std::fabs(d.x) < tolerance && std::fabs(d.y) < tolerance) {
            emit();
            continue;
        }
        bool split = false;
        const double c = std::sqrt(std::max(0.0, (t0.x * t1.x + t0.y * t1.y + 1) / 2));
        if ((1 - c) * w >= tolerance) {
            split = true;
        } else {
            const double length = std::sqrt(d.x * d.x + d.y * d.y);
            const CPointD u = {d.x / length, d.y / length}, n = {-u.y, u.x};
            auto dot = [](const CPointD& a, const CPointD& b) { return a.x * b.x + a.y * b.y; };
            double worst = 0, roots[2];
            if (!piece.monotone) {
                const int count = DerivativeRoots(dot(u, q[0]), dot(u, q[1]), dot(u, q[2]), dot(u, q[3]), roots);
                if (count == 0)
                    piece.monotone = true;
                const double low = dot(u, q0), high = dot(u, q3);
                for (int i = 0; i < count; ++i) {
                    const double along = dot(u, PointAt(q, roots[i]));
                    const double at = along + (dot(n, DerivativeAt(q, roots[i])) >= 0 ? w : -w);
                    worst = std::max(worst, at < low ? low - at : (at > high ? at - high : 0.0));
                }
            }
            const int count = DerivativeRoots(dot(n, q[0]), dot(n, q[1]), dot(n, q[2]), dot(n, q[3]), roots);
            for (int i = 0; i < count; ++i)
                worst = std::max(worst, std::fabs(dot(n, PointAt(q, roots[i])) + (reversed ? w : -w) - dot(n, q0)));
            split = worst > tolerance;
        }
        if (split && piece.depth < kMaxBezierDepth) {
            CPiece left, right;
            SplitHalf(piece, left, right);
            stack.push_back(right);
            stack.push_back(left);  // popped first: pieces come out in curve order
        } else {
            emit();
        }
    }
}

} // namespace stroke

Status BuildStrokeOutline(GraphicsPath& out, const GraphicsPath& in, const Pen& pen, float tolerance)
{
    using namespace stroke;
    const float w = pen.GetWidth() * 0.5f;
    const int join = pen.GetLineJoin(), startCap = pen.GetStartCap(), endCap = pen.GetEndCap();
    Status s = out.SetFillMode(FillModeWinding);
    if (s != Ok)
        return s;
    std::vector<PointF> points;
    std::vector<BYTE> types;
    s = in.GetPathData(points, types);
    if (s != Ok || points.empty())
        return s;
    const int count = static_cast<int>(points.size());
    CPolygon polygon;
    for (int first = 0; first < count;) {
        int last = first;
        bool closed = false;
        StrokeFigure(polygon, points, types, first, 1, w, join, endCap, tolerance, last, closed);
        if (closed && (s = AddPolygon(out, polygon)) != Ok)
            return s;
        StrokeFigure(polygon, points, types, last, -1, w, join, startCap, tolerance, last, closed);
        if ((s = AddPolygon(out, polygon)) != Ok)
            return s;
        first = last + 1;
    }
    return Ok;
}

void WidenPathList(CGraphicsPathList& out, const CGraphicsPathList& in, const Pen& pen, float tolerance)
{
    for (const auto& path : in) {
        boost::shared_ptr<GraphicsPath> widened(new GraphicsPath(FillModeAlternate));
        if (!widened->IsValid() || BuildStrokeOutline(*widened, *path, pen, tolerance) != Ok)
            throw my::CException(IDS_WIDEN_PATH_FAILED);
        out.push_back(widened);
    }
}

void GetRotatedPathListBounds(const CGraphicsPathList& paths, RectF& bounds, PointF* origin, const Pen* pen,
                              float angle)
{
    if (pen) {
        CGraphicsPathList widened;
        WidenPathList(widened, paths, *pen, 0.25f);
        GetRotatedPathListBounds(widened, bounds, origin, nullptr, angle);
        return;
    }
    Matrix matrix;
    if (!matrix.IsValid() || matrix.Rotate(angle, MatrixOrderPrepend) != Ok)
        throw my::CException(IDS_CREATE_ROTATE_MATRIX_FAILED);
    if (GetPathListBounds(paths, bounds, &matrix) != Ok)
        throw my::CException(IDS_GET_PATH_BOUNDS_FAILED);
    if (origin) {
        const double r = -angle * 3.14159265358979323846 / 180;
        const double x = bounds.X, y = bounds.Y;
        origin->X = static_cast<REAL>(x * std::cos(r) - y * std::sin(r));
        origin->Y = static_cast<REAL>(x * std::sin(r) + y * std::cos(r));
    }
}
