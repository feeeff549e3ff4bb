#include "imaging/FormatConverter.h"
#include "imaging/ImgSource.h"
#include "imaging/WicImaging.h"
#include "platform/ComPtr.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {

CComPtr<IWICFormatConverter> Convert(IWICBitmapSource* source, const GUID& target, HRESULT expect = S_OK)
{
    CComPtr<IWICFormatConverter> converter;
    EXPECT_EQ(S_OK, wic::CreateFormatConverter(&converter));
    EXPECT_EQ(expect, converter->Initialize(source, target, WICBitmapDitherTypeNone, nullptr, 0.0,
                                            WICBitmapPaletteTypeCustom));
    return converter;
}

CComPtr<IWICBitmapSource> Source(const CImg& image)
{
    CComPtr<IWICBitmapSource> source;
    source.Attach(wic::CImgSource::Create(&image));
    return source;
}

} // namespace

TEST(FormatConverter, CmykWithAndWithoutAlpha)
{
    wic::CImagingFactoryScope factory;
    CImg cmyk(CMYK32, 2, 1);
    cmyk.m_bits = {10, 20, 30, 40, 50, 60, 70, 80};
    CComPtr<IWICFormatConverter> converter = Convert(Source(cmyk), GUID_WICPixelFormat40bppCMYKAlpha);
    BYTE out[12] = {};
    ASSERT_EQ(S_OK, converter->CopyPixels(nullptr, 12, 12, out));
    EXPECT_EQ((std::vector<BYTE>{10, 20, 30, 40, 255, 50, 60, 70, 80, 255}), std::vector<BYTE>(out, out + 10));
    WICPixelFormatGUID format = {};
    converter->GetPixelFormat(&format);
    EXPECT_TRUE(IsEqualGUID(GUID_WICPixelFormat40bppCMYKAlpha, format));
    BOOL can = FALSE;
    EXPECT_EQ(S_OK, converter->CanConvert(GUID_WICPixelFormat32bppCMYK, GUID_WICPixelFormat40bppCMYKAlpha, &can));
    EXPECT_TRUE(can);

    CImg cmyka(CMYKA40, 2, 1);
    cmyka.m_bits = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0};
    converter = Convert(Source(cmyka), GUID_WICPixelFormat32bppCMYK);
    // The second column alone.
    const WICRect right = {1, 0, 1, 1};
    BYTE one[4] = {};
    ASSERT_EQ(S_OK, converter->CopyPixels(&right, 4, 4, one));
    EXPECT_EQ((std::vector<BYTE>{6, 7, 8, 9}), std::vector<BYTE>(one, one + 4));

    IWICBitmapSource* asSource = nullptr;
    EXPECT_EQ(E_NOINTERFACE, converter->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(&asSource)));
}

