// The vector rendering task (see VectorKanteloTask.h).
//
// Decorations become concentric copies of the glyph outlines: a stroke is
// centred on the outline, so a copy of stroke width w paints w / 2 beyond it,
// and every decoration adds twice its Size to the width of everything inside
// it. The page is the layout's extent with the margins of all layers, cut to
// the union of the layer boxes on the sides the trim type names.
#include "render/VectorKanteloTask.h"
#include "render/DocumentMemory.h"
#include "decoration/Setting.h"
#include "outline/DibRenderer.h"
#include "outline/GlyphOutline.h"
#include "outline/MultiRenderer.h"
#include "render/OutputUnits.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusPath.h"
#include "resources/strings_engine.h"
#include "resources/strings_outline.h"
#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

// The document's projected growth stops fitting within this unit.
struct CWouldNotFit {};

// A GDI+ call's failure for want of memory carries E_OUTOFMEMORY.
HRESULT StatusCode(Gdiplus::Status status)
{
    return status == Gdiplus::OutOfMemory ? E_OUTOFMEMORY : S_OK;
}

} // namespace

void UniteBox(CBoxF& into, const CBoxF& box)
{
    if (into.Width == 0 && into.Height == 0) {
        into = box;
        return;
    }
    float left = std::min(into.X, box.X), top = std::min(into.Y, box.Y);
    float right = std::max(into.X + into.Width, box.X + box.Width);
    float bottom = std::max(into.Y + into.Height, box.Y + box.Height);
    into.X = left;
    into.Y = top;
    into.Width = right - left;
    into.Height = bottom - top;
}

std::vector<CVectorLayerGroup> BuildVectorLayerGroups(const std::vector<CBorderingSetting>& layers,
                                                      const RECT& totalMargins, bool vertical)
{
    std::vector<CVectorLayerGroup> groups;
    if (layers.empty())
        return groups;
    CVectorLayer face;
    face.X = totalMargins.left;
    face.Y = totalMargins.top;
    face.Alpha = layers[0].Alpha;
    face.Color = layers[0].Paint.Color;
    groups.push_back(CVectorLayerGroup(1, face));
    for (size_t k = 1; k < layers.size(); ++k) {
        const CBorderingSetting& l = layers[k];
        const POINT d = l.GetShadowOffset(vertical);
        CVectorLayerGroup copies = groups.back();
        for (CVectorLayer& r : copies) {
            r.X += d.x;
            r.Y += d.y;
            r.Width += 2 * l.Size;
            r.Blur = 2 * l.Blur;
            r.Color = l.Paint.Color;
            r.Alpha = l.Alpha;
        }
        if (d.x == 0 && d.y == 0)
            groups.push_back(copies);
        else
            groups.back().insert(groups.back().end(), copies.begin(), copies.end());
    }
    return groups;
}

CVectorKanteloTask::~CVectorKanteloTask()
{
    m_multiRenderer.reset();
    m_dibRenderer.reset();
    m_renderer.reset();
}

template <class Draw>
bool CVectorKanteloTask::WalkText(float ox, float oy, Draw draw)
{
    // Asked at every character: a line of a million characters takes
    // minutes, and Stop must not wait for it.
    for (const CPlacedChar& c : m_layout.Chars) {
        if (IsTerminated())
            return false;
        if (!c.LineBreak)
            draw(c, ox + (c.PenX + c.Abc.abcA) / 10.0f, oy + c.LineTop / 10.0f);
    }
    return true;
}

bool CVectorKanteloTask::MeasureTextBounds()
{
    m_textBounds = CBoxF();
    Gdiplus::GraphicsPath path;
    const float size = m_layout.EmSize / 10.0f;
    const float leading = m_layout.LeadingOffset(size);
    return WalkText(0, 0, [&](const CPlacedChar& c, float gx, float gy) {
        m_fonts.AddGlyphPath(path, c.Ch, size, Gdiplus::PointF(gx, gy), leading);
        Gdiplus::RectF r;
        const Gdiplus::Status status = GetTightPathBounds(r, path, nullptr);
        if (status != Gdiplus::Ok)
            throw my::CException(IDS_GET_STROKE_BOUNDS_FAILED, StatusCode(status));
        CBoxF box = {r.X, r.Y, r.Width, r.Height};
        if (r.Width == 0 || r.Height == 0) {
            // A blank has no outline: a low box where its ink would be, so
            // that trailing blanks still count.
            const float h = m_layout.LineCellHeight / 10.0f / 3.0f;
            box = CBoxF{(c.PenX + c.Abc.abcA) / 10.0f, c.LineTop / 10.0f + h + leading,
                        static_cast<float>(static_cast<UINT>(c.Abc.abcB)) / 10.0f, h};
        }
        UniteBox(m_textBounds, box);
    });
}

