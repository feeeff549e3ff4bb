// Painting a 32-bit layer with a texture image: the texture is scaled by a
// fit rule, repeated over the layer (plainly or mirrored) and drawn over it,
// and the layer's shape is kept by multiplying the result's alpha with the
// layer's alpha from before the painting.
#pragma once
#include "imaging/Dib.h"
#include "imaging/RectD.h"
#include "imaging/TextureDesc.h"
#include <map>
#include <memory>
#include <utility>
#include <vector>

// The whole target as both paint region and fit area, without alignment.
// E_INVALIDARG when the target has no header or bits.
HRESULT PaintDibWithTexture(CDib& target, const CDib& texture, unsigned fitType, double rateX, double rateY,
                            bool mirror, int offsetX, int offsetY);

// Areas are (x, y, width, height) in target pixels; their integer edges are
// (int)x, (int)y, (int)ceil(x + width), (int)ceil(y + height). The paint region
// is clipped to the target. S_OK with nothing painted for an empty region or
// fit area; a side of the scaled texture is at least one pixel.
HRESULT PaintDibRectWithTexture(CDib& target, const CDib& texture, unsigned fitType, double rateX, double rateY,
                                bool mirror, int offsetX, int offsetY, bool alignRight, bool alignBottom,
                                const CRectD& paintRegion, const CRectD& fitArea);

// One texture painted over many areas of a picture that may be held in
// bands of rows: the scaled tiles, and the mirrored copies the tiles
// alternate with, are made once per size. Prepare every area on one thread
// first; Paint may then run on many threads at once, each with its own
// target and scratch. Each Paint of an area gives the target's rows the
// pixels PaintDibRectWithTexture gives the same rows of the whole picture.
class CTexturePainter {
public:
    // The texture (32 bits) must outlive the painter, whose tile of its own
    // size is the texture itself; the areas are as for
    // PaintDibRectWithTexture, clipped to a picture of the given size.
    CTexturePainter(const CDib& texture, unsigned fitType, double rateX, double rateY, bool mirror, int offsetX,
                    int offsetY, bool alignRight, bool alignBottom, int pictureWidth, int pictureHeight);
    CTexturePainter(const CTexturePainter&) = delete;
    CTexturePainter& operator=(const CTexturePainter&) = delete;

    // Makes the tile (and its mirrored copies) the area needs. Fails as
    // PaintDibRectWithTexture would, with nothing painted.
    HRESULT Prepare(const CRectD& paintRegion, const CRectD& fitArea);
    // Paints the area's part that lies in `target`, whose row 0 is the
    // picture's row firstRow. The area must have been prepared (else
    // E_UNEXPECTED). alphaScratch holds the alphas from before the painting.
    HRESULT Paint(CDib& target, int firstRow, const CRectD& paintRegion, const CRectD& fitArea,
                  std::vector<BYTE>& alphaScratch) const;
    // The size the area's tile is scaled to; false when the area paints
    // nothing or the fit type is unknown. Says why a Prepare failed: a tile
    // enlarged far enough cannot be made.
    bool TileSize(const CRectD& paintRegion, const CRectD& fitArea, SIZE& tile) const;

private:
    struct CTile {
        const CDib* images[4] = {};        // by (flip x) | (flip y) << 1; [0] may be the texture
        std::unique_ptr<CDib> owned[4];    // those made here
    };
    // The area cut to the picture and the band of rows, the fit area's edges
    // and the tile size; S_FALSE when nothing is painted.
    HRESULT Place(const CRectD& paintRegion, const CRectD& fitArea, int firstRow, int rows, RECT& region, RECT& fit,
                  SIZE& tile) const;

    const CDib& m_texture;
    unsigned m_fitType;
    double m_rateX, m_rateY;
    bool m_mirror, m_alignRight, m_alignBottom;
    int m_offsetX, m_offsetY;
    int m_pictureWidth, m_pictureHeight;
    std::map<std::pair<int, int>, CTile> m_tiles;
};

// The drawn texture size for a fit type (TextureFit): the fit area's width,
// its height, both, or two rates of the texture's own size; false for an
// unknown type.
bool TextureTileSize(unsigned fitType, int textureWidth, int textureHeight, int fitWidth, int fitHeight, double rateX,
                     double rateY, int& width, int& height);
