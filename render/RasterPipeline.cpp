// The raster rendering pipeline: one unit of text to one 32-bit image.
//
// Every glyph is filled without anti-aliasing into an 8-bit mask cell at ten
// times the output resolution (one cell pixel = one font unit = a tenth of an
// output pixel). Each decoration layer of the glyph grows from the layer
// inside it by a disc of the decoration's Size and is shifted by its shadow
// offset, still at ten times; a layer after a shadow grows from the union of
// the shadow and the layer the shadow came from. Each layer cell is then
// reduced by an exact 10 x 10 area average and laid on the layer's 8-bit
// plane at output resolution, which gives the anti-aliasing. Whole planes
// are then blurred and weakened; the trimmed extent of the result follows
// from them. Each plane is then painted into the one 32-bit result image,
// outermost first, the face on top, and freed. The result is laid on the
// background unless it stays transparent, turned for vertical text,
// palettised where the format allows, and saved.
//
// Threads: the glyphs of a batch are drawn at once, each thread with its own
// cells, and laid on the planes in text order, so overlapping glyphs compose
// as they would one after another; the plane passes work in bands of rows.
// A character met again at the same offset inside its cell is not drawn
// again: its layers are the same.
// Each value depends on its own inputs only: the image is the same for any
// number of threads.
//
// Memory: the planes take a byte a pixel per layer, the result four; before
// anything is allocated the peak is estimated against what the process can
// still get, and a text too large fails at once.
//
// Cost: the cells are allocated once per thread and every pass over them
// stays inside the rectangle the glyph and its layers actually touched.
#include "render/KanteloTask.h"
#include "render/AlphaPlane.h"
#include "render/DiscDilation.h"
#include "render/GlyphFill.h"
#include "render/MaskPlane.h"
#include "render/RasterEffects.h"
#include "render/TextWalk.h"
#include "render/WorkTeam.h"
#include "decoration/Setting.h"
#include "imaging/PixelOps.h"
#include "imaging/TexturePaint.h"
#include "outline/VectorFontManager.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusPath.h"
#include "platform/SlimLock.h"
#include "imaging/GdiPlusBitmap.h"
#include "resources/strings_engine.h"
#include "resources/strings_foundation.h"
#include "resources/strings_imaging.h"
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace {

const std::vector<RECT>& RectsOfUnit(UINT unit, const std::vector<RECT>& chars, const std::vector<RECT>& lines,
                                     const std::vector<RECT>& paragraphs)
{
    if (unit == TextUnit::LINE)
        return lines;
    if (unit == TextUnit::PARAGRAPH)
        return paragraphs;
    return chars;
}

// Where one unit rectangle (tenths) is painted on a layer: the rectangle
// shrunk by the layer's margins; and the frame the paint runs over: the whole
// rectangle with Entire, else that clip area.
void UnitClipAndFrame(const RECT& r, const RECT& margins, bool entire, CRectD& clip, CRectD& frame)
{
    double x = r.left / 10.0, y = r.top / 10.0, w = (r.right - r.left) / 10.0, h = (r.bottom - r.top) / 10.0;
    clip = CRectD{x + margins.left / 10.0, y + margins.top / 10.0, w - (margins.left + margins.right) / 10.0,
                  h - (margins.top + margins.bottom) / 10.0};
    frame = entire ? CRectD{x, y, w, h} : clip;
}

// The gradation as a layer paints it: turned with a vertical line.
CLinearGradation LayerGradation(const CPaintSetting& paint, bool vertical)
{
    CLinearGradation gradation = paint.LinearGradation;
    if (vertical)
        gradation.Angle += 90;
    return gradation;
}

// The texture image of a layer, turned with its settings for vertical text.
bool LoadLayerTexture(const CPaintSetting& paint, bool vertical, CTextureSetting& texture,
                      boost::shared_ptr<CDib>& image, CSimpleErr& err)
{
    texture = paint.Texture;
    HRESULT hr = LoadDibFromFile(image, texture.Path);
    if (FAILED(hr)) {
        SetImageLoadError(err, IDS_LOAD_TEXTURE_FAILED, hr, texture.Path);
        return false;
    }
    if (vertical) {
        boost::shared_ptr<CDib> turned;
        hr = RotateByOrientation(turned, *image, 8);
        if (FAILED(hr)) {
            err.SetWithCode(IDS_ROTATE_IMAGE_FAILED, hr);
            return false;
        }
        image = turned;
        texture.Rotate90();
    }
    return true;
}

} // namespace

