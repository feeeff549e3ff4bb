// Raster effects, each against a plain reference on small random images.
#include "decoration/BorderingSetting.h"
#include "render/DiscDilation.h"
#include "render/RasterEffects.h"
#include "tests/render/MaskOracle.h"
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <vector>

namespace {

boost::shared_ptr<CDib> RandomDib(std::mt19937& rng, int w, int h, bool binaryAlpha = false)
{
    boost::shared_ptr<CDib> dib;
    EXPECT_EQ(S_OK, CreateDib32(dib, w, h));
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 4; ++x) {
            int v = byte(rng);
            if (binaryAlpha && x % 4 == 3)
                v = v < 90 ? 255 : 0;
            dib->GetImageRow(y)[x] = static_cast<BYTE>(v);
        }
    return dib;
}

BYTE At(const CDib& d, int x, int y, int c) { return d.GetImageRow(y)[x * 4 + c]; }

boost::shared_ptr<CDib> Copy(const CDib& d)
{
    boost::shared_ptr<CDib> c;
    EXPECT_EQ(S_OK, CreateDib32(c, d.GetWidth(), d.GetAbsHeight()));
    c->CopyFrom(d);
    return c;
}

// First differing pixel as text, or empty.
std::string FirstDifference(const CDib& a, const CDib& b)
{
    for (int y = 0; y < a.GetAbsHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            for (int c = 0; c < 4; ++c)
                if (At(a, x, y, c) != At(b, x, y, c))
                    return "(" + std::to_string(x) + ", " + std::to_string(y) + ") byte " + std::to_string(c) +
                           ": " + std::to_string(At(a, x, y, c)) + " vs " + std::to_string(At(b, x, y, c));
    return std::string();
}

TEST(RasterEffectsTest, NonThirtyTwoBitImagesAreRefused)
{
    CDib grey;
    ASSERT_TRUE(grey.CreateWithInfoHeader(4, 4, 8));
    ASSERT_TRUE(grey.AllocBits());
    boost::shared_ptr<CDib> out;
    EXPECT_EQ(E_INVALIDARG, CopyChannelToAlpha(grey, 1));
    EXPECT_EQ(E_INVALIDARG, ScaleChannel(grey, 3, 1, 2));
    EXPECT_EQ(E_INVALIDARG, OffsetChannel(grey, 3, 1, 0));
    EXPECT_EQ(E_INVALIDARG, GaussianBlurAlpha(out, grey, 2.0));
    EXPECT_EQ(E_INVALIDARG, MaxFilterByDisc(out, grey, 2));
    EXPECT_FALSE(out);
    CDib empty;
    EXPECT_EQ(E_INVALIDARG, FillLinearGradation(empty, CLinearGradation()));
}

TEST(RasterEffectsTest, CopyChannelAndScaleChannel)
{
    std::mt19937 rng(1);
    boost::shared_ptr<CDib> img = RandomDib(rng, 13, 7);
    boost::shared_ptr<CDib> before = Copy(*img);
    ASSERT_EQ(S_OK, CopyChannelToAlpha(*img, 1));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            EXPECT_EQ(At(*before, x, y, 1), At(*img, x, y, 3));
            EXPECT_EQ(At(*before, x, y, 2), At(*img, x, y, 2));
        }

    struct Case {
        int channel, num, den;
        HRESULT hr;
    } cases[] = {{3, 40, 100, S_OK}, {0, 1, 3, S_OK}, {3, 100, 100, S_OK}, {3, 5, 0, E_INVALIDARG},
                 {3, 150, 100, S_OK}, {4, 1, 2, E_INVALIDARG}};
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> s = RandomDib(rng, 9, 5), orig = Copy(*s);
        ASSERT_EQ(c.hr, ScaleChannel(*s, c.channel, c.num, c.den));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                for (int k = 0; k < 4; ++k) {
                    int v = At(*orig, x, y, k);
                    int want = (c.hr == S_OK && k == c.channel) ? std::min(255, v * c.num / c.den) : v;
                    ASSERT_EQ(want, At(*s, x, y, k)) << c.num << "/" << c.den;
                }
    }
}

