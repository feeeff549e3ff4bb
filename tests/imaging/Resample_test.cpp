#include "imaging/Resample.h"
#include "imaging/TextureDesc.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include "resources/strings_imaging.h"
#include "tests/common/TestSupport.h"
#include "tests/common/DibTestSupport.h"
#include <gtest/gtest.h>
#include <cmath>
#include <functional>

namespace {

CImg Gradient(uint32_t format, int w, int h)
{
    CImg img(format, w, h);
    img.AllocBits();
    const int n = img.GetBytesPerPixel();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < n; ++c)
                img.Row(y)[x * n + c] = static_cast<uint8_t>(x * 10 + y * 50 + c);
    return img;
}

// Channel 0 of every pixel of row y.
std::vector<int> Row0(const CImg& img, int y)
{
    std::vector<int> out;
    for (int x = 0; x < img.m_w; ++x)
        out.push_back(img.Row(y)[x * img.GetBytesPerPixel()]);
    return out;
}

} // namespace

TEST(ScaleImg, CopiesAtRateOne)
{
    CImg src = Gradient(BGRA32, 5, 3);
    CImg dst(BGRA32, 5, 3);
    ScaleImg(dst, src, false, false, false, false, 0, 0, 1, 1, 0);
    EXPECT_EQ(src.m_bits, dst.m_bits);
}

TEST(ScaleImg, WrapsMirrorsAndFlips)
{
    CImg src = Gradient(BGRA32, 3, 1);  // channel 0: 0, 10, 20
    CImg src2 = Gradient(BGRA32, 2, 1); // 0, 10
    struct Case {
        const char* what;
        const CImg* source;
        bool flipX, mirrorX;
        double offsetX;
        std::vector<int> row;
    } cases[] = {
        {"offset 1 wraps the last column to the front", &src, false, false, 1, {20, 0, 10, 20, 0, 10, 20}},
        {"negative offset", &src, false, false, -1, {10, 20, 0, 10, 20, 0, 10}},
        {"mirrored", &src2, false, true, 0, {0, 10, 10, 0, 0, 10, 10}},
        {"flipped", &src, true, false, 0, {20, 10, 0, 20, 10, 0, 20}},
        {"flipped and mirrored", &src2, true, true, 0, {10, 0, 0, 10, 10, 0, 0}},
    };
    for (const Case& c : cases) {
        CImg dst(BGRA32, 7, 1);
        ScaleImg(dst, *c.source, c.flipX, false, c.mirrorX, false, c.offsetX, 0, 1, 1, 0);
        EXPECT_EQ(c.row, Row0(dst, 0)) << c.what;
    }
}

TEST(ScaleImg, BilinearHalfStep)
{
    CImg src = Gradient(BGRA32, 2, 1);  // 0, 10
    CImg dst(BGRA32, 4, 1);
    ScaleImg(dst, src, false, false, false, false, 0, 0, 2, 1, 0);
    // u = 0, 0.5, 1, 1.5 -> 0, 5, 10, then halfway from 10 back to 0 (wrapping)
    EXPECT_EQ((std::vector<int>{0, 5, 10, 5}), Row0(dst, 0));
}

TEST(ScaleImg, RotationQuarterTurn)
{
    CImg src = Gradient(BGRA32, 4, 4);
    CImg dst(BGRA32, 4, 4);
    // A quarter turn about the origin: destination (x, y) reads source (y, -x).
    ScaleImg(dst, src, false, false, false, false, 0, 0, 1, 1, 3.14159265358979323846 / 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            int sx = y, sy = (4 - x) % 4;
            EXPECT_NEAR(src.Row(sy)[sx * 4], dst.Row(y)[x * 4], 1) << x << "," << y;
        }
}

TEST(ScaleImg, FormatPairs)
{
    CImg rgb = Gradient(BGR24, 2, 2);
    CImg dst(BGRA32, 2, 2);
    ScaleImg(dst, rgb, false, false, false, false, 0, 0, 1, 1, 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(255, dst.m_bits[i * 4 + 3]);
    EXPECT_EQ(rgb.Row(1)[3], dst.Row(1)[4]);

    CImg grey(MONO8, 1, 1);
    grey.AllocBits();
    grey.m_bits[0] = 200;
    CImg cmyk(CMYK32, 1, 1);
    ScaleImg(cmyk, grey, false, false, false, false, 0, 0, 1, 1, 0);
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 55}), cmyk.m_bits);
    CImg cmyka(CMYKA40, 1, 1);
    ScaleImg(cmyka, grey, false, false, false, false, 0, 0, 1, 1, 0);
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 55, 255, 0, 0, 0}), cmyka.m_bits);
    CImg bgr(BGR24, 1, 1);
    ScaleImg(bgr, grey, false, false, false, false, 0, 0, 1, 1, 0);
    EXPECT_EQ((std::vector<uint8_t>{200, 200, 200, 0}), bgr.m_bits);

    struct Refused { uint32_t dst, src; } refused[] = {
        {BGR24, BGRA32}, {MONO8, MONO8}, {MONO1, BGRA32}, {BGRA32, CMYK32}, {CMYK32, BGR24},
        {BGRA32, MONO1}, {CMYK32, CMYKA40}, {BGR24, CMYK32},
    };
    for (const Refused& r : refused) {
        CImg s(r.src, 2, 2);
        s.AllocBits();
        CImg d(r.dst, 2, 2);
        EXPECT_EQ(UINT(IDS_IMAGE_FORMAT_UNSUPPORTED), ThrownId([&] { ScaleImg(d, s, false, false, false, false, 0, 0, 1, 1, 0); }))
            << r.dst << " <- " << r.src;
        EXPECT_TRUE(d.m_bits.empty());
    }
}