void CVectorKanteloTask::DrawGlyph(UINT32 ch, float x, float y)
{
    Gdiplus::GraphicsPath path;
    const float size = m_layout.EmSize / 10.0f;
    m_fonts.AddGlyphPath(path, ch, size, Gdiplus::PointF(x, y), m_layout.LeadingOffset(size));
    std::vector<Gdiplus::PointF> points;
    std::vector<BYTE> types;
    const Gdiplus::Status status = path.GetPathData(points, types);
    if (status != Gdiplus::Ok)
        throw my::CException(IDS_GET_PATH_DATA_FAILED, StatusCode(status));
    if (points.empty())
        return;
    CMultiRenderer& r = *m_multiRenderer;
    Gdiplus::PointF bezier[3];
    int pending = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const Gdiplus::PointF& p = points[i];
        switch (types[i] & 7) {
        case 0:
        case 1:
            if (pending != 0)
                throw my::CException(IDS_BEZIER_TOO_FEW_POINTS);
            if ((types[i] & 7) == 0)
                r.MoveTo(p.X, p.Y);
            else
                r.LineTo(p.X, p.Y);
            break;
        case 3:
            bezier[pending++] = p;
            if (pending == 3) {
                r.CurveTo(bezier[0].X, bezier[0].Y, bezier[1].X, bezier[1].Y, bezier[2].X, bezier[2].Y);
                pending = 0;
            }
            break;
        default:
            throw my::CException(IDS_PATH_POINT_TYPE_UNKNOWN);
        }
        if (types[i] & 0x80)
            r.ClosePath();
    }
    if (r.GetLineWidth() == 0)
        r.Fill();
    else
        r.FillStroke();
}

void CVectorKanteloTask::LayOutVector()
{
    m_multiRenderer.reset(new CMultiRenderer);
    m_dibRenderer.reset(new Gdiplus::CDibRenderer);
    m_dibRenderer->SetMaxPagePixels(kMaxPreviewPixels);
    m_multiRenderer->Add(m_dibRenderer);
    if (m_renderer)
        m_multiRenderer->Add(m_renderer);
    // No opacity and no blur in vector output. The job's settings snapshot is
    // shared by all its tasks, so only this task's copies of the layers change.
    std::vector<CBorderingSetting> layers = CollectLayers(*m_setting);
    for (size_t k = 1; k < layers.size(); ++k) {
        layers[k].Alpha = 100;
        layers[k].Blur = 0;
    }
    SetLayoutLayers(layers);
    LayOut();
    m_groups = BuildVectorLayerGroups(m_layout.Layers, m_layout.TotalMargins, m_layout.Vertical);
}

bool CVectorKanteloTask::PageFitsInMemory()
{
    CDocumentMemoryEstimate estimate(*m_setting, m_fonts);
    m_glyphBytes.clear();
    m_glyphBytes.reserve(m_layout.Chars.size());
    double glyphs = 0;
    for (const CPlacedChar& c : m_layout.Chars) {
        m_glyphBytes.push_back(estimate.GlyphBytes(c));
        glyphs += m_glyphBytes.back();
    }
    m_pageBaseBytes = estimate.PageBaseBytes();
    m_pageBytes = m_pageBaseBytes + glyphs * static_cast<double>(estimate.CopiesPerGlyph());
    return CDocumentGrowth(*m_setting, 0, m_pageBytes).Fits(m_pageBytes, 0);
}

void CVectorKanteloTask::WeighGrowth(CDocumentGrowth& growth, double restOfPage)
{
    // Projected to the end of this page only: the unit refused is the one
    // where the document really stops fitting, whatever text follows it.
    growth.Weighed();
    const unsigned long long held = m_renderer->HeldBytes();
    if (!growth.Fits(growth.Projected(held, restOfPage), held))
        throw CWouldNotFit();
}

bool CVectorKanteloTask::MeasurePage()
{
    if (!MeasureTextBounds())
        return false;
    const CBoxF& t = m_textBounds;
    m_layerBounds = CBoxF();
    for (size_t g = m_groups.size(); g-- > 0;)
        for (size_t i = m_groups[g].size(); i-- > 0;) {
            const CVectorLayer& l = m_groups[g][i];
            UniteBox(m_layerBounds, CBoxF{l.X / 10.0f + t.X - l.Width / 20.0f, l.Y / 10.0f + t.Y - l.Width / 20.0f,
                                          t.Width + l.Width / 10.0f, t.Height + l.Width / 10.0f});
        }
    const CBoxF& b = m_layerBounds;
    const RECT& m = m_layout.TotalMargins;
    m_bounds.X = m_bounds.Y = 0;
    m_bounds.Width = (m_layout.TextWidth + m.left + m.right) / 10.0f;
    m_bounds.Height = (m_layout.TextHeight + m.top + m.bottom) / 10.0f;
    const UINT trim = m_setting->TrimType;
    if (trim & TrimType::TRIM_T) {
        m_bounds.Y = -b.Y;
        m_bounds.Height = (trim & TrimType::TRIM_B) ? b.Height : m_bounds.Height - b.Y;
    } else if (trim & TrimType::TRIM_B) {
        m_bounds.Height = b.Y + b.Height;
    }
    if (trim & TrimType::TRIM_L) {
        m_bounds.X = -b.X;
        m_bounds.Width = (trim & TrimType::TRIM_R) ? b.Width : m_bounds.Width - b.X;
    } else if (trim & TrimType::TRIM_R) {
        m_bounds.Width = b.X + b.Width;
    }
    if (m_bounds.Width <= 0 || m_bounds.Height <= 0)
        throw my::CException(IDS_OUTPUT_SIZE_ZERO);
    return true;
}

