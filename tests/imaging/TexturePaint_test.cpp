#include "imaging/TexturePaint.h"
#include "tests/common/DibTestSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <functional>

namespace {

const uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu, kGreen = 0xFF00FF00u, kWhite = 0xFFFFFFFFu;

// Quadrants: red top-left, blue top-right, green bottom-left, white bottom-right.
uint32_t Quadrant(int x, int y, int w, int h)
{
    bool right = x >= w / 2, bottom = y >= h / 2;
    return bottom ? (right ? kWhite : kGreen) : (right ? kBlue : kRed);
}

// Opaque black layer: every pixel of it is painted.
void Layer(CDib& dib, int w, int h, uint32_t value = 0xFF000000u)
{
    ASSERT_TRUE(MakeDib32(dib, w, h, [=](int, int) { return value; }));
}

CRectD Area(double x, double y, double w, double h) { return CRectD{x, y, w, h}; }

} // namespace

TEST(TexturePaint, TileSizes)
{
    struct Case { unsigned fit; int tw, th, fw, fh; double rx, ry; bool ok; int w, h; } cases[] = {
        {TEXTURE_FIT_WIDTH, 50, 50, 100, 40, 0, 0, true, 100, 100},
        {TEXTURE_FIT_WIDTH, 3, 2, 10, 99, 0, 0, true, 10, 7},  // 6.67 rounds up
        {TEXTURE_FIT_HEIGHT, 30, 20, 99, 10, 0, 0, true, 15, 10},
        {TEXTURE_FIT_BOTH, 7, 9, 40, 20, 0, 0, true, 40, 20},
        {TEXTURE_CUSTOM_RATE, 64, 32, 0, 0, 0.5, 0.5, true, 32, 16},
        {TEXTURE_CUSTOM_RATE, 64, 32, 0, 0, 0.001, 1.0, true, 1, 32},  // at least a pixel
        {TEXTURE_FIT_WIDTH, 64, 32, 0, 50, 0, 0, true, 0, 1},
        {4, 64, 32, 10, 10, 1, 1, false, 0, 0},
    };
    for (const Case& c : cases) {
        int w = -1, h = -1;
        EXPECT_EQ(c.ok, TextureTileSize(c.fit, c.tw, c.th, c.fw, c.fh, c.rx, c.ry, w, h)) << c.fit;
        if (c.ok) {
            EXPECT_EQ(c.w, w) << c.fit << " " << c.tw << "x" << c.th;
            EXPECT_EQ(c.h, h) << c.fit << " " << c.tw << "x" << c.th;
        }
    }
}

TEST(TexturePaint, FitWidthEnlargesOneTileRow)
{
    // 100 x 40 layer, 50 x 50 texture: 100 x 100 tiles by nearest neighbour.
    CDib texture, layer;
    ASSERT_TRUE(MakeDib32(texture, 50, 50, [](int x, int y) { return Quadrant(x, y, 50, 50); }));
    Layer(layer, 100, 40);
    ASSERT_EQ(S_OK, PaintDibWithTexture(layer, texture, TEXTURE_FIT_WIDTH, 1, 1, false, 0, 0));
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(kRed, Px(layer, 0, y)) << y;
        EXPECT_EQ(kRed, Px(layer, 49, y)) << y;
        EXPECT_EQ(kBlue, Px(layer, 50, y)) << y;
        EXPECT_EQ(kBlue, Px(layer, 99, y)) << y;
    }
}

