// The bitmap renderer paints with its own exact-area rasteriser: GDI+ under
// Wine neither anti-aliases fills nor strokes wide pens in reasonable time.
// Paths are built as GDI+ paths (their point data is the record of what was
// drawn), flattened in device pixels and painted by coverage, source-over
// with straight alpha as GDI+ paints 32-bit ARGB.
#include "outline/DibRenderer.h"
#include "outline/PenStroke.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/PixelOps.h"
#include "imaging/Resample.h"
#include "outline/GlyphOutline.h"
#include "foundation/NamedValues.h"
#include "foundation/Error.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"
#include "resources/strings_outline.h"
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace Gdiplus {

namespace {

// A channel of 0..1 as a byte, rounded.
ARGB Channel(double v) { return static_cast<ARGB>(static_cast<int>(v * 255 + 0.5) & 255); }

ARGB FromColorRef(COLORREF c)
{
    return 0xFF000000u | static_cast<ARGB>(GetRValue(c)) << 16 | static_cast<ARGB>(GetGValue(c)) << 8 | GetBValue(c);
}

ARGB FromRgb(double r, double g, double b) { return 0xFF000000u | Channel(r) << 16 | Channel(g) << 8 | Channel(b); }

// Curves are flattened this close (device pixels) before they are rasterised.
const double kFlatness = 0.1;

int g_pageFailureForTest = 0;

// Paints colour `argb` at coverage `cover` over `count` pixels of a straight
// alpha BGRA row.
void CompositeSpan(BYTE* row, const uint8_t* cover, int count, ARGB argb, bool aliased)
{
    const uint32_t ca = argb >> 24;
    const BYTE bgr[3] = {static_cast<BYTE>(argb), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb >> 16)};
    for (int i = 0; i < count; ++i) {
        if (ca == 255) {
            // Whole pixels of an opaque colour are replaced unread, four at a time.
            int j = i;
            uint32_t four;
            while (j + 4 <= count && (std::memcpy(&four, cover + j, 4), four == 0xFFFFFFFFu))
                j += 4;
            FillU32(row + i * 4, static_cast<size_t>(j - i) * 4, argb);
            i = j;
            if (i == count)
                break;
        }
        uint32_t c = cover[i];
        if (aliased)
            c = c >= 128 ? 255 : 0;
        BlendPixelOver(row + i * 4, bgr, (c * ca + 127) / 255);
    }
}

} // namespace

void SetPageFailureForTest(int step) { g_pageFailureForTest = step; }

CDibRenderer::CDibRenderer()
{
    std::memcpy(m_t, kIdentityTransform, sizeof m_t);
}

void CDibRenderer::SetBackgroundColor(double r, double g, double b, double a)
{
    m_background = Channel(a) << 24 | Channel(r) << 16 | Channel(g) << 8 | Channel(b);
}

void CDibRenderer::BeginPage(double width, double height)
{
    // A NaN, empty or negative size has no bitmap.
    if (!(width > 0) || !(height > 0) || width > INT_MAX || height > INT_MAX)
        throw my::CException(IDS_ALLOC_IMAGE_FAILED);
    m_scale = 1;
    if (m_maxPixels > 0 && width * height > m_maxPixels)
        m_scale = std::sqrt(m_maxPixels / (width * height));
    const int w = static_cast<int>(std::ceil(width * m_scale)), h = static_cast<int>(std::ceil(height * m_scale));
    // The GDI+ objects point at the old pixels: let them go first.
    m_path.reset();
    m_graphics.reset();
    m_bitmap.reset();
    if (!m_target || m_target->GetWidth() != w || m_target->GetAbsHeight() != h) {
        boost::shared_ptr<CDib> dib(new CDib);
        // The size is checked above and bounded by the pixel limit: what
        // fails here and below is the page's memory, whatever status GDI+
        // gives for it.
        if (!dib->Create(sizeof(BITMAPINFOHEADER), w, h, 32, 0, BI_RGB, 0) || !dib->AllocBits())
            throw my::CException(IDS_ALLOC_IMAGE_FAILED, E_OUTOFMEMORY);
        m_target = dib;
    }
    if (g_pageFailureForTest != 1)
        m_bitmap = BitmapFromDib(*m_target, true);
    if (!m_bitmap)
        throw my::CException(IDS_WRAP_DIB_FAILED, E_OUTOFMEMORY);
    boost::shared_ptr<Graphics> graphics(new Graphics(*m_bitmap));
    if (g_pageFailureForTest == 2 || graphics->GetLastStatus() != Ok || !graphics->IsValid())
        throw my::CException(IDS_CREATE_GRAPHICS_FAILED, E_OUTOFMEMORY);
    m_graphics = graphics;
    // The clear is a plain fill of one value, done here: GDI+ under Wine
    // stores 0 for a clear whose alpha is 0, losing the colour bytes.
    m_target->FillRect32(m_target->GetRect(), m_background);
    m_graphics->SetSmoothingMode(SmoothingModeNone);
}

