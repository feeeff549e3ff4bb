// The area a pen would cover when stroking a path, as closed polygons of a
// new path (winding fill), and the bounds of path lists in a turned frame.
#pragma once
#include "platform/GdiPlusGraphics.h"
#include "platform/GdiPlusPath.h"
#include <vector>

namespace stroke {

typedef std::vector<Gdiplus::PointF> CPolygon;

// One side of the figure at `start`: walked forward (step 1, from its first
// point) or backward (step -1, from its last point), appended to the polygon.
// `last` receives the figure's last index, `closed` whether it is closed.
void StrokeFigure(CPolygon& polygon, const std::vector<Gdiplus::PointF>& points, const std::vector<BYTE>& types,
                  int start, int step, float w, int join, int cap, float tolerance, int& last, bool& closed);

// Unit tangent of the cubic p0..p3 at t = 0 or t = 1, with coinciding
// control points stepped over.
struct CPointD {
    double x, y;
};
CPointD GetBezierTangent(const CPointD* p, double t);

// Joins from unit normal a to unit normal b at vertex v (only the outer side
// of a turn adds points); caps at an end point e from the side n walked so
// far; round arcs around a centre; one side of an offset cubic. `w` is half
// the pen width.
void AddStrokeJoin(CPolygon& polygon, const Gdiplus::PointF& v, const Gdiplus::PointF& a, const Gdiplus::PointF& b,
                   float w, int join, float tolerance);
void AddStrokeCap(CPolygon& polygon, const Gdiplus::PointF& e, const Gdiplus::PointF& n, float w, int cap,
                  float tolerance);
void AddRoundArc(CPolygon& polygon, const Gdiplus::PointF& centre, const Gdiplus::PointF& a,
                 const Gdiplus::PointF& b, float w, float tolerance);
void OffsetBezier(CPolygon& polygon, const CPointD* p, double w, double tolerance);

} // namespace stroke

// The stroke outline of `in` for the pen's width, join and two caps (miter
// limit, dashes, alignment and custom caps are not used), curves and round
// parts flattened within `tolerance`. An open figure becomes one ring, a
// closed one two (one per side). Returns the GDI+ status of a failed call;
// throws IDS_BEZIER_TOO_FEW_POINTS or IDS_PATH_POINT_TYPE_UNKNOWN for
// malformed point types. (A walk takes its first point as a start whatever
// its type, so a line without a start point cannot occur here.)
Gdiplus::Status BuildStrokeOutline(Gdiplus::GraphicsPath& out, const Gdiplus::GraphicsPath& in,
                                   const Gdiplus::Pen& pen, float tolerance);
// One outline path per path of `in` (IDS_WIDEN_PATH_FAILED).
void WidenPathList(Gdiplus::CGraphicsPathList& out, const Gdiplus::CGraphicsPathList& in, const Gdiplus::Pen& pen,
                   float tolerance);
// Exact bounds of the list turned by `angle` degrees (of its stroke outline
// with a pen); `origin`, when asked, is the bounds' top-left corner turned
// back. IDS_CREATE_ROTATE_MATRIX_FAILED, IDS_GET_PATH_BOUNDS_FAILED.
void GetRotatedPathListBounds(const Gdiplus::CGraphicsPathList& paths, Gdiplus::RectF& bounds,
                              Gdiplus::PointF* origin, const Gdiplus::Pen* pen, float angle);
