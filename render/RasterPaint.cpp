// The paint and compose stages of the raster run: each layer plane painted
// into the one 32-bit result, outermost layer first and the face last (on
// top), and freed once painted.
//
// A layer is painted over the result's region of its plane, band by band:
//   solid      the plane's values are the alpha of the paint's colour,
//              composited straight onto the result (CompositeColorRowOver);
//   gradation  each band gets the plane as alpha over black, the linear
//              gradation fills its unit rectangles (each shrunk by the
//              layer's margins, the frame the whole rectangle with Entire),
//              and the band is composited over the result;
//   texture    each band gets the layer's colour where the plane has ink, the
//              texture (loaded, turned for vertical text and scaled once per
//              layer) is laid over its unit rectangles, and the band is
//              composited over the result; a tile too large to be made
//              is reported with the scale that asked for it.
// The gradation turns by a quarter with vertical text; a unit rectangle far
// from a band costs nothing there. The per-thread bands are small, so the
// peak of the compose stays the planes and the result.
#include "render/RasterStages.h"
#include "render/KanteloTask.h"
#include "render/RasterEffects.h"
#include "decoration/Setting.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/PixelOps.h"
#include "imaging/SharedPicture.h"
#include "imaging/TexturePaint.h"
#include "foundation/ResourceString.h"
#include "resources/strings_engine.h"
#include "resources/strings_imaging.h"

const std::vector<RECT>& RectsOfUnit(UINT unit, const CTextLayout& layout)
{
    if (unit == TextUnit::LINE)
        return layout.LineRects;
    if (unit == TextUnit::PARAGRAPH)
        return layout.ParagraphRects;
    return layout.CharRects;
}

void UnitClipAndFrame(const RECT& r, const RECT& margins, bool entire, CRectD& clip, CRectD& frame)
{
    double x = r.left / 10.0, y = r.top / 10.0, w = (r.right - r.left) / 10.0, h = (r.bottom - r.top) / 10.0;
    clip = CRectD{x + margins.left / 10.0, y + margins.top / 10.0, w - (margins.left + margins.right) / 10.0,
                  h - (margins.top + margins.bottom) / 10.0};
    frame = entire ? CRectD{x, y, w, h} : clip;
}

CLinearGradation LayerGradation(const CPaintSetting& paint, bool vertical)
{
    CLinearGradation gradation = paint.LinearGradation;
    if (vertical)
        gradation.Angle += 90;
    return gradation;
}

void LoadLayerTexture(const CPaintSetting& paint, bool vertical, CTextureSetting& texture,
                      boost::shared_ptr<const CDib>& image)
{
    texture = paint.Texture;
    // A stored texture paint may have no file (the settings keep it): say
    // so, rather than a path not found with no path.
    if (texture.Path.empty())
        throw my::CException(IDS_TEXTURE_FILE_NOT_CHOSEN);
    // Shared with the paint buttons, and held against their decodes while it
    // is drawn; for vertical text turned a quarter, once for every task.
    const HRESULT hr = LoadSharedDib(image, texture.Path, vertical);
    if (FAILED(hr)) {
        CSimpleErr err;
        SetImageLoadError(err, IDS_LOAD_TEXTURE_FAILED, hr, texture.Path);
        throw my::CException(err);
    }
    if (vertical)
        texture.Rotate90();
}