bool PaintLayer(CDib& image, const CPaintSetting& paint, const RECT& margins, bool vertical,
                const std::vector<RECT>& charRects, const std::vector<RECT>& lineRects,
                const std::vector<RECT>& paragraphRects, CSimpleErr& err)
{
    if (paint.Type != PaintType::LINEAR) {
        HRESULT hr = ColorizeDib(image, paint.Color);
        if (FAILED(hr)) {
            err.SetWithCode(IDS_SET_IMAGE_COLOR_FAILED, hr);
            return false;
        }
        if (paint.Type != PaintType::TEXTURE)
            return true;
    }
    CLinearGradation gradation;
    CTextureSetting texture;
    boost::shared_ptr<CDib> textureImage;
    UINT unit;
    if (paint.Type == PaintType::LINEAR) {
        gradation = LayerGradation(paint, vertical);
        unit = gradation.Unit;
    } else {
        if (!LoadLayerTexture(paint, vertical, texture, textureImage, err))
            return false;
        unit = texture.Unit;
    }
    const bool entire = paint.Type == PaintType::LINEAR ? gradation.Entire != FALSE : texture.Entire;
    for (const RECT& r : RectsOfUnit(unit, charRects, lineRects, paragraphRects)) {
        CRectD clip, frame;
        UnitClipAndFrame(r, margins, entire, clip, frame);
        if (paint.Type == PaintType::LINEAR) {
            HRESULT hr = FillLinearGradationRect(image, gradation, clip, frame);
            if (FAILED(hr)) {
                err.SetWithCode(IDS_GRADATE_IMAGE_FAILED, hr);
                return false;
            }
        } else {
            HRESULT hr = PaintDibRectWithTexture(image, *textureImage, texture.Type, texture.RateX,
                                                 texture.SameRate ? texture.RateX : texture.RateY, texture.Flip,
                                                 texture.OffsetX, texture.OffsetY, false, vertical, clip, frame);
            if (FAILED(hr)) {
                err.SetWithCode(IDS_PASTE_TEXTURE_FAILED, hr);
                return false;
            }
        }
    }
    return true;
}


HRESULT CKanteloTask::ReduceResultToPalette(boost::shared_ptr<CDib>& image) { return ReduceToPalette(image); }

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
        const unsigned long long one = layers.empty() ? 0 : MaskPlaneBytesOf(layers[0]);
        return one * (layers.size() + (shadowUnion.IsValid() ? 1 : 0));
    }
    static unsigned long long MaskPlaneBytesOf(const CMaskPlane& p)
    {
        return static_cast<unsigned long long>(p.Stride()) * static_cast<unsigned>(p.Height());
    }
};
typedef std::unique_ptr<CGlyphCells> CGlyphCellsPtr;

// Cells kept from one task to the next: previews come one after another with
// the same cells, and fresh memory costs a fault on every page. Only small
// sets are kept.
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
    void Give(CGlyphCellsPtr cells)
    {
        if (!cells || cells->Bytes() > (4u << 20))
            return;
        CSlimLockGuard lock(m_lock);
        if (m_kept.size() >= 16)
            m_kept.erase(m_kept.begin());
        m_kept.push_back(std::move(cells));
    }
    static CCellStore& Instance()
    {
        static CCellStore store;
        return store;
    }
private:
    CSlimLock m_lock;
    std::vector<CGlyphCellsPtr> m_kept;
};

