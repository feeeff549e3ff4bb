#include "outline/DibRenderer.h"
#include "imaging/GdiPlusBitmap.h"
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

} // namespace

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
    const int w = static_cast<int>(std::ceil(width)), h = static_cast<int>(std::ceil(height));
    // The GDI+ objects point at the old pixels: let them go first.
    m_path.reset();
    m_graphics.reset();
    m_bitmap.reset();
    if (!m_target || m_target->GetWidth() != w || m_target->GetAbsHeight() != h) {
        boost::shared_ptr<CDib> dib(new CDib);
        if (!dib->Create(sizeof(BITMAPINFOHEADER), w, h, 32, 0, BI_RGB, 0) || !dib->AllocBits())
            throw my::CException(IDS_ALLOC_IMAGE_FAILED);
        m_target = dib;
    }
    m_bitmap = BitmapFromDib(*m_target, true);
    if (!m_bitmap)
        throw my::CException(IDS_WRAP_DIB_FAILED);
    boost::shared_ptr<Graphics> graphics(new Graphics(*m_bitmap));
    if (graphics->GetLastStatus() != Ok || !graphics->IsValid())
        throw my::CException(IDS_CREATE_GRAPHICS_FAILED);
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
    return PointF(static_cast<REAL>(TransformX(m_t, x, y)), static_cast<REAL>(TransformY(m_t, x, y)));
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
    if (!m_path || m_path->AddLine(a.X, a.Y, b.X, b.Y) != Ok)
        throw my::CException(IDS_ADD_PATH_LINE_FAILED);
    m_x = x;
    m_y = y;
}

void CDibRenderer::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    if (!m_path || m_path->AddBezier(Transformed(m_x, m_y), Transformed(x1, y1), Transformed(x2, y2),
                                     Transformed(x3, y3)) != Ok)
        throw my::CException(IDS_ADD_PATH_BEZIER_FAILED);
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
    m_graphics->SetSmoothingMode(m_noAntiAliasing ? SmoothingModeNone : SmoothingModeHighQuality);
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
    boost::shared_ptr<GraphicsPath> shifted = m_path->Clone();
    Matrix shift;
    if (!shift.IsValid() || shift.Translate(static_cast<REAL>(-area.left), static_cast<REAL>(-area.top)) != Ok)
        throw my::CException(IDS_CREATE_MATRIX_FAILED);
    if (!shifted || shifted->Transform(shift) != Ok)
        throw my::CException(IDS_TRANSFORM_PATH_FAILED);
    CImg mask(BGRA32, w, h);
    mask.AllocBits();
    {
        boost::shared_ptr<Bitmap> bitmap = BitmapFromImg(mask);
        if (!bitmap)
            throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
        Graphics graphics(*bitmap);
        graphics.SetSmoothingMode(m_noAntiAliasing ? SmoothingModeNone : SmoothingModeHighQuality);
        SolidBrush white(0xFFFFFFFF);
        if (graphics.GetLastStatus() != Ok || graphics.FillPath(white, shifted->Native()) != Ok)
            throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
    }

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

void CDibRenderer::FillPath()
{
    // A texture without pixels paints nothing: the solid colour stands in.
    if (m_fillTexture.m_image && m_fillTexture.m_image->m_w > 0 && m_fillTexture.m_image->m_h > 0) {
        FillPathWithTexture();
        return;
    }
    SolidBrush brush(m_fillColor);
    if (!brush.IsValid() || m_graphics->FillPath(brush, m_path->Native()) != Ok)
        throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
}

void CDibRenderer::StrokePath()
{
    Pen pen(m_strokeColor, static_cast<REAL>(m_lineWidth * m_t[6]), UnitWorld);
    if (!pen.IsValid())
        throw my::CException(IDS_DRAW_GDIP_PATH_FAILED);
    pen.SetLineJoin(static_cast<LineJoin>(m_lineJoin));
    pen.SetLineCap(static_cast<LineCap>(m_lineCap), static_cast<LineCap>(m_lineCap), DashCapFlat);
    pen.SetMiterLimit(65535.0f);
    DrawPathSegments(*m_graphics, pen);
    if (m_graphics->DrawPath(pen, m_path->Native()) != Ok)
        throw my::CException(IDS_DRAW_GDIP_PATH_FAILED);
}

// Draws every line and Bezier of the path on its own, then closes figures
// back to their start.
void CDibRenderer::DrawPathSegments(Graphics& graphics, const Pen& pen)
{
    std::vector<PointF> points;
    std::vector<BYTE> types;
    if (m_path->GetPathData(points, types) != Ok)
        throw my::CException(IDS_GET_PATH_DATA_FAILED);
    PointF start, previous;
    PointF bezier[3];
    int pending = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const PointF& p = points[i];
        switch (types[i] & PathPointTypePathTypeMask) {
        case PathPointTypeStart:
            if (pending > 0)
                throw my::CException(IDS_BEZIER_TOO_FEW_POINTS);
            start = p;
            break;
        case PathPointTypeLine:
            if (pending > 0)
                throw my::CException(IDS_BEZIER_TOO_FEW_POINTS);
            if (i == 0)
                throw my::CException(IDS_LINE_TOO_FEW_POINTS);
            graphics.DrawLine(pen, previous.X, previous.Y, p.X, p.Y);
            break;
        case PathPointTypeBezier:
            bezier[pending++] = p;
            if (pending == 3) {
                graphics.DrawBezier(pen, previous, bezier[0], bezier[1], bezier[2]);
                pending = 0;
            }
            break;
        default:
            throw my::CException(IDS_PATH_POINT_TYPE_UNKNOWN);
        }
        if (pending == 0) {
            if (types[i] & PathPointTypeCloseSubpath) {
                graphics.DrawLine(pen, p.X, p.Y, start.X, start.Y);
                start = p;
            }
            previous = p;
        }
    }
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
