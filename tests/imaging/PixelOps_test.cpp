#include "imaging/PixelOps.h"
#include "tests/common/DibTestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <vector>

namespace {

uint32_t Bgra(int b, int g, int r, int a) { return static_cast<uint32_t>(a << 24 | r << 16 | g << 8 | b); }

} // namespace

TEST(PixelOps, ChannelArithmetic)
{
    struct Case { const char* what; uint32_t in, out; } premultiply[] = {
        {"half", Bgra(200, 100, 50, 128), Bgra(100, 50, 25, 128)},
        {"opaque untouched", Bgra(200, 100, 50, 255), Bgra(200, 100, 50, 255)},
        {"transparent to black", Bgra(200, 100, 50, 0), 0},
    };
    for (const Case& c : premultiply) {
        boost::shared_ptr<CDib> d = NewDib32(1, 1, c.in);
        d->Premultiply();
        EXPECT_EQ(c.out, Px(*d, 0, 0)) << c.what;
    }
    Case flattenWhite[] = {
        {"transparent", 0, 0xFFFFFFFF},
        {"opaque untouched", Bgra(1, 2, 3, 255), Bgra(1, 2, 3, 255)},
        // (255 - 128) * 255 / 255 + 128 * 0 / 255 = 127
        {"half black", Bgra(0, 0, 0, 128), Bgra(127, 127, 127, 255)},
        // 127 * 255 / 255 + 128 * 200 / 255 = 127 + 100
        {"half", Bgra(200, 0, 0, 128), Bgra(227, 127, 127, 255)},
    };
    for (const Case& c : flattenWhite) {
        boost::shared_ptr<CDib> d = NewDib32(1, 1, c.in);
        d->FlattenOnColor(RGB(255, 255, 255));
        EXPECT_EQ(c.out, Px(*d, 0, 0)) << c.what;
    }
    // Background channels keep their own order: red background lands in byte 2.
    boost::shared_ptr<CDib> d = NewDib32(1, 1, 0);
    d->FlattenOnColor(RGB(200, 0, 10));
    EXPECT_EQ(Bgra(10, 0, 200, 255), Px(*d, 0, 0));

    Case colorize[] = {
        {"visible", Bgra(1, 2, 3, 77), Bgra(30, 20, 10, 77)},
        {"transparent with colour", Bgra(9, 9, 9, 0), 0},
    };
    for (const Case& c : colorize) {
        boost::shared_ptr<CDib> e = NewDib32(1, 1, c.in);
        EXPECT_EQ(S_OK, ColorizeDib(*e, RGB(10, 20, 30)));
        EXPECT_EQ(c.out, Px(*e, 0, 0)) << c.what;
    }
    CDib gray;
    ASSERT_TRUE(gray.CreateWithInfoHeader(1, 1, 8) && gray.AllocBits());
    EXPECT_EQ(E_INVALIDARG, ColorizeDib(gray, 0));

    boost::shared_ptr<CDib> f = NewDib32(2, 1, Bgra(1, 2, 3, 4));
    f->FillColor(RGB(10, 20, 30));
    EXPECT_EQ(Bgra(30, 20, 10, 0), Px(*f, 1, 0));
}

TEST(PixelOps, MergeMaskIntoAlpha)
{
    boost::shared_ptr<CDib> d = NewDib32(3, 3, Bgra(0, 0, 0, 128));
    CDib mask;
    ASSERT_TRUE(mask.CreateWithInfoHeader(2, 2, 8) && mask.AllocBits());
    mask.FillBytes(128);
    mask.GetImageRow(0)[0] = 0;
    d->MergeMaskIntoAlpha(mask, 1, 1);
    EXPECT_EQ(128u, Px(*d, 0, 0) >> 24);
    EXPECT_EQ(128u, Px(*d, 1, 1) >> 24);  // mask 0 keeps the alpha
    EXPECT_EQ(191u, Px(*d, 2, 1) >> 24);  // 128 + 127 * 128 / 255
    EXPECT_EQ(191u, Px(*d, 2, 2) >> 24);
    // Placed partly outside: only the overlap changes, nothing outside is touched.
    d->MergeMaskIntoAlpha(mask, -1, 2);
    EXPECT_EQ(191u, Px(*d, 0, 2) >> 24);
    d->MergeMaskIntoAlpha(mask, 5, 5);
}

