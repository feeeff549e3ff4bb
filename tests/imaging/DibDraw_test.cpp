#include "imaging/DibDraw.h"
#include "imaging/DibSectionDC.h"
#include "platform/Gdi.h"
#include "tests/common/DibTestSupport.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

// A 32-bit bitmap whose pixel (x, y) is opaque with red x * 20, green y * 20.
void MakeGradient(CDib& dib, int w, int h, int bits = 32)
{
    ASSERT_TRUE(dib.CreateWithInfoHeader(w, h, static_cast<WORD>(bits)));
    ASSERT_TRUE(dib.AllocBits());
    dib.Clear();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = dib.GetImageRow(y) + x * (bits / 8);
            p[0] = 7;
            p[1] = static_cast<BYTE>(y * 20);
            p[2] = static_cast<BYTE>(x * 20);
            if (bits == 32)
                p[3] = 255;
        }
}

uint32_t Rgb32(int x, int y) { return 0xFF000000u | (x * 20u) << 16 | (y * 20u) << 8 | 7u; }

// A 32-bit DIB-section DC over (0, 0, w, h) filled with one value.
void MakeTarget(CDibSectionDC& dc, int w, int h, uint32_t fill)
{
    CScreenDC screen;
    ASSERT_TRUE(dc.Create(screen, {0, 0, w, h}, 32) && dc.GetDib());
    dc.FillRectValue({0, 0, w, h}, fill);
}

} // namespace

