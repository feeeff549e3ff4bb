// Texture painting of a layer.
//
// Algorithm: the texture is scaled once to the tile size given by the fit type
// (nearest neighbour when it grows in either direction, an area average
// otherwise, straight from the texture into the tile: GDI+ took a copy of the
// whole texture and one of the tile besides; a tile of the texture's own size
// is the texture itself), then tiled over the paint region by DrawImageTiled
// from an origin at the fit area's corner, moved by the offsets and, when
// aligned right or bottom, so that a tile ends flush with that edge of the
// fit area. GDI+ composes the tiles over the layer; afterwards every pixel
// whose alpha was below 255 before the painting gets alpha x old alpha / 255,
// so the layer keeps its coverage and takes the texture's colours.
//
// Bands: every pixel's result depends only on its old value and the tile
// pixel over it, so a picture painted band by band, with the tiles placed by
// picture coordinates and cut at the band's edges, matches one painted whole.
// The scaled tiles and their mirrored copies are made once per size and
// shared by the bands.
//
// Edge cases: an empty paint region, a region outside the target (clipped to
// nothing) and an empty fit area paint nothing and succeed; a side scaled
// below one pixel (a thin texture, a tiny rate) is drawn one pixel wide.
// The target changes only once the tiles are drawn.
#include "imaging/TexturePaint.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/Resample.h"
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>

namespace {

const HRESULT kNotEnoughMemory = HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY);  // 0x80070008

RECT IntegerEdges(const CRectD& r)
{
    return RECT{static_cast<LONG>(r.x), static_cast<LONG>(r.y), static_cast<LONG>(std::ceil(r.x + r.width)),
                static_cast<LONG>(std::ceil(r.y + r.height))};
}

// A side scaled from the texture's, rounded: at least one pixel, so that a
// thin texture (65,535 x 1 fitted to a narrow width) or a tiny rate still
// draws its colours rather than nothing; one too long for an int is the
// longest (no tile is made that long: its scale is then named).
int ScaledSide(double v) { return static_cast<int>(std::min(std::max(v + 0.5, 1.0), double(INT_MAX))); }

} // namespace

bool TextureTileSize(unsigned fitType, int tw, int th, int fw, int fh, double rateX, double rateY, int& width,
                     int& height)
{
    switch (fitType) {
    case TEXTURE_FIT_WIDTH:
        width = fw;
        height = ScaledSide(static_cast<double>(th) * fw / tw);
        return true;
    case TEXTURE_FIT_HEIGHT:
        width = ScaledSide(static_cast<double>(tw) * fh / th);
        height = fh;
        return true;
    case TEXTURE_FIT_BOTH:
        width = fw;
        height = fh;
        return true;
    case TEXTURE_CUSTOM_RATE:
        width = ScaledSide(tw * rateX);
        height = ScaledSide(th * rateY);
        return true;
    default:
        return false;
    }
}

HRESULT PaintDibWithTexture(CDib& target, const CDib& texture, unsigned fitType, double rateX, double rateY,
                            bool mirror, int offsetX, int offsetY)
{
    if (!target.IsValid())
        return E_INVALIDARG;
    const CRectD whole = {0, 0, static_cast<double>(target.GetWidth()), static_cast<double>(target.GetAbsHeight())};
    return PaintDibRectWithTexture(target, texture, fitType, rateX, rateY, mirror, offsetX, offsetY, false, false,
                                   whole, whole);
}

HRESULT PaintDibRectWithTexture(CDib& target, const CDib& texture, unsigned fitType, double rateX, double rateY,
                                bool mirror, int offsetX, int offsetY, bool alignRight, bool alignBottom,
                                const CRectD& paintRegion, const CRectD& fitArea)
{
    if (target.GetBitCount() != 32 || !target.IsValid() || !texture.HasPixels())
        return E_INVALIDARG;
    CTexturePainter painter(texture, fitType, rateX, rateY, mirror, offsetX, offsetY, alignRight, alignBottom,
                            target.GetWidth(), target.GetAbsHeight());
    HRESULT hr = painter.Prepare(paintRegion, fitArea);
    if (FAILED(hr))
        return hr;
    std::vector<BYTE> alphas;
    return painter.Paint(target, 0, paintRegion, fitArea, alphas);
}

