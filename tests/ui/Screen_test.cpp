#include "ui/Screen.h"
#include "imaging/DibSectionDC.h"
#include "platform/Gdi.h"
#include "platform/GdiPlusGraphics.h"
#include "platform/GdiPlusPath.h"
#include "platform/GdiPlusText.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

uint32_t Pixel(const CDib& dib, int x, int y)
{
    uint32_t v;
    std::memcpy(&v, dib.GetImageRow(y) + x * 4, 4);
    return v & 0xFFFFFF;
}

// A surface over several DCs at once.
class CMultiScreen : public CScreen {
public:
    explicit CMultiScreen(const std::vector<HDC>& dcs) : m_dcs(dcs) {}
    bool IsValid() const override { return true; }
    HRESULT CreateCompatible(HDC, const RECT&, DWORD) override { return E_NOTIMPL; }
    HRESULT CreateEx() override { return E_NOTIMPL; }
    CScreenHDCPtr GetHDC() const override { return CScreenHDCPtr(new CComplexHDC(m_dcs)); }
    const RECT* GetBounds() const override { return &m_bounds; }
    bool StretchDib(const RECT*, const CDib&, const RECT*, BYTE, int) override { return false; }
private:
    std::vector<HDC> m_dcs;
    RECT m_bounds = {0, 0, 0, 0};
};

// A DIB-section DC at (0, 0) filled white, with its pixels at hand.
struct Canvas {
    CDibSectionDC dc;
    explicit Canvas(int w = 40, int h = 30)
    {
        CScreenDC screen;
        dc.Create(screen, {0, 0, w, h}, 32);
        dc.FillRectValue({0, 0, w, h}, 0xFFFFFFFFu);
    }
    uint32_t At(int x, int y) { GdiFlush(); return Pixel(*dc.GetDib(), x, y); }
    int CountNot(uint32_t colour)
    {
        GdiFlush();
        int n = 0;
        const CDib& d = *dc.GetDib();
        for (int y = 0; y < d.GetAbsHeight(); ++y)
            for (int x = 0; x < d.GetWidth(); ++x)
                n += Pixel(d, x, y) != colour;
        return n;
    }
};

} // namespace

TEST(Screen, BoundsCornerMapsToPixelZero)
{
    Canvas canvas(100, 50);
    {
        CDCScreen screen(canvas.dc, {30, 20, 130, 70});
        EXPECT_TRUE(screen.IsValid());
        EXPECT_TRUE(screen.FillSolidRect(RGB(255, 0, 0), {30, 20, 31, 21}));
        EXPECT_TRUE(screen.FillRectArgb(0xFF0000FFu, {129, 69, 130, 70}));
    }
    EXPECT_EQ(0xFF0000u, canvas.At(0, 0));
    EXPECT_EQ(0x0000FFu, canvas.At(99, 49));
    EXPECT_EQ(0xFFFFFFu, canvas.At(1, 0));
}

TEST(Screen, NoSurfaceDrawsNothing)
{
    CDCScreen screen;
    EXPECT_FALSE(screen.IsValid());
    EXPECT_FALSE(screen.GetHDC());
    EXPECT_FALSE(screen.GetDib());
    EXPECT_EQ(E_NOTIMPL, screen.CreateEx());
    const RECT r = {0, 0, 5, 5};
    EXPECT_FALSE(screen.FillSolidRect(0, r));
    EXPECT_FALSE(screen.FillRectArgb(0xFF000000u, r));
    EXPECT_FALSE(screen.FrameRectSolid(r, 1, 0));
    EXPECT_FALSE(screen.DrawRect(r, PS_SOLID, 1, 0));
    EXPECT_FALSE(screen.IntersectClipRect(r));
    EXPECT_FALSE(screen.ScrollRect(r, 1, 1));
    EXPECT_FALSE(screen.FillPolygon({{0, 0}, {4, 0}, {0, 4}}, 0xFF000000u));
    EXPECT_EQ(0, screen.SetICMMode(ICM_QUERY));
    EXPECT_FALSE(screen.FillRectBrushAlpha(static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 128, r, 0, 0, 0));
    // No reference DC: no compatible bitmap, so no surface at all.
    EXPECT_EQ(E_FAIL, screen.CreateCompatible(nullptr, {0, 0, 10, 10}));
    EXPECT_FALSE(screen.IsValid());

    // A list without entries draws nothing and succeeds.
    CMultiScreen none{std::vector<HDC>()};
    EXPECT_TRUE(none.FillSolidRect(0, r));
    CComplexHDC list(std::vector<HDC>(1, reinterpret_cast<HDC>(1)));
    EXPECT_EQ(nullptr, list.GetAt(-1));
    EXPECT_EQ(nullptr, list.GetAt(1));
}

