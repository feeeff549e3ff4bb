#include "outline/VectorRenderer.h"
#include <atomic>
#include <cmath>

const double kIdentityTransform[kTransformSize] = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0};

static std::atomic<long long> g_documentMemoryForTest(-1);

void SetDocumentMemoryForTest(long long bytes) { g_documentMemoryForTest = bytes; }
long long GetDocumentMemoryForTest() { return g_documentMemoryForTest; }

// The distance of the Bezier control points from the ends of a quarter arc,
// as a fraction of the radius: 4 (sqrt 2 - 1) / 3.
static const double kArcControl = 4.0 * (std::sqrt(2.0) - 1.0) / 3.0;

double TransformLineScale(double t0, double t1, double t2, double t3)
{
    const double x = t0 + t1;
    const double y = t2 + t3;
    return std::sqrt((x * x + y * y) / 2.0);
}

void MakeTransform(double* out, double t0, double t1, double t2, double t3, double t4, double t5)
{
    out[0] = t0;
    out[1] = t1;
    out[2] = t2;
    out[3] = t3;
    out[4] = t4;
    out[5] = t5;
    out[6] = TransformLineScale(t0, t1, t2, t3);
}

void ComposeTransforms(double* out, const double* a, const double* b)
{
    MakeTransform(out,
                  a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3],
                  a[2] * b[0] + a[3] * b[2], a[2] * b[1] + a[3] * b[3],
                  a[0] * b[4] + a[1] * b[5] + a[4], a[2] * b[4] + a[3] * b[5] + a[5]);
}

void CVectorRenderer::Square(double cx, double cy, double half)
{
    Rectangle(cx - half, cy - half, 2.0 * half, 2.0 * half);
}

void CVectorRenderer::Rectangle(double x, double y, double w, double h)
{
    MoveTo(x, y);
    LineTo(x, y + h);
    LineTo(x + w, y + h);
    LineTo(x + w, y);
    ClosePath();
}

void CVectorRenderer::Circle(double cx, double cy, double r)
{
    Ellipse(cx - r, cy - r, 2.0 * r, 2.0 * r);
}

void CVectorRenderer::Ellipse(double x, double y, double w, double h)
{
    const double rx = w * 0.5;
    const double ry = h * 0.5;
    const double cx = x + rx;
    const double cy = y + ry;
    const double kx = kArcControl * rx;
    const double ky = kArcControl * ry;
    MoveTo(cx, y);
    CurveTo(cx + kx, y, x + w, cy - ky, x + w, cy);
    CurveTo(x + w, cy + ky, cx + kx, y + h, cx, y + h);
    CurveTo(cx - kx, y + h, x, cy + ky, x, cy);
    CurveTo(x, cy - ky, cx - kx, y, cx, y);
    ClosePath();
}