TEST(RasterEffectsTest, OffsetChannelMovesOneByteAndClearsWhatComesIn)
{
    std::mt19937 rng(2);
    struct Case {
        int dx, dy;
    } cases[] = {{0, 0}, {1, 0}, {-2, 3}, {4, -1}, {0, 6}, {11, 0}, {30, 0}, {0, -7}, {-11, -7}};
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> img = RandomDib(rng, 11, 7), orig = Copy(*img);
        ASSERT_EQ(S_OK, OffsetChannel(*img, 3, c.dx, c.dy));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 11; ++x) {
                int sx = x - c.dx, sy = y - c.dy;
                int want = (sx >= 0 && sy >= 0 && sx < 11 && sy < 7) ? At(*orig, sx, sy, 3) : 0;
                ASSERT_EQ(want, At(*img, x, y, 3)) << c.dx << "," << c.dy << " at " << x << "," << y;
                ASSERT_EQ(At(*orig, x, y, 0), At(*img, x, y, 0));
            }
    }
}

// The blur written from its definition, pixel by pixel, with no shortcut.
boost::shared_ptr<CDib> PlainBlur(const CDib& src, double sigma)
{
    int n = static_cast<int>(std::ceil(sigma) + 1.0);
    std::vector<int> k(n);
    for (int i = 0; i < n; ++i) {
        double v = 255.0 * std::exp(-0.5 * i * i / (sigma * sigma));
        k[i] = v > 254.9 ? 255 : static_cast<int>(v);
    }
    int w = src.GetWidth(), h = src.GetAbsHeight();
    std::vector<int> tmp(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0, wt = 0;
            for (int j = -(n - 1); j <= n - 1; ++j)
                if (x + j >= 0 && x + j < w) {
                    sum += k[std::abs(j)] * At(src, x + j, y, 3);
                    wt += k[std::abs(j)];
                }
            tmp[y * w + x] = sum / wt;
        }
    boost::shared_ptr<CDib> out = Copy(src);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0, wt = 0;
            for (int j = -(n - 1); j <= n - 1; ++j)
                if (y + j >= 0 && y + j < h) {
                    sum += k[std::abs(j)] * tmp[(y + j) * w + x];
                    wt += k[std::abs(j)];
                }
            out->GetImageRow(y)[x * 4 + 3] = static_cast<BYTE>(sum / wt);
        }
    return out;
}

TEST(RasterEffectsTest, GaussianBlurEqualsPlainDefinition)
{
    std::mt19937 rng(3);
    struct Case {
        int w, h;
        double sigma;
    } cases[] = {
        {17, 11, 1.0}, {31, 23, 2.5}, {40, 9, 4.0}, {5, 6, 3.0},  // narrower than the window: every pixel bounded
        {1, 1, 2.0},   {64, 1, 1.7},  {1, 40, 1.2}, {25, 25, 0.6},
    };
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> src = RandomDib(rng, c.w, c.h), orig = Copy(*src), out;
        ASSERT_EQ(S_OK, GaussianBlurAlpha(out, *src, c.sigma));
        ASSERT_TRUE(out);
        EXPECT_EQ("", FirstDifference(*PlainBlur(*orig, c.sigma), *out)) << c.w << "x" << c.h << " sigma " << c.sigma;
        EXPECT_EQ("", FirstDifference(*orig, *src)) << "source changed";
    }
}

TEST(RasterEffectsTest, BlurOfATenthOfAPixelChangesNothing)
{
    std::mt19937 rng(4);
    boost::shared_ptr<CDib> src = RandomDib(rng, 12, 9), out;
    ASSERT_EQ(S_OK, GaussianBlurAlpha(out, *src, 0.1));
    EXPECT_EQ("", FirstDifference(*src, *out));
}

