// The one drawing interface behind every output format: PDF, SVG and HTML,
// EMF and the page bitmap. A caller opens a document and pages, sets the
// transform, pen and paint state, builds paths from moves, lines and cubic
// Beziers, and fills or strokes them.
#pragma once
#include <windows.h>
#include <boost/shared_ptr.hpp>
#include <string>

class CImg;

// One stop of a linear gradation. `extra` is copied and compared with the
// stop but never drawn; its meaning belongs to whoever makes the stops.
struct CGradationStop {
    double position = 0.0;
    BYTE red = 0;
    BYTE green = 0;
    BYTE blue = 0;
    BYTE alpha = 255;
    BYTE extra = 0;

    CGradationStop() = default;
    CGradationStop(double pos, BYTE r, BYTE g, BYTE b, BYTE a = 255) : position(pos), red(r), green(g), blue(b), alpha(a) {}
};

// A stand-in for the address space the process can still get, for tests:
// while it is 0 or more, the engine reads it, less what libHaru holds (the
// figure falls as a document grows), where it would read the free address
// space the system reports (FreeAddressSpace in render/DocumentMemory.h), and
// the PDF renderer fails as an allocation does (std::bad_alloc) once libHaru
// would hold more than that many bytes, every open document together.
// Negative: none.
void SetDocumentMemoryForTest(long long bytes);
long long GetDocumentMemoryForTest();

// Transform records are seven doubles t0..t6: a point maps to
// (t0*x + t1*y + t4, t2*x + t3*y + t5); t6 scales line widths.
enum { kTransformSize = 7 };
extern const double kIdentityTransform[kTransformSize];

// The line-width scale of the affine terms: the length of the image of (1, 1)
// divided by sqrt(2).
double TransformLineScale(double t0, double t1, double t2, double t3);
// Fills a record from its six affine terms and computes t6.
void MakeTransform(double* out, double t0, double t1, double t2, double t3, double t4, double t5);
// out = a after b (b applied first); out may alias neither input.
void ComposeTransforms(double* out, const double* a, const double* b);
inline double TransformX(const double* t, double x, double y) { return t[0] * x + t[1] * y + t[4]; }
inline double TransformY(const double* t, double x, double y) { return t[2] * x + t[3] * y + t[5]; }

// Line join codes 0 miter, 1 round, 2 bevel; cap codes 0 butt, 1 round, 2 square.
enum { kJoinMiter = 0, kJoinRound = 1, kJoinBevel = 2 };
enum { kCapButt = 0, kCapRound = 1, kCapSquare = 2 };

class CVectorRenderer {
public:
    CVectorRenderer() = default;
    CVectorRenderer(const CVectorRenderer&) = delete;
    CVectorRenderer& operator=(const CVectorRenderer&) = delete;

    virtual void SetBackgroundColor(double r, double g, double b, double a) {}
    virtual void SetBackgroundColorCMYK(double c, double m, double y, double k, double a) {}
    virtual void BeginDocument(const std::wstring& path) = 0;
    // Sizes in layout units: PDF points, or pixels of the reference screen.
    virtual void BeginPage(double width, double height) = 0;
    virtual void BeginGroup(const std::wstring& name) {}
    // Names the paths drawn next.
    virtual void SetName(const std::wstring& name) {}
    virtual void SetTransform(const double* t) = 0;
    virtual void SetLineJoin(int join) = 0;
    virtual void SetLineCap(int cap) = 0;
    virtual double GetLineWidth() = 0;
    virtual void SetLineWidth(double width) = 0;
    virtual void SetStrokeColorRGB(double r, double g, double b) = 0;
    virtual void SetStrokeColor(COLORREF color) = 0;
    virtual void SetStrokeColorCMYK(double c, double m, double y, double k) = 0;
    virtual void SetFillColorRGB(double r, double g, double b) = 0;
    virtual void SetFillColor(COLORREF color) = 0;
    virtual void SetFillColorCMYK(double c, double m, double y, double k) = 0;
    virtual void SetStrokeOpacity(double opacity) {}
    virtual void SetFillOpacity(double opacity) {}
    virtual void SetStrokeGradation(const CGradationStop* stops, int count, double angle) {}
    virtual void SetFillGradation(const CGradationStop* stops, int count, double angle) {}
    // The image is taken by value; renderers without textures just let it go.
    virtual void SetStrokeTexture(boost::shared_ptr<CImg> image, double scale = 1.0, double angle = 0.0,
                                  int fitType = 0, double rateX = 1.0, double rateY = 1.0, int flags = 0,
                                  double offsetX = 0.0, double offsetY = 0.0) {}
    virtual void SetFillTexture(boost::shared_ptr<CImg> image, double scale = 1.0, double angle = 0.0,
                                int fitType = 0, double rateX = 1.0, double rateY = 1.0, int flags = 0,
                                double offsetX = 0.0, double offsetY = 0.0) {}
    virtual void BeginPath() = 0;
    virtual void MoveTo(double x, double y) = 0;
    virtual void LineTo(double x, double y) = 0;
    virtual void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) = 0;
    virtual void ClosePath() = 0;
    // Non-zero winding.
    virtual void Fill() = 0;
    virtual void Stroke() = 0;
    virtual void FillStroke() = 0;
    virtual void EndGroup() {}
    virtual void EndPage() = 0;
    // The file-writing renderers write their file here; it may throw.
    virtual void EndDocument() = 0;
    // What the document holds in memory now, as far as the renderer knows:
    // PDF all that libHaru holds, SVG and HTML the page, EMF the records of
    // the metafile; 0 for a renderer that keeps no document.
    virtual unsigned long long HeldBytes() const { return 0; }
    // The shapes neither begin a path nor paint it.
    virtual void Square(double cx, double cy, double half);
    virtual void Rectangle(double x, double y, double w, double h);
    virtual void Circle(double cx, double cy, double r);
    virtual void Ellipse(double x, double y, double w, double h);

    // Renderers are deleted through shared pointers of any type in the tree.
    virtual ~CVectorRenderer() = default;

    // Only the bitmap renderer reads it: draw without anti-aliasing.
    void SetNoAntiAliasing(bool value) { m_noAntiAliasing = value; }
    bool GetNoAntiAliasing() const { return m_noAntiAliasing; }

protected:
    bool m_noAntiAliasing = false;
};
