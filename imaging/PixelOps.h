// Pixel operations on 32-bit bitmaps: colouring, turning by orientation code,
// trimming transparent margins, cropping, palette reduction, checkerboards.
// Results are HRESULTs; a failed operation leaves its out pointer and its
// source untouched. New bitmaps are 32-bit (or 8-bit) bottom-up.
#pragma once
#include "imaging/Dib.h"
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <cstring>

// Straight-alpha "over" of one BGRA pixel: the colour bgr[0..2] at alpha
// `alpha` (0 to 255) over the target pixel. Both weights are scaled by 255 and
// the quotients rounded, so that an opaque colour replaces the pixel exactly
// and alpha 0 leaves it as it was. Where nothing beneath shows and over an
// opaque pixel the same bytes come without dividing by the sum of weights.
inline void BlendPixelOver(BYTE* target, const BYTE* bgr, unsigned alpha)
{
    if (alpha == 0)
        return;
    const unsigned below = target[3];
    if (alpha == 255 || below == 0) {
        target[0] = bgr[0];
        target[1] = bgr[1];
        target[2] = bgr[2];
        target[3] = static_cast<BYTE>(alpha);
        return;
    }
    const unsigned ws = alpha * 255, wd = below * (255 - alpha);
    if (below == 255) {
        // The weights add up to 255 x 255, and the alpha stays 255.
        for (int c = 0; c < 3; ++c)
            target[c] = static_cast<BYTE>((bgr[c] * ws + target[c] * wd + 65025 / 2) / 65025);
        return;
    }
    const unsigned total = ws + wd;
    for (int c = 0; c < 3; ++c)
        target[c] = static_cast<BYTE>((bgr[c] * ws + target[c] * wd + total / 2) / total);
    target[3] = static_cast<BYTE>((total + 127) / 255);
}

enum TrimSide { TRIM_L = 1, TRIM_T = 2, TRIM_R = 4, TRIM_B = 8, TRIM_ALL = 15 };

// Every pixel with alpha != 0 gets the colour's B, G, R and keeps its alpha;
// fully transparent pixels become 0 in all four bytes. E_INVALIDARG unless 32-bit.
HRESULT ColorizeDib(CDib& dib, COLORREF color);

// The w x h block at (x, y) as a 2 x 2 checker: colour a where
// ((2i) / w + (2j) / h) is even. The block is clipped to the image.
HRESULT FillCheckerboard(CDib& dib, int x, int y, int w, int h, uint32_t a, uint32_t b);

// Makes an image with the EXIF orientation code (1-8) upright.
HRESULT RotateByOrientation(boost::shared_ptr<CDib>& out, const CDib& source, int orientation);

// Counts of fully transparent lines (alpha 0 everywhere) on the sides named
// by TrimSide flags; E_INVALIDARG when a side has no visible pixel at all.
HRESULT MeasureTransparentMargins(const CDib& source, int sides, int* left, int* top, int* right, int* bottom);
HRESULT TrimTransparentMargins(boost::shared_ptr<CDib>& out, const CDib& source, int sides);
// Replaces the image in place by its trimmed copy.
HRESULT TrimTransparentMargins(boost::shared_ptr<CDib>& image, int sides);

// Copy without the given margins; E_INVALIDARG for a negative margin or
// margins larger than the image, or a source that is not 32-bit.
HRESULT CropDib(boost::shared_ptr<CDib>& out, const CDib& source, int left, int top, int right, int bottom);

// An 8-bit copy with a palette of the distinct pixel values (alpha kept in
// the fourth byte of each entry), in ascending 0xAARRGGBB order.
// E_NOTIMPL for more than 256 values or a source that is not 32-bit.
HRESULT ReduceToPalette(boost::shared_ptr<CDib>& out, const CDib& source);
// Replaces the image in place when it can be reduced.
HRESULT ReduceToPalette(boost::shared_ptr<CDib>& image);

// Small operations on pixel i of a row of 32-bit pixels.
inline void SetPixelAlpha(BYTE* row, int i, BYTE a) { row[i * 4 + 3] = a; }
inline BYTE GetPixelAlpha(const BYTE* row, int i) { return row[i * 4 + 3]; }
inline void ZeroPixel(BYTE* row, int i) { std::memset(row + i * 4, 0, 4); }
inline void PremultiplyPixel(BYTE* row, int i)
{
    BYTE* p = row + i * 4;
    unsigned a = p[3];
    if (a < 255) {
        p[0] = static_cast<BYTE>(p[0] * a / 255);
        p[1] = static_cast<BYTE>(p[1] * a / 255);
        p[2] = static_cast<BYTE>(p[2] * a / 255);
    }
}
inline void ScalePixelAlpha(BYTE* row, int i, unsigned a)
{
    if (a < 255)
        row[i * 4 + 3] = static_cast<BYTE>(row[i * 4 + 3] * a / 255);
}
inline int ClampTo255(int v) { return v > 255 ? 255 : v; }
// Fills a run of u32 values; nothing unless the byte count is a multiple of 4.
inline void FillU32(void* p, size_t bytes, uint32_t value)
{
    if (bytes % 4 != 0)
        return;
    uint32_t* q = static_cast<uint32_t*>(p);
    for (size_t i = 0, n = bytes / 4; i < n; ++i)
        q[i] = value;
}
