// A paint button's texture face.
//
// Reduction: the engine's area average (ReduceDibByArea, colours weighted by
// their alpha), in one pass over the source rows. The kept size keeps the
// picture's proportions, at least one pixel a side.
//
// Face: the tile size comes from the picture's own size and the paint (the
// engine's TextureTileSize), so the face shows what the layer shows. A tile
// no larger than the kept copy is scaled from it as the engine scales its
// tile; a larger one is sampled from the kept copy by the nearest pixel
// (the engine enlarges by the nearest pixel too), never made whole: a rate
// of 100% on a picture of 13,000 pixels a side would make a tile of that
// size. Each face pixel is placed in the grid of tiles from the offsets (odd
// tiles mirrored when the paint says so) and laid over the face with its
// alpha. A tile below one pixel paints nothing.
#include "app/PaintFace.h"
#include "imaging/PixelOps.h"
#include "imaging/Resample.h"
#include "imaging/TexturePaint.h"
#include <algorithm>
#include <cmath>

namespace {

// The place within its tile of coordinate v, mirrored in odd tiles.
int InTile(long long v, int step, bool mirror)
{
    const long long k = v >= 0 ? v / step : -((-v + step - 1) / step);
    const int at = static_cast<int>(v - k * step);
    return mirror && (k & 1) ? step - 1 - at : at;
}

} // namespace

HRESULT ReducePictureForFace(const CDib& picture, SIZE face, boost::shared_ptr<CDib>& kept)
{
    const int sw = picture.GetWidth(), sh = picture.GetAbsHeight();
    if (picture.GetBitCount() != 32 || !picture.HasPixels() || sw < 1 || sh < 1)
        return E_INVALIDARG;
    const double budget = static_cast<double>(kFaceDetail) * std::max<LONG>(face.cx, 1) * std::max<LONG>(face.cy, 1);
    const double scale = std::min(1.0, std::sqrt(budget / (static_cast<double>(sw) * sh)));
    const int kw = std::max(1, static_cast<int>(sw * scale)), kh = std::max(1, static_cast<int>(sh * scale));
    boost::shared_ptr<CDib> out(new CDib);
    if (!ReduceDibByArea(picture, *out, kw, kh))
        return E_OUTOFMEMORY;
    kept = out;
    return S_OK;
}

void PaintFaceTexture(CDib& face, const CDib& kept, SIZE original, const CTextureSetting& texture)
{
    const int fw = face.GetWidth(), fh = face.GetAbsHeight(), kw = kept.GetWidth(), kh = kept.GetAbsHeight();
    int tw = 0, th = 0;
    if (!kept.HasPixels() || kw < 1 || kh < 1 || original.cx < 1 || original.cy < 1 ||
        !TextureTileSize(texture.Type, original.cx, original.cy, fw, fh, texture.RateX,
                         texture.SameRate ? texture.RateX : texture.RateY, tw, th) ||
        tw < 1 || th < 1)
        return;
    CDib scaled;
    const CDib* source = &kept;
    if (tw <= kw && th <= kh && (tw < kw || th < kh) && ReduceDibByArea(kept, scaled, tw, th))
        source = &scaled;
    const int sw = source->GetWidth(), sh = source->GetAbsHeight();
    for (int y = 0; y < fh; ++y) {
        const int v = InTile(static_cast<long long>(y) - texture.OffsetY, th, texture.Flip);
        const BYTE* row = source->GetImageRow(static_cast<int>(static_cast<long long>(v) * sh / th));
        BYTE* d = face.GetImageRow(y);
        for (int x = 0; x < fw; ++x, d += 4) {
            const int u = InTile(static_cast<long long>(x) - texture.OffsetX, tw, texture.Flip);
            const BYTE* p = row + static_cast<ptrdiff_t>(static_cast<long long>(u) * sw / tw) * 4;
            BlendPixelOver(d, p, p[3]);
        }
    }
}
