// Thin owners of GDI+ images, bitmaps, graphics, pens, brushes and image
// attributes over the flat API. Like the GDI+ C++ classes, each keeps the
// last failing status: a call that fails records it, GetLastStatus hands it
// out once and clears it. The native handles stay reachable for any flat call.
#pragma once
#include "platform/GdiPlus.h"

namespace Gdiplus {

// Shared status bookkeeping of the owners.
class CGdiplusStatus {
public:
    Status GetLastStatus() const { Status s = m_last; m_last = Ok; return s; }
    Status SetStatus(Status s) const { if (s != Ok) m_last = s; return s; }
    // The recorded status without clearing it.
    Status PeekStatus() const { return m_last; }
private:
    mutable Status m_last = Ok;
};

class Image : public CGdiplusStatus {
public:
    // Takes over an image that the caller created; null is allowed.
    explicit Image(GpImage* image = nullptr) : m_image(image) {}
    virtual ~Image() { if (m_image) GdipDisposeImage(m_image); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    GpImage* Native() const { return m_image; }
    bool IsValid() const { return m_image != nullptr; }
    // Drops the current image (if any) and takes over another one.
    void Attach(GpImage* image) { if (m_image) GdipDisposeImage(m_image); m_image = image; }

    UINT GetWidth() const { UINT v = 0; SetStatus(GdipGetImageWidth(m_image, &v)); return v; }
    UINT GetHeight() const { UINT v = 0; SetStatus(GdipGetImageHeight(m_image, &v)); return v; }
    PixelFormat GetPixelFormat() const
    {
        PixelFormat f = PixelFormatUndefined;
        SetStatus(GdipGetImagePixelFormat(m_image, &f));
        return f;
    }
    REAL GetHorizontalResolution() const { REAL v = 0; SetStatus(GdipGetImageHorizontalResolution(m_image, &v)); return v; }
    REAL GetVerticalResolution() const { REAL v = 0; SetStatus(GdipGetImageVerticalResolution(m_image, &v)); return v; }
    Status RotateFlip(RotateFlipType type) { return SetStatus(GdipImageRotateFlip(m_image, type)); }
    Status SetPalette(const ColorPalette* palette) { return SetStatus(GdipSetImagePalette(m_image, palette)); }

protected:
    GpImage* m_image;
};

class Bitmap : public Image {
public:
    // Over pixels the caller keeps alive (stride may be negative).
    Bitmap(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0)
    {
        GpBitmap* b = nullptr;
        SetStatus(GdipCreateBitmapFromScan0(width, height, stride, format, scan0, &b));
        m_image = b;
    }
    // Pixels that GDI+ allocates and owns.
    Bitmap(INT width, INT height, PixelFormat format) : Bitmap(width, height, 0, format, nullptr) {}
    // A copy of a packed DIB made by GDI+.
    Bitmap(const BITMAPINFO* info, void* bits)
    {
        GpBitmap* b = nullptr;
        SetStatus(GdipCreateBitmapFromGdiDib(info, bits, &b));
        m_image = b;
    }
    explicit Bitmap(GpBitmap* bitmap) : Image(bitmap) {}

