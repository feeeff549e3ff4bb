#include "ui/Screen.h"
#include "imaging/ColorProfile.h"
#include "imaging/DibDraw.h"
#include "imaging/GdiPlusBitmap.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusPath.h"
#include "platform/GdiPlusText.h"

using namespace Gdiplus;

namespace {

// Runs `draw` on every DC of the surface: false without a surface, else true
// when every call succeeded.
template <class Draw>
bool ForEachDC(const CScreen& screen, Draw draw)
{
    CScreenHDCPtr dcs = screen.GetHDC();
    if (!dcs)
        return false;
    bool all = true;
    for (int i = 0; i < dcs->GetCount(); ++i)
        all = draw(dcs->GetAt(i)) && all;
    return all;
}

// The same through a GDI+ Graphics on each DC.
template <class Draw>
bool ForEachGraphics(const CScreen& screen, Draw draw)
{
    return ForEachDC(screen, [&](HDC dc) {
        Graphics g(dc);
        return g.IsValid() && draw(g);
    });
}

std::vector<Point> ToGdiplusPoints(const std::vector<POINT>& points)
{
    std::vector<Point> out;
    out.reserve(points.size());
    for (const POINT& p : points)
        out.push_back(Point(p.x, p.y));
    return out;
}

} // namespace

// ---- CScreen ----

int CScreen::SetICMMode(int mode)
{
    CScreenHDCPtr dcs = GetHDC();
    if (!dcs)
        return 0;
    if (mode == ICM_QUERY) {
        std::vector<int> answers;
        for (int i = 0; i < dcs->GetCount(); ++i)
            answers.push_back(::SetICMMode(dcs->GetAt(i), ICM_QUERY));
        return CommonIcmQueryAnswer(answers);
    }
    bool all = true;
    for (int i = 0; i < dcs->GetCount(); ++i)
        all = ::SetICMMode(dcs->GetAt(i), mode) != 0 && all;
    return all ? 1 : 0;
}

bool CScreen::SetColorSpace(HCOLORSPACE space)
{
    return ForEachDC(*this, [&](HDC dc) { return ::SetColorSpace(dc, space) != nullptr; });
}

bool CScreen::SelectClipRgn(HRGN region)
{
    return ForEachDC(*this, [&](HDC dc) { return ::SelectClipRgn(dc, region) != ERROR; });
}

bool CScreen::IntersectClipRect(const RECT& rect)
{
    return ForEachDC(*this, [&](HDC dc) { return dc::IntersectClip(dc, rect) != ERROR; });
}

bool CScreen::ExcludeClipRect(const RECT& rect)
{
    return ForEachDC(*this, [&](HDC dc) { return dc::ExcludeClip(dc, rect) != ERROR; });
}

bool CScreen::BitBlt(HDC source, const RECT& r)
{
    return ForEachDC(*this, [&](HDC dc) {
        return ::BitBlt(dc, r.left, r.top, RectWidth(r), RectHeight(r), source, r.left, r.top, SRCCOPY) != FALSE;
    });
}

bool CScreen::BitBltFrom(const CScreen& source, const RECT& rect)
{
    return ForEachDC(source, [&](HDC dc) { return BitBlt(dc, rect); });
}

bool CScreen::ScrollRect(const RECT& r, int dx, int dy)
{
    return ForEachDC(*this, [&](HDC dc) {
        return ::BitBlt(dc, r.left - dx, r.top - dy, RectWidth(r), RectHeight(r), dc, r.left, r.top, SRCCOPY) != FALSE;
    });
}

bool CScreen::AlphaBlend(HDC source, const RECT& rect, BYTE alpha)
{
    return ForEachDC(*this, [&](HDC dc) { return AlphaBlendRect(dc, rect, source, rect, alpha, 0); });
}

bool CScreen::AlphaBlendFrom(const CScreen& source, const RECT& rect, BYTE alpha)
{
    return ForEachDC(source, [&](HDC dc) { return AlphaBlend(dc, rect, alpha); });
}

bool CScreen::Polyline(const std::vector<POINT>& points, int penStyle, int width, COLORREF colour)
{
    CPenHandle pen(CreatePen(penStyle, width, colour));
    if (!pen.Get())
        return false;
    return ForEachDC(*this, [&](HDC dc) {
        CSelectObjectGuard select(dc, pen);
        return ::Polyline(dc, points.data(), static_cast<int>(points.size())) != FALSE;
    });
}

bool CScreen::FrameRect(const RECT& rect, int thickness, COLORREF colour, BYTE alpha)
{
    if (thickness < 1)
        return true;
    bool all = true;
    for (const RECT& strip : SplitFrameRects(rect, thickness))
        all = FillRectArgb(MakeArgb(alpha, colour), strip) && all;
    return all;
}