// Reference maximum filter: the whole disc stamped on every contour pixel.
boost::shared_ptr<CDib> PlainMaxFilter(const CDib& src, int r)
{
    int w = src.GetWidth(), h = src.GetAbsHeight();
    boost::shared_ptr<CDib> out = Copy(src);
    auto opaque = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && At(src, x, y, 3) != 0; };
    CDisc disc(r);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool contour = false;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i)
                    contour |= opaque(x, y) && !opaque(x + i, y + j);
            if (!contour || r <= 0)
                continue;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i)
                    if (disc.Contains(i, j)) {
                        int tx = x + i, ty = y + j;
                        if (tx >= 0 && ty >= 0 && tx < w && ty < h)
                            out->GetImageRow(ty)[tx * 4 + 3] = 255;
                    }
        }
    return out;
}

TEST(RasterEffectsTest, MaxFilterEqualsPlainStampAlongContours)
{
    std::mt19937 rng(5);
    struct Case {
        int w, h, r;
        bool binary;
    } cases[] = {{20, 15, 0, true}, {20, 15, 1, true}, {33, 21, 3, true}, {33, 21, 4, false}, {9, 40, 7, true}};
    for (const Case& c : cases) {
        boost::shared_ptr<CDib> src = RandomDib(rng, c.w, c.h, c.binary), out;
        // Thin the random alpha out so that shapes and holes form.
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                if ((x / 4 + y / 3) % 3 != 0)
                    src->GetImageRow(y)[x * 4 + 3] = 0;
        ASSERT_EQ(S_OK, MaxFilterByDisc(out, *src, c.r));
        EXPECT_EQ("", FirstDifference(*PlainMaxFilter(*src, c.r), *out)) << "r " << c.r;
        if (c.r == 0) {
            EXPECT_EQ("", FirstDifference(*src, *out));
        }
    }
}

TEST(RasterEffectsTest, DiscStampAndItsClipping)
{
    for (int r : {0, 1, 2, 5, 12}) {
        boost::shared_ptr<CDibSection> stamp;
        ASSERT_EQ(S_OK, MakeDiscStamp(stamp, r));
        ASSERT_EQ(8, stamp->GetBitCount());
        ASSERT_EQ(2 * r + 1, stamp->GetWidth());
        ASSERT_EQ(2 * r + 1, stamp->GetAbsHeight());
        EXPECT_TRUE(stamp->GetBitmap() != nullptr) << "a DIB section a DC can select";
        CDisc disc(r);
        for (int j = 0; j <= 2 * r; ++j)
            for (int i = 0; i <= 2 * r; ++i)
                ASSERT_EQ(disc.Contains(i - r, j - r) ? 255 : 0, stamp->GetImageRow(j)[i]) << r << ": " << i << "," << j;
        // Stamped at every position of a small image, corners and outside
        // included: only alpha changes, and only under the disc.
        std::mt19937 rng(20 + r);
        for (int cy = -r - 1; cy <= 6 + r; cy += 2)
            for (int cx = -r - 1; cx <= 8 + r; cx += 3) {
                boost::shared_ptr<CDib> img = RandomDib(rng, 8, 6), orig = Copy(*img);
                StampDisc(*img, cx, cy, r, *stamp);
                for (int y = 0; y < 6; ++y)
                    for (int x = 0; x < 8; ++x)
                        for (int c = 0; c < 4; ++c) {
                            int want = c == 3 && disc.Contains(x - cx, y - cy) ? 255 : At(*orig, x, y, c);
                            ASSERT_EQ(want, At(*img, x, y, c)) << "r " << r << " at " << cx << "," << cy;
                        }
            }
    }
    boost::shared_ptr<CDibSection> none;
    EXPECT_EQ(E_INVALIDARG, MakeDiscStamp(none, -1));
    EXPECT_FALSE(none);
}