bool CVectorKanteloTask::DrawPage()
{
    const double w = m_bounds.Width, h = m_bounds.Height;
    CMultiRenderer& r = *m_multiRenderer;
    r.BeginDocument(Path);
    double transform[kTransformSize];
    if (m_layout.Vertical) {
        // (x, y) -> (h - y, x): the laid-out line turned a quarter clockwise.
        r.BeginPage(h, w);
        MakeTransform(transform, 0, -1, 1, 0, h, 0);
    } else {
        r.BeginPage(w, h);
        MakeTransform(transform, 1, 0, 0, 1, 0, 0);
    }
    r.SetTransform(transform);
    r.SetLineJoin(kJoinRound);
    // The document's growth is weighed while the page is drawn: from its
    // first page for a document that holds them all, else from this page
    // on (a document of its own, or one that writes each page out).
    std::unique_ptr<CDocumentGrowth> own;
    CDocumentGrowth* growth = nullptr;
    double rest = m_pageBytes - m_pageBaseBytes;
    if (m_renderer && m_plan) {
        growth = m_plan->Growth.get();
        growth->AddDrawn(m_pageBaseBytes);
    } else if (m_renderer) {
        own.reset(new CDocumentGrowth(*m_setting, m_renderer->HeldBytes(), rest));
        growth = own.get();
    }
    if (!m_setting->Transparent) {
        r.SetFillColor(m_setting->BkColor);
        r.Rectangle(0, 0, w, h);
        r.Fill();
    }
    for (size_t g = m_groups.size(); g-- > 0;)
        for (size_t i = m_groups[g].size(); i-- > 0;) {
            const CVectorLayer& l = m_groups[g][i];
            r.SetLineWidth(l.Width / 10.0);
            r.SetFillColor(l.Color);
            r.SetStrokeColor(l.Color);
            // Stopped, the page and the document stay unended: no file is written.
            if (!WalkText(m_bounds.X + l.X / 10.0f, m_bounds.Y + l.Y / 10.0f,
                          [&](const CPlacedChar& c, float gx, float gy) {
                              DrawGlyph(c.Ch, gx, gy);
                              if (!growth)
                                  return;
                              const double bytes = m_glyphBytes[&c - m_layout.Chars.data()];
                              growth->AddDrawn(bytes);
                              rest -= bytes;
                              if (growth->Due())
                                  WeighGrowth(*growth, rest);
                          }))
                return false;
        }
    r.EndPage();
    r.EndDocument();
    return true;
}

void CVectorKanteloTask::Run()
{
    if (Text.empty())
        throw my::CException(IDS_TEXT_EMPTY);
    bool outOfMemory = false, pastTable = false;
    try {
        LayOutVector();
        // A page that surely cannot fit is refused before it is drawn, as
        // one whose memory ran out while drawing would be, rather than after
        // minutes of drawing.
        outOfMemory = m_renderer && !PageFitsInMemory();
        if (!outOfMemory && MeasurePage() && DrawPage())
            m_resultImage = m_dibRenderer->GetDib();
    } catch (const std::bad_alloc&) {
        if (!m_renderer)
            throw;
        outOfMemory = true;
    } catch (const std::length_error&) {
        if (!m_renderer)
            throw;
        outOfMemory = true;
    } catch (const CWouldNotFit&) {
        outOfMemory = true;
    } catch (const my::CException& e) {
        pastTable = m_renderer && e.id == IDS_PDF_PAST_TABLE_LIMIT;
        if (!pastTable && (!m_renderer || !IsMemoryFailure(e)))
            throw;
        outOfMemory = !pastTable;
    }
    if (outOfMemory || pastTable) {
        // What this unit drew goes first: the message needs memory too.
        m_multiRenderer.reset();
        m_dibRenderer.reset();
        m_renderer.reset();
        const std::wstring& file = m_documentPath.empty() ? Path : m_documentPath;
        if (pastTable)
            ThrowOutputTooLargeForPdf(file, No + 1, Text);
        ThrowOutputTooLargeForMemory(file, No + 1, Text);
    }
}
