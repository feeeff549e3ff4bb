// The masks stage of the raster run: every glyph's layers at ten times the
// output resolution, reduced onto the layers' planes.
//
// A glyph is filled without anti-aliasing into an 8-bit cell (one cell pixel
// is one font unit, a tenth of an output pixel) with the winding rule. Each
// decoration layer grows from the layer inside it by a disc of its Size and
// is shifted by its shadow offset in the same pass; a layer after a shadow
// grows from the union of the shadow and the layer the shadow came from.
// Each cell is then reduced by an exact 10 x 10 area average, which gives the
// anti-aliasing, and laid over its plane at the glyph's output pixel.
//
// Threads: the glyphs of a batch are drawn at once, each thread with its own
// cells, and laid on the planes in text order (each plane on a thread of its
// own), so overlapping glyphs compose as they would one after another. A
// character met again at the same offset inside its cell is not drawn again:
// its layers are the same. Every value depends on its own inputs only, so
// the planes are the same for any number of threads.
//
// Cost: the cells are allocated once per thread (and kept from one task to
// the next when small), and every pass over them stays inside the rectangle
// the glyph and its layers actually touched. A layer is read only by the two
// layers outside it, so three cells in turn hold them all: a layer is reduced
// and its cell reused once no later layer reads it (a 1000-pixel decoration
// makes cells of 400 MB each, and six of them did not fit beside a window).
#include "render/RasterStages.h"
#include "render/DiscDilation.h"
#include "render/GlyphFill.h"
#include "render/KanteloTask.h"
#include "render/MaskPlane.h"
#include "platform/GdiPlusPath.h"
#include "platform/SlimLock.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"
#include <algorithm>
#include <map>
#include <memory>

namespace {

// The ten-times cells one thread draws a glyph in: one per layer, and the
// union a layer after a shadow grows from.
struct CGlyphCells {
    std::vector<CMaskPlane> layers;
    CMaskPlane shadowUnion;