// The cells of each thread of one pass, given back when the pass ends.
class CPassCells {
public:
    explicit CPassCells(int threads) : m_cells(static_cast<size_t>(threads)) {}
    ~CPassCells()
    {
        for (CGlyphCellsPtr& cells : m_cells)
            CCellStore::Instance().Give(std::move(cells));
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
};

// The layers of one glyph at output resolution, relative to its cell, and
// the outline they were drawn from (cell pixels).
struct CGlyphLayers {
    std::vector<CPathPoint> points;
    std::vector<BYTE> types;
    std::vector<CCoverageBlock> blocks;
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
};

// Fills the glyph, grows its layers and reduces each onto its block.
void DrawGlyphLayers(CGlyphLayers& glyph, CGlyphCells& cells, const CLayerGrowth& growth)
{
    std::vector<CMaskPlane>& c = cells.layers;
    const size_t layers = c.size();
    for (CMaskPlane& cell : c)
        cell.Clear();
    // The winding rule: glyphs whose contours overlap (common in CJK fonts)
    // would get holes under the alternate rule.
    if (!FillPathWinding(c[0], glyph.points, glyph.types))
        throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
    for (size_t k = 1; k < layers; ++k) {
        const CMaskPlane* source = &c[k - 1];
        if (growth.afterShadow[k]) {
            UniteMasks(cells.shadowUnion, c[k - 2], c[k - 1]);
            source = &cells.shadowUnion;
        }
        // Growth and shift in one pass: the stamps are written shifted.
        const POINT& d = growth.shifts[k];
        DilateByDisc(c[k], *source, growth.discs[k], d.x, d.y);
    }
    glyph.blocks.resize(layers);
    const int unbounded = 0x3FFFFFFF;
    for (size_t k = 0; k < layers; ++k)
        ReduceMask(c[k], 0, 0, unbounded, unbounded, glyph.blocks[k]);
}

// Layers kept for characters that come again: at most this many bytes.
// What the heap has once held it keeps (under Wine it does not give small
// blocks back), so this adds to the peak of the whole run.
const size_t kGlyphCacheBytes = 12u << 20;

unsigned long long MaskPlaneBytes(int width, int height)
{
    return ((static_cast<unsigned long long>(width) + 15) & ~15ULL) * static_cast<unsigned long long>(height);
}

// Whether one run of free address space holds `bytes`: whether one
// allocation of that size can succeed. The walk stops at the first run large
// enough (the whole address space takes a tenth of a millisecond under Wine,
// as much as a small preview's glyphs).
bool HasFreeBlock(unsigned long long bytes)
{
    MEMORY_BASIC_INFORMATION info;
    const BYTE* p = nullptr;
    while (::VirtualQuery(p, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_FREE && info.RegionSize >= bytes)
            return true;
        const BYTE* next = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
        if (next <= p)
            break;
        p = next;
    }
    return false;
}

// Pixel rows of one band: at most about 128 KB of 32-bit pixels, and few
// enough rows that every thread gets some bands. An image of less than a
// quarter megapixel is one band: a pass over it takes less than waking the
// helpers does.
int BandRows(int width, int rows, int threads)
{
    if (static_cast<long long>(width) * rows < (1 << 18))
        return std::max(1, rows);
    const int perThread = (rows + 4 * threads - 1) / (4 * threads);
    return std::max(1, std::min(32768 / std::max(width, 1), perThread));
}

} // namespace

struct CKanteloTask::CRasterWork {
    std::unique_ptr<CWorkTeam> team;
    std::vector<std::unique_ptr<CAlphaPlane> > planes;
    bool trimmed = false;  // the result was cut to the trimmed extent already
    int glyphThreads = 1;  // threads that draw glyphs, each with its cells
};

void CKanteloTask::Run()
{
    CRasterWork work;
    boost::shared_ptr<CDib> result;
    if (LayOutRaster() && PlanRasterWork(work) && DrawLayerMasks(work) && ComposeLayers(work, result))
        FinishResult(work, result);
}

bool CKanteloTask::LayOutRaster()
{
    if (Text.empty()) {
        Err.Set(IDS_TEXT_EMPTY);
        return false;
    }
    BuildLayers();
    CreateFonts();
    MeasureText();
    const RECT& m = m_totalMargins;
    m_imageWidth = static_cast<int>(std::ceil((GetTextWidth() + m.left + m.right) / 10.0f));
    m_imageHeight = static_cast<int>(std::ceil((m_textHeight + m.top + m.bottom) / 10.0f));
    if (m_imageWidth < 1 || m_imageHeight < 1) {
        Err.Set(IDS_OUTPUT_SIZE_ZERO);
        return false;
    }
    int bandTop = 0, bandBottom = 0;
    GetLineInkBand(bandTop, bandBottom);
    m_cellWidth = (m.left + m.right + 18 + m_maxGlyphAdvance) / 10 * 10;
    m_cellHeight = (m.top + m.bottom + 18 + bandBottom - bandTop) / 10 * 10;
    if (m_cellWidth < 1 || m_cellHeight < 1) {
        Err.Set(IDS_CHAR_OUTPUT_SIZE_ZERO);
        return false;
    }
    return true;
}

