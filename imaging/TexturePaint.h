// Painting a 32-bit layer with a texture image: the texture is scaled by a
// fit rule, repeated over the layer (plainly or mirrored) and drawn over it,
// and the layer's shape is kept by multiplying the result's alpha with the
// layer's alpha from before the painting.
#pragma once
#include "imaging/Dib.h"
#include "imaging/RectD.h"
#include "imaging/TextureDesc.h"

// The whole target as both paint region and fit area, without alignment.
// E_INVALIDARG when the target has no header or bits.
HRESULT PaintDibWithTexture(CDib& target, const CDib& texture, unsigned fitType, double rateX, double rateY,
                            bool mirror, int offsetX, int offsetY);

// Areas are (x, y, width, height) in target pixels; their integer edges are
// (int)x, (int)y, (int)ceil(x + width), (int)ceil(y + height). The paint region
// is clipped to the target. S_OK with nothing painted for an empty region or
// a scaled texture below one pixel.
HRESULT PaintDibRectWithTexture(CDib& target, const CDib& texture, unsigned fitType, double rateX, double rateY,
                                bool mirror, int offsetX, int offsetY, bool alignRight, bool alignBottom,
                                const CRectD& paintRegion, const CRectD& fitArea);

// The drawn texture size for a fit type (TextureFit): the fit area's width,
// its height, both, or two rates of the texture's own size; false for an
// unknown type.
bool TextureTileSize(unsigned fitType, int textureWidth, int textureHeight, int fitWidth, int fitHeight, double rateX,
                     double rateY, int& width, int& height);
