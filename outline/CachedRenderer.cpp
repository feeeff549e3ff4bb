#include "outline/CachedRenderer.h"
#include "foundation/Error.h"
#include "resources/strings_outline.h"
#include <algorithm>
#include <cmath>

namespace Gdiplus {

CCachedRenderer::CCachedRenderer()
{
    std::copy(kIdentityTransform, kIdentityTransform + kTransformSize, m_transform);
}

void CCachedRenderer::SetTransform(const double* t)
{
    std::copy(t, t + kTransformSize, m_transform);
}

void CCachedRenderer::SetLineJoin(int join)
{
    static const int joins[] = {LineJoinMiter, LineJoinRound, LineJoinBevel};
    if (join >= 0 && join <= 2)
        m_lineJoin = joins[join];
}

void CCachedRenderer::SetLineCap(int cap)
{
    static const int caps[] = {LineCapFlat, LineCapRound, LineCapSquare};
    if (cap >= 0 && cap <= 2)
        m_lineCap = caps[cap];
}

void CCachedRenderer::SetLineWidth(double width)
{
    m_lineWidth = width * m_transform[6];
}

void CCachedRenderer::SetStrokeColorRGB(double r, double g, double b)
{
    m_strokeColor[0] = r;
    m_strokeColor[1] = g;
    m_strokeColor[2] = b;
    m_strokeSpace = kColorRGB;
}

void CCachedRenderer::SetStrokeColor(COLORREF c)
{
    SetStrokeColorRGB(GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void CCachedRenderer::SetStrokeColorCMYK(double c, double m, double y, double k)
{
    m_strokeColor[0] = c;
    m_strokeColor[1] = m;
    m_strokeColor[2] = y;
    m_strokeColor[3] = k;
    m_strokeSpace = kColorCMYK;
}

void CCachedRenderer::SetFillColorRGB(double r, double g, double b)
{
    m_fillColor[0] = r;
    m_fillColor[1] = g;
    m_fillColor[2] = b;
    m_fillSpace = kColorRGB;
}

void CCachedRenderer::SetFillColor(COLORREF c)
{
    SetFillColorRGB(GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void CCachedRenderer::SetFillColorCMYK(double c, double m, double y, double k)
{
    m_fillColor[0] = c;
    m_fillColor[1] = m;
    m_fillColor[2] = y;
    m_fillColor[3] = k;
    m_fillSpace = kColorCMYK;
}

double CCachedRenderer::TransformRotation() const
{
    return std::atan2(m_transform[2], m_transform[0]) * 180 / 3.14159265358979323846;
}

void CCachedRenderer::StoreGradation(std::vector<CGradationStop>& stops, double& angle, const CGradationStop* from,
                                     int count, double given) const
{
    stops.clear();
    if (from && count > 0)
        stops.assign(from, from + count);
    angle = given + TransformRotation();
}

void CCachedRenderer::SetStrokeGradation(const CGradationStop* stops, int count, double angle)
{
    StoreGradation(m_strokeStops, m_strokeGradationAngle, stops, count, angle);
}

void CCachedRenderer::SetFillGradation(const CGradationStop* stops, int count, double angle)
{
    StoreGradation(m_fillStops, m_fillGradationAngle, stops, count, angle);
}

void CCachedRenderer::StoreTexture(CTextureDesc& desc, const boost::shared_ptr<CImg>& image, double scale,
                                   double angle, int fitType, double rateX, double rateY, int flags, double offsetX,
                                   double offsetY) const
{
    const double* t = m_transform;
    SetTexturePaint(desc, fitType, flags, image, scale, angle + TransformRotation(), t[0] * rateX + t[1] * rateY,
                    t[2] * rateX + t[3] * rateY, t[0] * offsetX + t[1] * offsetY, t[2] * offsetX + t[3] * offsetY);
}

void CCachedRenderer::SetStrokeTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType,
                                       double rateX, double rateY, int flags, double offsetX, double offsetY)
{
    StoreTexture(m_strokeTexture, image, scale, angle, fitType, rateX, rateY, flags, offsetX, offsetY);
}

void CCachedRenderer::SetFillTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType,
                                     double rateX, double rateY, int flags, double offsetX, double offsetY)
{
    StoreTexture(m_fillTexture, image, scale, angle, fitType, rateX, rateY, flags, offsetX, offsetY);
}

PointF CCachedRenderer::Map(double x, double y) const
{
    return PointF(static_cast<REAL>(TransformX(m_transform, x, y)), static_cast<REAL>(TransformY(m_transform, x, y)));
}

GraphicsPath& CCachedRenderer::LastPath()
{
    if (m_paths.empty())
        throw my::CException(IDS_PATH_NOT_BEGUN);
    return *m_paths.back();
}

void CCachedRenderer::BeginPath()
{
    m_paths.push_back(boost::shared_ptr<GraphicsPath>(new GraphicsPath(FillModeWinding)));
}

void CCachedRenderer::MoveTo(double x, double y)
{
    if (m_paths.empty())
        BeginPath();
    else if (!m_figureClosed)
        m_paths.back()->StartFigure();
    m_currentX = x;
    m_currentY = y;
    m_figureClosed = false;
}

void CCachedRenderer::LineTo(double x, double y)
{
    GraphicsPath& path = LastPath();
    const PointF from = Map(m_currentX, m_currentY), to = Map(x, y);
    if (path.AddLine(from.X, from.Y, to.X, to.Y) != Ok)
        throw my::CException(IDS_ADD_PATH_LINE_FAILED);
    m_currentX = x;
    m_currentY = y;
}

void CCachedRenderer::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    GraphicsPath& path = LastPath();
    if (path.AddBezier(Map(m_currentX, m_currentY), Map(x1, y1), Map(x2, y2), Map(x3, y3)) != Ok)
        throw my::CException(IDS_ADD_PATH_BEZIER_FAILED);
    m_currentX = x3;
    m_currentY = y3;
}

void CCachedRenderer::ClosePath()
{
    GraphicsPath& path = LastPath();
    m_figureClosed = true;
    path.CloseFigure();
}

void CCachedRenderer::PaintPath(bool, bool)
{
    m_paths.clear();
}

} // namespace Gdiplus
