// The plane stages of the raster run, each over whole layer planes in bands
// of rows shared out to the threads.
//
// Blur: a decoration layer with Blur b is blurred by a separable Gaussian of
// sigma b / 10 output pixels (CGaussianRows: integer weights, the window cut
// at the plane's edges), first along the rows into a scratch plane, then
// along the columns back into the layer's plane. The face is never blurred.
//
// Opacity: every plane of a layer whose Alpha is under 100 percent becomes
// value x Alpha / 100 (truncated), through a table of the 256 values.
//
// Ink extent and trim: with any trim side set, the smallest rectangle that
// holds every non-zero value of every plane; the result is cut to it on the
// trimmed sides. A texture may clear what its layer covers, so with a
// texture the result is trimmed after the paint instead (TrimResult). With
// no ink at all there is nothing to cut to: the image keeps its untrimmed
// size, as with trim off.
#include "render/RasterStages.h"
#include "render/KanteloTask.h"
#include "render/RasterEffects.h"
#include "decoration/Setting.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"
#include <algorithm>

namespace {

// Scratch of w unsigned values for each thread of the blur.
typedef std::vector<std::vector<unsigned> > CThreadScratch;

bool BlurPlane(CRasterRun& run, CAlphaPlane& plane, CAlphaPlane& temp, const CGaussianRows& rows,
               CThreadScratch& scratch)
{
    const int W = run.imageWidth, H = run.imageHeight;
    CWorkTeam& team = *run.team;
    if (!team.ForEachBand(H, run.bandRows, [&](int top, int bottom, int thread) {
            for (int y = top; y < bottom; ++y)
                rows.Horizontal(plane.Row(y), temp.Row(y), W, scratch[static_cast<size_t>(thread)].data());
        }))
        return false;
    const auto tempRow = [&](int y) -> const uint8_t* { return temp.Row(y); };
    return team.ForEachBand(H, run.bandRows, [&](int top, int bottom, int thread) {
        for (int y = top; y < bottom; ++y)
            rows.Vertical(tempRow, y, H, plane.Row(y), W, scratch[static_cast<size_t>(thread)].data());
    });
}

// The smallest rectangle of non-zero values of every plane; left >= right when none.
bool FindInkExtent(CRasterRun& run, RECT& ink)
{
    const int W = run.imageWidth, H = run.imageHeight;
    std::vector<RECT> inks(static_cast<size_t>(run.team->Size()), RECT{W, H, 0, 0});
    if (!run.team->ForEachBand(H, run.bandRows, [&](int top, int bottom, int thread) {
            RECT& r = inks[static_cast<size_t>(thread)];
            for (int y = top; y < bottom; ++y)
                for (const std::unique_ptr<CAlphaPlane>& plane : run.planes) {
                    const uint8_t* p = plane->Row(y);
                    int x0 = 0, x1 = W;
                    while (x0 < W && p[x0] == 0)
                        ++x0;
                    if (x0 == W)
                        continue;
                    while (p[x1 - 1] == 0)
                        --x1;
                    r.left = std::min<LONG>(r.left, x0);
                    r.right = std::max<LONG>(r.right, x1);
                    r.top = std::min<LONG>(r.top, y);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
        }))
        return false;
    ink = RECT{W, H, 0, 0};
    for (const RECT& r : inks) {
        ink.left = std::min(ink.left, r.left);
        ink.top = std::min(ink.top, r.top);
        ink.right = std::max(ink.right, r.right);
        ink.bottom = std::max(ink.bottom, r.bottom);
    }
    return true;
}

} // namespace

bool BlurLayers(CRasterRun& run)
{
    const std::vector<CBorderingSetting>& layers = run.layout.Layers;
    CAlphaPlane temp;
    CThreadScratch scratch(static_cast<size_t>(run.team->Size()), std::vector<unsigned>(
                                                                      static_cast<size_t>(run.imageWidth)));
    for (size_t k = 1; k < layers.size(); ++k) {
        if (layers[k].Blur <= 0)
            continue;
        if (!temp.IsValid() && !temp.Create(run.imageWidth, run.imageHeight))
            throw my::CException(IDS_BLUR_IMAGE_FAILED, E_OUTOFMEMORY);
        if (!BlurPlane(run, *run.planes[k], temp, CGaussianRows(layers[k].Blur / 10.0), scratch))
            return false;
    }
    return true;
}

bool ApplyOpacity(CRasterRun& run)
{
    const std::vector<CBorderingSetting>& layers = run.layout.Layers;
    const int W = run.imageWidth;
    for (size_t k = 0; k < layers.size(); ++k) {
        const int alpha = layers[k].Alpha;
        if (alpha >= 100)
            continue;
        uint8_t table[256];
        for (int v = 0; v < 256; ++v)
            table[v] = static_cast<uint8_t>(std::max(0, v * alpha / 100));
        CAlphaPlane& plane = *run.planes[k];
        if (!run.team->ForEachBand(run.imageHeight, run.bandRows, [&](int top, int bottom, int) {
                for (int y = top; y < bottom; ++y) {
                    uint8_t* p = plane.Row(y);
                    for (int x = 0; x < W; ++x)
                        p[x] = table[p[x]];
                }
            }))
            return false;
    }
    return true;
}

bool FindTrimRegion(CRasterRun& run)
{
    run.region = RECT{0, 0, run.imageWidth, run.imageHeight};
    const int sides = static_cast<int>(run.setting.TrimType) & TrimType::All;
    bool texture = false;
    for (const CBorderingSetting& l : run.layout.Layers)
        texture |= l.Paint.Type == PaintType::TEXTURE;
    if (sides == 0 || texture)
        return true;
    RECT ink;
    if (!FindInkExtent(run, ink))
        return false;
    // No ink at all (a text too small to reach a pixel, every row off): there
    // is nothing to cut to, and the image stays as it is untrimmed, as the
    // same text gives with trim off, rather than failing a save of many units.
    if (ink.left < ink.right) {
        if (sides & TrimType::TRIM_L)
            run.region.left = ink.left;
        if (sides & TrimType::TRIM_T)
            run.region.top = ink.top;
        if (sides & TrimType::TRIM_R)
            run.region.right = ink.right;
        if (sides & TrimType::TRIM_B)
            run.region.bottom = ink.bottom;
    }
    run.trimmed = true;
    CheckOutputLimits(run, run.region.right - run.region.left, run.region.bottom - run.region.top);
    return true;
}