bool CKanteloTask::PlanRasterWork(CRasterWork& work)
{
    int glyphs = 0;
    CTextWalk walk(Text, 0, 0);
    while (walk.Next())
        glyphs += !walk.IsLineBreak();
    const int layers = m_layerCount;
    bool blur = false, afterShadow = false;
    for (int k = 0; k < layers; ++k) {
        const CBorderingSetting& l = m_layers[static_cast<size_t>(k)];
        blur |= k > 0 && l.Blur > 0;
        afterShadow |= k >= 2 && m_layers[static_cast<size_t>(k - 1)].Distance >= 1;
    }
    // The peak of each stage, in bytes.
    const unsigned long long plane = CAlphaPlane::Bytes(m_imageWidth, m_imageHeight);
    const unsigned long long image = 4ULL * m_imageWidth * m_imageHeight;
    const unsigned long long planes = plane * static_cast<unsigned>(layers);
    const unsigned long long cells =
        MaskPlaneBytes(m_cellWidth, m_cellHeight) * static_cast<unsigned>(layers + (afterShadow ? 1 : 0));
    auto peak = [&](int threads) {
        const unsigned long long glyphPass = planes + cells * static_cast<unsigned>(threads) + kGlyphCacheBytes;
        const unsigned long long blurPass = planes + (blur ? plane : 0);
        // Paints go through a band of rows per thread, which is small.
        const unsigned long long compose = planes + image;
        const unsigned long long finish = image + (m_vertical ? image : 0);
        return std::max(std::max(glyphPass, blurPass), std::max(compose, finish));
    };
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    unsigned long long available = ~0ULL;
    if (::GlobalMemoryStatusEx(&status))
        available = std::min(status.ullAvailVirtual, status.ullAvailPageFile);
    // Room for the encoder and the rest of the program.
    available -= std::min(available, available / 8);
    if (peak(1) > available || !HasFreeBlock(image)) {
        const unsigned long long mb = (peak(1) + (1 << 20) - 1) >> 20;
        Err.Set(IDS_IMAGE_TOO_LARGE, std::to_wstring(m_imageWidth), std::to_wstring(m_imageHeight),
                std::to_wstring(mb));
        return false;
    }
    int threads = m_threadCount;
    if (threads <= 0) {
        // Work that takes a few milliseconds alone is not shared out: waking
        // the helpers would cost as much.
        const unsigned long long glyphWork =
            static_cast<unsigned long long>(glyphs) * m_cellWidth * m_cellHeight * static_cast<unsigned>(layers);
        const unsigned long long planeWork = static_cast<unsigned long long>(m_imageWidth) * m_imageHeight * layers;
        threads = glyphWork > 8000000ULL || planeWork > 2000000ULL ? GetProcessorCount() : 1;
    }
    while (threads > 1 && peak(threads) > available)
        --threads;
    // The cells of the threads that draw glyphs, with the glyphs kept, cost
    // no more than the result image will (at least 64 MB): the glyph pass
    // never raises the peak of a large image.
    const unsigned long long cellBudget =
        std::max<unsigned long long>(image > kGlyphCacheBytes ? image - kGlyphCacheBytes : 0, 64ULL << 20);
    work.glyphThreads = static_cast<int>(std::max<unsigned long long>(
        1, std::min<unsigned long long>(threads, cellBudget / std::max<unsigned long long>(cells, 1))));
    work.team.reset(new CWorkTeam(threads));
    work.team->SetTerminable(this);
    m_threadsUsed = work.team->Size();
    return true;
}

void CKanteloTask::AddUnitRects(const RECT& r, bool lineStart, bool& newParagraph)
{
    m_charRects.push_back(r);
    if (lineStart)
        m_lineRects.push_back(r);
    else
        m_lineRects.back().right = r.right;
    if (newParagraph) {
        m_paragraphRects.push_back(r);
        newParagraph = false;
    } else {
        RECT& p = m_paragraphRects.back();
        p.right = std::max(p.right, r.right);
        p.bottom = r.bottom;
    }
}