TEST(RasterEffectsTest, MaxFilterAgreesWithTheSpanDilation)
{
    // On a binary shape with holes, stamping along every contour pixel and
    // the span dilation of the whole shape give the same pixels.
    std::mt19937 rng(21);
    for (int r : {1, 4, 9}) {
        boost::shared_ptr<CDib> src = RandomDib(rng, 48, 40, true);
        CPlainMask shape(48, 40);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 48; ++x) {
                // Rings: a shape with holes, edges everywhere.
                const int dx = x % 16 - 8, dy = y % 16 - 8, d = dx * dx + dy * dy;
                BYTE a = (d >= 9 && d <= 40) ? 255 : 0;
                src->GetImageRow(y)[x * 4 + 3] = a;
                shape.Set(x, y, a != 0);
            }
        shape.MarkAllDirty();
        boost::shared_ptr<CDib> out;
        ASSERT_EQ(S_OK, MaxFilterByDisc(out, *src, r));
        CRunMask runs, grownRuns;
        CRowRing ring;
        PlainRunsOf(shape, runs);
        DilateRuns(grownRuns, runs, CDisc(r), ring);
        const CPlainMask grown = PlaneOf(grownRuns);
        int differing = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 48; ++x)
                differing += (At(*out, x, y, 3) == 255) != grown.Get(x, y);
        EXPECT_EQ(0, differing) << "r " << r;
    }
}

TEST(GradationLineTest, EveryOctantIsTheProjectionOnTheAngle)
{
    // t must be 0 where the projection onto the angle's direction (y down,
    // counted counter-clockwise from the right) is largest over the frame and
    // 1 where it is smallest, linear in between.
    const double pi = 3.141592653589793, W = 37, H = 19;
    for (int angle = -90; angle <= 720; angle += 5) {
        double a, b, c, d;
        ASSERT_TRUE(GetGradationLine(angle, W, H, a, b, c, d));
        double q = angle * pi / 180, cs = std::cos(q), sn = std::sin(q);
        auto s = [&](double x, double y) { return x * cs - y * sn; };
        double smax = std::max(std::max(s(0, 0), s(W, 0)), std::max(s(0, H), s(W, H)));
        double smin = std::min(std::min(s(0, 0), s(W, 0)), std::min(s(0, H), s(W, H)));
        for (double x : {0.0, 5.5, W})
            for (double y : {0.0, 13.25, H}) {
                double t = (x * a + y * b + c) / d;
                EXPECT_NEAR((smax - s(x, y)) / (smax - smin), t, 1e-9) << "angle " << angle;
            }
    }
}

CLinearGradation MakeGradation(std::mt19937& rng, int angle, int stopCount)
{
    CLinearGradation g;
    g.Angle = static_cast<UINT>(angle);
    g.Stops.clear();
    std::uniform_real_distribution<double> pos(-0.1, 1.1);
    std::uniform_int_distribution<int> color(0, 0xFFFFFF), use(0, 3);
    for (int i = 0; i < stopCount; ++i)
        g.Stops.push_back(CColorPosSetting(use(rng) != 0 || i == 0, static_cast<COLORREF>(color(rng)), pos(rng)));
    return g;
}

// The fill written plainly: every pixel searches all stops.
void PlainGradation(CDib& img, const CLinearGradation& g, const CRectD& clip, const CRectD& frame)
{
    std::vector<CColorPosSetting> stops;
    for (const CColorPosSetting& s : g.Stops)
        if (s.Use)
            stops.push_back(s);
    std::stable_sort(stops.begin(), stops.end(),
                     [](const CColorPosSetting& l, const CColorPosSetting& r) { return l.Pos < r.Pos; });
    double a, b, c, d;
    GetGradationLine(static_cast<int>(g.Angle), frame.width, frame.height, a, b, c, d);
    int x0 = std::max(0, static_cast<int>(clip.x)), x1 = std::min<int>(img.GetWidth(), static_cast<int>(std::ceil(clip.x + clip.width)));
    int y0 = std::max(0, static_cast<int>(clip.y)), y1 = std::min<int>(img.GetAbsHeight(), static_cast<int>(std::ceil(clip.y + clip.height)));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            double t = ((x - frame.x) * a + (y - frame.y) * b + c) / d;
            size_t k = 0;
            while (k < stops.size() && stops[k].Pos <= t)
                ++k;
            int rgb[3];
            for (int i = 0; i < 3; ++i) {
                auto comp = [&](COLORREF col) { return static_cast<int>((col >> (8 * i)) & 0xFF); };
                if (k == 0)
                    rgb[i] = comp(stops.front().Color);
                else if (k == stops.size())
                    rgb[i] = comp(stops.back().Color);
                else
                    rgb[i] = static_cast<int>((comp(stops[k - 1].Color) * (stops[k].Pos - t) +
                                               comp(stops[k].Color) * (t - stops[k - 1].Pos)) /
                                              (stops[k].Pos - stops[k - 1].Pos));
            }
            BYTE* p = img.GetImageRow(y) + x * 4;
            p[0] = static_cast<BYTE>(rgb[2]);
            p[1] = static_cast<BYTE>(rgb[1]);
            p[2] = static_cast<BYTE>(rgb[0]);
        }
}