// Rectangles and masks that break the callers' promises are cut to the image
// or refused, never followed outside the rows.
TEST(PixelOps, OutOfRangeRectanglesAreClipped)
{
    boost::shared_ptr<CDib> d = NewDib32(4, 4, 0x11111111);
    RECT r = {-2, 2, 10, 10};
    d->FillRect32(r, 0xAABBCCDD);
    EXPECT_EQ(0x11111111u, Px(*d, 3, 1));
    EXPECT_EQ(0xAABBCCDDu, Px(*d, 0, 2));
    EXPECT_EQ(0xAABBCCDDu, Px(*d, 3, 3));
    RECT outside = {100, 100, 200, 200};
    d->FillRect32(outside, 0);
    RECT inverted = {3, 3, 1, 1};
    d->ClearRect(inverted);
    EXPECT_EQ(0xAABBCCDDu, Px(*d, 2, 2));
    RECT clear = {1, -5, 2, 3};
    d->ClearRect(clear);
    EXPECT_EQ(0u, Px(*d, 1, 0));
    EXPECT_EQ(0u, Px(*d, 1, 2));
    EXPECT_EQ(0xAABBCCDDu, Px(*d, 1, 3));
    RECT whole = d->GetRect();
    d->ClearRect(whole);
    EXPECT_EQ(0u, Px(*d, 3, 3));

    RECT alpha = {2, 2, 9, 9};
    d->SetAlphaRect(alpha, 9);
    EXPECT_EQ(9u, Px(*d, 3, 3) >> 24);
    EXPECT_EQ(0u, Px(*d, 1, 1) >> 24);

    CDib smallMask, large;
    ASSERT_TRUE(smallMask.CreateWithInfoHeader(3, 4, 8) && smallMask.AllocBits());
    ASSERT_TRUE(large.CreateWithInfoHeader(5, 5, 8) && large.AllocBits());
    smallMask.FillBytes(1);
    large.FillBytes(200);
    EXPECT_EQ(E_INVALIDARG, d->CopyMaskToAlpha(smallMask));
    EXPECT_EQ(9u, Px(*d, 3, 3) >> 24);
    EXPECT_EQ(S_OK, d->CopyMaskToAlpha(large));
    EXPECT_EQ(200u, Px(*d, 3, 3) >> 24);
    EXPECT_EQ(E_INVALIDARG, d->CopyMaskToAlpha(*d));
}

TEST(PixelOps, CheckerboardCells)
{
    boost::shared_ptr<CDib> d = NewDib32(30, 30, 0x12345678);
    const uint32_t black = 0xFF000000, white = 0xFFFFFFFF;
    ASSERT_EQ(S_OK, FillCheckerboard(*d, 5, 5, 20, 20, black, white));
    struct Case { int x, y; uint32_t v; } cases[] = {
        {5, 5, black}, {14, 14, black}, {15, 5, white}, {5, 15, white}, {24, 24, black},
        {4, 5, 0x12345678}, {25, 25, 0x12345678},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.v, Px(*d, c.x, c.y)) << c.x << "," << c.y;
    // A block over the edge is clipped; a zero block does nothing.
    EXPECT_EQ(S_OK, FillCheckerboard(*d, 20, 20, 16, 16, 1, 2));
    EXPECT_EQ(1u, Px(*d, 27, 27));
    EXPECT_EQ(2u, Px(*d, 29, 27));
    EXPECT_EQ(S_OK, FillCheckerboard(*d, 0, 0, 0, 5, 1, 2));
}

TEST(PixelOps, RotateByOrientation)
{
    // 3 x 2 source with distinct pixels, value = 10 * row + column.
    boost::shared_ptr<CDib> src = NewDib32(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            Px(*src, x, y) = static_cast<uint32_t>(10 * y + x);
    struct Case { int code, w, h; std::vector<uint32_t> rows; } cases[] = {
        {1, 3, 2, {0, 1, 2, 10, 11, 12}},
        {2, 3, 2, {2, 1, 0, 12, 11, 10}},
        {3, 3, 2, {12, 11, 10, 2, 1, 0}},
        {4, 3, 2, {10, 11, 12, 0, 1, 2}},
        {5, 2, 3, {0, 10, 1, 11, 2, 12}},
        {6, 2, 3, {10, 0, 11, 1, 12, 2}},
        {7, 2, 3, {12, 2, 11, 1, 10, 0}},
        {8, 2, 3, {2, 12, 1, 11, 0, 10}},
    };
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> out;
        ASSERT_EQ(S_OK, RotateByOrientation(out, *src, c.code));
        ASSERT_EQ(c.w, out->GetWidth()) << c.code;
        ASSERT_EQ(c.h, out->GetHeight()) << c.code;
        std::vector<uint32_t> got;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                got.push_back(Px(*out, x, y));
        EXPECT_EQ(c.rows, got) << "code " << c.code;
    }
    boost::shared_ptr<CDib> keep = NewDib32(1, 1);
    CDib* before = keep.get();
    EXPECT_EQ(E_INVALIDARG, RotateByOrientation(keep, *src, 0));
    EXPECT_EQ(E_INVALIDARG, RotateByOrientation(keep, *src, 9));
    EXPECT_EQ(before, keep.get());
}