bool CKanteloTask::DrawLayerMasks(CRasterWork& work)
{
    const RECT& m = m_totalMargins;
    const int layers = m_layerCount;
    CWorkTeam& team = *work.team;
    const int threads = team.Size();
    work.planes.clear();
    for (int k = 0; k < layers; ++k) {
        work.planes.emplace_back(new CAlphaPlane);
        if (!work.planes.back()->Create(m_imageWidth, m_imageHeight)) {
            Err.Set(IDS_CREATE_BITMAP_FAILED);
            return false;
        }
    }
    CLayerGrowth growth;
    bool needUnion = false;
    for (int k = 0; k < layers; ++k) {
        const CBorderingSetting& l = m_layers[static_cast<size_t>(k)];
        growth.discs.push_back(CDisc(k == 0 ? 0 : l.Size));
        growth.shifts.push_back(l.GetShadowOffset(m_vertical));
        const bool after = k >= 2 && m_layers[static_cast<size_t>(k - 1)].Distance >= 1;
        growth.afterShadow.push_back(after);
        needUnion |= after;
    }
    CPassCells cells(threads);

    CScreenDC screen;
    CCreatedDC memoryDC(::CreateCompatibleDC(screen));
    if (!memoryDC.Get())
        ThrowLastError(IDS_CREATE_DC_FAILED, L"CreateCompatibleDC");
    CSelectObjectGuard selectFont(memoryDC, m_font);
    ::SetBkMode(memoryDC, TRANSPARENT);
    ::SetTextColor(memoryDC, RGB(255, 255, 255));

    // The glyphs are placed here, one after another. The layers of a
    // character at an offset not met before are drawn by all threads, a
    // batch at a time; then every glyph of the batch is laid on the planes in
    // text order.
    std::map<CGlyphKey, CGlyphLayersPtr> drawn;
    size_t drawnBytes = 0;
    std::vector<CGlyphLayersPtr> toDraw;
    std::vector<CPlacement> placements;
    const size_t drawBatch = static_cast<size_t>(4 * threads), layBatch = 256;
    const auto flush = [&]() {
        // Two glyphs a thread at least, and no more threads than the cells'
        // budget allows: each thread's cells cost memory.
        const int count = static_cast<int>(toDraw.size());
        const bool ok = team.ForEach(count, [&](int i, int thread) {
            CGlyphCells& own = cells.Of(thread, static_cast<size_t>(layers), needUnion, m_cellWidth, m_cellHeight);
            DrawGlyphLayers(*toDraw[static_cast<size_t>(i)], own, growth);
        }, std::min(work.glyphThreads, (count + 1) / 2));
        for (const CGlyphLayersPtr& g : toDraw) {
            drawnBytes += g->points.size() * sizeof(CPathPoint) + g->types.size();
            for (const CCoverageBlock& b : g->blocks)
                drawnBytes += b.values.size();
        }
        toDraw.clear();
        // Each layer's plane on its own thread, the glyphs in order; small
        // glyphs on the task's thread alone.
        size_t blockBytes = 0;
        for (const CPlacement& p : placements)
            blockBytes += p.layers->blocks.empty() ? 0 : p.layers->blocks.back().values.size();
        const bool laid = ok && team.ForEach(layers, [&](int k, int) {
            CAlphaPlane& plane = *work.planes[static_cast<size_t>(k)];
            for (const CPlacement& p : placements)
                LayCoverageOver(p.layers->blocks[static_cast<size_t>(k)], p.px, p.py, plane.Row(0), plane.Stride(),
                                plane.Width(), plane.Height());
        }, blockBytes * static_cast<size_t>(layers) < (1u << 18) ? 1 : 0);
        placements.clear();
        return laid;
    };

    Gdiplus::GraphicsPath path(Gdiplus::FillModeWinding);
    std::vector<Gdiplus::PointF> points;
    m_charRects.clear();
    m_lineRects.clear();
    m_paragraphRects.clear();
    const int cellHeightOfLine = GetLineCellHeight();
    // A glyph's cell starts at the top of its line's band of ink.
    int bandTop = 0, bandBottom = 0;
    GetLineInkBand(bandTop, bandBottom);
    bool newParagraph = true;
    const int length = static_cast<int>(Text.size());
    CTextWalk walk(Text, m_lineHeadOffset, m_lineAdvance, m_lineTopOffset);
    while (walk.Next()) {
        if (IsTerminated())
            return false;
        if (m_client)
            m_client->OnProgress(static_cast<int>(walk.Index()), length);
        if (walk.IsLineBreak()) {
            if (walk.EndedEmptyLine())
                newParagraph = true;
            continue;
        }
        const int penX = walk.PenX(), y = walk.LineTop();
        ABC abc;
        float advance = 0;
        MeasureChar(memoryDC, walk.Char(), abc, advance);
        const int gl = penX + abc.abcA - 1;
        CPlacement placement = {nullptr, gl / 10, (y + bandTop) / 10};
        const CGlyphKey key = {walk.Char(), m.left + penX + abc.abcA - 10 * placement.px,
                               m.top + y - 10 * placement.py};
        const auto found = drawn.find(key);
        if (found != drawn.end()) {
            placement.layers = found->second;
        } else {
            placement.layers = std::make_shared<CGlyphLayers>();
            CGlyphLayers& glyph = *placement.layers;
            AddGlyphPath(path, walk.Char(), m_emSize,
                         Gdiplus::PointF(static_cast<float>(key.gx), static_cast<float>(key.gy)));
            if (path.GetPathData(points, glyph.types) != Gdiplus::Ok)
                throw my::CException(IDS_FILL_GDIP_PATH_FAILED);
            glyph.points.resize(points.size());
            for (size_t p = 0; p < points.size(); ++p)
                glyph.points[p] = CPathPoint{points[p].X, points[p].Y};
            toDraw.push_back(placement.layers);
            if (drawnBytes < kGlyphCacheBytes)
                drawn[key] = placement.layers;
        }
        placements.push_back(placement);
        const LONG right = gl + static_cast<LONG>(std::ceil(advance)) + m.left + m.right;
        const LONG bottom = y + cellHeightOfLine + m.top + m.bottom;
        AddUnitRects(RECT{gl, y, right, bottom}, walk.AtLineStart(), newParagraph);
        walk.Place(GetPenStep(abc));
        if ((toDraw.size() == drawBatch || placements.size() == layBatch) && !flush())
            return false;
    }
    return placements.empty() || flush();
}

