#include "outline/DibRenderer.h"
#include "outline/CoverageRaster.h"
#include "imaging/PixelOps.h"
#include "outline/FontSetting.h"
#include "outline/GlyphOutline.h"
#include "outline/MultiRenderer.h"
#include "outline/VectorFontManager.h"
#include "imaging/ImageSaver.h"
#include "foundation/Error.h"
#include "resources/strings_imaging.h"
#include "resources/strings_outline.h"
#include "tests/common/TestSupport.h"
#include "tests/common/DibTestSupport.h"
#include <gtest/gtest.h>
#include <functional>

using Gdiplus::CDibRenderer;

namespace {

// Rows of column x whose pixel differs from the background.
int PaintedRows(const CDib& d, int x, uint32_t background)
{
    int n = 0;
    for (int y = 0; y < d.GetAbsHeight(); ++y)
        n += Px(d, x, y) != background;
    return n;
}

// Columns of row y whose pixel differs from the background: first and count.
std::pair<int, int> PaintedColumns(const CDib& d, int y, uint32_t background)
{
    int first = -1, n = 0;
    for (int x = 0; x < d.GetWidth(); ++x)
        if (Px(d, x, y) != background) {
            if (first < 0)
                first = x;
            ++n;
        }
    return std::make_pair(first, n);
}

} // namespace

TEST(DibRenderer, PagesAreReusedAndCleared)
{
    CDibRenderer r;
    EXPECT_FALSE(r.GetDib());
    r.SetBackgroundColor(1, 1, 1, 1);
    r.BeginPage(10.2, 5.0);
    boost::shared_ptr<CDib> page = r.GetDib();
    ASSERT_TRUE(page);
    EXPECT_EQ(11, page->GetWidth());
    EXPECT_EQ(5, page->GetHeight());  // bottom-up
    EXPECT_EQ(32, page->GetBitCount());
    EXPECT_EQ(0xFFFFFFFFu, Px(*page, 10, 4));

    r.SetFillColor(RGB(0, 0, 255));
    r.BeginPath();
    r.Rectangle(0, 0, 11, 5);
    r.Fill();
    EXPECT_EQ(0xFF0000FFu, Px(*page, 5, 2));

    // Same size: the same bitmap, cleared, seen by whoever still holds it.
    r.SetBackgroundColor(1, 0, 0, 0);
    r.BeginPage(11, 5);
    EXPECT_EQ(page.get(), r.GetDib().get());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 11; ++x)
            ASSERT_EQ(0x00FF0000u, Px(*page, x, y)) << "transparent red, not black";

    r.BeginPage(12, 5);
    EXPECT_NE(page.get(), r.GetDib().get());
    EXPECT_EQ(12, r.GetDib()->GetWidth());

    // The bitmap outlives the document's end.
    boost::shared_ptr<CDib> last = r.GetDib();
    r.EndDocument();
    EXPECT_EQ(last.get(), r.GetDib().get());
    EXPECT_EQ(0x00FF0000u, Px(*last, 0, 0));
}

TEST(DibRenderer, ImpossiblePagesAndPaintsWithoutPage)
{
    for (double size : {0.0, -3.0, std::nan(""), 1e12}) {
        CDibRenderer r;
        EXPECT_EQ(UINT(IDS_ALLOC_IMAGE_FAILED), ThrownId([&] { r.BeginPage(size, 5); })) << size;
        EXPECT_EQ(UINT(IDS_ALLOC_IMAGE_FAILED), ThrownId([&] { r.BeginPage(5, size); })) << size;
    }
    CDibRenderer r;
    r.MoveTo(0, 0);
    r.LineTo(3, 3);
    EXPECT_EQ(UINT(IDS_CREATE_GRAPHICS_FAILED), ThrownId([&] { r.Fill(); }));
    CDibRenderer noPath;
    EXPECT_EQ(UINT(IDS_ADD_PATH_LINE_FAILED), ThrownId([&] { noPath.LineTo(1, 1); }));
    EXPECT_EQ(UINT(IDS_ADD_PATH_BEZIER_FAILED), ThrownId([&] { noPath.CurveTo(1, 1, 2, 2, 3, 3); }));
    noPath.BeginPage(4, 4);
    EXPECT_NO_THROW(noPath.Fill());  // nothing to paint
}

