// A renderer that writes each call it receives as one text line, for tests
// of the interface defaults and of the renderers that forward calls.
#pragma once
#include "outline/VectorRenderer.h"
#include <sstream>
#include <string>
#include <vector>

class CRecordingRenderer : public CVectorRenderer {
public:
    std::vector<std::string> calls;
    double lineWidth = 0;

    void BeginDocument(const std::wstring& path) override { Log("BeginDocument", path.size()); }
    void BeginPage(double w, double h) override { Log("BeginPage", w, h); }
    void SetTransform(const double* t) override { Log("SetTransform", t[0], t[1], t[2], t[3], t[4], t[5], t[6]); }
    void SetLineJoin(int j) override { Log("SetLineJoin", j); }
    void SetLineCap(int c) override { Log("SetLineCap", c); }
    double GetLineWidth() override { return lineWidth; }
    void SetLineWidth(double w) override { lineWidth = w; Log("SetLineWidth", w); }
    void SetStrokeColorRGB(double r, double g, double b) override { Log("SetStrokeColorRGB", r, g, b); }
    void SetStrokeColor(COLORREF c) override { Log("SetStrokeColor", c); }
    void SetStrokeColorCMYK(double c, double m, double y, double k) override { Log("SetStrokeColorCMYK", c, m, y, k); }
    void SetFillColorRGB(double r, double g, double b) override { Log("SetFillColorRGB", r, g, b); }
    void SetFillColor(COLORREF c) override { Log("SetFillColor", c); }
    void SetFillColorCMYK(double c, double m, double y, double k) override { Log("SetFillColorCMYK", c, m, y, k); }
    void BeginPath() override { Log("BeginPath"); }
    void MoveTo(double x, double y) override { Log("MoveTo", x, y); }
    void LineTo(double x, double y) override { Log("LineTo", x, y); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override
    {
        Log("CurveTo", x1, y1, x2, y2, x3, y3);
    }
    void ClosePath() override { Log("ClosePath"); }
    void Fill() override { Log("Fill"); }
    void Stroke() override { Log("Stroke"); }
    void FillStroke() override { Log("FillStroke"); }
    void EndPage() override { Log("EndPage"); }
    void EndDocument() override { Log("EndDocument"); }

    template <class... Args>
    void Log(const char* name, Args... args)
    {
        std::ostringstream os;
        os << name;
        int dummy[] = {0, ((os << ' ' << args), 0)...};
        (void)dummy;
        calls.push_back(os.str());
    }
};