namespace {

// One 32-bit band of `rows` rows per thread, each thread's scratch for
// painting a layer's colours before they are composited.
void CreateBands(std::vector<boost::shared_ptr<CDib> >& bands, int threads, int width, int rows)
{
    bands.assign(static_cast<size_t>(threads), boost::shared_ptr<CDib>());
    for (boost::shared_ptr<CDib>& band : bands)
        if (FAILED(CreateDib32(band, width, rows)))
            throw my::CException(IDS_CREATE_BITMAP_FAILED);
}

// Rows [top, bottom) of the region from the band onto the result.
void CompositeBand(CRasterRun& run, CDib& band, int top, int bottom)
{
    const int rw = run.region.right - run.region.left;
    for (int y = top; y < bottom; ++y)
        CompositeRowOver(run.result->GetImageRow(y), band.GetImageRow(y - top) + run.region.left * 4, rw);
}

// `rows` rows of the plane from `firstRow`, `width` values each, into the
// band: the plane's values as alpha, over `color` where the plane has ink
// and black where not.
void FillBandAlpha(CDib& band, const CAlphaPlane& plane, int firstRow, int rows, int width, COLORREF color)
{
    const BYTE blue = GetBValue(color), green = GetGValue(color), red = GetRValue(color);
    for (int y = 0; y < rows; ++y) {
        BYTE* d = band.GetImageRow(y);
        const uint8_t* a = plane.Row(firstRow + y);
        for (int x = 0; x < width; ++x, d += 4) {
            const bool ink = a[x] != 0;
            d[0] = ink ? blue : 0;
            d[1] = ink ? green : 0;
            d[2] = ink ? red : 0;
            d[3] = a[x];
        }
    }
}

// A texture that could not be laid for want of memory says so with its file
// (its tile, or a mirrored copy, may be as large as the picture); any other
// failure as the drawing gave it.
[[noreturn]] void ThrowPasteFailure(HRESULT hr, const std::wstring& path)
{
    if (hr != HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY) && hr != E_OUTOFMEMORY)
        throw my::CException(IDS_PASTE_TEXTURE_FAILED, hr);
    CSimpleErr err;
    err.Set(IDS_PASTE_TEXTURE_OUT_OF_MEMORY, path);
    err.code = hr;
    throw my::CException(err);
}

// A texture that cannot be laid over an area. When its tile was to be
// enlarged, the scale is the cause (a rate up to its bound makes a tile of
// thousands of millions of pixels): the message gives the scale, the tile's
// size and the texture's file, as the user sees them before a vertical
// face's turn.
[[noreturn]] void ThrowTextureFailure(HRESULT hr, const CTexturePainter& painter, const CRectD& clip,
                                      const CRectD& frame, const CDib& image, const CTextureSetting& user,
                                      bool vertical)
{
    SIZE tile;
    const int tw = image.GetWidth(), th = image.GetAbsHeight();
    if (!painter.TileSize(clip, frame, tile) || (tile.cx <= tw && tile.cy <= th))
        ThrowPasteFailure(hr, user.Path);
    double sx = static_cast<double>(tile.cx) / tw, sy = static_cast<double>(tile.cy) / th;
    if (vertical) {
        std::swap(tile.cx, tile.cy);
        std::swap(sx, sy);
    }
    if (user.Type == ImageFitType::CUSTOM_RATE) {
        sx = user.RateX;
        sy = user.SameRate ? user.RateX : user.RateY;
    }
    const std::wstring scale = sx == sy ? FormatStr(L"%g", sx) : FormatStr(L"%g x %g", sx, sy);
    CSimpleErr err;
    err.Set(IDS_TEXTURE_SCALE_TOO_LARGE, scale, std::to_wstring(tile.cx), std::to_wstring(tile.cy), user.Path);
    err.code = hr;
    throw my::CException(err);
}

} // namespace

bool PaintSolidLayer(CRasterRun& run, const CAlphaPlane& plane, COLORREF color)
{
    const RECT& region = run.region;
    const int rw = region.right - region.left;
    return run.team->ForEachBand(region.bottom - region.top, run.bandRows, [&](int top, int bottom, int) {
        for (int y = top; y < bottom; ++y)
            CompositeColorRowOver(run.result->GetImageRow(y), plane.Row(region.top + y) + region.left, rw, color);
    });
}