void CDibRenderer::SetTransform(const double* t)
{
    std::memcpy(m_t, t, sizeof m_t);
}

void CDibRenderer::SetLineJoin(int join)
{
    switch (join) {
    case kJoinMiter: m_lineJoin = LineJoinMiter; break;
    case kJoinRound: m_lineJoin = LineJoinRound; break;
    case kJoinBevel: m_lineJoin = LineJoinBevel; break;
    default: break;
    }
}

void CDibRenderer::SetLineCap(int cap)
{
    switch (cap) {
    case kCapButt: m_lineCap = LineCapFlat; break;
    case kCapRound: m_lineCap = LineCapRound; break;
    case kCapSquare: m_lineCap = LineCapSquare; break;
    default: break;
    }
}

void CDibRenderer::SetStrokeColorRGB(double r, double g, double b) { m_strokeColor = FromRgb(r, g, b); }
void CDibRenderer::SetStrokeColor(COLORREF color) { m_strokeColor = FromColorRef(color); }
void CDibRenderer::SetFillColorRGB(double r, double g, double b) { m_fillColor = FromRgb(r, g, b); }
void CDibRenderer::SetFillColor(COLORREF color) { m_fillColor = FromColorRef(color); }

void CDibRenderer::SetStrokeTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType,
                                    double rateX, double rateY, int flags, double offsetX, double offsetY)
{
    SetTexturePaint(m_strokeTexture, fitType, flags, image, scale, angle, rateX, rateY, offsetX, offsetY);
}

void CDibRenderer::SetFillTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType,
                                  double rateX, double rateY, int flags, double offsetX, double offsetY)
{
    SetTexturePaint(m_fillTexture, fitType, flags, image, scale, angle, rateX, rateY, offsetX, offsetY);
}

PointF CDibRenderer::Transformed(double x, double y) const
{
    return PointF(static_cast<REAL>(TransformX(m_t, x, y) * m_scale), static_cast<REAL>(TransformY(m_t, x, y) * m_scale));
}

void CDibRenderer::MoveTo(double x, double y)
{
    if (!m_path) {
        m_path.reset(new GraphicsPath(FillModeWinding));
    } else if (!m_figureClosed) {
        m_path->StartFigure();
    }
    m_x = x;
    m_y = y;
    m_figureClosed = false;
}

void CDibRenderer::LineTo(double x, double y)
{
    const PointF a = Transformed(m_x, m_y), b = Transformed(x, y);
    if (!m_path)
        throw my::CException(IDS_ADD_PATH_LINE_FAILED);
    const Status status = m_path->AddLine(a.X, a.Y, b.X, b.Y);
    if (status != Ok)
        throw my::CException(IDS_ADD_PATH_LINE_FAILED, status == OutOfMemory ? E_OUTOFMEMORY : S_OK);
    m_x = x;
    m_y = y;
}

void CDibRenderer::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    if (!m_path)
        throw my::CException(IDS_ADD_PATH_BEZIER_FAILED);
    const Status status =
        m_path->AddBezier(Transformed(m_x, m_y), Transformed(x1, y1), Transformed(x2, y2), Transformed(x3, y3));
    if (status != Ok)
        throw my::CException(IDS_ADD_PATH_BEZIER_FAILED, status == OutOfMemory ? E_OUTOFMEMORY : S_OK);
    m_x = x3;
    m_y = y3;
}

void CDibRenderer::ClosePath()
{
    if (m_path)
        m_path->CloseFigure();
    m_figureClosed = true;
}

