// Texture painting of a layer.
//
// Algorithm: the texture is scaled once to the tile size given by the fit type
// (nearest neighbour when it grows in either direction, bicubic otherwise),
// then tiled over the paint region by DrawImageTiled from an origin at the
// fit area's corner, moved by the offsets and, when aligned right or bottom,
// so that a tile ends flush with that edge of the fit area. GDI+ composes the
// tiles over the layer; afterwards every pixel whose alpha was below 255
// before the painting gets alpha x old alpha / 255, so the layer keeps its
// coverage and takes the texture's colours.
//
// Edge cases: an empty paint region, a region outside the target (clipped to
// nothing) and a tile below one pixel (a tiny rate or an empty fit area)
// paint nothing and succeed. The target changes only once the tiles are drawn.
#include "imaging/TexturePaint.h"
#include "imaging/DibDraw.h"
#include "imaging/GdiPlusBitmap.h"
#include <algorithm>
#include <cmath>

namespace {

const HRESULT kNotEnoughMemory = HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY);  // 0x80070008

RECT IntegerEdges(const CRectD& r)
{
    return RECT{static_cast<LONG>(r.x), static_cast<LONG>(r.y), static_cast<LONG>(std::ceil(r.x + r.width)),
                static_cast<LONG>(std::ceil(r.y + r.height))};
}

int RoundHalfUp(double v) { return static_cast<int>(v + 0.5); }

} // namespace

bool TextureTileSize(unsigned fitType, int tw, int th, int fw, int fh, double rateX, double rateY, int& width,
                     int& height)
{
    switch (fitType) {
    case TEXTURE_FIT_WIDTH:
        width = fw;
        height = RoundHalfUp(static_cast<double>(th) * fw / tw);
        return true;
    case TEXTURE_FIT_HEIGHT:
        width = RoundHalfUp(static_cast<double>(tw) * fh / th);
        height = fh;
        return true;
    case TEXTURE_FIT_BOTH:
        width = fw;
        height = fh;
        return true;
    case TEXTURE_CUSTOM_RATE:
        width = RoundHalfUp(tw * rateX);
        height = RoundHalfUp(th * rateY);
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
    const RECT fit = IntegerEdges(fitArea);
    RECT region = IntegerEdges(paintRegion);
    if (region.left >= region.right || region.top >= region.bottom)
        return S_OK;
    region.left = std::max<LONG>(region.left, 0);
    region.top = std::max<LONG>(region.top, 0);
    region.right = std::min<LONG>(region.right, target.GetWidth());
    region.bottom = std::min<LONG>(region.bottom, target.GetAbsHeight());
    if (region.left >= region.right || region.top >= region.bottom)
        return S_OK;

    const int fitWidth = fit.right - fit.left, fitHeight = fit.bottom - fit.top;
    const int tw = texture.GetWidth(), th = texture.GetAbsHeight();
    int width = 0, height = 0;
    if (!TextureTileSize(fitType, tw, th, fitWidth, fitHeight, rateX, rateY, width, height))
        return E_INVALIDARG;
    // A tile below one pixel covers nothing (and cannot be scaled to).
    if (width < 1 || height < 1)
        return S_OK;

    CDib tile;
    const Gdiplus::InterpolationMode mode = (width > tw || height > th) ? Gdiplus::InterpolationModeNearestNeighbor
                                                                         : Gdiplus::InterpolationModeBicubic;
    HRESULT hr = ScaleDib(texture, RECT{0, 0, tw, th}, tile, SIZE{width, height}, 32, mode);
    if (FAILED(hr))
        return hr;
    boost::shared_ptr<Gdiplus::Bitmap> tileBitmap = BitmapFromDib(tile, true);
    boost::shared_ptr<Gdiplus::Bitmap> targetBitmap = BitmapFromDib(target, true);
    CDib before;
    if (!tileBitmap || !targetBitmap || !before.CopyFrom(target))
        return kNotEnoughMemory;

    int x0 = fit.left - region.left + offsetX;
    int y0 = fit.top - region.top + offsetY;
    if (alignRight)
        x0 += fitWidth - width;
    if (alignBottom)
        y0 += fitHeight - height;
    hr = DrawImageTiled(targetBitmap.get(), tileBitmap.get(), mirror, region.left, region.top,
                        region.right - region.left, region.bottom - region.top, 0, 0, width, height, x0, y0);
    if (FAILED(hr))
        return hr;

    for (LONG y = region.top; y < region.bottom; ++y) {
        const BYTE* old = before.GetImageRow(y);
        BYTE* row = target.GetImageRow(y);
        for (LONG x = region.left; x < region.right; ++x) {
            const unsigned a = old[x * 4 + 3];
            if (a < 255)
                row[x * 4 + 3] = static_cast<BYTE>(row[x * 4 + 3] * a / 255);
        }
    }
    return S_OK;
}