bool CScreen::DrawRect(const RECT& r, int penStyle, int width, COLORREF colour)
{
    std::vector<POINT> points = {
        {r.left, r.top}, {r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, {r.right - 1, r.top}, {r.left, r.top}};
    return Polyline(points, penStyle, width, colour);
}

bool CScreen::FrameRectSolid(const RECT& rect, int thickness, COLORREF colour)
{
    if (thickness < 1)
        return true;
    bool all = true;
    for (const RECT& strip : SplitFrameRects(rect, thickness))
        all = FillSolidRect(colour, strip) && all;
    return all;
}

bool CScreen::DrawIcon(const RECT* destination, HICON icon, int sourceWidth, int sourceHeight, BYTE alpha)
{
    GpBitmap* native = nullptr;
    if (!icon || GdipCreateBitmapFromHICON(icon, &native) != Ok)
        return false;
    Bitmap bitmap(native);
    RECT source = {0, 0, static_cast<LONG>(bitmap.GetWidth()), static_cast<LONG>(bitmap.GetHeight())};
    CDib dib;
    if (FAILED(DibFromImage(&bitmap, source, dib, SIZE{sourceWidth, sourceHeight}, InterpolationModeDefault)))
        return false;
    return StretchDib(destination, dib, nullptr, alpha, 2);
}

bool CScreen::DrawImageAlpha(const Image& image, const RectF& d, const RectF& s, BYTE alpha)
{
    boost::shared_ptr<ImageAttributes> attributes;
    if (!MakeAlphaAttributes(alpha, attributes))
        return false;
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.DrawImage(image, d, s.X, s.Y, s.Width, s.Height, UnitPixel, attributes.get()) == Ok;
    });
}

bool CScreen::DrawImageIntAlpha(const Image& image, const RECT& d, const RECT& s, BYTE alpha)
{
    boost::shared_ptr<ImageAttributes> attributes;
    if (!MakeAlphaAttributes(alpha, attributes))
        return false;
    Rect destination(d.left, d.top, RectWidth(d), RectHeight(d));
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.DrawImage(image, destination, s.left, s.top, RectWidth(s), RectHeight(s), UnitPixel,
                           attributes.get()) == Ok;
    });
}

bool CScreen::DrawImageWholeAlpha(const Image& image, BYTE alpha, const RECT& destination)
{
    RectF bounds;
    Unit unit = UnitPixel;
    if (image.SetStatus(GdipGetImageBounds(image.Native(), &bounds, &unit)) != Ok)
        return false;
    RECT source = {static_cast<LONG>(bounds.X), static_cast<LONG>(bounds.Y),
                   static_cast<LONG>(bounds.X) + static_cast<LONG>(bounds.Width),
                   static_cast<LONG>(bounds.Y) + static_cast<LONG>(bounds.Height)};
    return DrawImageIntAlpha(image, destination, source, alpha);
}

bool CScreen::DrawPath(const Pen& pen, const GraphicsPath& path)
{
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.SetSmoothingMode(SmoothingModeAntiAlias) == Ok && g.DrawPath(pen, path.Native()) == Ok;
    });
}

bool CScreen::DrawPolygon(const std::vector<POINT>& points, ARGB colour)
{
    Pen pen(colour, 1.0f, UnitWorld);
    if (!pen.IsValid())
        return false;
    std::vector<Point> pts = ToGdiplusPoints(points);
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.SetStatus(GdipDrawPolygonI(g.Native(), pen.Native(), pts.data(), static_cast<INT>(pts.size()))) == Ok;
    });
}

bool CScreen::DrawScreen(const CScreen& source, const RECT& rect)
{
    boost::shared_ptr<CDib> dib = source.GetDib();
    const RECT* bounds = source.GetBounds();
    if (!dib || dib->GetBitCount() < 32 || !bounds)
        return BitBltFrom(source, rect);
    boost::shared_ptr<Bitmap> bitmap = BitmapFromDib(*dib, true);
    if (!bitmap)
        return false;
    RECT from = rect;
    OffsetRect(&from, -bounds->left, -bounds->top);
    return DrawImageInt(*bitmap, rect, from);
}

bool CScreen::DrawString(const Font& font, ARGB colour, const RECT& rect, const std::wstring& text,
                         StringAlignment lineAlignment)
{
    CScreenHDCPtr dcs = GetHDC();
    if (!dcs || dcs->GetCount() == 0)
        return false;
    LOGFONTW lf = {};
    {
        Graphics first(dcs->GetAt(0));
        if (!first.IsValid() || GdipGetLogFontW(font.Native(), first.Native(), &lf) != Ok)
            return false;
    }
    if (!TextHeightFits(lf.lfHeight, RectHeight(rect)))
        return true;
    SolidBrush brush(colour);
    StringFormat format(StringFormatFlagsNoWrap);
    if (!brush.IsValid() || !format.IsValid() || format.SetLineAlignment(lineAlignment) != Ok ||
        GdipSetStringFormatTrimming(format.Native(), StringTrimmingEllipsisCharacter) != Ok)
        return false;
    RectF layout(static_cast<REAL>(rect.left), static_cast<REAL>(rect.top), static_cast<REAL>(RectWidth(rect)),
                 static_cast<REAL>(RectHeight(rect)));
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.SetStatus(GdipDrawString(g.Native(), text.c_str(), static_cast<INT>(text.size()), font.Native(),
                                          &layout, format.Native(), brush.Native())) == Ok;
    });
}

