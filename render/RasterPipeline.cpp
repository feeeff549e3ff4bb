// The raster rendering pipeline: one unit of text to one 32-bit image.
//
// Every glyph is filled without anti-aliasing into a mask cell at ten times
// the output resolution (one cell pixel = one font unit = a tenth of an
// output pixel). Each decoration layer of the glyph grows from the layer
// inside it by a disc of the decoration's Size and is shifted by its shadow
// offset, still at ten times; a layer after a shadow grows from the union of
// the shadow and the layer the shadow came from. Each layer is then
// reduced by an exact 10 x 10 area average and laid on the layer's 8-bit
// plane at output resolution, which gives the anti-aliasing. Whole planes
// are then blurred and weakened; the trimmed extent of the result follows
// from them. Each plane is then painted into the one 32-bit result image,
// outermost first, the face on top, and freed. The result is laid on the
// background unless it stays transparent, turned for vertical text,
// palettised where the format allows, and saved.
//
// Threads: the glyphs of a batch are drawn at once, each thread with its own
// masks, and laid on the planes in text order, so overlapping glyphs compose
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
// Cost: a glyph's layers are kept as runs of set pixels, so their passes
// cost the edges of the glyph and its layers, not the pixels of the cell.
//
// This file holds the driver of the stages (RasterStages.h) and the plan:
// the image is the text's width and height with the margins of all layers,
// rounded up to whole pixels; a glyph's cell holds its widest advance and
// its line's band of ink with the margins (on the right and below, only the
// reach of the layers' shapes: their blur is added on the planes) and 18
// tenths for the sub-pixel placement.
#include "render/RasterStages.h"
#include "render/KanteloTask.h"
#include "decoration/Setting.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"
#include <algorithm>
#include <cmath>
#include <string>

CRasterRun::CRasterRun(CKanteloTask& t) : task(t), setting(*t.GetSetting()), layout(t.GetLayout()) {}

bool CRasterRun::Stopped() const { return task.IsTerminated(); }

void CRasterRun::Publish(const boost::shared_ptr<CDib>& image)
{
    result = image;
    task.SetResultImage(image);
}

namespace {
// IDS_IMAGE_TOO_LARGE with the image's size, as saved, and the run's
// estimated peak.
[[noreturn]] void ThrowImageTooLarge(const CRasterRun& run);
} // namespace

void RunRasterStages(CKanteloTask& task)
{
    CRasterRun run(task);
    SetRasterSizes(run);
    PlanRasterWork(run);
    try {
        if (DrawLayerMasks(run) && BlurLayers(run) && ApplyOpacity(run) && FindTrimRegion(run) &&
            ComposeLayers(run) && TrimResult(run) && LayOnBackground(run) && TurnVertical(run) && ReducePalette(run))
            SaveResult(run);
    } catch (const my::CException& e) {
        // The plan's estimate trusts what the system says is free, and under
        // Wine that counts address space nothing can use: a plane or cell
        // that could not be had is memory really short, said as such.
        if (e.id != IDS_CREATE_BITMAP_FAILED)
            throw;
        ThrowImageTooLarge(run);
    }
}

void SetRasterSizes(CRasterRun& run)
{
    const CTextLayout& l = run.layout;
    const RECT& m = l.TotalMargins;
    run.imageWidth = static_cast<int>(std::ceil((l.TextWidth + m.left + m.right) / 10.0f));
    run.imageHeight = static_cast<int>(std::ceil((l.TextHeight + m.top + m.bottom) / 10.0f));
    run.task.SetImageSize(run.imageWidth, run.imageHeight);
    if (run.imageWidth < 1 || run.imageHeight < 1)
        throw my::CException(IDS_OUTPUT_SIZE_ZERO);
    // The glyph stands as far from the cell's top left corner as the margins
    // say (its outline's coordinates, and so the rounding of its edges, stay
    // those of the layout); right and below, the cell holds what the layers'
    // shapes reach, their blur being added on the planes.
    const RECT& g = l.GrowthMargins;
    run.cellWidth = (m.left + g.right + 18 + l.MaxGlyphAdvance) / 10 * 10;
    run.cellHeight = (m.top + g.bottom + 18 + l.InkBandBottom - l.InkBandTop) / 10 * 10;
    run.cellInkRows = std::min<int>(run.cellHeight, g.top + g.bottom + 28 + l.InkBandBottom - l.InkBandTop);
    if (run.cellWidth < 1 || run.cellHeight < 1)
        throw my::CException(IDS_CHAR_OUTPUT_SIZE_ZERO);
}

int BandRows(int width, int rows, int threads)
{
    // At most about 128 KB of 32-bit pixels, and few enough rows that every
    // thread gets some bands. An image of less than a quarter megapixel is
    // one band: a pass over it takes less than waking the helpers does.
    if (static_cast<long long>(width) * rows < (1 << 18))
        return std::max(1, rows);
    const int perThread = (rows + 4 * threads - 1) / (4 * threads);
    return std::max(1, std::min(32768 / std::max(width, 1), perThread));
}