TEST(DibRenderer, Colours)
{
    struct Case {
        const char* what;
        std::function<void(CDibRenderer&)> set;
        uint32_t stroke, fill, background;
    } cases[] = {
        {"colorref", [](CDibRenderer& r) { r.SetStrokeColor(RGB(255, 0, 0)); r.SetStrokeOpacity(0.2); r.SetFillColor(RGB(1, 2, 3)); },
         0xFFFF0000, 0xFF010203, 0},
        {"rgb doubles", [](CDibRenderer& r) { r.SetStrokeColorRGB(0.5, 0, 1); r.SetFillColorRGB(0, 0.2, 0.999); },
         0xFF8000FF, 0xFF0033FF, 0},
        {"cmyk ignored", [](CDibRenderer& r) { r.SetFillColor(RGB(9, 9, 9)); r.SetFillColorCMYK(1, 1, 1, 1); r.SetStrokeColorCMYK(1, 0, 0, 0); },
         0, 0xFF090909, 0},
        {"background", [](CDibRenderer& r) { r.SetBackgroundColor(0.2, 0.4, 0.6, 0.5); },
         0, 0, 0x80336699},
    };
    for (const Case& c : cases) {
        CDibRenderer r;
        c.set(r);
        EXPECT_EQ(c.stroke, r.GetStrokeArgb()) << c.what;
        EXPECT_EQ(c.fill, r.GetFillArgb()) << c.what;
        EXPECT_EQ(c.background, r.GetBackgroundArgb()) << c.what;
    }
}

