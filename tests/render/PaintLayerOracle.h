// The layer painting of the raster run done the plain way, as the tests'
// reference: a whole 32-bit layer image coloured by its paint over the unit
// rectangles, each shrunk by the layer's margins. The engine paints band by
// band into the result; both must give the same pixels.
#pragma once
#include "render/RasterStages.h"
#include "render/RasterEffects.h"
#include "render/TextLayout.h"
#include "decoration/Setting.h"
#include "imaging/PixelOps.h"
#include "imaging/TexturePaint.h"
#include "foundation/GuardedRunner.h"
#include "resources/strings_engine.h"
#include <vector>

// False after storing an error in `err`.
inline bool PaintLayer(CDib& image, const CPaintSetting& paint, const RECT& margins, const CTextLayout& layout,
                       CSimpleErr& err)
{
    const bool vertical = layout.Vertical;
    my::CCtrlException caught(nullptr, 0);
    CatchToError(caught, [&] {
        if (paint.Type != PaintType::LINEAR) {
            HRESULT hr = ColorizeDib(image, paint.Color);
            if (FAILED(hr))
                throw my::CException(IDS_SET_IMAGE_COLOR_FAILED, hr);
            if (paint.Type != PaintType::TEXTURE)
                return;
        }
        const CLinearGradation gradation = LayerGradation(paint, vertical);
        CTextureSetting texture;
        boost::shared_ptr<const CDib> textureImage;
        if (paint.Type == PaintType::TEXTURE)
            LoadLayerTexture(paint, vertical, texture, textureImage);
        const UINT unit = paint.Type == PaintType::LINEAR ? gradation.Unit : texture.Unit;
        const bool entire = paint.Type == PaintType::LINEAR ? gradation.Entire != FALSE : texture.Entire;
        for (const RECT& r : RectsOfUnit(unit, layout)) {
            CRectD clip, frame;
            UnitClipAndFrame(r, margins, entire, clip, frame);
            if (paint.Type == PaintType::LINEAR) {
                HRESULT hr = FillLinearGradationRect(image, gradation, clip, frame);
                if (FAILED(hr))
                    throw my::CException(IDS_GRADATE_IMAGE_FAILED, hr);
            } else {
                HRESULT hr = PaintDibRectWithTexture(image, *textureImage, texture.Type, texture.RateX,
                                                     texture.SameRate ? texture.RateX : texture.RateY, texture.Flip,
                                                     texture.OffsetX, texture.OffsetY, false, vertical, clip, frame);
                if (FAILED(hr))
                    throw my::CException(IDS_PASTE_TEXTURE_FAILED, hr);
            }
        }
    });
    if (caught.id != 0)
        err = caught;
    return caught.id == 0;
}