namespace {

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

// What the process can still get, less room for the encoder and the rest of
// the program.
unsigned long long AvailableBytes()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    unsigned long long available = ~0ULL;
    if (::GlobalMemoryStatusEx(&status))
        available = std::min(status.ullAvailVirtual, status.ullAvailPageFile);
    return available - std::min(available, available / 8);
}

// The peak of each stage, in bytes, for a number of threads drawing glyphs.
struct CRasterPeak {
    unsigned long long plane, image, planes, masks;
    bool blur, vertical;

    explicit CRasterPeak(const CRasterRun& run)
    {
        const std::vector<CBorderingSetting>& layers = run.layout.Layers;
        blur = false;
        for (size_t k = 1; k < layers.size(); ++k)
            blur |= layers[k].Blur > 0;
        plane = CAlphaPlane::Bytes(run.imageWidth, run.imageHeight);
        image = 4ULL * run.imageWidth * run.imageHeight;
        planes = plane * layers.size();
        int radius = 0;
        for (const CBorderingSetting& layer : layers)
            radius = std::max(radius, layer.Size);
        masks = GlyphMaskBytes(run.cellInkRows, run.cellWidth, layers.size(), radius);
        vertical = run.layout.Vertical;
    }
    unsigned long long Of(int threads) const
    {
        const unsigned long long glyphPass =
            planes + masks * static_cast<unsigned>(threads) + kGlyphCacheBytes + kDrawBatchBytes;
        const unsigned long long blurPass = planes + (blur ? plane : 0);
        // Paints go through a band of rows per thread, which is small.
        const unsigned long long compose = planes + image;
        const unsigned long long finish = image + (vertical ? image : 0);
        return std::max(std::max(glyphPass, blurPass), std::max(compose, finish));
    }
};

void ThrowImageTooLarge(const CRasterRun& run)
{
    const unsigned long long mb = (CRasterPeak(run).Of(1) + (1 << 20) - 1) >> 20;
    // The size of the image as it would be saved: vertical text turns.
    int width = run.imageWidth, height = run.imageHeight;
    if (run.layout.Vertical)
        std::swap(width, height);
    throw my::CException(IDS_IMAGE_TOO_LARGE, std::to_wstring(width), std::to_wstring(height), std::to_wstring(mb));
}

// Work that takes a few milliseconds alone is not shared out: waking the
// helpers would cost as much.
int ChooseThreads(const CRasterRun& run)
{
    int glyphs = 0;
    for (const CPlacedChar& c : run.layout.Chars)
        glyphs += !c.LineBreak;
    const unsigned long long layers = run.layout.Layers.size();
    const unsigned long long glyphWork = static_cast<unsigned long long>(glyphs) * run.cellWidth * run.cellHeight * layers;
    const unsigned long long planeWork = static_cast<unsigned long long>(run.imageWidth) * run.imageHeight * layers;
    return glyphWork > 8000000ULL || planeWork > 2000000ULL ? GetProcessorCount() : 1;
}

} // namespace

void CheckOutputLimits(const CRasterRun& run, int width, int height)
{
    const boost::shared_ptr<Gdiplus::CImageSaver>& saver = run.task.m_saver;
    if (!saver || run.task.Path.empty())
        return;  // a preview: nothing is written
    if (run.layout.Vertical)
        std::swap(width, height);
    saver->CheckSize(width, height, run.task.Path);
}

void PlanRasterWork(CRasterRun& run)
{
    if ((run.setting.TrimType & TrimType::All) == 0)
        CheckOutputLimits(run, run.imageWidth, run.imageHeight);
    const CRasterPeak peak(run);
    const unsigned long long available = AvailableBytes();
    if (peak.Of(1) > available || !HasFreeBlock(peak.image))
        ThrowImageTooLarge(run);
    int threads = run.task.GetThreadCount();
    if (threads <= 0)
        threads = ChooseThreads(run);
    while (threads > 1 && peak.Of(threads) > available)
        --threads;
    // The masks of the threads that draw glyphs, with the glyphs kept, cost
    // no more than the result image will (at least 128 MB): the glyph pass
    // never raises the peak of a large image.
    const unsigned long long maskBudget = std::max<unsigned long long>(
        peak.image > kGlyphCacheBytes ? peak.image - kGlyphCacheBytes : 0, 128ULL << 20);
    run.glyphThreads = static_cast<int>(std::max<unsigned long long>(
        1, std::min<unsigned long long>(threads, maskBudget / std::max<unsigned long long>(peak.masks, 1))));
    run.team.reset(new CWorkTeam(threads));
    run.team->SetTerminable(&run.task);
    run.task.SetThreadsUsed(run.team->Size());
    run.bandRows = BandRows(run.imageWidth, run.imageHeight, run.team->Size());
}
