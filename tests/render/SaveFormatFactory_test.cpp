#include "render/SaveFormatFactory.h"
#include "imaging/ImageSaver.h"
#include "outline/EmfRenderer.h"
#include "outline/PdfRenderer.h"
#include "outline/SvgRenderer.h"
#include <gtest/gtest.h>

TEST(SaveFormat, Renderers)
{
    for (UINT t = 0; t < 8; ++t) {
        CSaveFormat f;
        f.Type = t;
        boost::shared_ptr<CVectorRenderer> r = CreateRenderer(f);
        switch (t) {
        case OutputType::PDF:
            EXPECT_TRUE(dynamic_cast<CPdfRenderer*>(r.get()));
            break;
        case OutputType::SVG:
        case OutputType::SVG_TAG: {
            CSvgRenderer* svg = dynamic_cast<CSvgRenderer*>(r.get());
            ASSERT_TRUE(svg);
            EXPECT_EQ(t == OutputType::SVG, svg->HasFlag(CSvgRenderer::kXmlPrologue));
            break;
        }
        case OutputType::EMF:
            EXPECT_TRUE(dynamic_cast<CEmfRenderer*>(r.get()));
            break;
        default:
            EXPECT_FALSE(r) << t;
        }
    }
}

TEST(SaveFormat, ImageSavers)
{
    for (UINT t = 0; t < 8; ++t) {
        CSaveFormat f;
        f.Type = t;
        f.JpegQuality = 42;
        boost::shared_ptr<Gdiplus::CImageSaver> saver = CreateImageSaver(f);
        if (f.IsVector()) {
            EXPECT_FALSE(saver) << t;  // a PDF job must go through the vector task
            continue;
        }
        ASSERT_TRUE(saver) << t;
        const Gdiplus::EncoderParameters* params = saver->GetParams().GetParams();
        if (t == OutputType::JPEG) {
            EXPECT_FALSE(saver->m_alphaCapable);
            ASSERT_TRUE(params);
            ASSERT_EQ(1u, params->Count);
            EXPECT_EQ(42u, *static_cast<const ULONG*>(params->Parameter[0].Value));
        } else {
            // PNG, and every unknown type saves as PNG.
            EXPECT_TRUE(saver->m_alphaCapable) << t;
            EXPECT_TRUE(saver->m_paletteCapable) << t;
            EXPECT_FALSE(params) << t;
        }
    }
}
