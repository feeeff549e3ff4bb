// Making and reading 32-bit bitmaps in the imaging and renderer tests.
#pragma once
#include "imaging/Dib.h"
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <functional>

// Pixel (x, y) of a 32-bit bitmap, y counted from the top of the image.
inline uint32_t& Px(const CDib& dib, int x, int y) { return reinterpret_cast<uint32_t*>(dib.GetImageRow(y))[x]; }

// A bottom-up 32-bit bitmap whose pixel (x, y) is pixel(x, y); false when it
// cannot be made.
inline bool MakeDib32(CDib& dib, int w, int h, const std::function<uint32_t(int, int)>& pixel)
{
    if (!dib.CreateWithInfoHeader(w, h, 32) || !dib.AllocBits())
        return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Px(dib, x, y) = pixel(x, y);
    return true;
}

inline bool MakeDib32(CDib& dib, int w, int h, uint32_t fill)
{
    return MakeDib32(dib, w, h, [fill](int, int) { return fill; });
}

// The same on the heap; empty when it cannot be made.
inline boost::shared_ptr<CDib> NewDib32(int w, int h, uint32_t fill = 0)
{
    boost::shared_ptr<CDib> dib(new CDib);
    if (!MakeDib32(*dib, w, h, fill))
        dib.reset();
    return dib;
}
