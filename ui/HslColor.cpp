// RGB <-> HSL, the hexcone model with lightness (max + min) / 2.
//
// RgbToHsl: a grey (max == min) has hue 0 and saturation 0. Otherwise the
// hue comes from the largest channel; ties are settled by testing red, then
// green, then blue, so yellow (r == g) takes red's formula and gives 60.
// HslToRgb wraps each channel's hue into [0, 360] (exactly 360 stays 360,
// which the last sextant maps like 0), and rounds a channel by +0.5 and
// truncation, clamped to a byte, so lightness 1 is 255 and lightness 0 is 0.
#include "ui/HslColor.h"
#include <cmath>

namespace {

double WrapHue(double h)
{
    if (!std::isfinite(h))
        return 0.0;
    // Far from the circle the loops below would never end (h - 360 == h).
    if (std::fabs(h) > 360.0 * 1024)
        h = std::fmod(h, 360.0);
    while (h < 0.0)
        h += 360.0;
    while (h > 360.0)
        h -= 360.0;
    return h;
}

double HueToChannel(double m1, double m2, double h)
{
    h = WrapHue(h);
    if (h < 60.0)
        return m1 + (m2 - m1) * h / 60.0;
    if (h < 180.0)
        return m2;
    if (h < 240.0)
        return m1 + (m2 - m1) * (240.0 - h) / 60.0;
    return m1;
}

} // namespace

BYTE ChannelToByte(double value)
{
    double v = value * 255.0 + 0.5;
    // Compared before the cast: a NaN or a huge value must not reach the
    // integer conversion.
    if (!(v >= 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<BYTE>(static_cast<int>(v));
}

CHsl RgbToHsl(BYTE rb, BYTE gb, BYTE bb)
{
    const double r = rb / 255.0, g = gb / 255.0, b = bb / 255.0;
    double mx = r, mn = r;
    if (g > mx) mx = g;
    if (b > mx) mx = b;
    if (g < mn) mn = g;
    if (b < mn) mn = b;
    CHsl hsl;
    hsl.lightness = (mx + mn) * 0.5;
    if (mx == mn)
        return hsl;
    const double delta = mx - mn;
    if (mx == r)
        hsl.hue = (g - b) * 60.0 / delta;
    else if (mx == g)
        hsl.hue = (b - r) * 60.0 / delta + 120.0;
    else
        hsl.hue = (r - g) * 60.0 / delta + 240.0;
    while (hsl.hue < 0.0)
        hsl.hue += 360.0;
    hsl.saturation = hsl.lightness < 0.5 ? delta / (mx + mn) : delta / (2.0 - mx - mn);
    return hsl;
}

COLORREF HslToRgb(double hue, double saturation, double lightness)
{
    hue = WrapHue(hue);
    if (saturation == 0.0) {
        BYTE v = ChannelToByte(lightness);
        return RGB(v, v, v);
    }
    const double m2 = lightness <= 0.5 ? lightness * (1.0 + saturation)
                                       : lightness + saturation - lightness * saturation;
    const double m1 = 2.0 * lightness - m2;
    return RGB(ChannelToByte(HueToChannel(m1, m2, hue + 120.0)), ChannelToByte(HueToChannel(m1, m2, hue)),
               ChannelToByte(HueToChannel(m1, m2, hue - 120.0)));
}