TEST(TexturePaint, FitBothStretchesToTheArea)
{
    CDib texture, layer;
    ASSERT_TRUE(MakeDib32(texture, 4, 4, [](int x, int y) { return Quadrant(x, y, 4, 4); }));
    Layer(layer, 40, 20);
    ASSERT_EQ(S_OK, PaintDibWithTexture(layer, texture, TEXTURE_FIT_BOTH, 1, 1, false, 0, 0));
    struct Probe { int x, y; uint32_t colour; } probes[] = {
        {0, 0, kRed}, {19, 9, kRed}, {20, 0, kBlue}, {39, 9, kBlue}, {0, 10, kGreen}, {19, 19, kGreen},
        {20, 10, kWhite}, {39, 19, kWhite},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(p.colour, Px(layer, p.x, p.y)) << p.x << "," << p.y;
}

TEST(TexturePaint, HalfRatesTileAt32By16)
{
    // Reduced with bicubic interpolation: only pixels away from the colour
    // edges are pinned.
    CDib texture, layer;
    ASSERT_TRUE(MakeDib32(texture, 64, 32, [](int x, int) { return x < 32 ? kRed : kBlue; }));
    Layer(layer, 70, 40);
    ASSERT_EQ(S_OK, PaintDibWithTexture(layer, texture, TEXTURE_CUSTOM_RATE, 0.5, 0.5, false, 0, 0));
    for (int y : {2, 20, 37}) {
        EXPECT_EQ(kRed, Px(layer, 4, y)) << y;
        EXPECT_EQ(kBlue, Px(layer, 24, y)) << y;
        EXPECT_EQ(kRed, Px(layer, 36, y)) << y;
        EXPECT_EQ(kBlue, Px(layer, 56, y)) << y;
        EXPECT_EQ(kRed, Px(layer, 68, y)) << y;
    }
}

TEST(TexturePaint, RightAlignmentEndsATileAtTheEdge)
{
    // 30-pixel tiles of a red and a blue half over a 100-pixel fit area.
    CDib texture;
    ASSERT_TRUE(MakeDib32(texture, 30, 10, [](int x, int) { return x < 15 ? kRed : kBlue; }));
    struct Case { bool alignRight; int offset; uint32_t at75, at95; } cases[] = {
        {false, 0, kBlue, kRed},   // tiles at 60 and 90
        {true, 0, kRed, kBlue},    // tiles at 10, 40, 70
        {true, -10, kBlue, kRed},  // tiles at 60, 90
    };
    for (const Case& c : cases) {
        CDib layer;
        Layer(layer, 100, 10);
        ASSERT_EQ(S_OK, PaintDibRectWithTexture(layer, texture, TEXTURE_CUSTOM_RATE, 1, 1, false, c.offset, 0,
                                                c.alignRight, false, Area(0, 0, 100, 10), Area(0, 0, 100, 10)));
        EXPECT_EQ(c.at75, Px(layer, 75, 5)) << c.alignRight << " " << c.offset;
        EXPECT_EQ(c.at95, Px(layer, 95, 5)) << c.alignRight << " " << c.offset;
    }
}

TEST(TexturePaint, MirroredTilesMeetAtMirroredEdges)
{
    CDib texture, layer;
    ASSERT_TRUE(MakeDib32(texture, 10, 4, [](int x, int y) { return x < 5 ? (y < 2 ? kRed : kGreen) : kBlue; }));
    Layer(layer, 20, 8);
    ASSERT_EQ(S_OK, PaintDibWithTexture(layer, texture, TEXTURE_CUSTOM_RATE, 1, 1, true, 0, 0));
    EXPECT_EQ(kRed, Px(layer, 1, 0));
    EXPECT_EQ(kBlue, Px(layer, 8, 0));
    EXPECT_EQ(kBlue, Px(layer, 11, 0));  // second column mirrored left-right
    EXPECT_EQ(kRed, Px(layer, 18, 0));
    EXPECT_EQ(kGreen, Px(layer, 1, 4));  // second row mirrored top-bottom
    EXPECT_EQ(kRed, Px(layer, 1, 7));
    EXPECT_EQ(kGreen, Px(layer, 18, 4));
}

TEST(TexturePaint, LayerAlphaIsKept)
{
    CDib texture, layer;
    ASSERT_TRUE(MakeDib32(texture, 4, 4, [](int, int) { return 0xFF204060u; }));
    const uint32_t alphas[4] = {0, 1, 128, 255};
    ASSERT_TRUE(MakeDib32(layer, 4, 1, [&](int x, int) { return (alphas[x] << 24) | 0x00FFFFFFu; }));
    ASSERT_EQ(S_OK, PaintDibWithTexture(layer, texture, TEXTURE_FIT_BOTH, 1, 1, false, 0, 0));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(alphas[x], Px(layer, x, 0) >> 24) << x;
        if (alphas[x] != 0) {
            EXPECT_EQ(0x204060u, Px(layer, x, 0) & 0xFFFFFF) << x;
        }
    }
}

TEST(TexturePaint, NothingToPaintSucceedsUnchanged)
{
    CDib texture;
    ASSERT_TRUE(MakeDib32(texture, 64, 32, [](int, int) { return kRed; }));
    struct Case { const char* what; unsigned fit; double rate; CRectD region, fit_; } cases[] = {
        {"empty fit area", TEXTURE_FIT_WIDTH, 1, Area(0, 0, 10, 10), Area(3, 3, 0, 0)},
        {"empty fit height", TEXTURE_FIT_HEIGHT, 1, Area(0, 0, 10, 10), Area(3, 3, 5, 0)},
        {"region of zero width", TEXTURE_FIT_BOTH, 1, Area(4, 0, 0, 10), Area(0, 0, 10, 10)},
        {"region outside", TEXTURE_FIT_BOTH, 1, Area(20, 20, 5, 5), Area(0, 0, 10, 10)},
    };
    for (const Case& c : cases) {
        CDib layer;
        Layer(layer, 10, 10, 0x80123456u);
        EXPECT_EQ(S_OK, PaintDibRectWithTexture(layer, texture, c.fit, c.rate, c.rate, false, 0, 0, false, false,
                                                c.region, c.fit_))
            << c.what;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(0x80123456u, Px(layer, x, y)) << c.what << " " << x << "," << y;
    }
}

