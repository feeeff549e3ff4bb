#include "ui/HslColor.h"
#include <gtest/gtest.h>
#include <cmath>

TEST(HslColor, RgbToHslCorners)
{
    struct Case { BYTE r, g, b; double h, s, l; } cases[] = {
        {255, 255, 255, 0, 0, 1},
        {0, 0, 0, 0, 0, 0},
        {128, 128, 128, 0, 0, 128 / 255.0},
        {255, 0, 0, 0, 1, 0.5},
        {0, 255, 0, 120, 1, 0.5},
        {0, 0, 255, 240, 1, 0.5},
        {255, 0, 255, 300, 1, 0.5},
        // Ties go to red, then green: yellow takes red's formula, cyan green's.
        {255, 255, 0, 60, 1, 0.5},
        {0, 255, 255, 180, 1, 0.5},
        // Red's formula below zero wraps: (255, 0, 1) is just under 360.
        {255, 0, 1, 360 - 60 / 255.0, 1, 0.5},
        // Lightness above one half uses the other saturation formula.
        {255, 128, 128, 0, 1, (255 + 128) / 510.0},
    };
    for (const Case& c : cases) {
        CHsl hsl = RgbToHsl(c.r, c.g, c.b);
        SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b));
        EXPECT_NEAR(c.h, hsl.hue, 1e-9);
        EXPECT_NEAR(c.s, hsl.saturation, 1e-9);
        EXPECT_NEAR(c.l, hsl.lightness, 1e-9);
    }
}

TEST(HslColor, HslToRgbWrapsHueAndRounds)
{
    struct Case { double h, s, l; COLORREF rgb; } cases[] = {
        {0, 1, 0.5, RGB(255, 0, 0)},
        {120, 1, 0.5, RGB(0, 255, 0)},
        {240, 1, 0.5, RGB(0, 0, 255)},
        {360, 1, 0.5, RGB(255, 0, 0)},    // 360 stays 360 and maps like 0
        {-30, 1, 0.5, RGB(255, 0, 128)},  // as 330
        {330, 1, 0.5, RGB(255, 0, 128)},
        {390, 1, 0.5, RGB(255, 128, 0)},  // as 30
        {30, 1, 0.5, RGB(255, 128, 0)},
        {0, 0, 0.5, RGB(128, 128, 128)},  // 127.5 + 0.5 truncates to 128
        {0, 0, 0.2, RGB(51, 51, 51)},
        {0, 0, 1, RGB(255, 255, 255)},
        {0, 0, 1.5, RGB(255, 255, 255)},  // clamped
        {0, 0, -1, RGB(0, 0, 0)},
        {1e300, 1, 0.5, HslToRgb(std::fmod(1e300, 360.0), 1, 0.5)},  // ends
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.h << "," << c.s << "," << c.l);
        EXPECT_EQ(c.rgb, HslToRgb(c.h, c.s, c.l));
    }
}

TEST(HslColor, RoundTripKeepsGreysAndPrimaries)
{
    for (int v = 0; v < 256; ++v) {
        COLORREF grey = RGB(v, v, v);
        CHsl hsl = ColorRefToHsl(grey);
        EXPECT_EQ(grey, HslToRgb(hsl.hue, hsl.saturation, hsl.lightness)) << v;
    }
    const COLORREF saturated[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0),
                                  RGB(0, 255, 255), RGB(255, 0, 255), RGB(128, 0, 0), RGB(0, 0, 64)};
    for (COLORREF c : saturated) {
        CHsl hsl = ColorRefToHsl(c);
        EXPECT_EQ(c, HslToRgb(hsl.hue, hsl.saturation, hsl.lightness)) << std::hex << c;
    }
}