    bool Fits(size_t count, bool withUnion, int width, int height) const
    {
        return layers.size() == count && shadowUnion.IsValid() == withUnion && count > 0 &&
               layers[0].Width() == width && layers[0].Height() == height;
    }
    unsigned long long Bytes() const
    {
        const unsigned long long one =
            layers.empty() ? 0 : static_cast<unsigned long long>(layers[0].Stride()) * layers[0].Height();
        return one * (layers.size() + (shadowUnion.IsValid() ? 1 : 0));
    }
};
typedef std::unique_ptr<CGlyphCells> CGlyphCellsPtr;

// Cells kept from one task to the next: previews come one after another with
// the same cells, and fresh memory costs a fault on every page (under Wine a
// preview with wide decorations spent more time faulting its cells in than
// drawing its glyphs). A preview's sets are kept up to kKeptSetBytes each, a
// save task's only when small: a save's peak must not grow by them. All kept
// sets together stay under kKeptBytes.
class CCellStore {
public:
    CGlyphCellsPtr Take(size_t count, bool withUnion, int width, int height)
    {
        {
            CSlimLockGuard lock(m_lock);
            for (size_t i = 0; i < m_kept.size(); ++i)
                if (m_kept[i]->Fits(count, withUnion, width, height)) {
                    CGlyphCellsPtr cells = std::move(m_kept[i]);
                    m_kept.erase(m_kept.begin() + static_cast<ptrdiff_t>(i));
                    return cells;
                }
        }
        CGlyphCellsPtr cells(new CGlyphCells);
        cells->layers = std::vector<CMaskPlane>(count);
        for (CMaskPlane& cell : cells->layers)
            if (!cell.Create(width, height))
                throw my::CException(IDS_CREATE_BITMAP_FAILED);
        if (withUnion && !cells->shadowUnion.Create(width, height))
            throw my::CException(IDS_CREATE_BITMAP_FAILED);
        return cells;
    }
    void Give(CGlyphCellsPtr cells, bool preview)
    {
        if (!cells || cells->Bytes() > (preview ? kKeptSetBytes : kKeptSmallSetBytes))
            return;
        CSlimLockGuard lock(m_lock);
        m_kept.push_back(std::move(cells));
        unsigned long long total = 0;
        for (const CGlyphCellsPtr& kept : m_kept)
            total += kept->Bytes();
        while (m_kept.size() > 16 || total > kKeptBytes) {
            total -= m_kept.front()->Bytes();
            m_kept.erase(m_kept.begin());
        }
    }
    static CCellStore& Instance()
    {
        static CCellStore store;
        return store;
    }
private:
    static const unsigned long long kKeptSmallSetBytes = 4ull << 20;
    static const unsigned long long kKeptSetBytes = 32ull << 20;
    static const unsigned long long kKeptBytes = 128ull << 20;
    CSlimLock m_lock;
    std::vector<CGlyphCellsPtr> m_kept;
};

// The cells of each thread of one pass, given back when the pass ends.
class CPassCells {
public:
    CPassCells(int threads, bool preview) : m_cells(static_cast<size_t>(threads)), m_preview(preview) {}
    ~CPassCells()
    {
        for (CGlyphCellsPtr& cells : m_cells)
            CCellStore::Instance().Give(std::move(cells), m_preview);
    }
    CGlyphCells& Of(int thread, size_t count, bool withUnion, int width, int height)
    {
        CGlyphCellsPtr& cells = m_cells[static_cast<size_t>(thread)];
        if (!cells)
            cells = CCellStore::Instance().Take(count, withUnion, width, height);
        return *cells;
    }
private:
    std::vector<CGlyphCellsPtr> m_cells;
    bool m_preview;
};

// The layers of one glyph at output resolution, relative to its cell, and
// the outline they were drawn from (cell pixels).
struct CGlyphLayers {
    std::vector<CPathPoint> points;
    std::vector<BYTE> types;
    std::vector<CCoverageBlock> blocks;

    size_t Bytes() const
    {
        size_t bytes = points.size() * sizeof(CPathPoint) + types.size();
        for (const CCoverageBlock& b : blocks)
            bytes += b.values.size();
        return bytes;
    }
};
typedef std::shared_ptr<CGlyphLayers> CGlyphLayersPtr;

// A glyph of the text: its layers, and the output pixel its cell starts at.
struct CPlacement {
    CGlyphLayersPtr layers;
    int px, py;
};

// A character at one offset inside its cell (tenths): the same character at
// the same offset has the same layers wherever it stands.
struct CGlyphKey {
    UINT32 ch;
    int gx, gy;
    bool operator<(const CGlyphKey& o) const
    {
        return ch != o.ch ? ch < o.ch : gx != o.gx ? gx < o.gx : gy < o.gy;
    }
};

// What the layers of a glyph grow by and from.
struct CLayerGrowth {
    std::vector<CDisc> discs;
    std::vector<POINT> shifts;
    std::vector<bool> afterShadow;  // grows from the union of the two layers inside
    bool needUnion = false;

