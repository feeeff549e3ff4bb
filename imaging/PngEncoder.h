// PNG files written by the program's own encoder, for the images the engine
// makes: 32-bit images with straight alpha (colour type 6, or 2 when only the
// colours are kept) and 8-bit palettised ones (type 3). The rows are compressed in independent pieces,
// which a caller may run on several threads: a large image is written in a
// fraction of the time one encoder thread takes.
#pragma once
#include "imaging/Dib.h"
#include <functional>
#include <string>

// Runs work(0) .. work(count - 1), in any order and possibly at once; false
// when it stopped early.
typedef std::function<bool(int count, const std::function<void(int)>& work)> CParallelFor;

// What a file keeps of the image beyond its pixels.
struct CPngOptions {
    // The colours alone: RGB (colour type 2) for a 32-bit image, the palette
    // without its alphas (no tRNS) for an 8-bit one.
    bool opaque = false;
    // The resolution for the pHYs chunk, in pixels per metre; none is
    // written unless both are above 0.
    unsigned pixelsPerMeterX = 0, pixelsPerMeterY = 0;
};

// The PNG file of the image into `out`. E_INVALIDARG for another bit count
// (or an 8-bit image without a colour table), E_OUTOFMEMORY, E_ABORT when
// `parallel` stopped, E_FAIL when compression fails. Without `parallel` the
// pieces run one after another.
HRESULT EncodePng(const CDib& image, std::string& out, const CParallelFor& parallel = CParallelFor(),
                  const CPngOptions& options = CPngOptions());
