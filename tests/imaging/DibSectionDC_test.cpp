#include "imaging/DibSectionDC.h"
#include "platform/Gdi.h"
#include "tests/common/DibTestSupport.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

int Count(const CDib& dib, uint32_t value)
{
    int n = 0;
    for (int y = 0; y < dib.GetAbsHeight(); ++y)
        for (int x = 0; x < dib.GetWidth(); ++x)
            n += Px(dib, x, y) == value;
    return n;
}

} // namespace

TEST(DibSectionDC, PixelsInTheLargerSpace)
{
    CScreenDC screen;
    CDibSectionDC dc;
    ASSERT_TRUE(dc.Create(screen, {10, 20, 50, 40}, 32));
    ASSERT_TRUE(dc.GetDib());
    EXPECT_EQ(40, dc.GetDib()->GetWidth());
    EXPECT_EQ(20, dc.GetDib()->GetHeight());
    dc.FillRectValue({10, 20, 50, 40}, 0xFF00FF00u);
    dc.FillRectSolid({10, 20, 11, 21}, RGB(255, 0, 0));
    GdiFlush();
    EXPECT_EQ(0x00FF0000u, Px(*dc.GetDib(), 0, 0) & 0xFFFFFF);

    // Rectangles are clipped to the bitmap, whatever the caller asks.
    dc.ClearRect({0, 0, 12, 22});
    dc.FillRectValue({48, 38, 500, 500}, 0x12345678u);
    EXPECT_EQ(0u, Px(*dc.GetDib(), 1, 1));
    EXPECT_EQ(0xFF00FF00u, Px(*dc.GetDib(), 2, 2));
    EXPECT_EQ(0x12345678u, Px(*dc.GetDib(), 39, 19));
    EXPECT_EQ(4, Count(*dc.GetDib(), 0x12345678u));
    dc.Clear();
    EXPECT_EQ(40 * 20, Count(*dc.GetDib(), 0u));

    // Wine has no ICM profile for a DC.
    EXPECT_FALSE(dc.GetColorProfile());
}

TEST(DibSectionDC, EnsureAreaReusesLargerBitmaps)
{
    CScreenDC screen;
    CDibSectionDC dc;
    struct Case { const char* what; RECT area; WORD bits; HRESULT hr; bool sameBitmap; } cases[] = {
        {"first", {0, 0, 30, 20}, 32, S_OK, false},
        {"same", {0, 0, 30, 20}, 32, S_FALSE, true},
        {"smaller elsewhere", {100, 50, 110, 60}, 32, S_OK, true},
        {"other depth", {100, 50, 110, 60}, 24, S_OK, false},
        {"larger", {0, 0, 300, 200}, 24, S_OK, false},
        {"impossible", {0, 0, 100000, 100000}, 32, E_FAIL, false},
    };
    for (const Case& c : cases) {
        boost::shared_ptr<CDibSection> before = dc.GetDib();
        EXPECT_EQ(c.hr, dc.EnsureArea(screen, c.area, c.bits)) << c.what;
        EXPECT_EQ(c.sameBitmap, before && before == dc.GetDib()) << c.what;
    }
    // The impossible size left a DC without a bitmap, which is no area.
    EXPECT_NE(nullptr, dc.GetHDC());
    EXPECT_FALSE(dc.GetDib());

    // A reused bitmap maps the new corner to its pixel (0, 0) and still never
    // lets a fill leave it.
    ASSERT_EQ(S_OK, dc.EnsureArea(screen, {0, 0, 30, 20}, 32));
    ASSERT_EQ(S_OK, dc.EnsureArea(screen, {100, 50, 110, 60}, 32));
    dc.FillRectValue({0, 0, 1000, 1000}, 0xFFFFFFFFu);
    dc.FillRectSolid({100, 50, 101, 51}, RGB(0, 0, 255));
    GdiFlush();
    EXPECT_EQ(0x000000FFu, Px(*dc.GetDib(), 0, 0) & 0xFFFFFF);
    EXPECT_EQ(30 * 20 - 1, Count(*dc.GetDib(), 0xFFFFFFFFu));
}