bool CScreen::FillPath(const Brush& brush, const GraphicsPath& path)
{
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.SetSmoothingMode(SmoothingModeAntiAlias) == Ok && g.FillPath(brush, path.Native()) == Ok;
    });
}

bool CScreen::FillPolygon(const std::vector<POINT>& points, ARGB colour)
{
    SolidBrush brush(colour);
    if (!brush.IsValid())
        return false;
    std::vector<Point> pts = ToGdiplusPoints(points);
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.SetStatus(GdipFillPolygonI(g.Native(), brush.Native(), pts.data(), static_cast<INT>(pts.size()),
                                            FillModeAlternate)) == Ok;
    });
}

bool CScreen::FillRectBrushAlpha(HBRUSH brush, BYTE alpha, const RECT& rect, DWORD reserved, int originX, int originY)
{
    CScreenHDCPtr dcs = GetHDC();
    if (!brush || alpha == 0 || !dcs || dcs->GetCount() == 0)
        return false;
    // Through a copy of the area: GDI brushes have no opacity of their own.
    CDCScreen temp;
    if (FAILED(temp.CreateCompatible(dcs->GetAt(0), rect)))
        return false;
    temp.BitBltFrom(*this, rect);
    temp.FillRectBrushOrg(brush, rect, reserved, originX, originY);
    return AlphaBlendFrom(temp, rect, alpha);
}

bool CScreen::FillRectBrushOrg(HBRUSH brush, const RECT& rect, DWORD, int originX, int originY)
{
    POINT origin = {originX, originY};
    return ForEachDC(*this, [&](HDC dc) { return dc::FillRectAligned(dc, rect, brush, origin) != FALSE; });
}

bool CScreen::FillRectArgb(ARGB colour, const RECT& r)
{
    SolidBrush brush(colour);
    if (!brush.IsValid())
        return false;
    return ForEachGraphics(*this, [&](Graphics& g) {
        return g.SetStatus(GdipFillRectangleI(g.Native(), brush.Native(), r.left, r.top, RectWidth(r), RectHeight(r))) ==
               Ok;
    });
}

bool CScreen::FillSolidRect(COLORREF colour, const RECT& rect)
{
    return ForEachDC(*this, [&](HDC dc) { return dc::FillSolidRect(dc, rect, colour) != CLR_INVALID; });
}

// ---- CDCScreen ----

CDCScreen::CDCScreen(HDC dc, const RECT& bounds) : m_bounds(bounds), m_dc(dc) { SetOrigin(); }

CDCScreen::~CDCScreen() { ReleaseDC(); }

void CDCScreen::SetOrigin()
{
    if (m_dc)
        SetViewportOrgEx(m_dc, -m_bounds.left, -m_bounds.top, nullptr);
}

HRESULT CDCScreen::AttachWindow(HWND window, const RECT& bounds)
{
    ReleaseDC();
    m_windowDC.emplace(window);
    if (!m_windowDC->IsValid()) {
        m_windowDC.reset();
        return E_FAIL;
    }
    m_dc = m_windowDC->Get();
    m_bounds = bounds;
    SetOrigin();
    return S_OK;
}

HRESULT CDCScreen::AttachDC(HDC dc, const RECT& bounds)
{
    ReleaseDC();
    m_dc = dc;
    m_bounds = bounds;
    SetOrigin();
    return S_OK;
}

HRESULT CDCScreen::CreateCompatible(HDC reference, const RECT& bounds, DWORD)
{
    ReleaseDC();
    m_bounds = bounds;
    m_createdDC.Reset(CreateCompatibleDC(reference));
    if (!m_createdDC)
        return E_FAIL;
    m_dc = m_createdDC;
    m_bitmap.Reset(CreateCompatibleBitmap(reference, RectWidth(bounds), RectHeight(bounds)));
    if (!m_bitmap) {
        // The DC alone would draw into its 1 x 1 stock bitmap and lose it all.
        ReleaseDC();
        return E_FAIL;
    }
    m_previous = SelectObject(m_dc, m_bitmap);
    SetOrigin();
    return S_OK;
}

HBITMAP CDCScreen::DetachBitmap()
{
    if (m_dc && m_previous)
        SelectObject(m_dc, m_previous);
    m_previous = nullptr;
    return m_bitmap.Detach();
}

void CDCScreen::ReleaseDC()
{
    if (m_dc && m_previous)
        SelectObject(m_dc, m_previous);
    m_previous = nullptr;
    // The DC goes first: a bitmap still selected into it, because putting
    // the previous one back failed, could not be deleted before.
    m_createdDC.Reset();
    m_bitmap.Reset();
    m_windowDC.reset();
    m_dc = nullptr;
    m_bounds = RECT{0, 0, 0, 0};
}

CScreenHDCPtr CDCScreen::GetHDC() const
{
    if (!m_dc)
        return CScreenHDCPtr();
    return CScreenHDCPtr(new CComplexHDC(std::vector<HDC>(1, m_dc)));
}

bool CDCScreen::StretchDib(const RECT* destination, const CDib& dib, const RECT* source, BYTE alpha, int quality)
{
    return m_dc && DrawDib(m_dc, destination, dib, source, alpha, quality);
}
