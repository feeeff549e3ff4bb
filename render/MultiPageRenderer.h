// The renderer that a one-file job (PDF or HTML with all units in one file)
// hands to every task: page and drawing calls reach the one real renderer of
// the document, the document-level calls of the tasks are swallowed, so the
// job begins the document once before the first task and ends it once after
// the last. Group names, opacities, gradations and textures stop here too.
#pragma once
#include "outline/VectorRenderer.h"
#include <boost/shared_ptr.hpp>

class CMultiPageRenderer : public CVectorRenderer {
public:
    CMultiPageRenderer() = default;
    // Replaces (and releases) the inner renderer.
    void SetRenderer(const boost::shared_ptr<CVectorRenderer>& renderer) { m_inner = renderer; }
    const boost::shared_ptr<CVectorRenderer>& GetRenderer() const { return m_inner; }

    void BeginDocument(const std::wstring& path) override {}
    void BeginPage(double width, double height) override { Inner().BeginPage(width, height); }
    void SetTransform(const double* t) override { Inner().SetTransform(t); }
    void SetLineJoin(int join) override { Inner().SetLineJoin(join); }
    void SetLineCap(int cap) override { Inner().SetLineCap(cap); }
    double GetLineWidth() override { return Inner().GetLineWidth(); }
    void SetLineWidth(double width) override { Inner().SetLineWidth(width); }
    void SetStrokeColorRGB(double r, double g, double b) override { Inner().SetStrokeColorRGB(r, g, b); }
    void SetStrokeColor(COLORREF color) override { Inner().SetStrokeColor(color); }
    void SetStrokeColorCMYK(double c, double m, double y, double k) override { Inner().SetStrokeColorCMYK(c, m, y, k); }
    void SetFillColorRGB(double r, double g, double b) override { Inner().SetFillColorRGB(r, g, b); }
    void SetFillColor(COLORREF color) override { Inner().SetFillColor(color); }
    void SetFillColorCMYK(double c, double m, double y, double k) override { Inner().SetFillColorCMYK(c, m, y, k); }
    void BeginPath() override { Inner().BeginPath(); }
    void MoveTo(double x, double y) override { Inner().MoveTo(x, y); }
    void LineTo(double x, double y) override { Inner().LineTo(x, y); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override
    {
        Inner().CurveTo(x1, y1, x2, y2, x3, y3);
    }
    void ClosePath() override { Inner().ClosePath(); }
    void Fill() override { Inner().Fill(); }
    void Stroke() override { Inner().Stroke(); }
    void FillStroke() override { Inner().FillStroke(); }
    void EndPage() override { Inner().EndPage(); }
    void EndDocument() override {}
    unsigned long long HeldBytes() const override { return m_inner ? m_inner->HeldBytes() : 0; }
    void Rectangle(double x, double y, double w, double h) override { Inner().Rectangle(x, y, w, h); }

private:
    // A task drawing before the job set the document's renderer is a
    // programming error: it fails the task (IDS_INTERNAL_ERROR) instead of crashing.
    CVectorRenderer& Inner();

    boost::shared_ptr<CVectorRenderer> m_inner;
};