TEST(DibSectionDC, CreateLikeAndAttach)
{
    CDib pattern;
    ASSERT_TRUE(pattern.CreateWithV5Profile(1, 1, 32, 0, BI_RGB, std::string("ICC")));
    CScreenDC screen;
    CDibSectionDC dc;
    ASSERT_TRUE(dc.CreateLikeHeader(screen, {0, 0, 8, 4}, pattern.GetHeader()));
    EXPECT_EQ(3u, dc.GetDib()->GetProfileSize());
    EXPECT_EQ(nullptr, dc.CreateLikeHeader(screen, {0, 0, 8, 4}, nullptr));
    // A bitmap that cannot be made still gives the DC, at the area's corner;
    // only the bitmap is missing.
    for (WORD bits : {WORD(0), WORD(32)}) {
        const RECT area = {5, 6, 5 + (bits ? 100000 : 8), 6 + (bits ? 100000 : 4)};
        const HDC made = bits ? dc.CreateLike(screen, area, bits, pattern.GetHeader()) : dc.Create(screen, area, bits);
        ASSERT_NE(nullptr, made) << bits;
        EXPECT_EQ(made, dc.GetHDC());
        EXPECT_FALSE(dc.GetDib()) << bits;
        POINT origin = {};
        GetViewportOrgEx(made, &origin);
        EXPECT_EQ(-5, origin.x);
        EXPECT_EQ(-6, origin.y);
    }

    boost::shared_ptr<CDibSection> dib(new CDibSection);
    ASSERT_TRUE(dib->CreateWithInfoHeader(5, 5, 32));
    ASSERT_TRUE(dib->AllocBits());
    dib->Clear();
    ASSERT_TRUE(dc.Attach(dib, -3, 7));
    RECT expected = {-3, 7, 2, 12};
    EXPECT_TRUE(EqualRect(&expected, &dc.GetArea()));
    dc.FillRectSolid({-3, 7, -2, 8}, RGB(255, 255, 255));
    GdiFlush();
    EXPECT_EQ(0xFFFFFFu, Px(*dib, 0, 0) & 0xFFFFFF);
    dc.Destroy();
    // The section outlives the DC that held it.
    EXPECT_TRUE(dib->IsValid());
    EXPECT_EQ(0xFFFFFFu, Px(*dib, 0, 0) & 0xFFFFFF);
}

TEST(DibSectionDC, ColourManagedDrawKeepsAlpha)
{
    CColorProfilePtr srgb = GetSharedSrgbProfile();
    ASSERT_TRUE(srgb);
    // Another header with sRGB's colours: the transform runs but keeps colours.
    std::string bytes(srgb->GetBytes().begin(), srgb->GetBytes().end());
    bytes[80] ^= 0x5A;
    CColorProfilePtr other(new CColorProfile);
    ASSERT_EQ(S_OK, other->OpenMemory(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));

    CDib half;
    ASSERT_TRUE(MakeDib32(half, 4, 4, 0x80000000u));  // black at alpha 128
    struct Case { const char* what; RECT destination; bool transform; BYTE alpha; int expected; } cases[] = {
        {"same size, transformed", {2, 2, 6, 6}, true, 255, 127},
        {"enlarged, transformed first", {0, 0, 8, 8}, true, 255, 127},
        {"reduced, transformed after", {3, 3, 5, 5}, true, 255, 127},
        {"plain", {2, 2, 6, 6}, false, 255, 127},
        {"constant alpha on top", {2, 2, 6, 6}, true, 128, 191},
    };
    for (const Case& c : cases) {
        CScreenDC screen;
        CDibSectionDC dc;
        ASSERT_TRUE(dc.Create(screen, {0, 0, 8, 8}, 32));
        dc.FillRectValue({0, 0, 8, 8}, 0xFFFFFFFFu);
        EXPECT_TRUE(DrawDibThroughGdiplus(dc, c.destination, half, {0, 0, 4, 4}, c.alpha, 0, c.transform, other, srgb))
            << c.what;
        GdiFlush();
        const int probe = (c.destination.left + c.destination.right) / 2;
        EXPECT_NEAR(c.expected, int(Px(*dc.GetDib(), probe, probe) & 0xFF), 2) << c.what;
        if (c.destination.left > 0) {
            EXPECT_EQ(0xFFu, Px(*dc.GetDib(), 0, 0) & 0xFF) << c.what;
        }
    }
}

TEST(DibSectionDC, DrawDibWithProfile)
{
    CDib dib;
    ASSERT_TRUE(MakeDib32(dib, 2, 2, 0xFF336699u));
    CScreenDC screen;
    CDibSectionDC dc;
    const RECT whole = {0, 0, 2, 2};
    EXPECT_FALSE(dc.DrawDibWithProfile({0, 0, 2, 2}, dib, whole, 255, 0));  // no DC yet
    ASSERT_TRUE(dc.Create(screen, {10, 10, 14, 14}, 32));
    dc.Clear();
    CDib empty;
    EXPECT_FALSE(dc.DrawDibWithProfile({10, 10, 12, 12}, empty, whole, 255, 0));
    EXPECT_TRUE(dc.DrawDibWithProfile({10, 10, 12, 12}, dib, whole, 0, 0));
    EXPECT_TRUE(dc.DrawDibWithProfile({10, 10, 10, 12}, dib, whole, 255, 0));
    GdiFlush();
    EXPECT_EQ(0u, Px(*dc.GetDib(), 0, 0));
    // Wine never switches ICM on, so this is the plain GDI+ draw.
    EXPECT_TRUE(dc.DrawDibWithProfile({11, 11, 13, 13}, dib, whole, 255, 0));
    GdiFlush();
    EXPECT_EQ(0x336699u, Px(*dc.GetDib(), 1, 1) & 0xFFFFFF);
    EXPECT_EQ(0x336699u, Px(*dc.GetDib(), 2, 2) & 0xFFFFFF);
    EXPECT_EQ(0u, Px(*dc.GetDib(), 3, 3));
}
