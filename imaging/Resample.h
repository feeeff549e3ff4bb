// Texture sampling of image buffers: offset, rotation, scale, endless plain
// or mirrored repetition, flips; bilinear blending, with exact area
// averaging first for strong reductions. And the scaled copies of 32-bit
// bitmaps that textures are tiled with.
#pragma once
#include "imaging/Dib.h"
#include "imaging/Img.h"

// Fills every pixel of `destination` (format, width and height set) from
// `source` repeated as a texture. offsetX/Y: destination position of the
// source's origin; rateX/Y: source-to-destination scale; angle in radians.
// Throws IDS_IMAGE_FORMAT_UNSUPPORTED for a pair of formats it cannot map, IDS_IMAGE_RATE_INVALID for a rate that is
// not positive, IDS_IMAGE_SIZE_INVALID for an empty or short source.
void ScaleImg(CImg& destination, const CImg& source, bool flipX, bool flipY, bool mirrorX, bool mirrorY,
              double offsetX, double offsetY, double rateX, double rateY, double angle);

// `destination` becomes the source reduced to width x height by area
// averaging, in the source's format, with its resolution scaled accordingly.
void ReduceImgByArea(CImg& destination, const CImg& source, int width, int height);

// `destination` becomes a new 32-bit bitmap of width x height pixels made
// from the 32-bit `source` (straight alpha) without any other copy of it:
// ReduceDibByArea averages the area each pixel covers, colours weighted by
// their alpha; SampleDibByNearest takes the source pixel under each pixel's
// centre. False when the bitmap cannot be made (or the sizes are not positive).
bool ReduceDibByArea(const CDib& source, CDib& destination, int width, int height);
bool SampleDibByNearest(const CDib& source, CDib& destination, int width, int height);
