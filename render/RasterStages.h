// The raster run of a task, as named stages over one CRasterRun: each stage
// is a function of its own whose file states its algorithm. In order:
//   sizes and plan    the image and cell sizes, the memory peak, the threads
//   masks             every glyph's layers at ten times, reduced onto planes
//   blur, opacity     the decoration planes blurred, every plane weakened
//   ink extent, trim  where any plane has ink, cut to the trimmed sides
//   paint, compose    each plane painted (solid, gradation or texture) into
//                     the result, outermost first, and freed
//   background, turn, palette, save
// A stage throws my::CException for a failure and returns false when the
// task was told to stop (the run then ends without an error).
#pragma once
#include "render/AlphaPlane.h"
#include "render/WorkTeam.h"
#include "imaging/Dib.h"
#include "imaging/RectD.h"
#include "decoration/BorderingSetting.h"
#include <boost/shared_ptr.hpp>
#include <memory>
#include <vector>

class CKanteloTask;
class CSetting;
struct CTextLayout;

struct CRasterRun {
    explicit CRasterRun(CKanteloTask& task);

    CKanteloTask& task;
    const CSetting& setting;
    const CTextLayout& layout;
    int imageWidth = 0, imageHeight = 0;  // output pixels
    int cellWidth = 0, cellHeight = 0;    // tenths, multiples of 10
    // The rows of a cell that its glyph's layers may reach: those above them
    // hold only the blur's room, which no run reaches.
    int cellInkRows = 0;
    std::unique_ptr<CWorkTeam> team;
    int glyphThreads = 1;  // threads that draw glyphs, each with its masks
    int bandRows = 1;      // rows of one band of the plane passes
    std::vector<std::unique_ptr<CAlphaPlane> > planes;
    RECT region = {0, 0, 0, 0};  // the part of the planes the result shows
    bool trimmed = false;        // the region is cut to the trimmed extent already
    boost::shared_ptr<CDib> result;

    bool Stopped() const;
    // The result as it stands becomes the task's result image.
    void Publish(const boost::shared_ptr<CDib>& image);
};

// The whole raster run of a laid-out task.
void RunRasterStages(CKanteloTask& task);

// RasterPipeline.cpp
void SetRasterSizes(CRasterRun& run);
void PlanRasterWork(CRasterRun& run);
// Refuses a file the output format cannot store (a JPEG side over its limit)
// as soon as its size is known: before the glyphs are drawn, or once the trim
// has found the extent. The size is the image's before vertical text turns.
void CheckOutputLimits(const CRasterRun& run, int width, int height);
// Pixel rows of one band of a pass over an image `width` wide.
int BandRows(int width, int rows, int threads);

// RasterMasks.cpp
bool DrawLayerMasks(CRasterRun& run);
// Layers kept for characters that come again: at most this many bytes.
// What the heap has once held it keeps (under Wine it does not give small
// blocks back), so this adds to the peak of the whole run.
const size_t kGlyphCacheBytes = 12u << 20;
// The layers of the glyphs drawn in one round wait in memory until the
// round is laid: at most this many bytes of them (but two glyphs a thread).
const size_t kDrawBatchBytes = 16u << 20;
// What the run masks of one thread take at most, about, for glyphs whose
// layers reach over `rows` rows of a cell `width` wide, growing by discs of
// `radius` at most.
unsigned long long GlyphMaskBytes(int rows, int width, size_t layers, int radius);

// RasterPlanes.cpp
bool BlurLayers(CRasterRun& run);
bool ApplyOpacity(CRasterRun& run);
bool FindTrimRegion(CRasterRun& run);

// RasterPaint.cpp
bool ComposeLayers(CRasterRun& run);
bool PaintSolidLayer(CRasterRun& run, const CAlphaPlane& plane, COLORREF color);
bool PaintGradationLayer(CRasterRun& run, const CAlphaPlane& plane, const CPaintSetting& paint, const RECT& margins);
bool PaintTextureLayer(CRasterRun& run, const CAlphaPlane& plane, const CPaintSetting& paint, const RECT& margins);

// RasterFinish.cpp
bool TrimResult(CRasterRun& run);
bool LayOnBackground(CRasterRun& run);
bool TurnVertical(CRasterRun& run);
bool ReducePalette(CRasterRun& run);
bool SaveResult(CRasterRun& run);

// What the paints share with the pictures that check them.
// The unit rectangles a paint of `unit` runs over.
const std::vector<RECT>& RectsOfUnit(UINT unit, const CTextLayout& layout);
// Where one unit rectangle (tenths) is painted on a layer: the rectangle
// shrunk by the layer's margins; and the frame the paint runs over: the whole
// rectangle with Entire, else that clip area.
void UnitClipAndFrame(const RECT& r, const RECT& margins, bool entire, CRectD& clip, CRectD& frame);
// The gradation as a layer paints it: turned with a vertical line.
CLinearGradation LayerGradation(const CPaintSetting& paint, bool vertical);
// The texture image of a layer, turned with its settings for vertical text.
// Throws IDS_TEXTURE_FILE_NOT_CHOSEN or IDS_LOAD_TEXTURE_FAILED.
// The picture is shared (imaging/SharedPicture.h): let it go before the next.
void LoadLayerTexture(const CPaintSetting& paint, bool vertical, CTextureSetting& texture,
                      boost::shared_ptr<const CDib>& image);