    GpBitmap* NativeBitmap() const { return static_cast<GpBitmap*>(m_image); }
    Status LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data)
    {
        return SetStatus(GdipBitmapLockBits(NativeBitmap(), rect, flags, format, data));
    }
    Status UnlockBits(BitmapData* data) { return SetStatus(GdipBitmapUnlockBits(NativeBitmap(), data)); }
    Status GetPixel(INT x, INT y, ARGB* color) const { return SetStatus(GdipBitmapGetPixel(NativeBitmap(), x, y, color)); }
    Status SetResolution(REAL dpiX, REAL dpiY) { return SetStatus(GdipBitmapSetResolution(NativeBitmap(), dpiX, dpiY)); }
};

class ImageAttributes : public CGdiplusStatus {
public:
    ImageAttributes() { SetStatus(GdipCreateImageAttributes(&m_attributes)); }
    ~ImageAttributes() { if (m_attributes) GdipDisposeImageAttributes(m_attributes); }
    ImageAttributes(const ImageAttributes&) = delete;
    ImageAttributes& operator=(const ImageAttributes&) = delete;
    GpImageAttributes* Native() const { return m_attributes; }
    bool IsValid() const { return m_attributes != nullptr; }
    Status SetColorMatrix(const ColorMatrix* matrix, ColorMatrixFlags flags = ColorMatrixFlagsDefault,
                          ColorAdjustType type = ColorAdjustTypeDefault)
    {
        return SetStatus(GdipSetImageAttributesColorMatrix(m_attributes, type, TRUE, matrix, nullptr, flags));
    }
private:
    GpImageAttributes* m_attributes = nullptr;
};

class Brush : public CGdiplusStatus {
public:
    virtual ~Brush() { if (m_brush) GdipDeleteBrush(m_brush); }
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;
    GpBrush* Native() const { return m_brush; }
    bool IsValid() const { return m_brush != nullptr; }
protected:
    Brush() = default;
    GpBrush* m_brush = nullptr;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(ARGB color)
    {
        GpSolidFill* fill = nullptr;
        SetStatus(GdipCreateSolidFill(color, &fill));
        m_brush = fill;
    }
};

class TextureBrush : public Brush {
public:
    TextureBrush(const Image& image, WrapMode wrap)
    {
        GpTexture* t = nullptr;
        SetStatus(GdipCreateTexture(image.Native(), wrap, &t));
        m_brush = t;
    }
    TextureBrush(const Image& image, const ImageAttributes* attributes, INT x, INT y, INT width, INT height)
    {
        GpTexture* t = nullptr;
        SetStatus(GdipCreateTextureIAI(image.Native(), attributes ? attributes->Native() : nullptr, x, y, width,
                                       height, &t));
        m_brush = t;
    }
    GpTexture* NativeTexture() const { return static_cast<GpTexture*>(m_brush); }
    Status SetWrapMode(WrapMode wrap) { return SetStatus(GdipSetTextureWrapMode(NativeTexture(), wrap)); }
    WrapMode GetWrapMode() const
    {
        WrapMode w = WrapModeTile;
        SetStatus(GdipGetTextureWrapMode(NativeTexture(), &w));
        return w;
    }
};

class Pen : public CGdiplusStatus {
public:
    Pen(ARGB color, REAL width, Unit unit = UnitWorld) { SetStatus(GdipCreatePen1(color, width, unit, &m_pen)); }
    ~Pen() { if (m_pen) GdipDeletePen(m_pen); }
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;
    GpPen* Native() const { return m_pen; }
    bool IsValid() const { return m_pen != nullptr; }
    Status SetLineJoin(LineJoin join) { return SetStatus(GdipSetPenLineJoin(m_pen, join)); }
    Status SetLineCap(LineCap start, LineCap end, DashCap dash)
    {
        return SetStatus(GdipSetPenLineCap197819(m_pen, start, end, dash));
    }
    Status SetMiterLimit(REAL limit) { return SetStatus(GdipSetPenMiterLimit(m_pen, limit)); }
    REAL GetWidth() const { REAL w = 0; SetStatus(GdipGetPenWidth(m_pen, &w)); return w; }
    LineJoin GetLineJoin() const { LineJoin j = LineJoinMiter; SetStatus(GdipGetPenLineJoin(m_pen, &j)); return j; }
    LineCap GetStartCap() const { LineCap c = LineCapFlat; SetStatus(GdipGetPenStartCap(m_pen, &c)); return c; }
    LineCap GetEndCap() const { LineCap c = LineCapFlat; SetStatus(GdipGetPenEndCap(m_pen, &c)); return c; }
private:
    GpPen* m_pen = nullptr;
};

class Graphics : public CGdiplusStatus {
public:
    explicit Graphics(const Image& image) { SetStatus(GdipGetImageGraphicsContext(image.Native(), &m_graphics)); }
    explicit Graphics(HDC dc) { SetStatus(GdipCreateFromHDC(dc, &m_graphics)); }
    ~Graphics() { if (m_graphics) GdipDeleteGraphics(m_graphics); }
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;
    GpGraphics* Native() const { return m_graphics; }
    bool IsValid() const { return m_graphics != nullptr; }