    CLayerGrowth(const std::vector<CBorderingSetting>& layers, bool vertical)
    {
        for (size_t k = 0; k < layers.size(); ++k) {
            discs.push_back(CDisc(k == 0 ? 0 : layers[k].Size));
            shifts.push_back(layers[k].GetShadowOffset(vertical));
            const bool after = k >= 2 && layers[k - 1].Distance >= 1;
            afterShadow.push_back(after);
            needUnion |= after;
        }
    }
};

// Fills the glyph, grows its layers and reduces each onto its block. Layer k
// lives in cell k % (number of cells).
void DrawGlyphLayers(CGlyphLayers& glyph, CGlyphCells& cells, const CLayerGrowth& growth)
{
    std::vector<CMaskPlane>& c = cells.layers;
    const size_t layers = growth.discs.size(), n = c.size();
    glyph.blocks.resize(layers);
    // Each cell is left clear as it is reduced: for the layer that takes it
    // next, or for the next glyph.
    auto reduce = [&](size_t k) { ReduceAndClearMask(c[k % n], glyph.blocks[k]); };
    for (CMaskPlane& cell : c)
        cell.Clear();
    // The winding rule: glyphs whose contours overlap (common in CJK fonts)
    // would get holes under the alternate rule.
    if (!FillPathWinding(c[0], glyph.points, glyph.types))
        throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
    for (size_t k = 1; k < layers; ++k) {
        if (k >= n)
            reduce(k - n);  // its last reader, layer k - 1, is drawn
        const CMaskPlane* source = &c[(k - 1) % n];
        if (growth.afterShadow[k]) {
            UniteMasks(cells.shadowUnion, c[(k - 2) % n], c[(k - 1) % n]);
            source = &cells.shadowUnion;
        }
        // Growth and shift in one pass: the stamps are written shifted.
        const POINT& d = growth.shifts[k];
        DilateByDisc(c[k % n], *source, growth.discs[k], d.x, d.y);
    }
    for (size_t k = layers > n ? layers - n : 0; k < layers; ++k)
        reduce(k);
    cells.shadowUnion.Clear();
}

// The glyph pass: the glyphs placed one after another, those not met before
// drawn a batch at a time by all threads, then every glyph of the batch laid
// on the planes in text order.
class CGlyphPass {
public:
    explicit CGlyphPass(CRasterRun& run)
        : m_run(run), m_growth(run.layout.Layers, run.layout.Vertical), m_cells(run.team->Size(), run.task.Path.empty()),
          m_drawBatch(static_cast<size_t>(4 * run.team->Size()))
    {
    }
    // Places one character (not a line feed); false when the task was told to stop.
    bool Place(const CPlacedChar& c);
    bool Flush();
    bool Pending() const { return !m_placements.empty(); }

private:
    CGlyphLayersPtr Outline(UINT32 ch, int gx, int gy);
    bool DrawBatch();
    bool LayBatch();