TEST(GradationFillTest, EqualsPlainStopSearch)
{
    std::mt19937 rng(6);
    struct Case {
        int angle;
        CRectD clip, frame;
    } cases[] = {
        {0, {0, 0, 30, 20}, {0, 0, 30, 20}},         {135, {3.5, 2.2, 20, 11.5}, {0, 0, 30, 20}},
        {90, {-5, -5, 50, 50}, {2, 3, 10, 8}},        {200, {10, 4, 7, 9}, {10, 4, 7, 9}},
        {250, {0, 0, 30, 20}, {-10, -10, 50, 40}},    {300, {1, 1, 28, 18}, {1, 1, 28, 18}},
        {330, {29.5, 19.5, 4, 4}, {0, 0, 30, 20}},    {45, {0, 0, 30, 20}, {0, 0, 30, 20}},
        {-45, {0, 0, 30, 20}, {0, 0, 30, 20}},        {360 + 170, {0, 0, 30, 20}, {5, 5, 10, 10}},
    };
    for (const Case& c : cases)
        for (int round = 0; round < 4; ++round) {
            CLinearGradation g = MakeGradation(rng, c.angle, 1 + round * 3);
            boost::shared_ptr<CDib> img = RandomDib(rng, 30, 20), want = Copy(*img);
            ASSERT_EQ(S_OK, FillLinearGradationRect(*img, g, c.clip, c.frame));
            PlainGradation(*want, g, c.clip, c.frame);
            ASSERT_EQ("", FirstDifference(*want, *img)) << "angle " << c.angle << " round " << round;
        }
}

TEST(GradationFillTest, OneStopIsSolidAndNoStopIsRefused)
{
    CLinearGradation g;
    for (CColorPosSetting& s : g.Stops)
        s.Use = FALSE;
    boost::shared_ptr<CDib> img;
    ASSERT_EQ(S_OK, CreateDib32(img, 8, 8));
    EXPECT_EQ(E_INVALIDARG, FillLinearGradation(*img, g));
    g.Stops[5].Use = TRUE;
    g.Stops[5].Color = RGB(10, 20, 30);
    ASSERT_EQ(S_OK, FillLinearGradation(*img, g));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(30, At(*img, x, y, 0));
            EXPECT_EQ(20, At(*img, x, y, 1));
            EXPECT_EQ(10, At(*img, x, y, 2));
            EXPECT_EQ(0, At(*img, x, y, 3));  // alpha is left alone
        }
    // An empty clip paints nothing, even without stops.
    for (CColorPosSetting& s : g.Stops)
        s.Use = FALSE;
    EXPECT_EQ(S_OK, FillLinearGradationRect(*img, g, CRectD{3, 3, 0, 5}, CRectD{0, 0, 8, 8}));
}