CTexturePainter::CTexturePainter(const CDib& texture, unsigned fitType, double rateX, double rateY, bool mirror,
                                 int offsetX, int offsetY, bool alignRight, bool alignBottom, int pictureWidth,
                                 int pictureHeight)
    : m_texture(texture), m_fitType(fitType), m_rateX(rateX), m_rateY(rateY), m_mirror(mirror),
      m_alignRight(alignRight), m_alignBottom(alignBottom), m_offsetX(offsetX), m_offsetY(offsetY),
      m_pictureWidth(pictureWidth), m_pictureHeight(pictureHeight)
{
}

HRESULT CTexturePainter::Place(const CRectD& paintRegion, const CRectD& fitArea, int firstRow, int rows,
                               RECT& region, RECT& fit, SIZE& tile) const
{
    fit = IntegerEdges(fitArea);
    region = IntegerEdges(paintRegion);
    region.left = std::max<LONG>(region.left, 0);
    region.top = std::max<LONG>(region.top, std::max(firstRow, 0));
    region.right = std::min<LONG>(region.right, m_pictureWidth);
    region.bottom = std::min<LONG>(region.bottom, std::min(m_pictureHeight, firstRow + rows));
    if (region.left >= region.right || region.top >= region.bottom)
        return S_FALSE;
    const int tw = m_texture.GetWidth(), th = m_texture.GetAbsHeight();
    int width = 0, height = 0;
    if (!TextureTileSize(m_fitType, tw, th, fit.right - fit.left, fit.bottom - fit.top, m_rateX, m_rateY, width,
                         height))
        return E_INVALIDARG;
    // An empty fit area gives a tile of no pixels: nothing to scale to.
    if (width < 1 || height < 1)
        return S_FALSE;
    tile = SIZE{width, height};
    return S_OK;
}

bool CTexturePainter::TileSize(const CRectD& paintRegion, const CRectD& fitArea, SIZE& tile) const
{
    RECT region, fit;
    return Place(paintRegion, fitArea, 0, m_pictureHeight, region, fit, tile) == S_OK;
}

namespace {

// The grid index of the tile that holds picture coordinate v.
long long TileIndex(long long v, long long origin, long long step)
{
    const long long d = v - origin;
    return d >= 0 ? d / step : -((-d + step - 1) / step);
}

// Whether the tiles over [from, to) include an odd one: a mirrored one.
bool CrossesOddTile(long long from, long long to, long long origin, long long step)
{
    const long long first = TileIndex(from, origin, step), last = TileIndex(to - 1, origin, step);
    return last > first || first % 2 != 0;
}

// The texture mirrored left to right and/or top to bottom.
bool MirroredCopy(const CDib& source, bool flipX, bool flipY, CDib& copy)
{
    if (!copy.CopyFrom(source))
        return false;
    const int w = source.GetWidth(), h = source.GetAbsHeight();
    for (int y = 0; y < h; ++y) {
        const uint32_t* from = reinterpret_cast<const uint32_t*>(source.GetImageRow(flipY ? h - 1 - y : y));
        uint32_t* to = reinterpret_cast<uint32_t*>(copy.GetImageRow(y));
        for (int x = 0; x < w; ++x)
            to[x] = from[flipX ? w - 1 - x : x];
    }
    return true;
}

} // namespace

