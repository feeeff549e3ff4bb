// Glyph outlines (GGO_BEZIER buffers) to GDI+ paths, and the exact bounds of
// paths: the true extremes of their Bezier segments, not the control points.
#pragma once
#include "platform/GdiPlusPath.h"
#include <vector>

// What one glyph walk works on. The transform is seven doubles (the renderer
// transform record, the seventh unused) or null for none.
struct CGlyphParseState {
    UINT32 ch = 0;
    Gdiplus::GraphicsPath* path = nullptr;
    const double* transform = nullptr;
};

// Adds the glyph's figures to the path, placed by the transform. The path is
// not reset. GDI+ failures are kept as the path's last status; malformed
// buffers throw my::CException (IDS_POLYGON_HEADER_TOO_SMALL to IDS_POLYCURVE_CUBIC_TOO_FEW_POINTS), leaving the figures added so far.
void ParseGlyphOutline(CGlyphParseState& state, Gdiplus::GraphicsPath& path, UINT32 ch,
                       const std::vector<BYTE>& buffer, const double* transform);
void AddGlyphOutlineToPath(CGlyphParseState& state, const std::vector<BYTE>& buffer);

// Bounds that hold every point of the drawn outline and nothing more. An empty
// path gives (0, 0, 0, 0). Returns a GDI+ status; NotImplemented for point
// types that no outline holds.
Gdiplus::Status GetTightPathBounds(Gdiplus::RectF& bounds, const Gdiplus::GraphicsPath& path,
                                   const Gdiplus::Matrix* matrix);
// The same over a point list (types as GDI+ gives them), already transformed.
Gdiplus::Status GetTightPointBounds(Gdiplus::RectF& bounds, const std::vector<Gdiplus::PointF>& points,
                                    const std::vector<BYTE>& types);
// Widens bounds by the extremes of one cubic segment and its end point P3.
// `empty` tells whether bounds hold nothing yet, and is cleared.
void AddBezierExtremes(Gdiplus::RectF& bounds, bool& empty, const Gdiplus::PointF& p0, const Gdiplus::PointF& p1,
                       const Gdiplus::PointF& p2, const Gdiplus::PointF& p3);

// Union of the exact bounds of every path of the list; (0, 0, 0, 0) for none.
Gdiplus::Status GetPathListBounds(const Gdiplus::CGraphicsPathList& paths, Gdiplus::RectF& bounds,
                                  const Gdiplus::Matrix* matrix);
// Throws IDS_GET_PATH_BOUNDS_FAILED on failure.
void GetPathListBoundsOrThrow(const Gdiplus::CGraphicsPathList& paths, Gdiplus::RectF& bounds,
                              const Gdiplus::Matrix* matrix);
