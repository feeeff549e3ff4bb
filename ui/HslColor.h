// Colours in the hue-saturation-lightness model, as the colour pickers show
// them: hue in degrees (0..360), saturation and lightness 0..1.
#pragma once
#include <windows.h>

struct CHsl {
    double hue = 0.0;
    double saturation = 0.0;
    double lightness = 0.0;
};

CHsl RgbToHsl(BYTE r, BYTE g, BYTE b);
inline CHsl ColorRefToHsl(COLORREF c) { return RgbToHsl(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF HslToRgb(double hue, double saturation, double lightness);
// A channel 0..1 as a byte: +0.5, truncated, clamped to 0..255.
BYTE ChannelToByte(double value);
