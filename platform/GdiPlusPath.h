// Thin owners of GDI+ paths and matrices over the flat API. Like the GDI+ C++
// classes, each keeps the last failing status: a call that fails records it,
// GetLastStatus hands it out once and clears it. The native handles stay
// reachable so that callers can use any flat call.
#pragma once
#include "platform/GdiPlus.h"
#include <boost/shared_ptr.hpp>
#include <vector>

namespace Gdiplus {

class Matrix {
public:
    Matrix() { SetStatus(GdipCreateMatrix(&m_matrix)); }
    Matrix(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy)
    {
        SetStatus(GdipCreateMatrix2(m11, m12, m21, m22, dx, dy, &m_matrix));
    }
    ~Matrix() { if (m_matrix) GdipDeleteMatrix(m_matrix); }
    Matrix(const Matrix&) = delete;
    Matrix& operator=(const Matrix&) = delete;

    GpMatrix* Native() const { return m_matrix; }
    bool IsValid() const { return m_matrix != nullptr; }
    Status Rotate(REAL degrees, MatrixOrder order = MatrixOrderPrepend)
    {
        return SetStatus(GdipRotateMatrix(m_matrix, degrees, order));
    }
    Status Translate(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend)
    {
        return SetStatus(GdipTranslateMatrix(m_matrix, dx, dy, order));
    }
    Status Scale(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend)
    {
        return SetStatus(GdipScaleMatrix(m_matrix, sx, sy, order));
    }
    Status Multiply(const Matrix& other, MatrixOrder order = MatrixOrderPrepend)
    {
        return SetStatus(GdipMultiplyMatrix(m_matrix, other.m_matrix, order));
    }
    // Elements m11, m12, m21, m22, dx, dy.
    Status GetElements(REAL* six) const { return SetStatus(GdipGetMatrixElements(m_matrix, six)); }
    Status TransformPoints(PointF* points, INT count) const
    {
        return SetStatus(GdipTransformMatrixPoints(m_matrix, points, count));
    }
    Status GetLastStatus() const { Status s = m_last; m_last = Ok; return s; }
    Status SetStatus(Status s) const { if (s != Ok) m_last = s; return s; }

private:
    GpMatrix* m_matrix = nullptr;
    mutable Status m_last = Ok;
};

class GraphicsPath {
public:
    explicit GraphicsPath(FillMode mode = FillModeAlternate) { SetStatus(GdipCreatePath(mode, &m_path)); }
    ~GraphicsPath() { if (m_path) GdipDeletePath(m_path); }
    GraphicsPath(const GraphicsPath&) = delete;
    GraphicsPath& operator=(const GraphicsPath&) = delete;

    GpPath* Native() const { return m_path; }
    bool IsValid() const { return m_path != nullptr; }

    // A copy of the figures; empty when GDI+ cannot make one (status kept here).
    boost::shared_ptr<GraphicsPath> Clone() const
    {
        GpPath* copy = nullptr;
        if (SetStatus(GdipClonePath(m_path, &copy)) != Ok)
            return boost::shared_ptr<GraphicsPath>();
        return boost::shared_ptr<GraphicsPath>(new GraphicsPath(copy));
    }
    // A path over given points and point types; empty when GDI+ refuses them.
    static boost::shared_ptr<GraphicsPath> FromData(const PointF* points, const BYTE* types, INT count,
                                                    FillMode mode = FillModeAlternate)
    {
        GpPath* path = nullptr;
        if (GdipCreatePath2(points, types, count, mode, &path) != Ok)
            return boost::shared_ptr<GraphicsPath>();
        return boost::shared_ptr<GraphicsPath>(new GraphicsPath(path));
    }
    Status Reset() { return SetStatus(GdipResetPath(m_path)); }
    Status SetFillMode(FillMode mode) { return SetStatus(GdipSetPathFillMode(m_path, mode)); }
    FillMode GetFillMode() const
    {
        FillMode mode = FillModeAlternate;
        SetStatus(GdipGetPathFillMode(m_path, &mode));
        return mode;
    }
    Status StartFigure() { return SetStatus(GdipStartPathFigure(m_path)); }
    Status CloseFigure() { return SetStatus(GdipClosePathFigure(m_path)); }
    Status AddLine(REAL x1, REAL y1, REAL x2, REAL y2)
    {
        return SetStatus(GdipAddPathLine(m_path, x1, y1, x2, y2));
    }
    Status AddLines(const PointF* points, INT count) { return SetStatus(GdipAddPathLine2(m_path, points, count)); }
    Status AddBezier(const PointF& p1, const PointF& p2, const PointF& p3, const PointF& p4)
    {
        return SetStatus(GdipAddPathBezier(m_path, p1.X, p1.Y, p2.X, p2.Y, p3.X, p3.Y, p4.X, p4.Y));
    }
    Status AddBeziers(const PointF* points, INT count)
    {
        return SetStatus(GdipAddPathBeziers(m_path, points, count));
    }
    Status Transform(const Matrix& matrix) { return SetStatus(GdipTransformPath(m_path, matrix.Native())); }
    // GDI+'s own bounds (control points included).
    Status GetBounds(RectF* bounds, const Matrix* matrix = nullptr, const GpPen* pen = nullptr) const
    {
        return SetStatus(GdipGetPathWorldBounds(m_path, bounds, matrix ? matrix->Native() : nullptr, pen));
    }
    INT GetPointCount() const
    {
        INT count = 0;
        SetStatus(GdipGetPointCount(m_path, &count));
        return count;
    }
    // Points and point types (low three bits 0 start, 1 line, 3 Bezier;
    // 0x80 closes a figure) into vectors of the caller.
    Status GetPathData(std::vector<PointF>& points, std::vector<BYTE>& types) const
    {
        points.clear();
        types.clear();
        INT count = 0;
        Status s = GdipGetPointCount(m_path, &count);
        if (s != Ok)
            return SetStatus(s);
        if (count <= 0)
            return Ok;
        points.resize(static_cast<size_t>(count));
        types.resize(static_cast<size_t>(count));
        s = GdipGetPathPoints(m_path, points.data(), count);
        if (s == Ok)
            s = GdipGetPathTypes(m_path, types.data(), count);
        if (s != Ok) {
            points.clear();
            types.clear();
        }
        return SetStatus(s);
    }
    Status GetLastStatus() const { Status s = m_last; m_last = Ok; return s; }
    Status SetStatus(Status s) const { if (s != Ok) m_last = s; return s; }

private:
    explicit GraphicsPath(GpPath* path) : m_path(path) {}
    GpPath* m_path = nullptr;
    mutable Status m_last = Ok;
};

typedef std::vector<boost::shared_ptr<GraphicsPath> > CGraphicsPathList;

} // namespace Gdiplus