    CRasterRun& m_run;
    const CLayerGrowth m_growth;
    CPassCells m_cells;
    const size_t m_drawBatch;
    static const size_t kLayBatch = 256;
    std::map<CGlyphKey, CGlyphLayersPtr> m_drawn;
    size_t m_drawnBytes = 0;
    std::vector<CGlyphLayersPtr> m_toDraw;
    std::vector<CPlacement> m_placements;
    Gdiplus::GraphicsPath m_path{Gdiplus::FillModeWinding};
    std::vector<Gdiplus::PointF> m_points;
};

CGlyphLayersPtr CGlyphPass::Outline(UINT32 ch, int gx, int gy)
{
    const CTextLayout& l = m_run.layout;
    CGlyphLayersPtr glyph = std::make_shared<CGlyphLayers>();
    m_run.task.GetFonts().AddGlyphPath(m_path, ch, l.EmSize,
                                       Gdiplus::PointF(static_cast<float>(gx), static_cast<float>(gy)),
                                       l.LeadingOffset(l.EmSize));
    if (m_path.GetPathData(m_points, glyph->types) != Gdiplus::Ok)
        throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
    glyph->points.resize(m_points.size());
    for (size_t p = 0; p < m_points.size(); ++p)
        glyph->points[p] = CPathPoint{m_points[p].X, m_points[p].Y};
    return glyph;
}

bool CGlyphPass::Place(const CPlacedChar& c)
{
    const RECT& m = m_run.layout.TotalMargins;
    // A glyph's cell starts at the top of its line's band of ink.
    const int gl = c.PenX + c.Abc.abcA - 1;
    CPlacement placement = {nullptr, gl / 10, (c.LineTop + m_run.layout.InkBandTop) / 10};
    const CGlyphKey key = {c.Ch, m.left + c.PenX + c.Abc.abcA - 10 * placement.px,
                           m.top + c.LineTop - 10 * placement.py};
    const auto found = m_drawn.find(key);
    if (found != m_drawn.end()) {
        placement.layers = found->second;
    } else {
        placement.layers = Outline(key.ch, key.gx, key.gy);
        m_toDraw.push_back(placement.layers);
        if (m_drawnBytes < kGlyphCacheBytes)
            m_drawn[key] = placement.layers;
    }
    m_placements.push_back(placement);
    return (m_toDraw.size() != m_drawBatch && m_placements.size() != kLayBatch) || Flush();
}

bool CGlyphPass::DrawBatch()
{
    // Two glyphs a thread at least, and no more threads than the cells'
    // budget allows: each thread's cells cost memory.
    const int count = static_cast<int>(m_toDraw.size());
    const size_t cells = GlyphCellCount(m_run.layout.Layers.size());
    const bool ok = m_run.team->ForEach(count, [&](int i, int thread) {
        CGlyphCells& own = m_cells.Of(thread, cells, m_growth.needUnion, m_run.cellWidth, m_run.cellHeight);
        DrawGlyphLayers(*m_toDraw[static_cast<size_t>(i)], own, m_growth);
    }, std::min(m_run.glyphThreads, (count + 1) / 2));
    for (const CGlyphLayersPtr& g : m_toDraw)
        m_drawnBytes += g->Bytes();
    m_toDraw.clear();
    return ok;
}

bool CGlyphPass::LayBatch()
{
    // Each layer's plane cut into bands of rows, each band on one thread
    // with the glyphs in order, so that every thread has a share even with
    // few layers; small glyphs on the task's thread alone.
    const int layers = m_run.layout.LayerCount();
    size_t blockBytes = 0;
    for (const CPlacement& p : m_placements)
        blockBytes += p.layers->blocks.empty() ? 0 : p.layers->blocks.back().values.size();
    const bool small = blockBytes * static_cast<size_t>(layers) < (1u << 18);
    const int height = m_run.imageHeight;
    const int bands = small ? 1 : std::max(1, std::min(height / 16, (2 * m_run.team->Size() + layers - 1) / layers));
    const int bandRows = (height + bands - 1) / bands;
    const bool laid = m_run.team->ForEach(layers * bands, [&](int item, int) {
        CAlphaPlane& plane = *m_run.planes[static_cast<size_t>(item / bands)];
        const int top = item % bands * bandRows, rows = std::min(bandRows, height - top);
        for (const CPlacement& p : m_placements)
            LayCoverageOver(p.layers->blocks[static_cast<size_t>(item / bands)], p.px, p.py - top, plane.Row(top),
                            plane.Stride(), plane.Width(), rows);
    }, small ? 1 : 0);
    m_placements.clear();
    return laid;
}

bool CGlyphPass::Flush()
{
    const bool ok = DrawBatch();
    return ok ? LayBatch() : (m_placements.clear(), false);
}

void CreatePlanes(CRasterRun& run)
{
    run.planes.clear();
    for (int k = 0; k < run.layout.LayerCount(); ++k) {
        run.planes.emplace_back(new CAlphaPlane);
        if (!run.planes.back()->Create(run.imageWidth, run.imageHeight))
            throw my::CException(IDS_CREATE_BITMAP_FAILED);
    }
}

} // namespace

bool DrawLayerMasks(CRasterRun& run)
{
    CreatePlanes(run);
    CGlyphPass pass(run);
    CKanteloTaskClient* client = run.task.GetClient();
    const int length = static_cast<int>(run.task.Text.size());
    for (const CPlacedChar& c : run.layout.Chars) {
        if (run.Stopped())
            return false;
        if (client)
            client->OnProgress(static_cast<int>(c.Index), length);
        if (c.LineBreak)
            continue;
        if (!pass.Place(c))
            return false;
    }
    return !pass.Pending() || pass.Flush();
}