// The final steps done here, for sources the system converter handles only
// as far as 32-bit BGRA.
TEST(FormatConverter, OwnStepsToColourGreyAndBlackWhite)
{
    wic::CImagingFactoryScope factory;
    CImg bgra(BGRA32, 37, 5);
    bgra.AllocBits();
    for (size_t i = 0; i < bgra.m_bits.size(); ++i)
        bgra.m_bits[i] = static_cast<uint8_t>(i * 73 + i / 7);
    const CImg gray = [] {
        CImg g(MONO8, 5, 2);
        g.m_bits = {0, 64, 128, 200, 255, 0, 0, 0, 10, 127, 128, 129, 250, 0, 0, 0};
        return g;
    }();

    const UINT w = 37, h = 5;
    std::vector<BYTE> out(3 * w * h);
    CComPtr<IWICFormatConverter> c = Convert(Source(bgra), GUID_WICPixelFormat24bppBGR);
    ASSERT_EQ(S_OK, c->CopyPixels(nullptr, 3 * w, static_cast<UINT>(out.size()), out.data()));
    for (UINT i = 0; i < w * h; ++i)
        ASSERT_EQ(0, std::memcmp(&out[i * 3], &bgra.m_bits[i * 4], 3)) << i;

    // The grey of a colour is the sRGB value of its luminance in linear light:
    // the primaries give 127, 220 and 76, the greys keep their value.
    struct Grey {
        BYTE b, g, r;
        BYTE grey;
    } const greys[] = {
        {0, 0, 255, 127}, {0, 255, 0, 220}, {255, 0, 0, 76}, {0, 255, 255, 247}, {255, 255, 0, 229},
        {255, 0, 255, 145}, {10, 20, 30, 22}, {200, 100, 50, 104}, {128, 128, 128, 128}, {127, 127, 127, 127},
        {1, 0, 0, 0}, {0, 0, 0, 0}, {255, 255, 255, 255},
    };
    const UINT n = sizeof greys / sizeof greys[0];
    CImg colours(BGRA32, n, 1);
    colours.AllocBits();
    for (UINT i = 0; i < n; ++i) {
        const BYTE pixel[4] = {greys[i].b, greys[i].g, greys[i].r, 255};
        std::memcpy(&colours.m_bits[i * 4], pixel, 4);
    }
    c = Convert(Source(colours), GUID_WICPixelFormat8bppGray);
    ASSERT_EQ(S_OK, c->CopyPixels(nullptr, n, n, out.data()));
    for (UINT i = 0; i < n; ++i)
        EXPECT_EQ(greys[i].grey, out[i]) << int(greys[i].b) << " " << int(greys[i].g) << " " << int(greys[i].r);

    // Black and white: white from a grey of 128 on.
    const UINT bwStride = (n + 7) / 8;
    c = Convert(Source(colours), GUID_WICPixelFormatBlackWhite);
    ASSERT_EQ(S_OK, c->CopyPixels(nullptr, bwStride, bwStride, out.data()));
    for (UINT i = 0; i < n; ++i) {
        const bool white = (out[i / 8] & (0x80 >> (i % 8))) != 0;
        EXPECT_EQ(greys[i].grey >= 128, white) << i;
    }

    // Grey to 24-bit colour, which the system converter leaves failing.
    c = Convert(Source(gray), GUID_WICPixelFormat24bppBGR);
    BYTE rgb[15] = {};
    const WICRect first = {0, 0, 5, 1};
    ASSERT_EQ(S_OK, c->CopyPixels(&first, 15, 15, rgb));
    for (int i = 0; i < 5; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(gray.m_bits[i], rgb[i * 3 + k]);
}

// A buffer too short for the rows, or a rectangle outside the source, is
// refused instead of being overrun.
TEST(FormatConverter, ShortBufferAndBadRectangles)
{
    wic::CImagingFactoryScope factory;
    CImg cmyk(CMYK32, 4, 3);
    cmyk.AllocBits();
    CImg bgra(BGRA32, 4, 3);
    bgra.AllocBits();
    const struct {
        const CImg* image;
        const GUID* target;
        UINT stride, need;  // whole image: (3 - 1) x stride + row bytes
    } cases[] = {
        {&cmyk, &GUID_WICPixelFormat40bppCMYKAlpha, 24, 2 * 24 + 20},
        {&bgra, &GUID_WICPixelFormat24bppBGR, 12, 2 * 12 + 12},
        {&bgra, &GUID_WICPixelFormat8bppGray, 8, 2 * 8 + 4},
        {&bgra, &GUID_WICPixelFormatBlackWhite, 4, 2 * 4 + 1},
    };
    for (const auto& k : cases) {
        CComPtr<IWICFormatConverter> c = Convert(Source(*k.image), *k.target);
        std::vector<BYTE> buffer(k.need + 16, 0xEE);
        EXPECT_EQ(E_INVALIDARG, c->CopyPixels(nullptr, k.stride, k.need - 1, buffer.data()));
        EXPECT_EQ(0xEE, buffer[0]);
        EXPECT_EQ(S_OK, c->CopyPixels(nullptr, k.stride, k.need, buffer.data()));
        EXPECT_EQ(0xEE, buffer[k.need]);
        for (const WICRect& r : {WICRect{-1, 0, 1, 1}, WICRect{3, 0, 2, 1}, WICRect{0, 2, 1, 2}, WICRect{0, 0, -1, 1}})
            EXPECT_EQ(E_INVALIDARG, c->CopyPixels(&r, k.stride, static_cast<UINT>(buffer.size()), buffer.data()));
    }
}

TEST(ImgSource, Pixels)
{
    CImg mono(MONO1, 16, 2);
    mono.m_bits = {0xF0, 0x0F, 0, 0, 0xF0, 0x0F, 0, 0};
    CComPtr<IWICBitmapSource> source = Source(mono);
    const WICRect shifted = {4, 0, 8, 2};
    BYTE out[2] = {0xEE, 0xEE};
    ASSERT_EQ(S_OK, source->CopyPixels(&shifted, 1, 2, out));
    EXPECT_EQ(0x00, out[0]);
    EXPECT_EQ(0x00, out[1]);
    const WICRect tail = {12, 0, 4, 1};
    ASSERT_EQ(S_OK, source->CopyPixels(&tail, 1, 1, out));
    EXPECT_EQ(0xF0, out[0]);

    CImg bgr(BGR24, 5, 3);
    bgr.AllocBits();
    source = Source(bgr);
    std::vector<BYTE> buffer(100);
    EXPECT_EQ(E_INVALIDARG, source->CopyPixels(nullptr, 16, 2 * 16 + 14, buffer.data()));
    EXPECT_EQ(S_OK, source->CopyPixels(nullptr, 16, 2 * 16 + 15, buffer.data()));
    const WICRect outside = {4, 0, 2, 1};
    EXPECT_EQ(E_INVALIDARG, source->CopyPixels(&outside, 16, 100, buffer.data()));

    CImg gray(MONO8, 2, 2);
    EXPECT_EQ(WINCODEC_ERR_PALETTEUNAVAILABLE, Source(gray)->CopyPalette(nullptr));
    CComPtr<IWICBitmapSource> empty;
    empty.Attach(wic::CImgSource::Create(nullptr));
    UINT w = 0, h = 0;
    double dx = 0, dy = 0;
    WICPixelFormatGUID format;
    EXPECT_EQ(E_POINTER, empty->GetSize(&w, &h));
    EXPECT_EQ(E_POINTER, empty->GetPixelFormat(&format));
    EXPECT_EQ(E_POINTER, empty->GetResolution(&dx, &dy));
    EXPECT_EQ(E_POINTER, empty->CopyPixels(nullptr, 4, 4, buffer.data()));
}