// A side that its fit scales below a pixel is drawn one pixel thin, where
// the layer kept its plain colour.
TEST(TexturePaint, ThinTexturesAreDrawnInEveryFit)
{
    CDib wide, tall, green;
    ASSERT_TRUE(MakeDib32(wide, 400, 1, [](int x, int) { return x < 200 ? kRed : kBlue; }));
    ASSERT_TRUE(MakeDib32(tall, 1, 400, [](int, int y) { return y < 200 ? kRed : kBlue; }));
    ASSERT_TRUE(MakeDib32(green, 4, 4, [](int, int) { return kGreen; }));
    struct Case {
        const char* what;
        const CDib& texture;
        unsigned fit;
        double rate;
        bool across;  // the colours change along x, else along y
        uint32_t first, last;
    } cases[] = {
        {"wide, fit to the width", wide, TEXTURE_FIT_WIDTH, 1, true, kRed, kBlue},
        {"tall, fit to the height", tall, TEXTURE_FIT_HEIGHT, 1, false, kRed, kBlue},
        {"the least rate", green, TEXTURE_CUSTOM_RATE, 0.001, true, kGreen, kGreen},
    };
    for (const Case& c : cases) {
        CDib layer;
        Layer(layer, 10, 10);
        ASSERT_EQ(S_OK, PaintDibWithTexture(layer, c.texture, c.fit, c.rate, c.rate, false, 0, 0)) << c.what;
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(c.first, Px(layer, c.across ? 1 : i, c.across ? i : 1)) << c.what << " " << i;
            EXPECT_EQ(c.last, Px(layer, c.across ? 8 : i, c.across ? i : 8)) << c.what << " " << i;
        }
    }
}

TEST(TexturePaint, RegionIsClippedAndBadInputRefused)
{
    CDib texture, layer;
    ASSERT_TRUE(MakeDib32(texture, 2, 2, [](int, int) { return kGreen; }));
    Layer(layer, 10, 10);
    // The region reaches past the layer on every side; only (2, 3)-(10, 10)
    // of the layer lies in it.
    ASSERT_EQ(S_OK, PaintDibRectWithTexture(layer, texture, TEXTURE_FIT_BOTH, 1, 1, false, 0, 0, false, false,
                                            Area(2.5, 3.2, 50, 50), Area(0, 0, 10, 10)));
    EXPECT_EQ(0xFF000000u, Px(layer, 1, 5));
    EXPECT_EQ(0xFF000000u, Px(layer, 5, 2));
    EXPECT_EQ(kGreen, Px(layer, 2, 3));
    EXPECT_EQ(kGreen, Px(layer, 9, 9));

    CDib rgb;
    ASSERT_TRUE(rgb.CreateWithInfoHeader(4, 4, 24));
    ASSERT_TRUE(rgb.AllocBits());
    EXPECT_EQ(E_INVALIDARG, PaintDibWithTexture(rgb, texture, TEXTURE_FIT_BOTH, 1, 1, false, 0, 0));
    CDib empty;
    EXPECT_EQ(E_INVALIDARG, PaintDibWithTexture(empty, texture, TEXTURE_FIT_BOTH, 1, 1, false, 0, 0));
    EXPECT_EQ(E_INVALIDARG, PaintDibWithTexture(layer, empty, TEXTURE_FIT_BOTH, 1, 1, false, 0, 0));
    EXPECT_EQ(E_INVALIDARG, PaintDibWithTexture(layer, texture, 7, 1, 1, false, 0, 0));
}

