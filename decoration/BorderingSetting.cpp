#include "decoration/BorderingSetting.h"
#include "decoration/RegistryForm.h"
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

// The shadow moves the margins on one axis by its offset d: the side it
// moves away from grows, the side it moves towards shrinks, never below 0.
void ShiftMargins(long long& before, long long& after, long d)
{
    before -= d;
    after += d;
    if (d <= 0 && after < 0)
        after = 0;
    if (d > 0 && before < 0)
        before = 0;
}

struct CDefaultStop {
    double pos;
    COLORREF color;
};

const CDefaultStop kRainbow[] = {
    {0, 0x0D0DFF},    {0.09, 0x0B9FFF}, {0.18, 0x18F0FF}, {0.27, 0x1BFF15},
    {0.36, 0x77FF05}, {0.45, 0xCDFF15}, {0.54, 0xFF9620}, {0.63, 0xFF1829},
    {0.72, 0xFF0D75}, {0.81, 0xFF0DE3}, {0.9, 0x8722FF},  {1.0, 0x2318FF},
};
static_assert(sizeof kRainbow / sizeof kRainbow[0] == kGradationStops, "the default gradation has every stop");

} // namespace

void CColorPosSetting::Set(bool use, COLORREF color, double pos)
{
    Use = use ? TRUE : FALSE;
    Color = color;
    Pos = pos;
}

CLinearGradation::CLinearGradation()
{
    Stops.reserve(sizeof kRainbow / sizeof kRainbow[0]);
    for (const CDefaultStop& s : kRainbow)
        Stops.push_back(CColorPosSetting(true, s.color, s.pos));
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

void CPaintSetting::LimitUnit(UINT unit)
{
    // Signed comparison, as the units are compared as numbers of a choice list.
    if (static_cast<int>(LinearGradation.Unit) > static_cast<int>(unit))
        LinearGradation.Unit = unit;
    if (static_cast<int>(Texture.Unit) > static_cast<int>(unit))
        Texture.Unit = unit;
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
    const POINT d = GetShadowOffset(vertical);
    long long left = base, top = base, right = base, bottom = base;
    ShiftMargins(left, right, d.x);
    ShiftMargins(top, bottom, d.y);
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

bool CBorderingSetting::Load(const std::wstring& keyPath, HKEY parent) { return regform::Load(*this, keyPath, parent); }

bool CBorderingSetting::Save(const std::wstring& keyPath, HKEY parent) const
{
    return regform::Save(*this, keyPath, parent);
}