TEST(GradationFillTest, AnglesWrapAround)
{
    std::mt19937 rng(8);
    CLinearGradation g = MakeGradation(rng, 0, 6), g360 = g, gm45 = g, g315 = g;
    g360.Angle = 360;
    gm45.Angle = static_cast<UINT>(-45);
    g315.Angle = 315;
    boost::shared_ptr<CDib> a, b, c, d;
    for (auto* p : {&a, &b, &c, &d})
        ASSERT_EQ(S_OK, CreateDib32(*p, 16, 12));
    ASSERT_EQ(S_OK, FillLinearGradation(*a, g));
    ASSERT_EQ(S_OK, FillLinearGradation(*b, g360));
    ASSERT_EQ(S_OK, FillLinearGradation(*c, gm45));
    ASSERT_EQ(S_OK, FillLinearGradation(*d, g315));
    EXPECT_EQ("", FirstDifference(*a, *b));
    EXPECT_EQ("", FirstDifference(*c, *d));
}

} // namespace

namespace {

// Source-over written with straight alpha in floating point, rounded.
TEST(RasterEffectsTest, CompositeOverAndFlattenMatchTheOverFormula)
{
    std::mt19937 rng(11);
    boost::shared_ptr<CDib> dst = RandomDib(rng, 19, 13), src = RandomDib(rng, 19, 13), orig = Copy(*dst);
    // Make the common alphas 0 and 255 frequent.
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 19; ++x) {
            BYTE& a = src->GetImageRow(y)[x * 4 + 3];
            a = (x % 3 == 0) ? 0 : (x % 3 == 1) ? 255 : a;
        }
    ASSERT_EQ(S_OK, CompositeOver(*dst, *src));
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 19; ++x) {
            double sa = At(*src, x, y, 3) / 255.0, da = At(*orig, x, y, 3) / 255.0;
            double oa = sa + da * (1 - sa);
            ASSERT_NEAR(oa * 255, At(*dst, x, y, 3), 1.0);
            for (int c = 0; c < 3 && oa > 0; ++c) {
                double v = (At(*src, x, y, c) * sa + At(*orig, x, y, c) * da * (1 - sa)) / oa;
                ASSERT_NEAR(v, At(*dst, x, y, c), 1.0) << x << "," << y << " byte " << c;
            }
        }
    boost::shared_ptr<CDib> small;
    ASSERT_EQ(S_OK, CreateDib32(small, 3, 3));
    EXPECT_EQ(E_INVALIDARG, CompositeOver(*dst, *small));

    boost::shared_ptr<CDib> flat;
    ASSERT_EQ(S_OK, FlattenOnColor(flat, *src, RGB(200, 100, 50)));
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 19; ++x) {
            double a = At(*src, x, y, 3) / 255.0;
            const int bg[3] = {50, 100, 200};
            EXPECT_EQ(255, At(*flat, x, y, 3));
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(At(*src, x, y, c) * a + bg[c] * (1 - a), At(*flat, x, y, c), 0.5 + 1e-9);
        }
    // A fully transparent image becomes the plain colour.
    boost::shared_ptr<CDib> clear, plain;
    ASSERT_EQ(S_OK, CreateDib32(clear, 4, 2));
    ASSERT_EQ(S_OK, FlattenOnColor(plain, *clear, RGB(1, 2, 3)));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(3, At(*plain, x, 1, 0));
        EXPECT_EQ(2, At(*plain, x, 1, 1));
        EXPECT_EQ(1, At(*plain, x, 1, 2));
        EXPECT_EQ(255, At(*plain, x, 1, 3));
    }
}

// The over formula in integers, pixel by pixel, as the rows must give it
// byte for byte whatever shortcuts they take.
void PlainOver(BYTE* d, const BYTE* s, unsigned sa)
{
    if (sa == 0)
        return;
    const unsigned ws = sa * 255, wd = d[3] * (255 - sa), sum = ws + wd;
    for (int c = 0; c < 3; ++c)
        d[c] = static_cast<BYTE>((s[c] * ws + d[c] * wd + sum / 2) / sum);
    d[3] = static_cast<BYTE>((sum + 127) / 255);
}

