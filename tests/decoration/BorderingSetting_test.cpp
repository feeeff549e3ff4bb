#include "decoration/BorderingSetting.h"
#include "tests/decoration/SettingTestData.h"
#include <gtest/gtest.h>
#include <climits>
#include <cmath>

namespace {

CBorderingSetting Bordering(int size, int blur, int angle, int distance)
{
    CBorderingSetting b;
    b.Size = size;
    b.Blur = blur;
    b.Angle = angle;
    b.Distance = distance;
    return b;
}

} // namespace

TEST(BorderingSetting, ShadowOffset)
{
    struct Case {
        int angle, distance;
        bool vertical;
        long dx, dy;
    } cases[] = {
        {0, 30, false, -30, 0},
        {180, 30, false, 29, 0},  // -trunc(-30 + 0.5) = 29: only positives round
        {120, 100, false, 49, 87},
        {120, 100, true, 86, -49},
        {90, 10, false, 0, 10},
        {270, 10, false, 0, -9},
        {45, 0, false, 0, 0},
        {45, -5, false, 0, 0},
        {123, INT_MIN, false, 0, 0},
    };
    for (const Case& c : cases) {
        const POINT pt = Bordering(10, 0, c.angle, c.distance).GetShadowOffset(c.vertical);
        EXPECT_EQ(c.dx, pt.x) << c.angle << " " << c.distance << " " << c.vertical;
        EXPECT_EQ(c.dy, pt.y) << c.angle << " " << c.distance << " " << c.vertical;
    }
}

TEST(BorderingSetting, Margins)
{
    struct Case {
        int size, blur, angle, distance;
        RECT expected;
    } cases[] = {
        {10, 0, 120, 0, {10, 10, 10, 10}},
        {10, 0, 120, 100, {0, 0, 59, 97}},
        {10, 5, 0, 30, {45, 15, 0, 15}},       // shadow to the left
        {20, 20, 120, 20, {31, 23, 49, 57}},   // the shadow preset
        {0, 0, 180, 30, {0, 0, 29, 0}},
        // Numbers from a damaged file: the sum must saturate, not wrap.
        {INT_MAX, INT_MAX, 0, 0, {LONG_MAX, LONG_MAX, LONG_MAX, LONG_MAX}},
    };
    for (const Case& c : cases) {
        RECT m = {-1, -1, -1, -1};
        Bordering(c.size, c.blur, c.angle, c.distance).GetMargins(m, false);
        EXPECT_EQ(c.expected.left, m.left) << c.size << "/" << c.angle << "/" << c.distance;
        EXPECT_EQ(c.expected.top, m.top) << c.size << "/" << c.angle << "/" << c.distance;
        EXPECT_EQ(c.expected.right, m.right) << c.size << "/" << c.angle << "/" << c.distance;
        EXPECT_EQ(c.expected.bottom, m.bottom) << c.size << "/" << c.angle << "/" << c.distance;
    }
}

TEST(BorderingSetting, DefaultsAndEquality)
{
    const CBorderingSetting a;
    EXPECT_EQ(10, a.Size);
    EXPECT_EQ(100, a.Alpha);
    EXPECT_EQ(120, a.Angle);
    ASSERT_EQ(12u, a.Paint.LinearGradation.Stops.size());
    EXPECT_EQ(0x0D0DFFu, a.Paint.LinearGradation.Stops[0].Color);
    EXPECT_DOUBLE_EQ(0.09, a.Paint.LinearGradation.Stops[1].Pos);
    EXPECT_EQ(0x2318FFu, a.Paint.LinearGradation.Stops[11].Color);
    EXPECT_TRUE(a == CBorderingSetting());

    // Every field takes part, the gradation and texture even of a solid paint.
    CFieldMutator all;
    CBorderingSetting counted;
    all.Mutate(counted);
    EXPECT_EQ(5 + 2 + 3 + 12 * 3 + 10, all.leaves);
    for (int i = 0; i < all.leaves; ++i) {
        CBorderingSetting b;
        CFieldMutator one;
        one.only = i;
        one.Mutate(b);
        EXPECT_FALSE(a == b) << "field " << i;
        EXPECT_TRUE(a != b) << "field " << i;
        CBorderingSetting copy(b);
        EXPECT_TRUE(copy == b) << "field " << i;
    }
    CPaintSetting stops;
    stops.LinearGradation.Stops.pop_back();
    EXPECT_FALSE(stops == CPaintSetting());
}

TEST(BorderingSetting, TexturePathCaseMatters)
{
    CTextureSetting a, b;
    a.Path = L"C:\\Tex.png";
    b.Path = L"c:\\tex.png";
    EXPECT_FALSE(a == b);
}

TEST(BorderingSetting, SetPresetKeepsGradationAndTexture)
{
    CBorderingSetting b;
    b.Paint.Type = PaintType::TEXTURE;
    b.Paint.Texture.Path = L"x.png";
    b.Paint.LinearGradation.Angle = 10;
    b.SetPreset(20, 0xFFFFFF, 50, 20, 120, 7);
    EXPECT_EQ(20, b.Size);
    EXPECT_EQ(50, b.Alpha);
    EXPECT_EQ(20, b.Blur);
    EXPECT_EQ(7, b.Distance);
    EXPECT_EQ(static_cast<UINT>(PaintType::MONO), b.Paint.Type);
    EXPECT_EQ(0xFFFFFFu, b.Paint.Color);
    EXPECT_EQ(L"x.png", b.Paint.Texture.Path);
    EXPECT_EQ(10u, b.Paint.LinearGradation.Angle);
}