TEST(Screen, FramesAndSplitStrips)
{
    struct Case { const char* what; RECT rect; int thickness; BYTE alpha; int changed; uint32_t corner; uint32_t centre; } cases[] = {
        {"thickness 0", {5, 5, 25, 25}, 0, 255, 0, 0xFFFFFF, 0xFFFFFF},
        {"5 x 5 with 3 is filled once", {5, 5, 10, 10}, 3, 255, 25, 0x000000, 0x000000},
        {"opaque frame", {5, 5, 25, 25}, 2, 255, 20 * 20 - 16 * 16, 0x000000, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        Canvas canvas;
        CDCScreen screen(canvas.dc, {0, 0, 40, 30});
        EXPECT_TRUE(screen.FrameRect(c.rect, c.thickness, RGB(0, 0, 0), c.alpha)) << c.what;
        EXPECT_EQ(c.changed, canvas.CountNot(0xFFFFFF)) << c.what;
        EXPECT_EQ(c.corner, canvas.At(c.rect.left, c.rect.top)) << c.what;
        EXPECT_EQ(c.centre, canvas.At((c.rect.left + c.rect.right) / 2, (c.rect.top + c.rect.bottom) / 2)) << c.what;
    }
    // Translucent frame: GDI+ composes the strip over white.
    Canvas canvas;
    CDCScreen screen(canvas.dc, {0, 0, 40, 30});
    EXPECT_TRUE(screen.FrameRect({5, 5, 25, 25}, 2, RGB(0, 0, 0), 128));
    uint32_t grey = canvas.At(5, 5);
    EXPECT_NEAR(127, int(grey & 0xFF), 1);
    EXPECT_EQ(0xFFFFFFu, canvas.At(15, 15));
    // The solid form through GDI, and the outline of DrawRect.
    Canvas solid;
    CDCScreen s2(solid.dc, {0, 0, 40, 30});
    EXPECT_TRUE(s2.FrameRectSolid({5, 5, 25, 25}, 1, RGB(0, 0, 255)));
    EXPECT_EQ(0x0000FFu, solid.At(24, 24));
    EXPECT_EQ(4 * 20 - 4, solid.CountNot(0xFFFFFF));
    Canvas outline;
    CDCScreen s3(outline.dc, {0, 0, 40, 30});
    EXPECT_TRUE(s3.DrawRect({5, 5, 25, 25}, PS_SOLID, 1, RGB(255, 0, 0)));
    EXPECT_EQ(0xFF0000u, outline.At(24, 24));
    EXPECT_EQ(0xFF0000u, outline.At(5, 24));
    EXPECT_EQ(0xFFFFFFu, outline.At(25, 25));
}

TEST(Screen, DrawStringHeightThreshold)
{
    EXPECT_FALSE(TextHeightFits(-12, 13));
    EXPECT_TRUE(TextHeightFits(-12, 14));
    EXPECT_TRUE(TextHeightFits(12, 14));
    EXPECT_FALSE(TextHeightFits(0x80000000 /* LONG_MIN */, 0x7FFFFFFF));

    Gdiplus::FontFamily family(L"IPAGothic");
    ASSERT_TRUE(family.IsAvailable());
    Gdiplus::Font font(family, 12, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    ASSERT_TRUE(font.IsAvailable());
    for (int height : {13, 14, 20}) {
        Canvas canvas(60, 30);
        CDCScreen screen(canvas.dc, {0, 0, 60, 30});
        EXPECT_TRUE(screen.DrawString(font, 0xFF000000u, {0, 0, 60, height}, L"WWW", Gdiplus::StringAlignmentNear));
        if (height < 14)
            EXPECT_EQ(0, canvas.CountNot(0xFFFFFF)) << height;
        else
            EXPECT_GT(canvas.CountNot(0xFFFFFF), 0) << height;
    }
}

TEST(Screen, ReleasingKeepsAnAttachedDCAlive)
{
    Canvas canvas;
    CDCScreen screen;
    EXPECT_EQ(S_OK, screen.AttachDC(canvas.dc, {0, 0, 40, 30}));
    screen.ReleaseDC();
    EXPECT_FALSE(screen.IsValid());
    EXPECT_EQ(OBJ_MEMDC, static_cast<int>(GetObjectType(canvas.dc)));
    EXPECT_TRUE(canvas.dc.FillRectSolid({0, 0, 1, 1}, RGB(1, 2, 3)) != CLR_INVALID);

    // A memory surface owns its DC and bitmap; a detached bitmap is the caller's.
    CScreenDC screenDC;
    CDCScreen memory;
    ASSERT_EQ(S_OK, memory.CreateCompatible(screenDC, {10, 10, 20, 20}));
    EXPECT_TRUE(memory.FillSolidRect(RGB(0, 255, 0), {10, 10, 20, 20}));
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(memory.GetDC(), 10, 10));
    CBitmapHandle bitmap(memory.DetachBitmap());
    ASSERT_TRUE(bitmap.Get());
    memory.ReleaseDC();
    BITMAP info = {};
    EXPECT_EQ(static_cast<int>(sizeof info), GetObjectW(bitmap, sizeof info, &info));
    EXPECT_EQ(10, info.bmWidth);
}

TEST(Screen, EveryDCOfTheListIsDrawn)
{
    Canvas a, b;
    CMultiScreen both({a.dc, b.dc});
    EXPECT_TRUE(both.FillSolidRect(RGB(0, 0, 255), {1, 1, 3, 3}));
    EXPECT_TRUE(both.FillPolygon({{10, 10}, {20, 10}, {20, 20}, {10, 20}}, 0xFFFF0000u));
    EXPECT_EQ(0x0000FFu, a.At(2, 2));
    EXPECT_EQ(0x0000FFu, b.At(2, 2));
    EXPECT_EQ(0xFF0000u, a.At(15, 15));
    EXPECT_EQ(0xFF0000u, b.At(15, 15));
    // Both DCs are in the same ICM state: their common answer.
    EXPECT_NE(0, both.SetICMMode(ICM_QUERY));

    // Scroll moves the content by (-dx, -dy) on each DC.
    EXPECT_TRUE(both.ScrollRect({0, 0, 40, 30}, -5, -4));
    EXPECT_EQ(0x0000FFu, a.At(7, 6));
    EXPECT_EQ(0x0000FFu, b.At(7, 6));
}

TEST(Screen, TranslucentBrushAndScreenToScreen)
{
    Canvas canvas;
    CDCScreen screen(canvas.dc, {0, 0, 40, 30});
    CBrushHandle black(CreateSolidBrush(RGB(0, 0, 0)));
    EXPECT_TRUE(screen.FillRectBrushAlpha(black, 128, {4, 4, 12, 12}, 0, 0, 0));
    EXPECT_NEAR(127, int(canvas.At(5, 5) & 0xFF), 1);
    EXPECT_EQ(0xFFFFFFu, canvas.At(12, 12));
    EXPECT_FALSE(screen.FillRectBrushAlpha(black, 0, {4, 4, 12, 12}, 0, 0, 0));

    // From a surface without a bitmap of its own: a plain blit.
    Canvas source;
    source.dc.FillRectValue({0, 0, 40, 30}, 0xFF00FF00u);
    CDCScreen from(source.dc, {0, 0, 40, 30});
    EXPECT_TRUE(screen.DrawScreen(from, {20, 20, 25, 25}));
    EXPECT_EQ(0x00FF00u, canvas.At(20, 20));
    EXPECT_EQ(0xFFFFFFu, canvas.At(25, 25));
}

TEST(Screen, DibsAndIcons)
{
    CDib dib;
    ASSERT_TRUE(dib.CreateWithInfoHeader(2, 2, 32));
    ASSERT_TRUE(dib.AllocBits());
    uint32_t pixels[4] = {0xFFFF0000u, 0x00000000u, 0xFF0000FFu, 0xFF00FF00u};
    std::memcpy(dib.GetBits(), pixels, sizeof pixels);
    Canvas canvas;
    CDCScreen screen(canvas.dc, {10, 10, 50, 40});
    RECT destination = {12, 12, 14, 14};
    EXPECT_TRUE(screen.StretchDib(&destination, dib, nullptr, 255, 0));
    // Bottom-up: the first stored row is the image's lower row.
    EXPECT_EQ(0x0000FFu, canvas.At(2, 2));
    EXPECT_EQ(0x00FF00u, canvas.At(3, 2));
    EXPECT_EQ(0xFF0000u, canvas.At(2, 3));
    EXPECT_EQ(0xFFFFFFu, canvas.At(3, 3));

    HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    ASSERT_TRUE(icon);
    RECT iconRect = {20, 10, 36, 26};
    EXPECT_TRUE(screen.DrawIcon(&iconRect, icon, 16, 16, 255));
    EXPECT_GT(canvas.CountNot(0xFFFFFF), 4);
    EXPECT_FALSE(screen.DrawIcon(&iconRect, nullptr, 16, 16, 255));
}

TEST(Screen, ImagesPathsAndClipping)
{
    Canvas canvas;
    CDCScreen screen(canvas.dc, {0, 0, 40, 30});
    Gdiplus::Bitmap red(2, 2, PixelFormat32bppARGB);
    ASSERT_TRUE(red.IsValid());
    {
        Gdiplus::Graphics g(red);
        ASSERT_EQ(Gdiplus::Ok, g.Clear(0xFFFF0000u));
    }
    // Nearest-neighbour free: 1:1 and whole-pixel enlargements of one colour.
    EXPECT_TRUE(screen.DrawImageInt(red, {0, 0, 2, 2}, {0, 0, 2, 2}));
    EXPECT_EQ(0xFF0000u, canvas.At(1, 1));
    EXPECT_TRUE(screen.DrawImageIntAlpha(red, {10, 0, 14, 4}, {0, 0, 2, 2}, 128));
    uint32_t half = canvas.At(12, 2);
    EXPECT_EQ(0xFFu, half >> 16);
    EXPECT_NEAR(127, int(half & 0xFF), 2);
    EXPECT_TRUE(screen.DrawImageWhole(red, {20, 0, 22, 2}));
    EXPECT_EQ(0xFF0000u, canvas.At(21, 1));
    EXPECT_TRUE(screen.DrawImage(red, Gdiplus::RectF(30, 0, 2, 2), Gdiplus::RectF(0, 0, 2, 2)));
    EXPECT_EQ(0xFF0000u, canvas.At(31, 1));
    Gdiplus::Image none;
    EXPECT_FALSE(screen.DrawImageWhole(none, {0, 0, 2, 2}));
    EXPECT_NE(Gdiplus::Ok, none.GetLastStatus());

    Gdiplus::GraphicsPath path;
    ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdipAddPathRectangleI(path.Native(), 5, 10, 10, 10));
    Gdiplus::SolidBrush blue(0xFF0000FFu);
    EXPECT_TRUE(screen.FillPath(blue, path));
    EXPECT_EQ(0x0000FFu, canvas.At(10, 15));
    EXPECT_EQ(0xFFFFFFu, canvas.At(10, 22));
    Gdiplus::Pen green(0xFF00FF00u, 1.0f);
    EXPECT_TRUE(screen.DrawPath(green, path));
    EXPECT_TRUE(screen.DrawPolygon({{25, 10}, {35, 10}, {35, 20}, {25, 20}}, 0xFF00FF00u));
    EXPECT_EQ(0xFFFFFFu, canvas.At(30, 15));
    EXPECT_NE(0xFFFFFFu, canvas.At(30, 10));

    // Clipping applies to every later draw until the region is reset.
    Canvas clipped;
    CDCScreen s2(clipped.dc, {0, 0, 40, 30});
    EXPECT_TRUE(s2.IntersectClipRect({0, 0, 20, 30}));
    EXPECT_TRUE(s2.ExcludeClipRect({0, 0, 5, 5}));
    EXPECT_TRUE(s2.FillSolidRect(RGB(0, 0, 0), {0, 0, 40, 30}));
    EXPECT_EQ(0xFFFFFFu, clipped.At(2, 2));
    EXPECT_EQ(0x000000u, clipped.At(10, 10));
    EXPECT_EQ(0xFFFFFFu, clipped.At(30, 10));
    EXPECT_TRUE(s2.SelectClipRgn(nullptr));
    EXPECT_TRUE(s2.FillSolidRect(RGB(0, 0, 0), {0, 0, 40, 30}));
    EXPECT_EQ(0x000000u, clipped.At(30, 10));

    // Blits and blends from another DC at the same coordinates.
    Canvas source;
    source.dc.FillRectValue({0, 0, 40, 30}, 0xFF0000FFu);
    EXPECT_TRUE(s2.BitBlt(source.dc, {0, 0, 5, 5}));
    EXPECT_EQ(0x0000FFu, clipped.At(4, 4));
    EXPECT_EQ(0x000000u, clipped.At(5, 5));
    EXPECT_TRUE(s2.FillSolidRect(RGB(255, 255, 255), {0, 0, 40, 30}));
    EXPECT_TRUE(s2.AlphaBlend(source.dc, {10, 10, 20, 20}, 128));
    uint32_t blended = clipped.At(15, 15);
    EXPECT_NEAR(127, int((blended >> 16) & 0xFF), 2);
    EXPECT_EQ(0xFFu, blended & 0xFF);
}