bool PaintGradationLayer(CRasterRun& run, const CAlphaPlane& plane, const CPaintSetting& paint, const RECT& margins)
{
    const CLinearGradation gradation = LayerGradation(paint, run.layout.Vertical);
    const std::vector<RECT>& rects = RectsOfUnit(gradation.Unit, run.layout);
    std::vector<boost::shared_ptr<CDib> > bands;
    CreateBands(bands, run.team->Size(), run.imageWidth, run.bandRows);
    const RECT& region = run.region;
    return run.team->ForEachBand(region.bottom - region.top, run.bandRows, [&](int top, int bottom, int thread) {
        CDib& band = *bands[static_cast<size_t>(thread)];
        const int firstRow = region.top + top;
        FillBandAlpha(band, plane, firstRow, bottom - top, run.imageWidth, RGB(0, 0, 0));
        for (const RECT& r : rects) {
            if (r.bottom / 10 + 1 < firstRow || r.top / 10 - 1 > region.top + bottom)
                continue;  // far from this band
            CRectD clip, frame;
            UnitClipAndFrame(r, margins, gradation.Entire != FALSE, clip, frame);
            HRESULT hr = FillLinearGradationRect(band, gradation, clip, frame, firstRow);
            if (FAILED(hr))
                throw my::CException(IDS_GRADATE_IMAGE_FAILED, hr);
        }
        CompositeBand(run, band, top, bottom);
    });
}

bool PaintTextureLayer(CRasterRun& run, const CAlphaPlane& plane, const CPaintSetting& paint, const RECT& margins)
{
    CTextureSetting texture;
    boost::shared_ptr<const CDib> image;
    LoadLayerTexture(paint, run.layout.Vertical, texture, image);
    const std::vector<RECT>& rects = RectsOfUnit(texture.Unit, run.layout);
    CTexturePainter painter(*image, texture.Type, texture.RateX, texture.SameRate ? texture.RateX : texture.RateY,
                            texture.Flip, texture.OffsetX, texture.OffsetY, false, run.layout.Vertical,
                            run.imageWidth, run.imageHeight);
    for (const RECT& r : rects) {
        CRectD clip, frame;
        UnitClipAndFrame(r, margins, texture.Entire, clip, frame);
        HRESULT hr = painter.Prepare(clip, frame);
        if (FAILED(hr))
            ThrowTextureFailure(hr, painter, clip, frame, *image, paint.Texture, run.layout.Vertical);
    }
    std::vector<boost::shared_ptr<CDib> > bands;
    CreateBands(bands, run.team->Size(), run.imageWidth, run.bandRows);
    std::vector<std::vector<BYTE> > alphas(static_cast<size_t>(run.team->Size()));
    const RECT& region = run.region;
    return run.team->ForEachBand(region.bottom - region.top, run.bandRows, [&](int top, int bottom, int thread) {
        CDib& band = *bands[static_cast<size_t>(thread)];
        const int firstRow = region.top + top;
        FillBandAlpha(band, plane, firstRow, bottom - top, run.imageWidth, paint.Color);
        // The painter cuts every area to the band (and the last band to the
        // picture's last row): an area elsewhere costs nothing.
        for (const RECT& r : rects) {
            CRectD clip, frame;
            UnitClipAndFrame(r, margins, texture.Entire, clip, frame);
            HRESULT hr = painter.Paint(band, firstRow, clip, frame, alphas[static_cast<size_t>(thread)]);
            if (FAILED(hr))
                ThrowPasteFailure(hr, paint.Texture.Path);
        }
        CompositeBand(run, band, top, bottom);
    });
}

bool ComposeLayers(CRasterRun& run)
{
    const RECT& region = run.region;
    boost::shared_ptr<CDib> result;
    if (FAILED(CreateDib32(result, region.right - region.left, region.bottom - region.top)))
        throw my::CException(IDS_CREATE_BITMAP_FAILED);
    run.Publish(result);
    for (int k = run.layout.LayerCount() - 1; k >= 0; --k) {
        if (run.Stopped())
            return false;
        const CAlphaPlane& plane = *run.planes[static_cast<size_t>(k)];
        CPaintSetting paint = run.layout.Layers[static_cast<size_t>(k)].Paint;
        paint.LimitUnit(run.setting.Unit);
        const RECT& margins = run.layout.LayerMargins[static_cast<size_t>(k)];
        bool done;
        if (paint.Type == PaintType::LINEAR)
            done = PaintGradationLayer(run, plane, paint, margins);
        else if (paint.Type == PaintType::TEXTURE)
            done = PaintTextureLayer(run, plane, paint, margins);
        else
            done = PaintSolidLayer(run, plane, paint.Color);
        if (!done)
            return false;
        run.planes[static_cast<size_t>(k)].reset();
    }
    return true;
}