TEST(ScaleImg, BadRatesAndSources)
{
    CImg src = Gradient(BGRA32, 2, 2);
    CImg dst(BGRA32, 2, 2);
    for (double rate : {0.0, -1.0, std::nan("")})
        EXPECT_EQ(UINT(IDS_IMAGE_RATE_INVALID), ThrownId([&] { ScaleImg(dst, src, false, false, false, false, 0, 0, 1, rate, 0); }));
    try {
        ScaleImg(dst, src, false, false, false, false, 0, 0, 0, 1, 0);
    } catch (const my::CException& e) {
        EXPECT_EQ(L"画像の拡大率 0 が不正です", e.message);
    }
    CImg empty(BGRA32, 0, 2);
    EXPECT_EQ(UINT(IDS_IMAGE_SIZE_INVALID), ThrownId([&] { ScaleImg(dst, empty, false, false, false, false, 0, 0, 1, 1, 0); }));
    CImg shortRows(BGRA32, 2, 2);
    shortRows.m_bits.resize(8);
    EXPECT_EQ(UINT(IDS_IMAGE_SIZE_INVALID), ThrownId([&] { ScaleImg(dst, shortRows, false, false, false, false, 0, 0, 1, 1, 0); }));
    EXPECT_TRUE(dst.m_bits.empty());
}

TEST(ScaleImg, StrongReductionAveragesFirst)
{
    // Alternating columns 0/255: point sampling at rate 0.25 would give only
    // 0 or only 255; the area pass gives the mean.
    CImg src(MONO8, 100, 4);
    src.AllocBits();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 100; ++x)
            src.Row(y)[x] = x % 2 ? 255 : 0;
    CImg dst(BGRA32, 25, 1);
    ScaleImg(dst, src, false, false, false, false, 0, 0, 0.25, 0.25, 0);
    for (int x = 0; x < 25; ++x)
        EXPECT_NEAR(127, dst.Row(0)[x * 4], 1) << x;

    // A one-pixel-wide source is not reduced along that axis.
    CImg thin = Gradient(BGRA32, 1, 8);
    CImg out(BGRA32, 1, 2);
    ScaleImg(out, thin, false, false, false, false, 0, 0, 0.25, 0.25, 0);
    EXPECT_EQ(25, out.Row(0)[0]);  // rows 0 and 1 averaged
}

TEST(ReduceImgByArea, ExactAverages)
{
    CImg row(MONO8, 3, 1);
    row.AllocBits();
    row.m_bits[0] = 0;
    row.m_bits[1] = 255;
    row.m_bits[2] = 255;
    row.m_dpiX = 300;
    row.m_dpiY = 300;
    CImg out;
    ReduceImgByArea(out, row, 1, 1);
    EXPECT_EQ(170, out.m_bits[0]);
    EXPECT_DOUBLE_EQ(100.0, out.m_dpiX);
    EXPECT_DOUBLE_EQ(300.0, out.m_dpiY);

    // 3 -> 2: pixel 1 is shared half and half.
    CImg two;
    row.m_bits[0] = 90;
    row.m_bits[1] = 30;
    row.m_bits[2] = 60;
    ReduceImgByArea(two, row, 2, 1);
    EXPECT_EQ((90 * 2 + 30) / 3, two.m_bits[0]);
    EXPECT_EQ((30 + 60 * 2) / 3, two.m_bits[1]);

    CImg none;
    ReduceImgByArea(none, row, 0, 1);
    EXPECT_TRUE(none.m_bits.empty());
    CImg mono1(MONO1, 8, 1);
    mono1.AllocBits();
    EXPECT_EQ(UINT(IDS_IMAGE_FORMAT_UNSUPPORTED), ThrownId([&] { ReduceImgByArea(none, mono1, 1, 1); }));
}

