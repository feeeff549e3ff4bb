// The program's own PNG encoder against the system's decoder.
#include "imaging/PngEncoder.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/PixelOps.h"
#include "tests/common/DibTestSupport.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <random>

namespace {

// Runs the pieces last first: the file must not depend on the order.
bool Backwards(int count, const std::function<void(int)>& work)
{
    for (int i = count - 1; i >= 0; --i)
        work(i);
    return true;
}

boost::shared_ptr<CDib> Decoded(const std::string& png, const std::wstring& path)
{
    boost::shared_ptr<CDib> back;
    EXPECT_TRUE(WriteFileBytes(path, png));
    EXPECT_EQ(S_OK, LoadDibFromFile(back, path));
    return back;
}

TEST(PngEncoderTest, WhatTheSystemReadsBackIsTheImage)
{
    CTempFolder temp;
    // Flat runs, random noise and every alpha; wide enough for several pieces.
    std::mt19937 rng(7);
    CDib image;
    ASSERT_TRUE(MakeDib32(image, 701, 613, [&](int x, int y) -> uint32_t {
        if (y % 50 < 20)
            return 0xFF000000u | static_cast<uint32_t>(x / 40 * 0x010203);
        return static_cast<uint32_t>(rng());
    }));
    for (bool parallel : {false, true}) {
        std::string png;
        ASSERT_EQ(S_OK, EncodePng(image, png, parallel ? CParallelFor(Backwards) : CParallelFor()));
        EXPECT_EQ(0, png.compare(0, 8, "\x89PNG\r\n\x1a\n", 8));
        boost::shared_ptr<CDib> back = Decoded(png, temp.File(L"rgba.png"));
        ASSERT_TRUE(back);
        ASSERT_EQ(image.GetWidth(), back->GetWidth());
        ASSERT_EQ(image.GetAbsHeight(), back->GetAbsHeight());
        // The decoder gives a pixel of alpha 0 no colour.
        int differing = 0;
        for (int y = 0; y < image.GetAbsHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                const uint32_t want = Px(image, x, y);
                differing += (want >> 24 == 0 ? want & 0xFF000000u : want) != Px(*back, x, y);
            }
        EXPECT_EQ(0, differing) << "parallel " << parallel;
    }
    // A palettised image keeps its colours; other bit counts are refused.
    CDib opaque;
    ASSERT_TRUE(MakeDib32(opaque, 90, 70, [](int x, int y) -> uint32_t {
        return 0xFF000000u | static_cast<uint32_t>((x / 10 + y / 10) % 5) * 0x00304050u;
    }));
    boost::shared_ptr<CDib> palettised;
    ASSERT_EQ(S_OK, ReduceToPalette(palettised, opaque));
    ASSERT_EQ(8, palettised->GetBitCount());
    std::string png;
    ASSERT_EQ(S_OK, EncodePng(*palettised, png));
    boost::shared_ptr<CDib> back = Decoded(png, temp.File(L"palette.png"));
    ASSERT_TRUE(back);
    int differing = 0;
    for (int y = 0; y < opaque.GetAbsHeight(); ++y)
        for (int x = 0; x < opaque.GetWidth(); ++x)
            differing += Px(opaque, x, y) != Px(*back, x, y);
    EXPECT_EQ(0, differing);
    CDib rgb;
    ASSERT_TRUE(rgb.CreateWithInfoHeader(4, 4, 24) && rgb.AllocBits());
    EXPECT_EQ(E_INVALIDARG, EncodePng(rgb, png));
}

} // namespace
