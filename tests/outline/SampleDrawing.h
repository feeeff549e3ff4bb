// Draws a decorated text through any renderer, as the vector task does: the
// glyph outlines of IPAGothic placed on a page, an outer stroke per
// decoration, then the face fill. Used for the sample files people open.
#pragma once
#include "outline/FontSetting.h"
#include "outline/GlyphOutline.h"
#include "outline/VectorFontManager.h"
#include "outline/VectorRenderer.h"
#include <string>

// Replays the figures of a GDI+ path as moves, lines and curves.
inline void ReplayPath(CVectorRenderer& r, const Gdiplus::GraphicsPath& path)
{
    std::vector<Gdiplus::PointF> p;
    std::vector<BYTE> t;
    path.GetPathData(p, t);
    for (size_t i = 0; i < p.size(); ++i) {
        switch (t[i] & Gdiplus::PathPointTypePathTypeMask) {
        case Gdiplus::PathPointTypeStart:
            r.MoveTo(p[i].X, p[i].Y);
            break;
        case Gdiplus::PathPointTypeLine:
            r.LineTo(p[i].X, p[i].Y);
            break;
        default:
            r.CurveTo(p[i].X, p[i].Y, p[i + 1].X, p[i + 1].Y, p[i + 2].X, p[i + 2].Y);
            i += 2;
            break;
        }
        if (t[i] & Gdiplus::PathPointTypeCloseSubpath)
            r.ClosePath();
    }
}

// One page of the text; returns the number of glyph paths drawn.
inline int DrawSamplePage(CVectorRenderer& r, const std::wstring& text, int size = 96)
{
    CFontSetting font;
    font.FontFace = L"IPAGothic";
    font.CharSet = SHIFTJIS_CHARSET;
    font.Size = size;
    boost::shared_ptr<CVectorFontManager> fm = font.CreateVectorFontManager(NONANTIALIASED_QUALITY);
    const double margin = size / 4.0;
    const double width = margin * 2 + size * text.size(), height = margin * 2 + size;
    r.BeginPage(width, height);
    r.SetTransform(kIdentityTransform);
    r.SetFillColor(RGB(255, 255, 240));
    r.BeginPath();
    r.Rectangle(0, 0, width, height);
    r.Fill();

    std::vector<boost::shared_ptr<Gdiplus::GraphicsPath> > glyphs;
    double x = margin;
    const MAT2 identity = IdentityMat2();
    for (WCHAR ch : text) {
        GLYPHMETRICS gm;
        std::vector<BYTE> buffer;
        fm->GetGlyphOutline(&gm, buffer, ch, GGO_BEZIER, &identity);
        const double place[7] = {1, 0, 0, -1, x, margin + fm->GetMetrics().tmAscent, 1};
        boost::shared_ptr<Gdiplus::GraphicsPath> path(new Gdiplus::GraphicsPath(Gdiplus::FillModeWinding));
        CGlyphParseState state;
        ParseGlyphOutline(state, *path, ch, buffer, place);
        glyphs.push_back(path);
        x += gm.gmCellIncX;
    }
    struct Layer {
        double width;
        COLORREF color;
    };
    const Layer layers[] = {{size / 6.0, RGB(40, 60, 160)}, {size / 12.0, RGB(255, 255, 255)}};
    r.SetLineJoin(kJoinRound);
    for (const Layer& layer : layers) {
        r.SetLineWidth(layer.width);
        r.SetStrokeColor(layer.color);
        r.SetFillColor(layer.color);
        for (const auto& g : glyphs) {
            r.BeginPath();
            ReplayPath(r, *g);
            r.FillStroke();
        }
    }
    r.SetFillColor(RGB(220, 40, 60));
    for (const auto& g : glyphs) {
        r.BeginPath();
        ReplayPath(r, *g);
        r.Fill();
    }
    r.EndPage();
    return static_cast<int>(glyphs.size());
}