TEST(DibDraw, StretchToReadsTheTopRowsOfABottomUpImage)
{
    CDib dib;
    MakeGradient(dib, 10, 10);
    CDibSectionDC target;
    MakeTarget(target, 10, 10, 0);
    EXPECT_TRUE(dib.StretchTo(target, {0, 0, 10, 4}, {0, 0, 10, 4}));
    GdiFlush();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(Rgb32(x, y) & 0xFFFFFF, Px(*target.GetDib(), x, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(0u, Px(*target.GetDib(), 0, 4) & 0xFFFFFF);

    // Empty rectangles succeed without drawing; a bitmap without bits fails.
    // A draw clipped away copies no line and still succeeds; no DC fails.
    EXPECT_TRUE(dib.StretchTo(target, {0, 0, 0, 4}, {0, 0, 10, 4}));
    EXPECT_TRUE(dib.StretchTo(target, {100, 100, 110, 104}, {0, 0, 10, 4}));
    EXPECT_FALSE(dib.StretchTo(nullptr, {0, 0, 10, 4}, {0, 0, 10, 4}));
    EXPECT_FALSE(dib.DrawAt(nullptr, 0, 0));
    CDib empty;
    EXPECT_FALSE(empty.StretchTo(target, {0, 0, 1, 1}, {0, 0, 1, 1}));
    EXPECT_FALSE(empty.DrawAt(target, 0, 0));
}

TEST(DibDraw, DrawAtIsExactAndRestoresTheStretchMode)
{
    CDib dib;
    MakeGradient(dib, 6, 5);
    CDibSectionDC target;
    MakeTarget(target, 20, 20, 0xFF000000u);
    SetStretchBltMode(target, COLORONCOLOR);
    EXPECT_TRUE(dib.DrawAt(target, 3, 4));
    EXPECT_EQ(COLORONCOLOR, GetStretchBltMode(target));
    GdiFlush();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(Rgb32(x, y) & 0xFFFFFF, Px(*target.GetDib(), x + 3, y + 4) & 0xFFFFFF);
    EXPECT_EQ(0u, Px(*target.GetDib(), 2, 4) & 0xFFFFFF);
}

TEST(DibDraw, InterpolationAndDirection)
{
    using namespace Gdiplus;
    struct Case { int quality, direction; InterpolationMode mode; } cases[] = {
        {0, 1, InterpolationModeNearestNeighbor}, {0, -1, InterpolationModeNearestNeighbor},
        {1, 1, InterpolationModeHighQualityBilinear}, {1, 0, InterpolationModeDefault},
        {1, -1, InterpolationModeDefault}, {2, -1, InterpolationModeHighQualityBicubic},
        {5, 1, InterpolationModeHighQualityBicubic},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.mode, GetInterpolationForQuality(c.quality, c.direction)) << c.quality << "/" << c.direction;

    struct Dir { int dw, dh, sw, sh, direction; } dirs[] = {
        // Same area, other shape: not larger, so a reduction.
        {10, 10, 10, 10, 0}, {20, 10, 10, 10, 1}, {5, 30, 10, 10, 1}, {10, 9, 10, 10, -1}, {1, 100, 10, 10, -1},
    };
    for (const Dir& d : dirs)
        EXPECT_EQ(d.direction, ScalingDirection(d.dw, d.dh, d.sw, d.sh)) << d.dw << "x" << d.dh;
}

TEST(DibDraw, CreateDibLikeKeepsProfileAndIsZeroed)
{
    CDib source;
    ASSERT_TRUE(source.CreateWithV5Profile(4, -3, 32, 0, BI_RGB, std::string("PROFILE!")));
    CDib copy;
    ASSERT_EQ(S_OK, CreateDibLike(copy, source, 7, -5, 24));
    EXPECT_EQ(7, copy.GetWidth());
    EXPECT_EQ(5, copy.GetHeight());
    EXPECT_EQ(24, copy.GetBitCount());
    ASSERT_EQ(8u, copy.GetProfileSize());
    EXPECT_EQ(0, std::memcmp("PROFILE!", copy.GetProfileData(), 8));
    for (DWORD i = 0; i < copy.GetImageSize(); ++i)
        ASSERT_EQ(0, copy.GetBits()[i]) << i;
    CDib none;
    EXPECT_EQ(E_INVALIDARG, CreateDibLike(copy, none, 1, 1, 32));
}

TEST(DibDraw, ScaledAndConvertedCopies)
{
    CDib source;
    MakeGradient(source, 4, 3);
    Px(source, 1, 1) = 0x80102030u;

    // Nearest neighbour doubling: every pixel becomes a 2 x 2 block, alpha kept.
    CDib twice;
    ASSERT_EQ(S_OK, ScaleDib(source, {0, 0, 4, 3}, twice, SIZE{8, 6}, 32, Gdiplus::InterpolationModeNearestNeighbor));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            uint32_t expected = (x / 2 == 1 && y / 2 == 1) ? 0x80102030u : Rgb32(x / 2, y / 2);
            EXPECT_EQ(expected, Px(twice, x, y)) << x << "," << y;
        }

    CDib part;
    ASSERT_EQ(S_OK, ScaleDibSameBits(source, {2, 1, 4, 3}, part, SIZE{2, 2}, Gdiplus::InterpolationModeNearestNeighbor));
    EXPECT_EQ(Rgb32(2, 1), Px(part, 0, 0));
    EXPECT_EQ(Rgb32(3, 2), Px(part, 1, 1));

    CDib f;
    ASSERT_EQ(S_OK, ScaleDibF(source, Gdiplus::RectF(0, 0, 4, 3), f, Gdiplus::RectF(0, 0, 10.2f, 3.0f), 32,
                              Gdiplus::InterpolationModeNearestNeighbor));
    EXPECT_EQ(11, f.GetWidth());
    EXPECT_EQ(3, f.GetHeight());

    // Other depths: a 24-bit copy holds the pixels, not a black image.
    CDib rgb;
    ASSERT_EQ(S_OK, ConvertDibBits(source, rgb, 24));
    EXPECT_EQ(24, rgb.GetBitCount());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            if (x == 1 && y == 1)
                continue;
            const BYTE* p = rgb.GetImageRow(y) + x * 3;
            EXPECT_EQ(Rgb32(x, y) & 0xFFFFFF, uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16) << x << "," << y;
        }
    CDib back;
    ASSERT_EQ(S_OK, ConvertDibBits(rgb, back, 32));
    EXPECT_EQ(Rgb32(3, 2), Px(back, 3, 2));
    EXPECT_EQ(Rgb32(0, 0), Px(back, 0, 0));
}

