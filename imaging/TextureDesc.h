// The texture paint record that the bitmap and cached renderers keep per
// stroke and fill.
#pragma once
#include "imaging/Img.h"
#include <boost/shared_ptr.hpp>

// Fit types: how the texture's scale follows the painted shape.
enum TextureFit { TEXTURE_FIT_WIDTH = 0, TEXTURE_FIT_HEIGHT = 1, TEXTURE_FIT_BOTH = 2, TEXTURE_CUSTOM_RATE = 3 };
// Flags: flips, and mirrored repetition along each axis.
enum TextureFlag { TEXTURE_FLIP_X = 1, TEXTURE_FLIP_Y = 2, TEXTURE_MIRROR_X = 4, TEXTURE_MIRROR_Y = 8 };

struct CTextureDesc {
    boost::shared_ptr<CImg> m_image;  // empty = no texture
    double m_scale = 1.0;             // carried, not read by the bitmap renderer
    double m_angle = 0.0;             // degrees
    int m_fitType = TEXTURE_FIT_WIDTH;
    double m_rateX = 1.0;
    double m_rateY = 1.0;
    int m_flags = 0;
    double m_offsetX = 0.0;
    double m_offsetY = 0.0;

    // The same image object and every other field exactly equal.
    bool operator==(const CTextureDesc& o) const
    {
        return m_image == o.m_image && m_scale == o.m_scale && m_angle == o.m_angle && m_fitType == o.m_fitType &&
               m_rateX == o.m_rateX && m_rateY == o.m_rateY && m_flags == o.m_flags && m_offsetX == o.m_offsetX &&
               m_offsetY == o.m_offsetY;
    }
    bool operator!=(const CTextureDesc& o) const { return !(*this == o); }
};

// Stores every field; the previous image is released.
inline void SetTexturePaint(CTextureDesc& desc, int fitType, int flags, const boost::shared_ptr<CImg>& image,
                            double scale, double angle, double rateX, double rateY, double offsetX, double offsetY)
{
    desc.m_fitType = fitType;
    desc.m_flags = flags;
    desc.m_image = image;
    desc.m_scale = scale;
    desc.m_angle = angle;
    desc.m_rateX = rateX;
    desc.m_rateY = rateY;
    desc.m_offsetX = offsetX;
    desc.m_offsetY = offsetY;
}

// Flip X is flag bit 0, flip Y bit 1.
inline void GetTextureFlipFlags(const CTextureDesc& t, bool& flipX, bool& flipY)
{
    flipX = (t.m_flags & TEXTURE_FLIP_X) != 0;
    flipY = (t.m_flags & TEXTURE_FLIP_Y) != 0;
}

// Fitting to a side repeats mirrored along it, so the seams match.
inline void GetTextureMirrorFlags(const CTextureDesc& t, bool& mirrorX, bool& mirrorY)
{
    mirrorX = t.m_fitType == TEXTURE_FIT_WIDTH || t.m_fitType == TEXTURE_FIT_BOTH || (t.m_flags & TEXTURE_MIRROR_X);
    mirrorY = t.m_fitType == TEXTURE_FIT_HEIGHT || t.m_fitType == TEXTURE_FIT_BOTH || (t.m_flags & TEXTURE_MIRROR_Y);
}
