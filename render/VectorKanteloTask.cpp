// The vector rendering task (see VectorKanteloTask.h).
//
// Decorations become concentric copies of the glyph outlines: a stroke is
// centred on the outline, so a copy of stroke width w paints w / 2 beyond it,
// and every decoration adds twice its Size to the width of everything inside
// it. The page is the layout's extent with the margins of all layers, cut to
// the union of the layer boxes on the sides the trim type names.
#include "render/VectorKanteloTask.h"
#include "render/TextWalk.h"
#include "decoration/Setting.h"
#include "outline/DibRenderer.h"
#include "outline/GlyphOutline.h"
#include "outline/MultiRenderer.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusPath.h"
#include "resources/strings_engine.h"
#include "resources/strings_outline.h"
#include <algorithm>

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
void CVectorKanteloTask::WalkText(float ox, float oy, Draw draw)
{
    CScreenDC screen;
    CSelectObjectGuard select(screen, m_font);
    CTextWalk walk(Text, m_lineHeadOffset, m_lineAdvance, m_lineTopOffset);
    while (walk.Next()) {
        if (walk.IsLineBreak())
            continue;
        const int penX = walk.PenX(), y = walk.LineTop();
        ABC abc;
        GetCharWidths(screen, walk.Char(), abc);
        draw(walk.Char(), abc, penX, y, ox + (penX + abc.abcA) / 10.0f, oy + y / 10.0f);
        walk.Place(GetPenStep(abc));
    }
}

void CVectorKanteloTask::MeasureTextBounds()
{
    m_textBounds = CBoxF();
    Gdiplus::GraphicsPath path;
    const float size = m_emSize / 10.0f;
    WalkText(0, 0, [&](UINT32 ch, const ABC& abc, int penX, int y, float gx, float gy) {
        AddGlyphPath(path, ch, size, Gdiplus::PointF(gx, gy));
        Gdiplus::RectF r;
        if (GetTightPathBounds(r, path, nullptr) != Gdiplus::Ok)
            throw my::CException(IDS_GET_STROKE_BOUNDS_FAILED);
        CBoxF box = {r.X, r.Y, r.Width, r.Height};
        if (r.Width == 0 || r.Height == 0) {
            // A blank has no outline: a low box where its ink would be, so
            // that trailing blanks still count.
            const float h = GetLineCellHeight() / 10.0f / 3.0f;
            box = CBoxF{(penX + abc.abcA) / 10.0f, y / 10.0f + h + GetLeadingOffset(size),
                        static_cast<float>(static_cast<UINT>(abc.abcB)) / 10.0f, h};
        }
        UniteBox(m_textBounds, box);
    });
}

void CVectorKanteloTask::DrawGlyph(UINT32 ch, float x, float y)
{
    Gdiplus::GraphicsPath path;
    AddGlyphPath(path, ch, m_emSize / 10.0f, Gdiplus::PointF(x, y));
    std::vector<Gdiplus::PointF> points;
    std::vector<BYTE> types;
    if (path.GetPathData(points, types) != Gdiplus::Ok)
        throw my::CException(IDS_GET_PATH_DATA_FAILED);
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

void CVectorKanteloTask::Run()
{
    if (Text.empty()) {
        Err.Set(IDS_TEXT_EMPTY);
        return;
    }
    m_multiRenderer.reset(new CMultiRenderer);
    m_dibRenderer.reset(new Gdiplus::CDibRenderer);
    m_dibRenderer->SetMaxPagePixels(kMaxPreviewPixels);
    m_multiRenderer->Add(m_dibRenderer);
    if (m_renderer)
        m_multiRenderer->Add(m_renderer);
    CreateFonts();
    // No opacity and no blur in vector output. The job's settings snapshot is
    // shared by all its tasks, so only this task's copies of the layers change.
    CollectLayers();
    for (size_t k = 1; k < m_layers.size(); ++k) {
        m_layers[k].Alpha = 100;
        m_layers[k].Blur = 0;
    }
    ComputeLayerMargins();
    MeasureText();
    m_groups = BuildVectorLayerGroups(m_layers, m_totalMargins, m_vertical);
    MeasureTextBounds();
    const CBoxF& t = m_textBounds;
    m_layerBounds = CBoxF();
    for (size_t g = m_groups.size(); g-- > 0;)
        for (size_t i = m_groups[g].size(); i-- > 0;) {
            const CVectorLayer& l = m_groups[g][i];
            UniteBox(m_layerBounds, CBoxF{l.X / 10.0f + t.X - l.Width / 20.0f, l.Y / 10.0f + t.Y - l.Width / 20.0f,
                                          t.Width + l.Width / 10.0f, t.Height + l.Width / 10.0f});
        }
    const CBoxF& b = m_layerBounds;
    const RECT& m = m_totalMargins;
    m_bounds.X = m_bounds.Y = 0;
    m_bounds.Width = (GetTextWidth() + m.left + m.right) / 10.0f;
    m_bounds.Height = (m_textHeight + m.top + m.bottom) / 10.0f;
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
    if (m_bounds.Width <= 0 || m_bounds.Height <= 0) {
        Err.Set(IDS_OUTPUT_SIZE_ZERO);
        return;
    }
    const double w = m_bounds.Width, h = m_bounds.Height;
    CMultiRenderer& r = *m_multiRenderer;
    r.BeginDocument(Path);
    double transform[kTransformSize];
    if (m_vertical) {
        // (x, y) -> (h - y, x): the laid-out line turned a quarter clockwise.
        r.BeginPage(h, w);
        MakeTransform(transform, 0, -1, 1, 0, h, 0);
    } else {
        r.BeginPage(w, h);
        MakeTransform(transform, 1, 0, 0, 1, 0, 0);
    }
    r.SetTransform(transform);
    r.SetLineJoin(kJoinRound);
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
            WalkText(m_bounds.X + l.X / 10.0f, m_bounds.Y + l.Y / 10.0f,
                     [&](UINT32 ch, const ABC&, int, int, float gx, float gy) { DrawGlyph(ch, gx, gy); });
        }
    r.EndPage();
    r.EndDocument();
    m_resultImage = m_dibRenderer->GetDib();
}
