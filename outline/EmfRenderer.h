// Records GDI path calls into an enhanced metafile on disk, one page per
// document, in 0.01 mm units of the screen. While the global log is open,
// every GDI call is also written to it as a trace line.
#pragma once
#include "outline/VectorRenderer.h"
#include "platform/Gdi.h"
#include <string>

class CEmfRenderer : public CVectorRenderer {
public:
    CEmfRenderer();
    // A metafile still open here belongs to a task that failed: it is
    // discarded, and no file was written for it.
    ~CEmfRenderer() override = default;

    void BeginDocument(const std::wstring& path) override;
    void BeginPage(double width, double height) override;
    void SetTransform(const double* t) override;
    void SetLineJoin(int join) override;
    void SetLineCap(int cap) override;
    double GetLineWidth() override { return m_lineWidth; }
    void SetLineWidth(double width) override;
    void SetStrokeColorRGB(double r, double g, double b) override;
    void SetStrokeColor(COLORREF color) override;
    void SetStrokeColorCMYK(double c, double m, double y, double k) override;
    void SetFillColorRGB(double r, double g, double b) override;
    void SetFillColor(COLORREF color) override;
    void SetFillColorCMYK(double c, double m, double y, double k) override;
    void BeginPath() override {}
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
    void ClosePath() override;
    void Fill() override { PaintPath(true, false); }
    void Stroke() override { PaintPath(false, true); }
    void FillStroke() override { PaintPath(true, true); }
    void EndPage() override {}
    // Closes the metafile and writes it: the file is replaced only by a
    // complete metafile (IDS_CREATE_EMF_FAILED when GDI gives none, IDS_CREATE_FILE_FAILED or IDS_WRITE_FILE_FAILED when the
    // file cannot be written).
    void EndDocument() override;
    void Rectangle(double x, double y, double w, double h) override;
    void Ellipse(double x, double y, double w, double h) override;
    // The bytes of the page's records so far (GDI tells no size before the
    // metafile is closed); the metafile's size once it is.
    unsigned long long HeldBytes() const override { return m_recorded; }

    // The device transform: the layout transform composed with 0.01 mm per
    // layout unit and y turned upwards.
    const double* GetDeviceTransform() const { return m_device; }
    POINT MapPoint(double x, double y) const;
    HDC GetMetafileDC() const { return m_metaDC; }

private:
    void OpenPath();
    // Let the pen or brush go (a later paint makes it again).
    void DropPen();
    void DropBrush();
    void PaintPath(bool fill, bool stroke);

    double m_pageWidth = 0;
    double m_pageHeight = 0;
    double m_lineWidth = 0;
    int m_lineJoin = kJoinMiter;
    int m_lineCap = kCapButt;
    COLORREF m_penColor = 0;
    COLORREF m_brushColor = 0xFFFFFF;
    double m_device[kTransformSize];
    CScreenDC m_referenceDC;
    int m_horzSize = 0;
    int m_vertSize = 0;
    int m_horzRes = 0;
    int m_vertRes = 0;
    bool m_pathOpen = false;
    unsigned long long m_recorded = 0;
    bool m_penRecorded = false, m_brushRecorded = false;
    CPenHandle m_pen;
    CBrushHandle m_brush;
    CEnhMetaFileDC m_metaDC;  // after the pen and brush: the recording ends before they go
    std::wstring m_path;
};
