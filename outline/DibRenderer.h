// The renderer that draws into a 32-bit bottom-up CDib: the preview picture
// of a vector job. It paints solid fills and strokes, and fills with a
// texture, anti-aliased by exact pixel area (or without anti-aliasing when
// the flag is set); CMYK colours, opacity and gradation calls are ignored.
// Strokes are painted with the solid stroke colour. A page may be limited to
// a number of pixels: a larger one is drawn scaled down.
#pragma once
#include "imaging/Dib.h"
#include "imaging/TextureDesc.h"
#include "outline/CoverageRaster.h"
#include "outline/PenStroke.h"
#include "outline/VectorRenderer.h"
#include "platform/GdiPlusGraphics.h"
#include "platform/GdiPlusPath.h"
#include <boost/shared_ptr.hpp>

namespace Gdiplus {

// Floor and ceiling of a float through the double functions; the rectangle
// from the floors of the left and top to the ceilings of the right and bottom.
float FloorFloat(float v);
float CeilFloat(float v);
RECT RectFToRectOutward(const RectF& r);

// Makes GDI+ fail, in tests, to wrap the next pages' pixels (1) or to make
// their graphics (2), as it may with any status when memory runs short; 0
// puts it back.
void SetPageFailureForTest(int step);

class CDibRenderer : public CVectorRenderer {
public:
    CDibRenderer();

    // Pages of more pixels than this are drawn scaled down to about this
    // many (the bitmap then is smaller than the page); 0 means no limit.
    void SetMaxPagePixels(double pixels) { m_maxPixels = pixels; }
    // Bitmap pixels per layout unit of the current page (1 unless limited).
    double GetPageScale() const { return m_scale; }

    void SetBackgroundColor(double r, double g, double b, double a) override;
    void BeginDocument(const std::wstring& path) override {}
    // A page of ceil(width) x ceil(height) pixels cleared to the background;
    // a page of the size of the last one reuses (and clears) its bitmap.
    void BeginPage(double width, double height) override;
    void SetTransform(const double* t) override;
    void SetLineJoin(int join) override;
    void SetLineCap(int cap) override;
    double GetLineWidth() override { return m_lineWidth; }
    // Scaled by the transform's t6 when stroking.
    void SetLineWidth(double width) override { m_lineWidth = width; }
    void SetStrokeColorRGB(double r, double g, double b) override;
    void SetStrokeColor(COLORREF color) override;
    void SetStrokeColorCMYK(double c, double m, double y, double k) override {}
    void SetFillColorRGB(double r, double g, double b) override;
    void SetFillColor(COLORREF color) override;
    void SetFillColorCMYK(double c, double m, double y, double k) override {}
    void SetStrokeTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType, double rateX,
                          double rateY, int flags, double offsetX, double offsetY) override;
    void SetFillTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType, double rateX,
                        double rateY, int flags, double offsetX, double offsetY) override;
    void BeginPath() override {}
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
    void ClosePath() override;
    void Fill() override;
    void Stroke() override;
    void FillStroke() override;
    void EndPage() override {}
    // Releases the GDI+ objects; the page bitmap stays with its owners.
    void EndDocument() override;

    // The page bitmap; empty before the first page.
    boost::shared_ptr<CDib> GetDib() const { return m_target; }
    ARGB GetBackgroundArgb() const { return m_background; }
    ARGB GetStrokeArgb() const { return m_strokeColor; }
    ARGB GetFillArgb() const { return m_fillColor; }
    const CTextureDesc& GetStrokeTexture() const { return m_strokeTexture; }
    const CTextureDesc& GetFillTexture() const { return m_fillTexture; }
    // The path under construction (empty between paints).
    boost::shared_ptr<GraphicsPath> GetPath() const { return m_path; }

private:
    PointF Transformed(double x, double y) const;
    void PreparePaint();
    // The path in device pixels, curves flattened.
    void FlattenPath(std::vector<CFlatFigure>& figures, bool forFill);
    void PaintCoverage(ARGB color);
    // The figures, moved by (dx, dy), as polygons of the raster.
    void AddFigures(const std::vector<CFlatFigure>& figures, double dx, double dy);
    void FillPath();
    void FillPathWithTexture();
    void StrokePath();
    void EndPaint() { m_path.reset(); }

    double m_t[kTransformSize];
    double m_lineWidth = 0.0;
    boost::shared_ptr<CDib> m_target;
    boost::shared_ptr<Bitmap> m_bitmap;
    boost::shared_ptr<Graphics> m_graphics;
    boost::shared_ptr<GraphicsPath> m_path;
    int m_lineJoin = LineJoinMiter;
    int m_lineCap = LineCapFlat;
    ARGB m_background = 0;
    ARGB m_strokeColor = 0;
    ARGB m_fillColor = 0;
    CTextureDesc m_strokeTexture;
    CTextureDesc m_fillTexture;
    bool m_figureClosed = false;
    double m_x = 0.0;
    double m_y = 0.0;
    double m_maxPixels = 0;
    double m_scale = 1;
    CCoverageRaster m_raster;
};

} // namespace Gdiplus