TEST(DibRenderer, SolidFillThroughTransform)
{
    CDibRenderer r;
    r.BeginPage(20, 20);
    const double t[7] = {2, 0, 0, 2, 3, 4, 2};  // scale 2, then move by (3, 4)
    r.SetTransform(t);
    r.SetFillColor(RGB(10, 200, 30));
    r.BeginPath();
    r.Rectangle(1, 1, 4, 3);  // pixels x 5..12, y 6..11
    r.Fill();
    EXPECT_FALSE(r.GetPath());
    const CDib& page = *r.GetDib();
    struct Probe { int x, y; uint32_t v; } probes[] = {
        {6, 7, 0xFF0AC81E}, {11, 10, 0xFF0AC81E}, {8, 8, 0xFF0AC81E},
        {3, 7, 0}, {14, 8, 0}, {8, 4, 0}, {8, 13, 0}, {0, 0, 0}, {19, 19, 0},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(p.v, Px(page, p.x, p.y)) << p.x << "," << p.y;
}

TEST(DibRenderer, OpaqueFillIsThePlainBlendOfItsCoverage)
{
    // Whole pixels of an opaque colour take a faster road than edge pixels, in runs starting
    // anywhere: over a half-transparent page each must still be the colour blended at its coverage.
    const double shape[][2] = {{2.3, 1.7}, {37.6, 4.2}, {30.1, 21.9}, {5.5, 18.4}, {12.2, 10.1}};
    CDibRenderer r;
    CCoverageRaster raster;
    r.SetBackgroundColor(0.2, 0.4, 0.6, 0.5);
    r.BeginPage(40, 24);
    raster.Reset(40, 24);
    r.MoveTo(shape[0][0], shape[0][1]);
    for (const auto& p : shape) {
        r.LineTo(p[0], p[1]);
        raster.LineTo(p[0], p[1]);  // the first point starts the figure
    }
    r.SetFillColor(RGB(10, 200, 30));
    r.Fill();
    const boost::shared_ptr<CDib> expected = NewDib32(40, 24, 0x80336699);
    const BYTE bgr[3] = {30, 200, 10};
    raster.Sweep([&](int y, int x, const uint8_t* cover, int n) {
        for (int i = 0; i < n; ++i)
            BlendPixelOver(reinterpret_cast<BYTE*>(&Px(*expected, x + i, y)), bgr, cover[i]);
    });
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(Px(*expected, x, y), Px(*r.GetDib(), x, y)) << x << "," << y;
}

TEST(DibRenderer, StrokeWidthFollowsLineScale)
{
    struct Case { double width, t6; int rows; } cases[] = {{3, 2, 6}, {3, 1, 3}, {4, 0.5, 2}};
    for (const Case& c : cases) {
        CDibRenderer r;
        r.SetNoAntiAliasing(true);
        r.BeginPage(40, 24);
        const double t[7] = {1, 0, 0, 1, 0, 0, c.t6};
        r.SetTransform(t);
        r.SetLineWidth(c.width);
        EXPECT_EQ(c.width, r.GetLineWidth());
        r.SetStrokeColor(RGB(0, 0, 0));
        r.BeginPath();
        // A quarter pixel off the grid: no row centre lies on the pen's edge,
        // whichever pixel-centre convention the rasteriser uses.
        r.MoveTo(5, 12.25);
        r.LineTo(35, 12.25);
        r.Stroke();
        EXPECT_EQ(c.rows, PaintedRows(*r.GetDib(), 20, 0)) << c.width << " x " << c.t6;
    }
}

// A flat cap ends at the line's end points; a square (and a round) one goes
// half the width beyond them.
TEST(DibRenderer, LineCaps)
{
    struct Case { int cap; int first, count; } cases[] = {
        {kCapButt, 10, 10}, {kCapSquare, 7, 16}, {kCapRound, 7, 16}, {7, 10, 10} /* unknown: unchanged */,
    };
    for (const Case& c : cases) {
        CDibRenderer r;
        r.SetNoAntiAliasing(true);
        r.BeginPage(30, 20);
        r.SetLineWidth(6);
        r.SetLineCap(c.cap);
        r.SetStrokeColor(RGB(255, 255, 255));
        r.BeginPath();
        r.MoveTo(10.25, 10.25);
        r.LineTo(20.25, 10.25);
        r.Stroke();
        std::pair<int, int> cols = PaintedColumns(*r.GetDib(), 10, 0);
        EXPECT_NEAR(c.first, cols.first, 1) << "cap " << c.cap;
        EXPECT_NEAR(c.count, cols.second, 1) << "cap " << c.cap;
    }
}

TEST(DibRenderer, FiguresAndTextureRecords)
{
    CDibRenderer r;
    r.BeginPage(10, 10);
    r.BeginPath();
    r.MoveTo(1, 1);
    r.LineTo(5, 1);
    r.LineTo(5, 5);
    r.ClosePath();
    r.MoveTo(6, 6);  // next figure, no empty figure in between
    r.LineTo(8, 6);
    r.CurveTo(9, 7, 9, 8, 8, 9);
    r.ClosePath();
    std::vector<Gdiplus::PointF> points;
    std::vector<BYTE> types;
    ASSERT_EQ(Gdiplus::Ok, r.GetPath()->GetPathData(points, types));
    const std::vector<BYTE> expected = {0, 1, 0x81, 0, 1, 3, 3, 0x83};
    EXPECT_EQ(expected, types);
    EXPECT_EQ(Gdiplus::FillModeWinding, r.GetPath()->GetFillMode());
    r.FillStroke();
    EXPECT_FALSE(r.GetPath());

    // A move after an open figure starts a new one too.
    r.MoveTo(0, 0);
    r.LineTo(1, 0);
    r.MoveTo(2, 2);
    r.LineTo(3, 2);
    ASSERT_EQ(Gdiplus::Ok, r.GetPath()->GetPathData(points, types));
    EXPECT_EQ((std::vector<BYTE>{0, 1, 0, 1}), types);

    boost::shared_ptr<CImg> image(new CImg(BGRA32, 2, 2));
    r.SetFillTexture(image, 1.5, 30, 3, 0.5, 0.25, 5, 1, 2);
    EXPECT_EQ(image, r.GetFillTexture().m_image);
    EXPECT_EQ(0.25, r.GetFillTexture().m_rateY);
    EXPECT_EQ(5, r.GetFillTexture().m_flags);
    r.SetStrokeTexture(image, 1, 0, 0, 1, 1, 0, 0, 0);
    EXPECT_EQ(image, r.GetStrokeTexture().m_image);
    r.SetStrokeTexture(boost::shared_ptr<CImg>(), 1, 0, 0, 1, 1, 0, 0, 0);
    EXPECT_EQ(2, image.use_count());
}

// The glyph paths of a character drawn through the fan-out renderer, as the
// vector task does, and saved for people to look at.
TEST(DibRenderer, GlyphThroughFanOut)
{
    CFontSetting font;
    font.FontFace = L"IPAMincho";
    font.CharSet = SHIFTJIS_CHARSET;
    font.Size = 160;
    boost::shared_ptr<CVectorFontManager> fm = font.CreateVectorFontManager(NONANTIALIASED_QUALITY);
    GLYPHMETRICS gm;
    std::vector<BYTE> buffer;
    const MAT2 identity = IdentityMat2();
    fm->GetGlyphOutline(&gm, buffer, L'縁', GGO_BEZIER, &identity);
    const double margin = 20;
    const double place[7] = {1, 0, 0, -1, margin, margin + fm->GetMetrics().tmAscent, 1};
    Gdiplus::GraphicsPath glyph(Gdiplus::FillModeWinding);
    CGlyphParseState state;
    ParseGlyphOutline(state, glyph, L'縁', buffer, place);
    std::vector<Gdiplus::PointF> p;
    std::vector<BYTE> t;
    ASSERT_EQ(Gdiplus::Ok, glyph.GetPathData(p, t));
    ASSERT_FALSE(p.empty());

    boost::shared_ptr<CDibRenderer> dib(new CDibRenderer);
    CMultiRenderer multi;
    multi.Add(dib);
    dib->SetBackgroundColor(1, 1, 1, 1);
    multi.BeginDocument(L"");
    const double side = margin * 2 + font.Size;
    multi.BeginPage(side, margin * 2 + fm->GetMetrics().tmHeight);
    multi.SetTransform(kIdentityTransform);
    multi.SetLineJoin(kJoinRound);
    struct Layer { double width; COLORREF color; } layers[] = {{16, RGB(30, 60, 170)}, {6, RGB(255, 220, 0)}, {0, RGB(20, 20, 20)}};
    for (const Layer& layer : layers) {
        multi.SetLineWidth(layer.width);
        multi.SetStrokeColor(layer.color);
        multi.SetFillColor(layer.color);
        for (size_t i = 0; i < p.size(); ++i) {
            switch (t[i] & Gdiplus::PathPointTypePathTypeMask) {
            case Gdiplus::PathPointTypeStart: multi.MoveTo(p[i].X, p[i].Y); break;
            case Gdiplus::PathPointTypeLine: multi.LineTo(p[i].X, p[i].Y); break;
            default:
                multi.CurveTo(p[i].X, p[i].Y, p[i + 1].X, p[i + 1].Y, p[i + 2].X, p[i + 2].Y);
                i += 2;
                break;
            }
            if (t[i] & Gdiplus::PathPointTypeCloseSubpath)
                multi.ClosePath();
        }
        if (multi.GetLineWidth() == 0)
            multi.Fill();
        else
            multi.FillStroke();
    }
    multi.EndPage();
    multi.EndDocument();

    boost::shared_ptr<CDib> page = dib->GetDib();
    ASSERT_TRUE(page);
    // Every colour of the layers is on the page, and the corners stay white.
    int counts[4] = {0, 0, 0, 0};
    for (int y = 0; y < page->GetAbsHeight(); ++y)
        for (int x = 0; x < page->GetWidth(); ++x) {
            const uint32_t v = Px(*page, x, y);
            counts[0] += v == 0xFF1E3CAA;
            counts[1] += v == 0xFFFFDC00;
            counts[2] += v == 0xFF141414;
            counts[3] += v == 0xFFFFFFFF;
        }
    EXPECT_GT(counts[0], 500);
    EXPECT_GT(counts[1], 500);
    EXPECT_GT(counts[2], 500);
    EXPECT_EQ(0xFFFFFFFFu, Px(*page, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, Px(*page, page->GetWidth() - 1, page->GetAbsHeight() - 1));

    boost::shared_ptr<Gdiplus::CImageSaver> png = CreatePngSaver();
    ASSERT_TRUE(png);
    const std::wstring path = TestOutputPath(L"dib-renderer-glyph.png");
    EXPECT_EQ(S_OK, png->Save(*page, true, path));
    EXPECT_GT(ReadFileBytes(path).size(), 100u);
}

// A rectangle filled with a 2 x 2 checker: texel for texel at rate 1, in
// blocks when fitted to the width; outside the path and off the page
// nothing changes.
TEST(DibRenderer, TextureFilledRectangle)
{
    boost::shared_ptr<CImg> checker(new CImg(BGRA32, 2, 2));
    checker->m_bits = {0, 0, 255, 255, 255, 0, 0, 255,   // red, blue
                       255, 0, 0, 255, 0, 0, 255, 255};  // blue, red
    const uint32_t red = 0xFFFF0000u, blue = 0xFF0000FFu, white = 0xFFFFFFFFu;
    auto page = [&](int fit, double left, double top) {
        CDibRenderer r;
        r.SetNoAntiAliasing(true);
        r.SetBackgroundColor(1, 1, 1, 1);
        r.BeginPage(40, 20);
        r.SetFillTexture(checker, 1, 0, fit, 1, 1, 0, 0, 0);
        r.BeginPath();
        r.Rectangle(left, top, 20, 12);
        r.Fill();
        return r.GetDib();
    };
    boost::shared_ptr<CDib> d = page(TEXTURE_CUSTOM_RATE, 10, 4);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 4 && y < 16;
            const uint32_t want = !inside ? white : ((x - 10 + y - 4) % 2 == 0 ? red : blue);
            ASSERT_EQ(want, Px(*d, x, y)) << x << "," << y;
        }

    // Fitted to the width: 2 texels over 20 pixels, one every 10 pixels and
    // blended between.
    d = page(TEXTURE_FIT_WIDTH, 10, 4);
    EXPECT_EQ(red, Px(*d, 10, 4));
    EXPECT_EQ(blue, Px(*d, 20, 4));
    EXPECT_EQ(0xFF7F007Fu, Px(*d, 15, 4));
    EXPECT_EQ(white, Px(*d, 9, 4));

    d = page(TEXTURE_CUSTOM_RATE, 100, 50);  // wholly off the page
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(white, Px(*d, x, y));

    // A texture without pixels leaves the solid fill colour.
    CDibRenderer r;
    r.BeginPage(4, 4);
    r.SetFillColor(RGB(0, 255, 0));
    r.SetFillTexture(boost::shared_ptr<CImg>(new CImg(BGRA32, 0, 0)), 1, 0, 3, 1, 1, 0, 0, 0);
    r.SetNoAntiAliasing(true);
    r.BeginPath();
    r.Rectangle(0, 0, 4, 4);
    r.Fill();
    EXPECT_EQ(0xFF00FF00u, Px(*r.GetDib(), 1, 1));

    const RECT outward = Gdiplus::RectFToRectOutward(Gdiplus::RectF(-0.5f, 1.25f, 2.0f, 0.5f));
    EXPECT_EQ(-1, outward.left);
    EXPECT_EQ(1, outward.top);
    EXPECT_EQ(2, outward.right);
    EXPECT_EQ(2, outward.bottom);
}