HRESULT CTexturePainter::Prepare(const CRectD& paintRegion, const CRectD& fitArea)
{
    if (!m_texture.HasPixels() || m_texture.GetBitCount() != 32)
        return E_INVALIDARG;
    RECT region, fit;
    SIZE size;
    HRESULT hr = Place(paintRegion, fitArea, 0, m_pictureHeight, region, fit, size);
    if (hr != S_OK)
        return FAILED(hr) ? hr : S_OK;
    CTile& tile = m_tiles[std::make_pair(static_cast<int>(size.cx), static_cast<int>(size.cy))];
    const int tw = m_texture.GetWidth(), th = m_texture.GetAbsHeight();
    if (!tile.images[0] && size.cx == tw && size.cy == th) {
        tile.images[0] = &m_texture;
    } else if (!tile.images[0]) {
        std::unique_ptr<CDib>& scaled = tile.owned[0];
        scaled.reset(new CDib);
        if (!(size.cx > tw || size.cy > th ? SampleDibByNearest(m_texture, *scaled, size.cx, size.cy)
                                           : ReduceDibByArea(m_texture, *scaled, size.cx, size.cy))) {
            scaled.reset();
            return kNotEnoughMemory;
        }
        tile.images[0] = scaled.get();
    }
    if (!m_mirror)
        return S_OK;
    // Only the mirrored copies this area shows: a tile fitted to a whole
    // paragraph is as large as the picture.
    const long long originX = fit.left + m_offsetX + (m_alignRight ? fit.right - fit.left - size.cx : 0);
    const long long originY = fit.top + m_offsetY + (m_alignBottom ? fit.bottom - fit.top - size.cy : 0);
    const bool oddX = CrossesOddTile(region.left, region.right, originX, size.cx);
    const bool oddY = CrossesOddTile(region.top, region.bottom, originY, size.cy);
    for (int i = 1; i < 4; ++i) {
        const bool flipX = (i & 1) != 0, flipY = (i & 2) != 0;
        if ((flipX && !oddX) || (flipY && !oddY) || tile.images[i])
            continue;
        std::unique_ptr<CDib> copy(new CDib);
        if (!MirroredCopy(*tile.images[0], flipX, flipY, *copy))
            return kNotEnoughMemory;
        tile.images[i] = copy.get();
        tile.owned[i] = std::move(copy);
    }
    return S_OK;
}

HRESULT CTexturePainter::Paint(CDib& target, int firstRow, const CRectD& paintRegion, const CRectD& fitArea,
                               std::vector<BYTE>& alphaScratch) const
{
    if (target.GetBitCount() != 32 || !target.IsValid())
        return E_INVALIDARG;
    RECT region, fit;
    SIZE size;
    HRESULT hr = Place(paintRegion, fitArea, firstRow, target.GetAbsHeight(), region, fit, size);
    if (hr != S_OK)
        return FAILED(hr) ? hr : S_OK;
    region.right = std::min<LONG>(region.right, target.GetWidth());
    if (region.left >= region.right)
        return S_OK;
    const auto found = m_tiles.find(std::make_pair(static_cast<int>(size.cx), static_cast<int>(size.cy)));
    if (found == m_tiles.end() || !found->second.images[0])
        return E_UNEXPECTED;
    const CTile& tile = found->second;
    // Each call wraps the shared tiles in bitmaps of its own: a GDI+ object
    // is never used by two threads at once.
    boost::shared_ptr<Gdiplus::Bitmap> bitmaps[4];
    Gdiplus::Image* mirrored[4] = {};
    for (int i = 0; i < 4; ++i)
        if (tile.images[i]) {
            bitmaps[i] = BitmapFromDib(*tile.images[i], true);
            if (!bitmaps[i])
                return kNotEnoughMemory;
            mirrored[i] = bitmaps[i].get();
        }
    boost::shared_ptr<Gdiplus::Bitmap> targetBitmap = BitmapFromDib(target, true);
    if (!targetBitmap)
        return kNotEnoughMemory;

    const int width = region.right - region.left, height = region.bottom - region.top;
    try {
        alphaScratch.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    }
    for (int y = 0; y < height; ++y) {
        const BYTE* row = target.GetImageRow(region.top - firstRow + y) + region.left * 4;
        BYTE* old = &alphaScratch[static_cast<size_t>(y) * static_cast<size_t>(width)];
        for (int x = 0; x < width; ++x)
            old[x] = row[x * 4 + 3];
    }

    int x0 = fit.left - region.left + m_offsetX;
    int y0 = fit.top - region.top + m_offsetY;
    if (m_alignRight)
        x0 += fit.right - fit.left - size.cx;
    if (m_alignBottom)
        y0 += fit.bottom - fit.top - size.cy;
    hr = DrawImageTiled(targetBitmap.get(), bitmaps[0].get(), m_mirror ? mirrored : nullptr, region.left,
                        region.top - firstRow, width, height, size.cx, size.cy, x0, y0);
    if (FAILED(hr))
        return hr;

    for (int y = 0; y < height; ++y) {
        BYTE* row = target.GetImageRow(region.top - firstRow + y) + region.left * 4;
        const BYTE* old = &alphaScratch[static_cast<size_t>(y) * static_cast<size_t>(width)];
        for (int x = 0; x < width; ++x) {
            const unsigned a = old[x];
            if (a < 255)
                row[x * 4 + 3] = static_cast<BYTE>(row[x * 4 + 3] * a / 255);
        }
    }
    return S_OK;
}