TEST(TexturePaint, BandsMatchTheWholePicture)
{
    // A layer with partial alphas painted area after area (the areas overlap,
    // as the units of a text do), once whole and once in bands of rows of
    // several heights, the last band reaching past the picture: every row
    // the same, byte for byte, and the band's rows past the picture untouched.
    const int W = 37, H = 29;
    CDib texture;
    ASSERT_TRUE(MakeDib32(texture, 5, 4, [](int x, int y) {
        const uint32_t alpha = (x + y) % 3 == 0 ? 0x80u : 0xFFu;
        return alpha << 24 | static_cast<uint32_t>(x * 50) << 16 | static_cast<uint32_t>(y * 60) << 8 | 0x30u;
    }));
    const auto layerPixel = [](int x, int y) {
        const uint32_t alpha = (x * 7 + y * 3) % 5 == 0 ? 0u : (x + y) % 4 == 0 ? 0x60u : 0xFFu;
        return alpha << 24 | 0x102030u;
    };
    struct Case {
        const char* what;
        unsigned fit;
        double rateX, rateY;
        bool mirror;
        int offsetX, offsetY;
        bool alignRight, alignBottom;
        std::vector<std::pair<CRectD, CRectD> > areas;  // paint region, fit area
    } cases[] = {
        {"rate, two areas", TEXTURE_CUSTOM_RATE, 1.6, 1.3, false, 0, 0, false, false,
         {{Area(0.5, 1.5, 20, 25), Area(0, 1, 21, 27)}, {Area(15.2, 0, 22, 29), Area(15, 0, 22, 29)}}},
        {"rate, mirrored, offsets", TEXTURE_CUSTOM_RATE, 1.6, 2.2, true, -7, 5, false, false,
         {{Area(0, 0, 37, 29), Area(0, 0, 37, 29)}, {Area(3, 4, 10, 10), Area(2, 2, 12, 12)}}},
        {"width, mirrored, aligned bottom", TEXTURE_FIT_WIDTH, 1, 1, true, 3, -2, false, true,
         {{Area(1, 2, 15, 20), Area(0, 0, 17, 24)}, {Area(10, 5, 27, 24), Area(10, 5, 27, 24)}}},
        {"height, aligned right", TEXTURE_FIT_HEIGHT, 1, 1, false, 0, 4, true, false,
         {{Area(0, 0, 30, 9.5), Area(0, 0, 37, 10)}, {Area(0, 10, 37, 19), Area(0, 10, 37, 19)}}},
        {"both, mirrored, one tile unless moved", TEXTURE_FIT_BOTH, 1, 1, true, 0, 0, false, false,
         {{Area(2, 3, 30, 20), Area(0, 0, 37, 29)}}},
        {"both, mirrored, moved", TEXTURE_FIT_BOTH, 1, 1, true, 11, -13, true, true,
         {{Area(2, 3, 30, 20), Area(0, 0, 37, 29)}, {Area(0, 0, 37, 29), Area(5, 6, 9, 8)}}},
        {"areas past the picture", TEXTURE_CUSTOM_RATE, 0.8, 0.8, true, 1, 1, false, false,
         {{Area(-5, -5, 60, 60), Area(-5, -5, 60, 60)}, {Area(30, 25, 20, 20), Area(30, 25, 20, 20)}}},
    };
    for (const Case& c : cases) {
        CDib whole;
        ASSERT_TRUE(MakeDib32(whole, W, H, layerPixel));
        for (const auto& a : c.areas)
            ASSERT_EQ(S_OK, PaintDibRectWithTexture(whole, texture, c.fit, c.rateX, c.rateY, c.mirror, c.offsetX,
                                                    c.offsetY, c.alignRight, c.alignBottom, a.first, a.second))
                << c.what;
        CTexturePainter painter(texture, c.fit, c.rateX, c.rateY, c.mirror, c.offsetX, c.offsetY, c.alignRight,
                                c.alignBottom, W, H);
        for (const auto& a : c.areas)
            ASSERT_EQ(S_OK, painter.Prepare(a.first, a.second)) << c.what;
        std::vector<BYTE> scratch;
        for (int rows : {1, 4, 7, 29}) {
            const uint32_t spare = 0x5A5A5A5Au;
            for (int top = 0; top < H; top += rows) {
                CDib band;
                ASSERT_TRUE(MakeDib32(band, W, rows, [&](int x, int y) {
                    return top + y < H ? layerPixel(x, top + y) : spare;
                }));
                for (const auto& a : c.areas)
                    ASSERT_EQ(S_OK, painter.Paint(band, top, a.first, a.second, scratch)) << c.what;
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < W; ++x)
                        ASSERT_EQ(top + y < H ? Px(whole, x, top + y) : spare, Px(band, x, y))
                            << c.what << ", bands of " << rows << ", pixel " << x << "," << top + y;
            }
        }
    }
}

TEST(TexturePaint, ATileOfTheTexturesOwnSizeIsTheTextureItself)
{
    // No copy of a picture that may fill half the address space: a pixel
    // changed after the preparing is painted.
    CDib texture, layer;
    ASSERT_TRUE(MakeDib32(texture, 4, 3, kRed));
    Layer(layer, 4, 3);
    CTexturePainter painter(texture, TEXTURE_CUSTOM_RATE, 1, 1, false, 0, 0, false, false, 4, 3);
    ASSERT_EQ(S_OK, painter.Prepare(Area(0, 0, 4, 3), Area(0, 0, 4, 3)));
    Px(texture, 1, 2) = kBlue;
    std::vector<BYTE> scratch;
    ASSERT_EQ(S_OK, painter.Paint(layer, 0, Area(0, 0, 4, 3), Area(0, 0, 4, 3), scratch));
    EXPECT_EQ(kBlue, Px(layer, 1, 2));
    EXPECT_EQ(kRed, Px(layer, 2, 1));
}