namespace {

// One 32-bit band of `rows` rows per thread, each thread's scratch for
// painting a layer's colours before they are composited.
bool CreateBands(std::vector<boost::shared_ptr<CDib> >& bands, int threads, int width, int rows)
{
    bands.assign(static_cast<size_t>(threads), boost::shared_ptr<CDib>());
    for (boost::shared_ptr<CDib>& band : bands)
        if (FAILED(CreateDib32(band, width, rows)))
            return false;
    return true;
}

} // namespace

bool CKanteloTask::ComposeLayers(CRasterWork& work, boost::shared_ptr<CDib>& result)
{
    const int layers = m_layerCount;
    CWorkTeam& team = *work.team;
    const int threads = team.Size();
    const int W = m_imageWidth, H = m_imageHeight;
    const int bandRows = BandRows(W, H, threads);
    std::vector<std::vector<unsigned> > scratch(static_cast<size_t>(threads), std::vector<unsigned>(
                                                                                   static_cast<size_t>(W)));
    {
        CAlphaPlane temp;
        for (int k = 1; k < layers; ++k) {
            const int blur = m_layers[static_cast<size_t>(k)].Blur;
            if (blur <= 0)
                continue;
            if (!temp.IsValid() && !temp.Create(W, H)) {
                Err.SetWithCode(IDS_BLUR_IMAGE_FAILED, E_OUTOFMEMORY);
                return false;
            }
            CAlphaPlane& plane = *work.planes[static_cast<size_t>(k)];
            const CGaussianRows rows(blur / 10.0);
            if (!team.ForEachBand(H, bandRows, [&](int top, int bottom, int thread) {
                    for (int y = top; y < bottom; ++y)
                        rows.Horizontal(plane.Row(y), temp.Row(y), W, scratch[static_cast<size_t>(thread)].data());
                }))
                return false;
            const auto tempRow = [&](int y) -> const uint8_t* { return temp.Row(y); };
            if (!team.ForEachBand(H, bandRows, [&](int top, int bottom, int thread) {
                    for (int y = top; y < bottom; ++y)
                        rows.Vertical(tempRow, y, H, plane.Row(y), W, scratch[static_cast<size_t>(thread)].data());
                }))
                return false;
        }
    }
    for (int k = 0; k < layers; ++k) {
        const int alpha = m_layers[static_cast<size_t>(k)].Alpha;
        if (alpha >= 100)
            continue;
        uint8_t table[256];
        for (int v = 0; v < 256; ++v)
            table[v] = static_cast<uint8_t>(std::max(0, v * alpha / 100));
        CAlphaPlane& plane = *work.planes[static_cast<size_t>(k)];
        if (!team.ForEachBand(H, bandRows, [&](int top, int bottom, int) {
                for (int y = top; y < bottom; ++y) {
                    uint8_t* p = plane.Row(y);
                    for (int x = 0; x < W; ++x)
                        p[x] = table[p[x]];
                }
            }))
            return false;
    }

    // The trimmed extent: where any layer has ink. A texture may clear what
    // its layer covers, so with one the result is trimmed afterwards instead.
    RECT region = {0, 0, W, H};
    const int sides = static_cast<int>(m_setting->TrimType) & TrimType::All;
    bool texture = false;
    for (const CBorderingSetting& l : m_layers)
        texture |= l.Paint.Type == PaintType::TEXTURE;
    if (sides != 0 && !texture) {
        std::vector<RECT> inks(static_cast<size_t>(threads), RECT{W, H, 0, 0});
        if (!team.ForEachBand(H, bandRows, [&](int top, int bottom, int thread) {
                RECT& ink = inks[static_cast<size_t>(thread)];
                for (int y = top; y < bottom; ++y)
                    for (const std::unique_ptr<CAlphaPlane>& plane : work.planes) {
                        const uint8_t* p = plane->Row(y);
                        int x0 = 0, x1 = W;
                        while (x0 < W && p[x0] == 0)
                            ++x0;
                        if (x0 == W)
                            continue;
                        while (p[x1 - 1] == 0)
                            --x1;
                        ink.left = std::min<LONG>(ink.left, x0);
                        ink.right = std::max<LONG>(ink.right, x1);
                        ink.top = std::min<LONG>(ink.top, y);
                        ink.bottom = std::max<LONG>(ink.bottom, y + 1);
                    }
            }))
            return false;
        RECT ink = {W, H, 0, 0};
        for (const RECT& r : inks) {
            ink.left = std::min(ink.left, r.left);
            ink.top = std::min(ink.top, r.top);
            ink.right = std::max(ink.right, r.right);
            ink.bottom = std::max(ink.bottom, r.bottom);
        }
        if (ink.left >= ink.right) {
            // Nothing to keep: the trim has no picture to cut to.
            Err.SetWithCode(IDS_TRIM_IMAGE_FAILED, E_INVALIDARG);
            return false;
        }
        if (sides & TrimType::TRIM_L)
            region.left = ink.left;
        if (sides & TrimType::TRIM_T)
            region.top = ink.top;
        if (sides & TrimType::TRIM_R)
            region.right = ink.right;
        if (sides & TrimType::TRIM_B)
            region.bottom = ink.bottom;
        work.trimmed = true;
    }
    const int rw = region.right - region.left, rh = region.bottom - region.top;
    if (FAILED(CreateDib32(result, rw, rh))) {
        Err.Set(IDS_CREATE_BITMAP_FAILED);
        return false;
    }
    m_resultImage = result;

    // Each layer painted into the result, outermost first, and let go.
    for (int k = layers - 1; k >= 0; --k) {
        if (IsTerminated())
            return false;
        CAlphaPlane& plane = *work.planes[static_cast<size_t>(k)];
        CPaintSetting paint = m_layers[static_cast<size_t>(k)].Paint;
        paint.LimitUnit(m_setting->Unit);
        const RECT& margins = m_layerMargins[static_cast<size_t>(k)];
        bool done = true;
        if (paint.Type == PaintType::LINEAR) {
            const CLinearGradation gradation = LayerGradation(paint, m_vertical);
            const std::vector<RECT>& rects = RectsOfUnit(gradation.Unit, m_charRects, m_lineRects, m_paragraphRects);
            std::vector<boost::shared_ptr<CDib> > bands;
            if (!CreateBands(bands, threads, W, bandRows)) {
                Err.Set(IDS_CREATE_BITMAP_FAILED);
                return false;
            }
            done = team.ForEachBand(rh, bandRows, [&](int top, int bottom, int thread) {
                CDib& band = *bands[static_cast<size_t>(thread)];
                const int firstRow = region.top + top;
                for (int y = top; y < bottom; ++y) {
                    BYTE* d = band.GetImageRow(y - top);
                    const uint8_t* a = plane.Row(region.top + y);
                    for (int x = 0; x < W; ++x, d += 4) {
                        d[0] = d[1] = d[2] = 0;
                        d[3] = a[x];
                    }
                }
                for (const RECT& r : rects) {
                    if (r.bottom / 10 + 1 < firstRow || r.top / 10 - 1 > region.top + bottom)
                        continue;  // far from this band
                    CRectD clip, frame;
                    UnitClipAndFrame(r, margins, gradation.Entire != FALSE, clip, frame);
                    HRESULT hr = FillLinearGradationRect(band, gradation, clip, frame, firstRow);
                    if (FAILED(hr))
                        throw my::CException(IDS_GRADATE_IMAGE_FAILED, hr);
                }
                for (int y = top; y < bottom; ++y)
                    CompositeRowOver(result->GetImageRow(y), band.GetImageRow(y - top) + region.left * 4, rw);
            });
        } else if (paint.Type == PaintType::TEXTURE) {
            // The texture is loaded, turned and scaled once; each band then
            // takes the layer's colour, its texture and its shape in turn.
            CTextureSetting texture;
            boost::shared_ptr<CDib> textureImage;
            if (!LoadLayerTexture(paint, m_vertical, texture, textureImage, Err))
                return false;
            const std::vector<RECT>& rects = RectsOfUnit(texture.Unit, m_charRects, m_lineRects, m_paragraphRects);
            CTexturePainter painter(*textureImage, texture.Type, texture.RateX,
                                    texture.SameRate ? texture.RateX : texture.RateY, texture.Flip, texture.OffsetX,
                                    texture.OffsetY, false, m_vertical, W, H);
            for (const RECT& r : rects) {
                CRectD clip, frame;
                UnitClipAndFrame(r, margins, texture.Entire, clip, frame);
                HRESULT hr = painter.Prepare(clip, frame);
                if (FAILED(hr)) {
                    Err.SetWithCode(IDS_PASTE_TEXTURE_FAILED, hr);
                    return false;
                }
            }
            std::vector<boost::shared_ptr<CDib> > bands;
            if (!CreateBands(bands, threads, W, bandRows)) {
                Err.Set(IDS_CREATE_BITMAP_FAILED);
                return false;
            }
            std::vector<std::vector<BYTE> > alphas(static_cast<size_t>(threads));
            const BYTE blue = GetBValue(paint.Color), green = GetGValue(paint.Color), red = GetRValue(paint.Color);
            done = team.ForEachBand(rh, bandRows, [&](int top, int bottom, int thread) {
                CDib& band = *bands[static_cast<size_t>(thread)];
                const int firstRow = region.top + top;
                // The layer's colour where it has ink, black where not.
                for (int y = top; y < bottom; ++y) {
                    BYTE* d = band.GetImageRow(y - top);
                    const uint8_t* a = plane.Row(region.top + y);
                    for (int x = 0; x < W; ++x, d += 4) {
                        const bool ink = a[x] != 0;
                        d[0] = ink ? blue : 0;
                        d[1] = ink ? green : 0;
                        d[2] = ink ? red : 0;
                        d[3] = a[x];
                    }
                }
                // The painter cuts every area to the band (and the last band
                // to the picture's last row): an area elsewhere costs nothing.
                for (const RECT& r : rects) {
                    CRectD clip, frame;
                    UnitClipAndFrame(r, margins, texture.Entire, clip, frame);
                    HRESULT hr = painter.Paint(band, firstRow, clip, frame, alphas[static_cast<size_t>(thread)]);
                    if (FAILED(hr))
                        throw my::CException(IDS_PASTE_TEXTURE_FAILED, hr);
                }
                for (int y = top; y < bottom; ++y)
                    CompositeRowOver(result->GetImageRow(y), band.GetImageRow(y - top) + region.left * 4, rw);
            });
        } else {
            done = team.ForEachBand(rh, bandRows, [&](int top, int bottom, int) {
                for (int y = top; y < bottom; ++y)
                    CompositeColorRowOver(result->GetImageRow(y), plane.Row(region.top + y) + region.left, rw,
                                          paint.Color);
            });
        }
        if (!done)
            return false;
        work.planes[static_cast<size_t>(k)].reset();
    }
    return true;
}

