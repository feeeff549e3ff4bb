// The state and path half of the renderers that write documents from GDI+
// paths: every setting is kept as doubles, every path as a GDI+ path in
// transformed coordinates, and PaintPath receives them when a path is
// filled or stroked.
#pragma once
#include "imaging/TextureDesc.h"
#include "outline/VectorRenderer.h"
#include <vector>
#include "platform/GdiPlusPath.h"

namespace Gdiplus {

class CCachedRenderer : public CVectorRenderer {
public:
    enum { kColorRGB = 0, kColorCMYK = 1 };

    CCachedRenderer();

    void SetTransform(const double* t) override;
    void SetLineJoin(int join) override;
    void SetLineCap(int cap) override;
    double GetLineWidth() override { return m_lineWidth; }
    // Stored multiplied by the transform's line-width scale.
    void SetLineWidth(double width) override;
    void SetStrokeColorRGB(double r, double g, double b) override;
    void SetStrokeColor(COLORREF color) override;
    void SetStrokeColorCMYK(double c, double m, double y, double k) override;
    void SetFillColorRGB(double r, double g, double b) override;
    void SetFillColor(COLORREF color) override;
    void SetFillColorCMYK(double c, double m, double y, double k) override;
    void SetStrokeOpacity(double opacity) override { m_strokeOpacity = opacity; }
    void SetFillOpacity(double opacity) override { m_fillOpacity = opacity; }
    // The stops are copied; the angle is kept turned by the transform's rotation.
    void SetStrokeGradation(const CGradationStop* stops, int count, double angle) override;
    void SetFillGradation(const CGradationStop* stops, int count, double angle) override;
    // Rates and offsets are kept mapped by the transform's linear part, the
    // angle turned by its rotation.
    void SetStrokeTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType, double rateX,
                          double rateY, int flags, double offsetX, double offsetY) override;
    void SetFillTexture(boost::shared_ptr<CImg> image, double scale, double angle, int fitType, double rateX,
                        double rateY, int flags, double offsetX, double offsetY) override;
    void BeginPath() override;
    void MoveTo(double x, double y) override;
    // Both throw IDS_PATH_NOT_BEGUN before any path, IDS_ADD_PATH_LINE_FAILED or IDS_ADD_PATH_BEZIER_FAILED when GDI+ refuses.
    void LineTo(double x, double y) override;
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
    void ClosePath() override;
    void Fill() override { PaintPath(true, false); }
    void Stroke() override { PaintPath(false, true); }
    void FillStroke() override { PaintPath(true, true); }
    // Hands the gathered paths over; this one only lets them go.
    virtual void PaintPath(bool fill, bool stroke);

    const double* GetTransform() const { return m_transform; }
    const CGraphicsPathList& GetPaths() const { return m_paths; }
    // GDI+ LineJoin (Miter 0, Bevel 1, Round 2) and LineCap (Flat 0, Square 1, Round 2).
    int GetGdiplusLineJoin() const { return m_lineJoin; }
    int GetGdiplusLineCap() const { return m_lineCap; }
    double GetMiterLimit() const { return m_miterLimit; }
    const double* GetStrokeColor() const { return m_strokeColor; }
    const double* GetFillColor() const { return m_fillColor; }
    BYTE GetStrokeColorSpace() const { return m_strokeSpace; }
    BYTE GetFillColorSpace() const { return m_fillSpace; }
    double GetStrokeOpacity() const { return m_strokeOpacity; }
    double GetFillOpacity() const { return m_fillOpacity; }
    const std::vector<CGradationStop>& GetStrokeStops() const { return m_strokeStops; }
    const std::vector<CGradationStop>& GetFillStops() const { return m_fillStops; }
    double GetStrokeGradationAngle() const { return m_strokeGradationAngle; }
    double GetFillGradationAngle() const { return m_fillGradationAngle; }
    const CTextureDesc& GetStrokeTexture() const { return m_strokeTexture; }
    const CTextureDesc& GetFillTexture() const { return m_fillTexture; }
    // The transform's rotation in degrees.
    double TransformRotation() const;

protected:
    PointF Map(double x, double y) const;
    void StoreGradation(std::vector<CGradationStop>& stops, double& angle, const CGradationStop* from, int count,
                        double given) const;
    void StoreTexture(CTextureDesc& desc, const boost::shared_ptr<CImg>& image, double scale, double angle,
                      int fitType, double rateX, double rateY, int flags, double offsetX, double offsetY) const;
    GraphicsPath& LastPath();

    double m_transform[kTransformSize];
    double m_lineWidth = 0;
    bool m_figureClosed = false;
    CGraphicsPathList m_paths;
    int m_lineJoin = LineJoinMiter;
    int m_lineCap = LineCapFlat;
    double m_miterLimit = 65535.0;
    BYTE m_strokeSpace = kColorRGB;
    BYTE m_fillSpace = kColorRGB;
    double m_strokeColor[4] = {0, 0, 0, 0};
    double m_fillColor[4] = {1.0, 1.0, 1.0, 1.0};
    double m_strokeOpacity = 1.0;
    double m_fillOpacity = 1.0;
    std::vector<CGradationStop> m_strokeStops;
    double m_strokeGradationAngle = 0;
    std::vector<CGradationStop> m_fillStops;
    double m_fillGradationAngle = 0;
    CTextureDesc m_strokeTexture;
    CTextureDesc m_fillTexture;
    double m_currentX = 0;
    double m_currentY = 0;
};

} // namespace Gdiplus
