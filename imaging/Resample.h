// Texture sampling of image buffers: offset, rotation, scale, endless plain
// or mirrored repetition, flips; bilinear blending, with exact area
// averaging first for strong reductions.
#pragma once
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