TEST(PixelOps, TransparentMarginsAndCrop)
{
    boost::shared_ptr<CDib> d = NewDib32(6, 5, 0x00FFFFFF);  // transparent white
    Px(*d, 2, 1) = 0x01000000;                            // alpha 1 counts as visible
    Px(*d, 3, 3) = 0xFF00FF00;
    int l = -1, t = -1, r = -1, b = -1;
    ASSERT_EQ(S_OK, MeasureTransparentMargins(*d, TRIM_ALL, &l, &t, &r, &b));
    EXPECT_EQ(2, l);
    EXPECT_EQ(1, t);
    EXPECT_EQ(2, r);
    EXPECT_EQ(1, b);
    ASSERT_EQ(S_OK, MeasureTransparentMargins(*d, TRIM_L | TRIM_B, &l, &t, &r, &b));
    EXPECT_EQ(0, t);
    EXPECT_EQ(0, r);

    boost::shared_ptr<CDib> trimmed;
    ASSERT_EQ(S_OK, TrimTransparentMargins(trimmed, *d, TRIM_ALL));
    EXPECT_EQ(2, trimmed->GetWidth());
    EXPECT_EQ(3, trimmed->GetHeight());
    EXPECT_EQ(0x01000000u, Px(*trimmed, 0, 0));
    EXPECT_EQ(0xFF00FF00u, Px(*trimmed, 1, 2));

    // Whole rows (block copy) and partial rows give the same pixels.
    boost::shared_ptr<CDib> rows, cols;
    ASSERT_EQ(S_OK, CropDib(rows, *d, 0, 1, 0, 2));
    EXPECT_EQ(0x01000000u, Px(*rows, 2, 0));
    EXPECT_EQ(2, rows->GetHeight());
    ASSERT_EQ(S_OK, CropDib(cols, *d, 6, 5, 0, 0));
    EXPECT_EQ(0, cols->GetWidth());

    boost::shared_ptr<CDib> inPlace = d;
    ASSERT_EQ(S_OK, TrimTransparentMargins(inPlace, TRIM_ALL));
    EXPECT_EQ(2, inPlace->GetWidth());

    struct Bad { int l, t, r, b; } bad[] = {{4, 0, 3, 0}, {0, 3, 0, 3}, {-1, 0, 0, 0}, {0, 0, 0, -2}};
    for (const Bad& c : bad) {
        boost::shared_ptr<CDib> keep;
        EXPECT_EQ(E_INVALIDARG, CropDib(keep, *d, c.l, c.t, c.r, c.b));
        EXPECT_FALSE(keep);
    }

    boost::shared_ptr<CDib> empty = NewDib32(4, 4, 0x00FFFFFF);
    EXPECT_EQ(E_INVALIDARG, MeasureTransparentMargins(*empty, TRIM_T, &l, &t, &r, &b));
    EXPECT_EQ(E_INVALIDARG, TrimTransparentMargins(trimmed, *empty, TRIM_ALL));
    EXPECT_EQ(2, trimmed->GetWidth());
}

TEST(PixelOps, ReduceToPalette)
{
    // Each colour once, or in runs of three (a run of one colour is looked up once).
    for (int run : {1, 3})
        for (int count : {1, 256, 257}) {
            const int width = count * run;
            boost::shared_ptr<CDib> d = NewDib32(width, 2);
            for (int x = 0; x < width; ++x) {
                // Descending values, so the palette order differs from the pixel order.
                uint32_t v = 0x80000000u | static_cast<uint32_t>(count - 1 - x / run) * 0x10101u;
                Px(*d, x, 0) = v;
                Px(*d, x, 1) = v;
            }
            boost::shared_ptr<CDib> out;
            HRESULT hr = ReduceToPalette(out, *d);
            if (count > 256) {
                EXPECT_EQ(E_NOTIMPL, hr);
                EXPECT_FALSE(out);
                continue;
            }
            ASSERT_EQ(S_OK, hr) << count;
            ASSERT_EQ(8, out->GetBitCount());
            EXPECT_EQ(256, out->GetColorTableCount());
            const uint32_t* table = reinterpret_cast<const uint32_t*>(out->GetColorTable());
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < width; ++x) {
                    BYTE index = out->GetImageRow(y)[x];
                    EXPECT_EQ(Px(*d, x, y), table[index]);
                    EXPECT_EQ(count - 1 - x / run, index);
                }
            if (count == 1) {
                EXPECT_EQ(0xFF010101u, table[1]);  // grey ramp after the last used entry
            }
        }
    // 256 colours of any value (the colours are found through a hash table):
    // each pixel's entry holds its colour, and the table ascends.
    std::mt19937 rng(4);
    std::vector<uint32_t> colours;
    while (colours.size() < 256) {
        const uint32_t c = static_cast<uint32_t>(rng());
        if (std::find(colours.begin(), colours.end(), c) == colours.end())
            colours.push_back(c);
    }
    boost::shared_ptr<CDib> random = NewDib32(64, 8), reduced;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            Px(*random, x, y) = colours[((y * 64 + x) * 37 + y) % 256];  // every colour, none in runs
    ASSERT_EQ(S_OK, ReduceToPalette(reduced, *random));
    const uint32_t* table = reinterpret_cast<const uint32_t*>(reduced->GetColorTable());
    EXPECT_TRUE(std::is_sorted(table, table + 256));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(Px(*random, x, y), table[reduced->GetImageRow(y)[x]]) << x << "," << y;

    CDib gray;
    boost::shared_ptr<CDib> out;
    ASSERT_TRUE(gray.CreateWithInfoHeader(1, 1, 8) && gray.AllocBits());
    EXPECT_EQ(E_NOTIMPL, ReduceToPalette(out, gray));
}
