// The masks stage of the raster run: every glyph's layers at ten times the
// output resolution, reduced onto the layers' planes.
//
// A glyph is filled without anti-aliasing into its cell (one cell pixel is
// one font unit, a tenth of an output pixel) with the winding rule. Each
// decoration layer grows from the layer inside it by a disc of its Size and
// is shifted by its shadow offset in the same pass; a layer after a shadow
// grows from the union of the shadow and the layer the shadow came from.
// Each layer is then reduced by an exact 10 x 10 area average, which gives
// the anti-aliasing, and laid over its plane at the glyph's output pixel.
//
// Threads: the glyphs of a batch are drawn at once, each thread with its own
// masks, and laid on the planes in text order (each plane on a thread of its
// own), so overlapping glyphs compose as they would one after another. A
// character met again at the same offset inside its cell is not drawn again:
// its layers are the same. Every value depends on its own inputs only, so
// the planes are the same for any number of threads.
//
// Cost: the layers are run masks (render/RunMask.h), each row's runs of set
// pixels, never planes of bytes: a cell of the benchmark's 200-pixel glyphs
// holds 4.5 million pixels a layer but about 5000 runs. As planes of bytes
// a glyph took about 3.7 ms on one thread (clearing, filling, growing and
// reducing some 50 MB of cells); as runs it takes about 2.3 ms, most of it
// the pieces the growth writes above and below stacks, and its memory is a
// few hundred kilobytes a thread (a 1000-pixel decoration made cells of
// 400 MB a layer).
#include "render/RasterStages.h"
#include "render/DiscDilation.h"
#include "render/GlyphFill.h"
#include "render/KanteloTask.h"
#include "render/CoverageBlock.h"
#include "render/RunMask.h"
#include "platform/GdiPlusPath.h"
#include "platform/SlimLock.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"
#include <algorithm>
#include <map>
#include <memory>

namespace {

// The run masks one thread draws a glyph's layers in: one per layer, the
// union a layer after a shadow grows from, and the ring the growth writes
// through.
struct CGlyphMasks {
    std::vector<CRunMask> layers;
    CRunMask shadowUnion;
    CRowRing ring;

    unsigned long long Bytes() const
    {
        unsigned long long bytes = ring.Bytes() + shadowUnion.Bytes();
        for (const CRunMask& m : layers)
            bytes += m.Bytes();
        return bytes;
    }
};
typedef std::unique_ptr<CGlyphMasks> CGlyphMasksPtr;

// Masks kept from one task to the next: previews come one after another,
// and fresh memory costs a fault on every page (under Wine a preview with
// wide decorations once spent more time faulting its working memory in than
// drawing its glyphs). A preview's sets are kept up to kKeptSetBytes each, a save
// task's never: kept, they would live on while its planes are composed and
// saved, and add to its peak. All kept sets together stay under kKeptBytes.
class CMaskStore {
public:
    CGlyphMasksPtr Take()
    {
        CSlimLockGuard lock(m_lock);
        if (m_kept.empty())
            return CGlyphMasksPtr(new CGlyphMasks);
        CGlyphMasksPtr masks = std::move(m_kept.back());
        m_kept.pop_back();
        return masks;
    }
    void Give(CGlyphMasksPtr masks, bool preview)
    {
        if (!masks || !preview || masks->Bytes() > kKeptSetBytes)
            return;
        CSlimLockGuard lock(m_lock);
        m_kept.push_back(std::move(masks));
        unsigned long long total = 0;
        for (const CGlyphMasksPtr& kept : m_kept)
            total += kept->Bytes();
        while (m_kept.size() > 16 || total > kKeptBytes) {
            total -= m_kept.front()->Bytes();
            m_kept.erase(m_kept.begin());
        }
    }
    static CMaskStore& Instance()
    {
        static CMaskStore store;
        return store;
    }
private:
    static const unsigned long long kKeptSetBytes = 8ull << 20;
    static const unsigned long long kKeptBytes = 64ull << 20;
    CSlimLock m_lock;
    std::vector<CGlyphMasksPtr> m_kept;
};

// The masks of each thread of one pass, given back when the pass ends.
class CPassMasks {
public:
    CPassMasks(int threads, bool preview) : m_masks(static_cast<size_t>(threads)), m_preview(preview) {}
    ~CPassMasks()
    {
        for (CGlyphMasksPtr& masks : m_masks)
            CMaskStore::Instance().Give(std::move(masks), m_preview);
    }
    CGlyphMasks& Of(int thread)
    {
        CGlyphMasksPtr& masks = m_masks[static_cast<size_t>(thread)];
        if (!masks)
            masks = CMaskStore::Instance().Take();
        return *masks;
    }
private:
    std::vector<CGlyphMasksPtr> m_masks;
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