TEST(BorderingSetting, LimitUnit)
{
    struct Case {
        UINT gradUnit, texUnit, limit, gradOut, texOut;
    } cases[] = {
        {2, 2, 1, 1, 1},
        {0, 2, 1, 0, 1},
        {1, 1, 2, 1, 1},
        {2, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CPaintSetting p;
        p.LinearGradation.Unit = c.gradUnit;
        p.Texture.Unit = c.texUnit;
        p.LimitUnit(c.limit);
        EXPECT_EQ(c.gradOut, p.LinearGradation.Unit);
        EXPECT_EQ(c.texOut, p.Texture.Unit);
    }
}

TEST(BorderingSetting, TextureRotate90)
{
    CTextureSetting t;
    t.Type = ImageFitType::FIT_WIDTH;
    t.RateX = 2;
    t.RateY = 3;
    t.SameRate = true;
    t.OffsetX = 5;
    t.OffsetY = 7;
    t.Rotate90();
    EXPECT_EQ(static_cast<UINT>(ImageFitType::FIT_HEIGHT), t.Type);
    EXPECT_EQ(2.0, t.RateX);  // RateY took RateX first, then they swapped
    EXPECT_EQ(2.0, t.RateY);
    EXPECT_EQ(7, t.OffsetX);
    EXPECT_EQ(-5, t.OffsetY);

    CTextureSetting u;
    u.Type = ImageFitType::CUSTOM_RATE;
    u.SameRate = false;
    u.RateX = 2;
    u.RateY = 3;
    u.OffsetX = INT_MIN;
    u.Rotate90();
    EXPECT_EQ(static_cast<UINT>(ImageFitType::CUSTOM_RATE), u.Type);
    EXPECT_EQ(3.0, u.RateX);
    EXPECT_EQ(2.0, u.RateY);
    EXPECT_EQ(INT_MAX, u.OffsetY);  // saturates instead of overflowing
}

TEST(SettingLimits, ClampBordering)
{
    CBorderingSetting b = Bordering(INT_MAX, -3, -90, 20001);
    b.Alpha = -1;
    b.Paint.LinearGradation.Angle = static_cast<UINT>(-45);
    b.Paint.LinearGradation.Stops[0].Pos = -0.5;
    b.Paint.LinearGradation.Stops[1].Pos = 1e300;
    b.Paint.LinearGradation.Stops[2].Pos = std::nan("");
    b.Paint.Texture.RateX = HUGE_VAL;
    b.Paint.Texture.RateY = -2;
    b.Paint.Texture.OffsetX = INT_MIN;
    ClampFields(b);
    EXPECT_EQ(10000, b.Size);
    EXPECT_EQ(0, b.Blur);
    EXPECT_EQ(10000, b.Distance);
    EXPECT_EQ(0, b.Alpha);
    EXPECT_EQ(-90, b.Angle);  // signed, never folded into one turn
    EXPECT_EQ(static_cast<UINT>(-45), b.Paint.LinearGradation.Angle);
    EXPECT_EQ(0.0, b.Paint.LinearGradation.Stops[0].Pos);
    EXPECT_EQ(1.0, b.Paint.LinearGradation.Stops[1].Pos);
    EXPECT_EQ(0.0, b.Paint.LinearGradation.Stops[2].Pos);
    EXPECT_EQ(limits::kMaxRate, b.Paint.Texture.RateX);
    EXPECT_EQ(limits::kMinRate, b.Paint.Texture.RateY);
    EXPECT_EQ(-limits::kMaxOffset, b.Paint.Texture.OffsetX);

    // Values in range pass unchanged.
    CBorderingSetting d;
    CBorderingSetting e = d;
    ClampFields(e);
    EXPECT_TRUE(d == e);
}

TEST(SettingLimits, Helpers)
{
    // Angles are never folded into one turn, only kept within their bound.
    const struct {
        int in, out;
    } angles[] = {{360, 360}, {-45, -45}, {-721, -721}, {INT_MAX, limits::kMaxAngle}, {INT_MIN, -limits::kMaxAngle}};
    for (const auto& a : angles) {
        CBorderingSetting b;
        b.Angle = a.in;
        ClampFields(b);
        EXPECT_EQ(a.out, b.Angle) << a.in;
    }
    EXPECT_EQ(limits::kMinRate, ClampRate(1e-9));
    EXPECT_EQ(limits::kMaxRate, ClampRate(1e9));
    EXPECT_EQ(0.5, ClampRate(0.5));
    // Typed or read, a rate of 0 is the least; only a rate that is no number is 1.
    EXPECT_EQ(limits::kMinRate, ClampRate(0));
    EXPECT_EQ(1.0, ClampRate(std::nan("")));

    CPaintSetting p;
    p.Type = 7;
    p.LinearGradation.Unit = 3;
    p.Texture.Type = 4;
    p.Texture.Unit = 0xFFFFFFFF;
    ClampFields(p);
    EXPECT_TRUE(p == CPaintSetting());
}
