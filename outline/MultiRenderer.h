// Draws once into several renderers (the output document and the preview
// bitmap): each call goes to every renderer in list order. An exception from
// one renderer ends the call; the renderers after it do not get it.
#pragma once
#include "outline/VectorRenderer.h"
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

class CMultiRenderer {
public:
    typedef boost::shared_ptr<CVectorRenderer> CRendererPtr;

    void Add(const CRendererPtr& renderer) { m_renderers.push_back(renderer); }
    const std::vector<CRendererPtr>& GetRenderers() const { return m_renderers; }

    void BeginDocument(const std::wstring& path) { ForEach([&](CVectorRenderer& r) { r.BeginDocument(path); }); }
    void BeginPage(double w, double h) { ForEach([&](CVectorRenderer& r) { r.BeginPage(w, h); }); }
    void SetTransform(const double* t) { ForEach([&](CVectorRenderer& r) { r.SetTransform(t); }); }
    void SetLineJoin(int join) { ForEach([&](CVectorRenderer& r) { r.SetLineJoin(join); }); }
    void SetLineCap(int cap) { ForEach([&](CVectorRenderer& r) { r.SetLineCap(cap); }); }
    // The first renderer's; the list must not be empty.
    double GetLineWidth() { return m_renderers.front()->GetLineWidth(); }
    void SetLineWidth(double w) { ForEach([&](CVectorRenderer& r) { r.SetLineWidth(w); }); }
    void SetStrokeColor(COLORREF c) { ForEach([&](CVectorRenderer& r) { r.SetStrokeColor(c); }); }
    void SetFillColor(COLORREF c) { ForEach([&](CVectorRenderer& r) { r.SetFillColor(c); }); }
    void MoveTo(double x, double y) { ForEach([&](CVectorRenderer& r) { r.MoveTo(x, y); }); }
    void LineTo(double x, double y) { ForEach([&](CVectorRenderer& r) { r.LineTo(x, y); }); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
    {
        ForEach([&](CVectorRenderer& r) { r.CurveTo(x1, y1, x2, y2, x3, y3); });
    }
    void ClosePath() { ForEach([](CVectorRenderer& r) { r.ClosePath(); }); }
    void Fill() { ForEach([](CVectorRenderer& r) { r.Fill(); }); }
    void FillStroke() { ForEach([](CVectorRenderer& r) { r.FillStroke(); }); }
    void EndPage() { ForEach([](CVectorRenderer& r) { r.EndPage(); }); }
    void EndDocument() { ForEach([](CVectorRenderer& r) { r.EndDocument(); }); }
    void Rectangle(double x, double y, double w, double h)
    {
        ForEach([&](CVectorRenderer& r) { r.Rectangle(x, y, w, h); });
    }
    void Ellipse(double x, double y, double w, double h)
    {
        ForEach([&](CVectorRenderer& r) { r.Ellipse(x, y, w, h); });
    }

private:
    template <class F>
    void ForEach(F f)
    {
        for (const CRendererPtr& r : m_renderers)
            f(*r);
    }
    std::vector<CRendererPtr> m_renderers;
};
