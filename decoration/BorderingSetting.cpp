#include "decoration/BorderingSetting.h"
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Narrows a 64-bit result to a LONG, saturating instead of wrapping: the
// records do not limit their numbers, so sums of them may exceed 32 bits.
LONG SaturateLong(long long v)
{
    if (v > LONG_MAX)
        return LONG_MAX;
    if (v < LONG_MIN)
        return LONG_MIN;
    return static_cast<LONG>(v);
}

int SaturatingNegate(int v) { return v == INT_MIN ? INT_MAX : -v; }

struct CDefaultStop {
    double pos;
    COLORREF color;
};

const CDefaultStop kRainbow[] = {
    {0, 0x0D0DFF},    {0.09, 0x0B9FFF}, {0.18, 0x18F0FF}, {0.27, 0x1BFF15},
    {0.36, 0x77FF05}, {0.45, 0xCDFF15}, {0.54, 0xFF9620}, {0.63, 0xFF1829},
    {0.72, 0xFF0D75}, {0.81, 0xFF0DE3}, {0.9, 0x8722FF},  {1.0, 0x2318FF},
};

} // namespace

void CColorPosSetting::Set(bool use, COLORREF color, double pos)
{
    Use = use ? TRUE : FALSE;
    Color = color;
    Pos = pos;
}

bool CColorPosSetting::operator==(const CColorPosSetting& o) const
{
    return Use == o.Use && Color == o.Color && Pos == o.Pos;
}

CLinearGradation::CLinearGradation()
{
    Stops.reserve(sizeof kRainbow / sizeof kRainbow[0]);
    for (const CDefaultStop& s : kRainbow)
        Stops.push_back(CColorPosSetting(true, s.color, s.pos));
}

bool CLinearGradation::operator==(const CLinearGradation& o) const
{
    return Angle == o.Angle && Unit == o.Unit && Entire == o.Entire && Stops == o.Stops;
}

bool CTextureSetting::operator==(const CTextureSetting& o) const
{
    return Path == o.Path && Type == o.Type && Unit == o.Unit && RateX == o.RateX &&
           RateY == o.RateY && SameRate == o.SameRate && Entire == o.Entire && Flip == o.Flip &&
           OffsetX == o.OffsetX && OffsetY == o.OffsetY;
}

void CTextureSetting::Rotate90()
{
    if (Type == ImageFitType::FIT_WIDTH)
        Type = ImageFitType::FIT_HEIGHT;
    else if (Type == ImageFitType::FIT_HEIGHT)
        Type = ImageFitType::FIT_WIDTH;
    if (SameRate)
        RateY = RateX;
    std::swap(RateX, RateY);
    const int oldX = OffsetX;
    OffsetX = OffsetY;
    OffsetY = SaturatingNegate(oldX);
}

bool CPaintSetting::operator==(const CPaintSetting& o) const
{
    return Type == o.Type && Color == o.Color && LinearGradation == o.LinearGradation &&
           Texture == o.Texture;
}

void CPaintSetting::LimitUnit(UINT unit)
{
    // Signed comparison, as the units are compared as numbers of a choice list.
    if (static_cast<int>(LinearGradation.Unit) > static_cast<int>(unit))
        LinearGradation.Unit = unit;
    if (static_cast<int>(Texture.Unit) > static_cast<int>(unit))
        Texture.Unit = unit;
}

bool CBorderingSetting::operator==(const CBorderingSetting& o) const
{
    return Size == o.Size && Alpha == o.Alpha && Blur == o.Blur && Angle == o.Angle &&
           Distance == o.Distance && Paint == o.Paint;
}

POINT CBorderingSetting::GetShadowOffset(bool vertical) const
{
    POINT pt = {0, 0};
    if (Distance <= 0)
        return pt;
    const double a = static_cast<double>(Angle) + (vertical ? 90.0 : 0.0);
    const double r = a * 3.141592653589793 / 180.0;
    // trunc(x + 0.5) rounds only positive values to nearest: angle 180 with
    // distance 30 gives dx = -trunc(-29.5) = 29. The renderers rely on it.
    pt.x = SaturateLong(-static_cast<long long>(std::trunc(std::cos(r) * Distance + 0.5)));
    pt.y = SaturateLong(static_cast<long long>(std::trunc(std::sin(r) * Distance + 0.5)));
    return pt;
}

void CBorderingSetting::GetMargins(RECT& margins, bool vertical) const
{
    // In 64 bits: Size + Blur alone can pass INT_MAX for numbers from a bad file.
    const long long base = static_cast<long long>(Size) + Blur;
    long long left = base, top = base, right = base, bottom = base;
    const POINT d = GetShadowOffset(vertical);
    if (d.x <= 0) {
        left -= d.x;
        right += d.x;
        if (right < 0)
            right = 0;
    } else {
        right += d.x;
        left -= d.x;
        if (left < 0)
            left = 0;
    }
    if (d.y <= 0) {
        top -= d.y;
        bottom += d.y;
        if (bottom < 0)
            bottom = 0;
    } else {
        bottom += d.y;
        top -= d.y;
        if (top < 0)
            top = 0;
    }
    margins.left = SaturateLong(left);
    margins.top = SaturateLong(top);
    margins.right = SaturateLong(right);
    margins.bottom = SaturateLong(bottom);
}

void CBorderingSetting::SetPreset(int size, COLORREF color, int alpha, int blur, int angle,
                                  int distance)
{
    Size = size;
    Alpha = alpha;
    Blur = blur;
    Angle = angle;
    Distance = distance;
    Paint.Type = PaintType::MONO;
    Paint.Color = color;
}