void CDibRenderer::PreparePaint()
{
    if (!m_graphics)
        throw my::CException(IDS_CREATE_GRAPHICS_FAILED);  // no page to paint on
}

float FloorFloat(float v) { return static_cast<float>(std::floor(static_cast<double>(v))); }
float CeilFloat(float v) { return static_cast<float>(std::ceil(static_cast<double>(v))); }

RECT RectFToRectOutward(const RectF& r)
{
    RECT out = {static_cast<LONG>(FloorFloat(r.X)), static_cast<LONG>(FloorFloat(r.Y)),
                static_cast<LONG>(CeilFloat(r.X + r.Width)), static_cast<LONG>(CeilFloat(r.Y + r.Height))};
    return out;
}

// The fill texture sampled over the path's pixels: the texture repeated over
// the part of the path's outer rectangle that lies on the page, cut to the
// path's coverage, and drawn there.
void CDibRenderer::FillPathWithTexture()
{
    const CTextureDesc& t = m_fillTexture;
    RectF bounds;
    if (GetTightPathBounds(bounds, *m_path, nullptr) != Ok)
        throw my::CException(IDS_GET_PATH_BOUNDS_FAILED);
    const RECT outer = RectFToRectOutward(bounds);
    const RECT page = {0, 0, m_target->GetWidth(), m_target->GetAbsHeight()};
    RECT area;
    if (!::IntersectRect(&area, &outer, &page))
        return;  // nothing of the path on the page
    const int w = area.right - area.left, h = area.bottom - area.top;

    // Coverage of the path over the area, as alpha.
    std::vector<CFlatFigure> figures;
    FlattenPath(figures, true);
    CImg mask(BGRA32, w, h);
    mask.AllocBits();
    m_raster.Reset(w, h);
    AddFigures(figures, -area.left, -area.top);
    const bool aliased = m_noAntiAliasing;
    m_raster.Sweep([&](int y, int x, const uint8_t* cover, int count) {
        BYTE* p = mask.Row(y) + x * 4;
        for (int i = 0; i < count; ++i, p += 4)
            p[3] = aliased ? (cover[i] >= 128 ? 255 : 0) : cover[i];
    });

    // Scale: the rates as given, or fitted to the path's extent in the
    // texture's own turned frame.
    double scaleX = t.m_rateX, scaleY = t.m_rateY;
    if (t.m_fitType != TEXTURE_CUSTOM_RATE) {
        RectF reference = bounds;
        if (t.m_angle != 0) {
            Matrix turn;
            if (!turn.IsValid() || turn.Rotate(static_cast<REAL>(-t.m_angle)) != Ok)
                throw my::CException(IDS_CREATE_ROTATE_MATRIX_FAILED);
            if (GetTightPathBounds(reference, *m_path, &turn) != Ok)
                throw my::CException(IDS_GET_PATH_BOUNDS_FAILED);
        }
        CalcFitScale(scaleX, scaleY, t.m_fitType, t.m_image->m_w, t.m_image->m_h, reference.Width, reference.Height);
    }
    bool flipX, flipY, mirrorX, mirrorY;
    GetTextureFlipFlags(t, flipX, flipY);
    GetTextureMirrorFlags(t, mirrorX, mirrorY);
    CImg sampled(BGRA32, w, h);
    sampled.AllocBits();
    ScaleImg(sampled, *t.m_image, flipX, flipY, mirrorX, mirrorY, t.m_offsetX - (area.left - outer.left),
             t.m_offsetY - (area.top - outer.top), scaleX, scaleY, t.m_angle * 3.14159265358979323846 / 180);
    MultiplyImgAlpha(sampled, mask);
    DrawImg(*m_graphics, sampled, area.left, area.top, w, h, 1.0f);
}