// A target pixel covering ~111,000 source pixels overflowed 32-bit sums.
TEST(ReduceImgByArea, UniformStaysUniform)
{
    struct Case { uint32_t format; int sw, sh, tw, th; uint8_t value; } cases[] = {
        {BGRA32, 1000, 1000, 3, 3, 255},
        {MONO8, 1000, 1000, 3, 3, 255},
        {BGR24, 997, 13, 7, 3, 100},
        {CMYKA40, 640, 480, 9, 11, 1},
    };
    for (const Case& c : cases) {
        CImg src(c.format, c.sw, c.sh);
        src.AllocBits();
        std::fill(src.m_bits.begin(), src.m_bits.end(), c.value);
        CImg out;
        ReduceImgByArea(out, src, c.tw, c.th);
        const int n = out.GetBytesPerPixel();
        for (int y = 0; y < c.th; ++y)
            for (int x = 0; x < c.tw * n; ++x)
                ASSERT_EQ(c.value, out.Row(y)[x]) << c.sw << "->" << c.tw << " at " << x << "," << y;
    }
}

TEST(TextureDesc, FlagsAndEquality)
{
    struct Case { int fit, flags; bool flipX, flipY, mirrorX, mirrorY; } cases[] = {
        {TEXTURE_FIT_WIDTH, 0, false, false, true, false},
        {TEXTURE_FIT_HEIGHT, 0, false, false, false, true},
        {TEXTURE_FIT_BOTH, 0, false, false, true, true},
        {TEXTURE_CUSTOM_RATE, 0, false, false, false, false},
        {TEXTURE_CUSTOM_RATE, 1 | 8, true, false, false, true},
        {TEXTURE_CUSTOM_RATE, 2 | 4, false, true, true, false},
    };
    for (const Case& c : cases) {
        CTextureDesc t;
        t.m_fitType = c.fit;
        t.m_flags = c.flags;
        bool fx, fy, mx, my;
        GetTextureFlipFlags(t, fx, fy);
        GetTextureMirrorFlags(t, mx, my);
        EXPECT_EQ(c.flipX, fx);
        EXPECT_EQ(c.flipY, fy);
        EXPECT_EQ(c.mirrorX, mx) << c.fit << "/" << c.flags;
        EXPECT_EQ(c.mirrorY, my) << c.fit << "/" << c.flags;
    }
    CTextureDesc a, b;
    EXPECT_TRUE(a == b);
    boost::shared_ptr<CImg> img(new CImg(BGRA32, 1, 1));
    SetTexturePaint(a, 3, 1, img, 2.0, 30, 0.5, 0.25, 1, 2);
    SetTexturePaint(b, 3, 1, img->Clone(), 2.0, 30, 0.5, 0.25, 1, 2);
    EXPECT_FALSE(a == b);  // an equal image that is another object
    b.m_image = img;
    EXPECT_TRUE(a == b);
    EXPECT_EQ(2, img.use_count() - 1);
}

// A texture's tile straight from the picture: reduced by the area each
// pixel covers, colours weighted by their alpha (a transparent pixel lends
// none), or enlarged by the pixel at x x source / tile.
TEST(ScaleDibForTile, AreaAndNearest)
{
    struct Case {
        const char* what;
        bool reduce;
        std::vector<uint32_t> row;  // one row of source pixels
        int width;
        std::vector<uint32_t> expected;
    } cases[] = {
        {"uniform stays uniform", true, std::vector<uint32_t>(7, 0x80336699u), 3, std::vector<uint32_t>(3, 0x80336699u)},
        {"transparent lends no colour", true, {0xFFFF0000u, 0x00000000u}, 1, {0x80FF0000u}},
        {"averaged", true, {0xFF000000u, 0xFF00001Eu, 0xFF00003Cu, 0xFF00005Au}, 2, {0xFF00000Fu, 0xFF00004Bu}},
        {"each third", false, {0xFF000001u, 0xFF000002u, 0xFF000003u}, 7,
         {0xFF000001u, 0xFF000001u, 0xFF000001u, 0xFF000002u, 0xFF000002u, 0xFF000003u, 0xFF000003u}},
    };
    for (const Case& c : cases) {
        CDib source, tile;
        ASSERT_TRUE(MakeDib32(source, static_cast<int>(c.row.size()), 3, [&](int x, int) { return c.row[x]; }));
        ASSERT_TRUE(c.reduce ? ReduceDibByArea(source, tile, c.width, 2) : SampleDibByNearest(source, tile, c.width, 5))
            << c.what;
        for (int y = 0; y < tile.GetAbsHeight(); ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(c.expected[x], Px(tile, x, y)) << c.what << " " << x << "," << y;
    }
}