TEST(RasterEffectsTest, RowOperationsEqualTheIntegerFormulas)
{
    // Alphas come in runs of 0, of 255 and of any value (whole blocks of
    // sixteen take shortcuts), on both sides; partial ones over partial
    // ones take the division.
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> byte(0, 255), pick(0, 2), length(1, 40);
    const auto alphas = [&](int n) {
        std::vector<BYTE> a;
        while (static_cast<int>(a.size()) < n) {
            const int kind = pick(rng);
            for (int i = length(rng); i > 0 && static_cast<int>(a.size()) < n; --i)
                a.push_back(static_cast<BYTE>(kind == 0 ? 0 : kind == 1 ? 255 : byte(rng)));
        }
        return a;
    };
    const int n = 603;
    std::vector<BYTE> target(4 * n), source(4 * n);
    const std::vector<BYTE> targetAlpha = alphas(n), sourceAlpha = alphas(n), cover = alphas(n);
    for (int i = 0; i < 4 * n; ++i) {
        target[i] = static_cast<BYTE>(i % 4 == 3 ? targetAlpha[i / 4] : byte(rng));
        source[i] = static_cast<BYTE>(i % 4 == 3 ? sourceAlpha[i / 4] : byte(rng));
    }
    std::vector<BYTE> rows = target, expected = target;
    CompositeRowOver(rows.data(), source.data(), n);
    for (int x = 0; x < n; ++x)
        PlainOver(&expected[4 * x], &source[4 * x], source[4 * x + 3]);
    EXPECT_EQ(expected, rows);
    const COLORREF color = RGB(200, 30, 7);
    const BYTE colour[3] = {7, 30, 200};
    rows = expected = target;
    CompositeColorRowOver(rows.data(), cover.data(), n, color);
    for (int x = 0; x < n; ++x)
        PlainOver(&expected[4 * x], colour, cover[x]);
    EXPECT_EQ(expected, rows);
    // Flattening, into another row and in place.
    const unsigned bg[3] = {50, 100, 200};
    expected = target;
    for (int x = 0; x < n; ++x) {
        BYTE* p = &expected[4 * x];
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<BYTE>((p[c] * p[3] + bg[c] * (255 - p[3]) + 127) / 255);
        p[3] = 255;
    }
    std::vector<BYTE> flat(4 * n);
    FlattenRowOnColor(flat.data(), target.data(), n, RGB(200, 100, 50));
    EXPECT_EQ(expected, flat);
    rows = target;
    FlattenRowOnColor(rows.data(), rows.data(), n, RGB(200, 100, 50));
    EXPECT_EQ(expected, rows);
}

} // namespace

namespace {

TEST(RasterEffectsTest, DrawDibScaledComposesAndReportsFailures)
{
    std::mt19937 rng(12);
    boost::shared_ptr<CDib> dst = RandomDib(rng, 16, 9), src = RandomDib(rng, 16, 9), want = Copy(*dst);
    ASSERT_EQ(S_OK, CompositeOver(*want, *src));
    ASSERT_EQ(S_OK, DrawDibScaled(*dst, 0, 0, 16, 9, *src, Gdiplus::InterpolationModeNearestNeighbor));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 16; ++x)
            for (int c = 0; c < 4; ++c) {
                // GDI+ rounds through premultiplied values: only faint pixels may drift.
                int tolerance = At(*want, x, y, 3) < 16 ? 255 : 3;
                ASSERT_NEAR(At(*want, x, y, c), At(*dst, x, y, c), tolerance) << x << "," << y << " byte " << c;
            }
    // A failing GDI+ call is an error, not a silently missing layer.
    EXPECT_NE(S_OK, DrawDibScaled(*dst, 0, 0, 16, 9, *src, Gdiplus::InterpolationModeInvalid));
    CDib grey;
    ASSERT_TRUE(grey.CreateWithInfoHeader(4, 4, 8));
    ASSERT_TRUE(grey.AllocBits());
    EXPECT_EQ(E_INVALIDARG, DrawDibScaled(*dst, 0, 0, 4, 4, grey, Gdiplus::InterpolationModeDefault));
}

} // namespace