void CDibRenderer::FlattenPath(std::vector<CFlatFigure>& figures, bool forFill)
{
    // A fill reports every fault of the path data as a failed fill.
    auto fault = [forFill](UINT id) { return my::CException(forFill ? UINT(IDS_FILL_GDIP_PATH_FAILED) : id); };
    std::vector<PointF> points;
    std::vector<BYTE> types;
    if (m_path->GetPathData(points, types) != Ok)
        throw fault(IDS_GET_PATH_DATA_FAILED);
    figures.clear();
    CPointD bezier[3];
    int pending = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const CPointD p = {points[i].X, points[i].Y};
        switch (types[i] & PathPointTypePathTypeMask) {
        case PathPointTypeStart:
            if (pending > 0)
                throw fault(IDS_BEZIER_TOO_FEW_POINTS);
            figures.push_back(CFlatFigure());
            figures.back().points.push_back(p);
            break;
        case PathPointTypeLine:
            if (pending > 0)
                throw fault(IDS_BEZIER_TOO_FEW_POINTS);
            if (figures.empty())
                throw fault(IDS_LINE_TOO_FEW_POINTS);
            figures.back().points.push_back(p);
            break;
        case PathPointTypeBezier:
            if (figures.empty())
                throw fault(IDS_BEZIER_TOO_FEW_POINTS);
            bezier[pending++] = p;
            if (pending == 3) {
                std::vector<CPointD>& f = figures.back().points;
                const CPointD from = f.back();
                FlattenBezier(f, from, bezier[0], bezier[1], bezier[2], kFlatness);
                pending = 0;
            }
            break;
        default:
            throw fault(IDS_PATH_POINT_TYPE_UNKNOWN);
        }
        if (pending == 0 && (types[i] & PathPointTypeCloseSubpath))
            figures.back().closed = true;
    }
}

void CDibRenderer::PaintCoverage(ARGB color)
{
    CDib& page = *m_target;
    const bool aliased = m_noAntiAliasing;
    m_raster.Sweep([&](int y, int x, const uint8_t* cover, int count) {
        CompositeSpan(page.GetImageRow(y) + x * 4, cover, count, color, aliased);
    });
}

void CDibRenderer::AddFigures(const std::vector<CFlatFigure>& figures, double dx, double dy)
{
    for (const CFlatFigure& f : figures) {
        if (f.points.size() < 2)
            continue;
        m_raster.MoveTo(f.points[0].x + dx, f.points[0].y + dy);
        for (size_t i = 1; i < f.points.size(); ++i)
            m_raster.LineTo(f.points[i].x + dx, f.points[i].y + dy);
        m_raster.Close();  // a fill closes every figure
    }
}

void CDibRenderer::FillPath()
{
    // A texture without pixels paints nothing: the solid colour stands in.
    if (m_fillTexture.m_image && m_fillTexture.m_image->m_w > 0 && m_fillTexture.m_image->m_h > 0) {
        FillPathWithTexture();
        return;
    }
    std::vector<CFlatFigure> figures;
    FlattenPath(figures, true);
    m_raster.Reset(m_target->GetWidth(), m_target->GetAbsHeight());
    AddFigures(figures, 0, 0);
    PaintCoverage(m_fillColor);
}

void CDibRenderer::StrokePath()
{
    std::vector<CFlatFigure> figures;
    FlattenPath(figures, false);
    CPenShape pen;
    pen.halfWidth = m_lineWidth * m_t[6] * m_scale / 2;
    pen.join = m_lineJoin == LineJoinRound ? kJoinRound : m_lineJoin == LineJoinBevel ? kJoinBevel : kJoinMiter;
    pen.cap = m_lineCap == LineCapRound ? kCapRound : m_lineCap == LineCapSquare ? kCapSquare : kCapButt;
    // Each segment is also drawn on its own, so every segment ends in the cap.
    pen.capEverySegment = true;
    m_raster.Reset(m_target->GetWidth(), m_target->GetAbsHeight());
    AddPenStroke(m_raster, figures, pen);
    PaintCoverage(m_strokeColor);
}

void CDibRenderer::Fill()
{
    if (!m_path)
        return;
    PreparePaint();
    FillPath();
    EndPaint();
}

void CDibRenderer::Stroke()
{
    if (!m_path)
        return;
    PreparePaint();
    StrokePath();
    EndPaint();
}

void CDibRenderer::FillStroke()
{
    if (!m_path)
        return;
    PreparePaint();
    FillPath();
    StrokePath();
    EndPaint();
}

void CDibRenderer::EndDocument()
{
    m_path.reset();
    m_graphics.reset();
    m_bitmap.reset();
}

} // namespace Gdiplus
