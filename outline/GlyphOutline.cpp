// Glyph outline walk and exact path bounds.
//
// The walk reads TTPOLYGONHEADER records (16 bytes: cb, dwType, pfxStart) and
// the TTPOLYCURVE records that fill the rest of each cb (wType, cpfx, cpfx
// points), all FIXED 16.16. Consecutive records of one type become one run of
// the path, each run beginning at the last point of the one before, so the
// figure has no gaps; the last run is closed back to the start. A cubic run
// whose point count is short of whole segments is padded with its first point
// when it closes the figure. Every size is checked against the bytes that
// remain before anything is read, so a malformed buffer throws instead of
// reading past its end.
//
// The exact bounds walk every segment: lines extend the bounds by their end
// points, cubic segments by their end points and by the points where dx/dt or
// dy/dt is zero inside (0, 1), found with a numerically stable quadratic
// formula (the root with the cancelling sum is taken as c / q instead).
#include "outline/GlyphOutline.h"
#include "foundation/Error.h"
#include "resources/strings_outline.h"
#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Gdiplus;

namespace {

const DWORD kPolygonType = 24;   // TT_POLYGON_TYPE
const size_t kHeaderSize = 16;   // sizeof(TTPOLYGONHEADER)
const size_t kCurveHeadSize = 4; // wType and cpfx of TTPOLYCURVE
const size_t kPointSize = 8;     // sizeof(POINTFX)
const WORD kNoCurveType = 0xFFFF;

template <class T>
T ReadAt(const BYTE* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

double FixedToDouble(const BYTE* p)
{
    const WORD fract = ReadAt<WORD>(p);
    const short value = ReadAt<short>(p + 2);
    return value + fract / 65536.0;
}

class CGlyphWalker {
public:
    explicit CGlyphWalker(CGlyphParseState& state) : m_state(state) {}

    PointF ReadPoint(const BYTE* p) const
    {
        const double x = FixedToDouble(p);
        const double y = FixedToDouble(p + 4);
        const double* t = m_state.transform;
        if (!t)
            return PointF(static_cast<REAL>(x), static_cast<REAL>(y));
        return PointF(static_cast<REAL>(t[0] * x + t[1] * y + t[4]), static_cast<REAL>(t[2] * x + t[3] * y + t[5]));
    }

    // Hands the gathered points to the path as one run of `type`.
    void Flush(WORD type, bool closing)
    {
        if (m_points.size() <= 1)
            return;
        GraphicsPath& path = *m_state.path;
        switch (type) {
        case TT_PRIM_LINE:
            path.AddLines(m_points.data(), static_cast<INT>(m_points.size()));
            break;
        case TT_PRIM_QSPLINE:
            throw my::CException(IDS_POLYCURVE_QUADRATIC);
        case TT_PRIM_CSPLINE: {
            const size_t n = m_points.size() - 1;
            if (n % 3 != 0) {
                if (!closing)
                    throw my::CException(IDS_POLYCURVE_CUBIC_TOO_FEW_POINTS);
                const PointF first = m_points.front();
                m_points.insert(m_points.end(), 3 - n % 3, first);
            }
            path.AddBeziers(m_points.data(), static_cast<INT>(m_points.size()));
            break;
        }
        default:
            throw my::CException(IDS_POLYCURVE_TYPE_UNKNOWN);
        }
        if (closing) {
            m_points.clear();
            path.CloseFigure();
        } else {
            const PointF last = m_points.back();
            m_points.assign(1, last);
        }
    }

    void Walk(const std::vector<BYTE>& buffer)
    {
        const BYTE* p = buffer.data();
        size_t unread = buffer.size();
        while (unread >= kHeaderSize) {
            const DWORD cb = ReadAt<DWORD>(p);
            const DWORD type = ReadAt<DWORD>(p + 4);
            if (type != kPolygonType)
                throw my::CException(IDS_POLYGON_TYPE_UNKNOWN);
            if (cb == 0)
                throw my::CException(IDS_POLYGON_HEADER_SIZE_ZERO);
            // A record smaller than its own header would make the curve size
            // negative and send the walk past the buffer.
            if (cb < kHeaderSize)
                throw my::CException(IDS_POLYGON_HEADER_TOO_SMALL);
            if (cb > unread)
                throw my::CException(IDS_POLYGON_HEADER_TOO_LARGE);

            m_points.assign(1, ReadPoint(p + 8));
            WORD current = kNoCurveType;
            const BYTE* c = p + kHeaderSize;
            size_t curveBytes = cb - kHeaderSize;
            while (curveBytes > 0) {
                if (curveBytes < kCurveHeadSize)
                    throw my::CException(IDS_POLYCURVE_TOO_SMALL);
                const WORD curveType = ReadAt<WORD>(c);
                const WORD count = ReadAt<WORD>(c + 2);
                const size_t size = kCurveHeadSize + kPointSize * count;
                if (size > curveBytes)
                    throw my::CException(IDS_POLYCURVE_TOO_LARGE);
                if (curveType != current) {
                    Flush(current, false);
                    current = curveType;
                }
                for (WORD i = 0; i < count; ++i)
                    m_points.push_back(ReadPoint(c + kCurveHeadSize + kPointSize * i));
                c += size;
                curveBytes -= size;
            }
            Flush(current, true);
            p += cb;
            unread -= cb;
            if (unread == 0)
                return;
        }
        if (unread > 0)
            throw my::CException(IDS_POLYGON_HEADER_TOO_SMALL);
    }

private:
    CGlyphParseState& m_state;
    std::vector<PointF> m_points;
};

void Extend(RectF& bounds, bool& empty, REAL x, REAL y)
{
    if (empty) {
        bounds = RectF(x, y, 0, 0);
        empty = false;
        return;
    }
    const REAL right = std::max(bounds.X + bounds.Width, x);
    const REAL bottom = std::max(bounds.Y + bounds.Height, y);
    bounds.X = std::min(bounds.X, x);
    bounds.Y = std::min(bounds.Y, y);
    bounds.Width = right - bounds.X;
    bounds.Height = bottom - bounds.Y;
}

// Parameters in (0, 1) where the derivative of one coordinate of the cubic
// p0..p3 vanishes; appended to `roots`.
void AddDerivativeRoots(std::vector<REAL>& roots, REAL p0, REAL p1, REAL p2, REAL p3)
{
    const REAL threshold = 1.0e-7f;
    const REAL a = -p0 + 3 * p1 - 3 * p2 + p3;
    const REAL b = 3 * (p0 - 2 * p1 + p2);
    const REAL c = 3 * (p1 - p0);
    REAL found[2];
    int n = 0;
    if (std::fabs(a) > threshold) {
        const REAL A = 3 * a;
        const REAL D = b * b - A * c;
        if (D == 0) {
            found[n++] = -b / A;
        } else if (D > 0) {
            const REAL s = std::sqrt(D);
            REAL t1, t2;
            if (b < 0) {
                t1 = c / (s - b);
                t2 = (s - b) / A;
            } else {
                t1 = (-b - s) / A;
                t2 = c / (-b - s);
            }
            if (t1 > t2)
                std::swap(t1, t2);
            found[n++] = t1;
            found[n++] = t2;
        }
    } else if (b != 0) {
        found[n++] = c / (-2 * b);
    }
    for (int i = 0; i < n; ++i)
        if (found[i] > 0 && found[i] < 1)
            roots.push_back(found[i]);
}

} // namespace

void ParseGlyphOutline(CGlyphParseState& state, GraphicsPath& path, UINT32 ch, const std::vector<BYTE>& buffer,
                       const double* transform)
{
    state.ch = ch;
    state.path = &path;
    state.transform = transform;
    AddGlyphOutlineToPath(state, buffer);
}

void AddGlyphOutlineToPath(CGlyphParseState& state, const std::vector<BYTE>& buffer)
{
    if (buffer.empty())
        return;
    CGlyphWalker(state).Walk(buffer);
}

void AddBezierExtremes(RectF& bounds, bool& empty, const PointF& p0, const PointF& p1, const PointF& p2,
                       const PointF& p3)
{
    std::vector<REAL> roots;
    AddDerivativeRoots(roots, p0.X, p1.X, p2.X, p3.X);
    AddDerivativeRoots(roots, p0.Y, p1.Y, p2.Y, p3.Y);
    for (REAL t : roots) {
        const REAL u = 1 - t;
        const REAL w0 = u * u * u, w1 = 3 * t * u * u, w2 = 3 * t * t * u, w3 = t * t * t;
        Extend(bounds, empty, w0 * p0.X + w1 * p1.X + w2 * p2.X + w3 * p3.X,
               w0 * p0.Y + w1 * p1.Y + w2 * p2.Y + w3 * p3.Y);
    }
    Extend(bounds, empty, p3.X, p3.Y);
}

Status GetTightPointBounds(RectF& bounds, const std::vector<PointF>& points, const std::vector<BYTE>& types)
{
    bounds = RectF(0, 0, 0, 0);
    bool empty = true;
    int pending = 0;
    for (size_t i = 0; i < points.size() && i < types.size(); ++i) {
        switch (types[i] & PathPointTypePathTypeMask) {
        case PathPointTypeStart:
            if (pending != 0)
                return NotImplemented;
            Extend(bounds, empty, points[i].X, points[i].Y);
            break;
        case PathPointTypeLine:
            if (pending != 0 || i == 0)
                return NotImplemented;
            Extend(bounds, empty, points[i].X, points[i].Y);
            break;
        case PathPointTypeBezier:
            // The three points of a segment follow its start point, so the
            // first Bezier point is never at index 0 in a valid path.
            if (i == 0)
                return NotImplemented;
            if (++pending == 3) {
                AddBezierExtremes(bounds, empty, points[i - 3], points[i - 2], points[i - 1], points[i]);
                pending = 0;
            }
            break;
        default:
            return NotImplemented;
        }
    }
    return Ok;
}

Status GetTightPathBounds(RectF& bounds, const GraphicsPath& path, const Matrix* matrix)
{
    bounds = RectF(0, 0, 0, 0);
    std::vector<PointF> points;
    std::vector<BYTE> types;
    Status s = path.GetPathData(points, types);
    if (s != Ok)
        return s;
    if (points.empty())
        return Ok;
    if (matrix) {
        s = matrix->TransformPoints(points.data(), static_cast<INT>(points.size()));
        if (s != Ok)
            return s;
    }
    return GetTightPointBounds(bounds, points, types);
}

Status GetPathListBounds(const CGraphicsPathList& paths, RectF& bounds, const Matrix* matrix)
{
    bounds = RectF(0, 0, 0, 0);
    bool first = true;
    for (const auto& path : paths) {
        RectF one;
        const Status s = GetTightPathBounds(one, *path, matrix);
        if (s != Ok)
            return s;
        if (first) {
            bounds = one;
            first = false;
            continue;
        }
        const REAL right = std::max(bounds.X + bounds.Width, one.X + one.Width);
        const REAL bottom = std::max(bounds.Y + bounds.Height, one.Y + one.Height);
        bounds.X = std::min(bounds.X, one.X);
        bounds.Y = std::min(bounds.Y, one.Y);
        bounds.Width = right - bounds.X;
        bounds.Height = bottom - bounds.Y;
    }
    return Ok;
}

void GetPathListBoundsOrThrow(const CGraphicsPathList& paths, RectF& bounds, const Matrix* matrix)
{
    if (GetPathListBounds(paths, bounds, matrix) != Ok)
        throw my::CException(IDS_GET_PATH_BOUNDS_FAILED);
}