bool CKanteloTask::FinishResult(CRasterWork& work, boost::shared_ptr<CDib>& result)
{
    const CSetting& setting = *m_setting;
    if (setting.TrimType != 0 && !work.trimmed) {
        if (IsTerminated())
            return false;
        HRESULT hr = TrimTransparentMargins(result, static_cast<int>(setting.TrimType));
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_TRIM_IMAGE_FAILED, hr);
            return false;
        }
        m_resultImage = result;
    }
    const bool keepsTransparency = !m_saver || m_saver->m_alphaCapable;
    if (!(setting.Transparent && keepsTransparency)) {
        const int w = result->GetWidth();
        // In place: the result is the largest thing the task holds.
        const int h = result->GetAbsHeight();
        if (!work.team->ForEachBand(h, BandRows(w, h, work.team->Size()), [&](int top, int bottom, int) {
                for (int y = top; y < bottom; ++y)
                    FlattenRowOnColor(result->GetImageRow(y), result->GetImageRow(y), w, setting.BkColor);
            }))
            return false;
    }
    if (m_vertical) {
        if (IsTerminated())
            return false;
        boost::shared_ptr<CDib> turned;
        HRESULT hr = RotateByOrientation(turned, *result, 6);
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_ROTATE_IMAGE_FAILED, hr);
            return false;
        }
        result = turned;
        m_resultImage = result;
    }
    if (m_saver && m_saver->m_paletteCapable && !setting.Transparent) {
        if (IsTerminated())
            return false;
        // A failed reduction (too many colours, or no memory for the small
        // copy) costs only file size: the 32-bit image is saved instead.
        boost::shared_ptr<CDib> palettised = result;
        if (SUCCEEDED(ReduceResultToPalette(palettised))) {
            result = palettised;
            m_resultImage = result;
        }
    }
    if (!Path.empty() && m_saver) {
        if (IsTerminated())
            return false;
        CWorkTeam& team = *work.team;
        HRESULT hr = m_saver->Save(*result, true, Path, [&team](int count, const std::function<void(int)>& piece) {
            return team.ForEach(count, [&piece](int i, int) { piece(i); });
        });
        if (hr == E_ABORT && IsTerminated())
            return false;  // stopped while encoding: no error
        if (FAILED(hr)) {
            Err.SetWithCode(IDS_SAVE_IMAGE_FAILED, hr, Path);
            return false;
        }
    }
    return true;
}