    CLayerGrowth(const std::vector<CBorderingSetting>& layers, bool vertical)
    {
        for (size_t k = 0; k < layers.size(); ++k) {
            discs.push_back(CDisc(k == 0 ? 0 : layers[k].Size));
            shifts.push_back(layers[k].GetShadowOffset(vertical));
            const bool after = k >= 2 && layers[k - 1].Distance >= 1;
            afterShadow.push_back(after);
        }
    }
};

// Fills the glyph into a mask of width x height, grows its layers and
// reduces each onto its block.
void DrawGlyphLayers(CGlyphLayers& glyph, CGlyphMasks& masks, const CLayerGrowth& growth, int width, int height)
{
    std::vector<CRunMask>& m = masks.layers;
    const size_t layers = growth.discs.size();
    if (m.size() < layers)
        m.resize(layers);
    m[0].Reset(width, height);
    // The winding rule: glyphs whose contours overlap (common in CJK fonts)
    // would get holes under the alternate rule.
    if (!FillPathWinding(m[0], glyph.points, glyph.types))
        throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
    for (size_t k = 1; k < layers; ++k) {
        const CRunMask* source = &m[k - 1];
        if (growth.afterShadow[k]) {
            UniteRuns(masks.shadowUnion, m[k - 2], m[k - 1]);
            source = &masks.shadowUnion;
        }
        // Growth and shift in one pass: the stamps are written shifted.
        const POINT& d = growth.shifts[k];
        DilateRuns(m[k], *source, growth.discs[k], masks.ring, d.x, d.y);
    }
    glyph.blocks.resize(layers);
    for (size_t k = 0; k < layers; ++k)
        ReduceRuns(m[k], glyph.blocks[k]);
}

// Glyphs drawn in one round of the threads, four a thread as far as their
// layers fit kDrawBatchBytes. A glyph is one item, so threads wait at a
// round's end for its last glyphs; but the layers of a longer round stay in
// the heap after it (twelve glyphs a thread took 15% off the masks of a text
// that repeats nothing and nothing off the whole process, and added 9 MB to
// its peak).
size_t DrawBatchLength(const CRasterRun& run)
{
    const unsigned long long glyphBytes = static_cast<unsigned long long>(run.layout.Layers.size()) *
                                          (run.cellWidth / 10 + 1) * (run.cellHeight / 10 + 1);
    const size_t threads = static_cast<size_t>(run.team->Size());
    const size_t fit = static_cast<size_t>(std::min<unsigned long long>(kDrawBatchBytes / glyphBytes, 1u << 16));
    return std::max(2 * threads, std::min(4 * threads, fit));
}

// The glyph pass: the glyphs placed one after another, those not met before
// drawn a batch at a time by all threads, then every glyph of the batch laid
// on the planes in text order.
class CGlyphPass {
public:
    explicit CGlyphPass(CRasterRun& run)
        : m_run(run), m_growth(run.layout.Layers, run.layout.Vertical), m_masks(run.team->Size(), run.task.Path.empty()),
          m_drawBatch(DrawBatchLength(run)),
          m_written(run.planes.size(), std::vector<CWrittenColumns>(static_cast<size_t>(run.imageHeight)))
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
    CPassMasks m_masks;
    const size_t m_drawBatch;
    static const size_t kLayBatch = 256;
    std::map<CGlyphKey, CGlyphLayersPtr> m_drawn;
    size_t m_drawnBytes = 0;
    std::vector<CGlyphLayersPtr> m_toDraw;
    // Of each plane, the columns of each row that glyphs were laid on.
    std::vector<std::vector<CWrittenColumns> > m_written;
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
    // Two glyphs a thread at least, and no more threads than the masks'
    // budget allows: each thread's masks cost memory.
    const int count = static_cast<int>(m_toDraw.size());
    const bool ok = m_run.team->ForEach(count, [&](int i, int thread) {
        DrawGlyphLayers(*m_toDraw[static_cast<size_t>(i)], m_masks.Of(thread), m_growth, m_run.cellWidth,
                        m_run.cellHeight);
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
                            plane.Stride(), plane.Width(), rows, m_written[static_cast<size_t>(item / bands)].data() + top);
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

unsigned long long GlyphMaskBytes(int rows, int width, size_t layers, int radius)
{
    // A row of a layer (and of the union after a shadow) takes its index
    // and its runs; a row of a glyph rarely holds more than sixteen runs.
    // The growth writes through one ring.
    const unsigned long long runsPerRow = 16;
    const unsigned long long mask = sizeof(int) + runsPerRow * sizeof(CRun);
    return static_cast<unsigned long long>(rows) * mask * (layers + 1) + CRowRing::BytesFor(width, radius);
}

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