    Status SetInterpolationMode(InterpolationMode mode) { return SetStatus(GdipSetInterpolationMode(m_graphics, mode)); }
    Status SetPixelOffsetMode(PixelOffsetMode mode) { return SetStatus(GdipSetPixelOffsetMode(m_graphics, mode)); }
    Status SetSmoothingMode(SmoothingMode mode) { return SetStatus(GdipSetSmoothingMode(m_graphics, mode)); }
    Status SetCompositingMode(CompositingMode mode) { return SetStatus(GdipSetCompositingMode(m_graphics, mode)); }
    Status Clear(ARGB color) { return SetStatus(GdipGraphicsClear(m_graphics, color)); }

    Status DrawImage(const Image& image, INT x, INT y, INT width, INT height)
    {
        return SetStatus(GdipDrawImageRectI(m_graphics, image.Native(), x, y, width, height));
    }
    Status DrawImage(const Image& image, const Rect& dst, INT sx, INT sy, INT sw, INT sh, Unit unit,
                     const ImageAttributes* attributes = nullptr)
    {
        return SetStatus(GdipDrawImageRectRectI(m_graphics, image.Native(), dst.X, dst.Y, dst.Width, dst.Height, sx,
                                                sy, sw, sh, unit, attributes ? attributes->Native() : nullptr,
                                                nullptr, nullptr));
    }
    Status DrawImage(const Image& image, const RectF& dst, REAL sx, REAL sy, REAL sw, REAL sh, Unit unit,
                     const ImageAttributes* attributes = nullptr)
    {
        return SetStatus(GdipDrawImageRectRect(m_graphics, image.Native(), dst.X, dst.Y, dst.Width, dst.Height, sx,
                                               sy, sw, sh, unit, attributes ? attributes->Native() : nullptr,
                                               nullptr, nullptr));
    }
    // Three points: upper-left, upper-right, lower-left of the destination.
    Status DrawImage(const Image& image, const Point* points, INT sx, INT sy, INT sw, INT sh, Unit unit,
                     const ImageAttributes* attributes = nullptr)
    {
        return SetStatus(GdipDrawImagePointsRectI(m_graphics, image.Native(), points, 3, sx, sy, sw, sh, unit,
                                                  attributes ? attributes->Native() : nullptr, nullptr, nullptr));
    }
    Status FillPath(const Brush& brush, GpPath* path) { return SetStatus(GdipFillPath(m_graphics, brush.Native(), path)); }
    Status DrawPath(const Pen& pen, GpPath* path) { return SetStatus(GdipDrawPath(m_graphics, pen.Native(), path)); }
    Status DrawLine(const Pen& pen, REAL x1, REAL y1, REAL x2, REAL y2)
    {
        return SetStatus(GdipDrawLine(m_graphics, pen.Native(), x1, y1, x2, y2));
    }
    Status DrawBezier(const Pen& pen, const PointF& p1, const PointF& p2, const PointF& p3, const PointF& p4)
    {
        return SetStatus(GdipDrawBezier(m_graphics, pen.Native(), p1.X, p1.Y, p2.X, p2.Y, p3.X, p3.Y, p4.X, p4.Y));
    }
    Status FillRectangle(const Brush& brush, REAL x, REAL y, REAL width, REAL height)
    {
        return SetStatus(GdipFillRectangle(m_graphics, brush.Native(), x, y, width, height));
    }
private:
    GpGraphics* m_graphics = nullptr;
};

} // namespace Gdiplus