TEST(DibDraw, DrawDibBlends)
{
    CDib dib;
    MakeGradient(dib, 4, 4);
    const RECT whole = {0, 0, 4, 4};

    struct Case {
        const char* what;
        uint32_t pixel;  // every pixel of the source, straight alpha
        BYTE alpha;
        uint32_t expected;  // over white
        int tolerance;
    } cases[] = {
        {"transparent pixels", 0x00FF0000u, 255, 0xFFFFFF, 0},
        {"opaque", 0xFF204080u, 255, 0x204080, 0},
        {"constant alpha 0", 0xFF204080u, 0, 0xFFFFFF, 0},
        {"half transparent pixel", 0x80000000u, 255, 0x7F7F7F, 1},
        {"constant alpha 128", 0xFF000000u, 128, 0x7F7F7F, 1},
    };
    for (const Case& c : cases) {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                Px(dib, x, y) = c.pixel;
        CDibSectionDC target;
        MakeTarget(target, 8, 8, 0xFFFFFFFFu);
        RECT destination = {2, 2, 6, 6};
        EXPECT_TRUE(DrawDib(target, &destination, dib, &whole, c.alpha, 0)) << c.what;
        GdiFlush();
        for (int ch = 0; ch < 24; ch += 8)
            EXPECT_NEAR(int((c.expected >> ch) & 0xFF), int((Px(*target.GetDib(), 3, 3) >> ch) & 0xFF),
                        c.tolerance)
                << c.what;
        EXPECT_EQ(0xFFFFFFu, Px(*target.GetDib(), 1, 1) & 0xFFFFFF) << c.what;
        EXPECT_EQ(0xFFFFFFu, Px(*target.GetDib(), 6, 6) & 0xFFFFFF) << c.what;
    }
}

TEST(DibDraw, DrawDibOtherDepthsAndFailures)
{
    CDib rgb;
    MakeGradient(rgb, 4, 4, 24);
    // Opaque 24-bit: StretchDIBits; below 255: the scaled copy blended with constant alpha.
    for (BYTE alpha : {BYTE(255), BYTE(254)}) {
        CDibSectionDC target;
        MakeTarget(target, 4, 4, 0xFF000000u);
        EXPECT_TRUE(DrawDib(target, nullptr, rgb, nullptr, alpha, 0));
        GdiFlush();
        uint32_t expected = Rgb32(3, 2);
        uint32_t got = Px(*target.GetDib(), 3, 2);
        for (int ch = 0; ch < 24; ch += 8)
            EXPECT_NEAR(int((expected >> ch) & 0xFF), int((got >> ch) & 0xFF), 1) << int(alpha);
    }

    CDib empty;
    CDibSectionDC target;
    MakeTarget(target, 4, 4, 0);
    EXPECT_FALSE(DrawDib(target, nullptr, empty, nullptr, 255, 0));
    // A DC that refuses the draw fails it, through StretchDIBits or the
    // blend, alone or in a list.
    CDib argb;
    MakeGradient(argb, 4, 4);
    EXPECT_FALSE(DrawDib(nullptr, nullptr, argb, nullptr, 255, 0));
    EXPECT_FALSE(DrawDib(nullptr, nullptr, rgb, nullptr, 255, 0));
    EXPECT_FALSE(DrawDibToAll(std::vector<HDC>(1, nullptr), nullptr, argb, nullptr, 255, 0));
    EXPECT_FALSE(DrawDibToAll({target, nullptr}, nullptr, rgb, nullptr, 255, 0));

    // One scaled copy for every DC of a list.
    CDibSectionDC second;
    MakeTarget(second, 4, 4, 0);
    std::vector<HDC> dcs = {target, second};
    EXPECT_TRUE(DrawDibToAll(dcs, nullptr, argb, nullptr, 255, 0));
    GdiFlush();
    EXPECT_EQ(Rgb32(2, 3) & 0xFFFFFF, Px(*target.GetDib(), 2, 3) & 0xFFFFFF);
    EXPECT_EQ(Rgb32(2, 3) & 0xFFFFFF, Px(*second.GetDib(), 2, 3) & 0xFFFFFF);
    EXPECT_TRUE(DrawDibToAll(std::vector<HDC>(), nullptr, argb, nullptr, 255, 0));
}
