#include "decoration/SettingLimits.h"
#include <cmath>

int ClampInt(int value, int lo, int hi)
{
    return value < lo ? lo : (value > hi ? hi : value);
}

int NormalizeAngle(long long degrees)
{
    long long a = degrees % 360;
    if (a < 0)
        a += 360;
    return static_cast<int>(a);
}

double ClampRate(double rate)
{
    if (!std::isfinite(rate) || rate <= 0.0)
        return 1.0;
    if (rate < limits::kMinRate)
        return limits::kMinRate;
    if (rate > limits::kMaxRate)
        return limits::kMaxRate;
    return rate;
}

double ClampUnit(double value)
{
    if (std::isnan(value) || value < 0.0)
        return 0.0;
    if (value > 1.0)
        return 1.0;
    return value;
}

void ClampPaint(CPaintSetting& paint)
{
    CLinearGradation& g = paint.LinearGradation;
    // The angle is unsigned in the record; a negative text read as an int
    // arrives here as a huge number, so take it back as signed first.
    g.Angle = static_cast<UINT>(NormalizeAngle(static_cast<int>(g.Angle)));
    for (CColorPosSetting& s : g.Stops) {
        s.Pos = ClampUnit(s.Pos);
        s.Color &= 0x00FFFFFF;
    }
    paint.Color &= 0x00FFFFFF;
    CTextureSetting& t = paint.Texture;
    t.RateX = ClampRate(t.RateX);
    t.RateY = ClampRate(t.RateY);
    t.OffsetX = ClampInt(t.OffsetX, -limits::kMaxOffset, limits::kMaxOffset);
    t.OffsetY = ClampInt(t.OffsetY, -limits::kMaxOffset, limits::kMaxOffset);
}

void ClampBordering(CBorderingSetting& b)
{
    b.Size = ClampInt(b.Size, 0, limits::kMaxLength);
    b.Blur = ClampInt(b.Blur, 0, limits::kMaxLength);
    b.Distance = ClampInt(b.Distance, 0, limits::kMaxLength);
    b.Alpha = ClampInt(b.Alpha, 0, 100);
    b.Angle = NormalizeAngle(b.Angle);
    ClampPaint(b.Paint);
}

void NormalizePaintEnums(CPaintSetting& paint)
{
    if (paint.Type >= PaintType::Count)
        paint.Type = PaintType::MONO;
    if (paint.LinearGradation.Unit >= TextUnit::Count)
        paint.LinearGradation.Unit = TextUnit::LINE;
    if (paint.Texture.Type >= ImageFitType::Count)
        paint.Texture.Type = ImageFitType::FIT_WIDTH;
    if (paint.Texture.Unit >= TextUnit::Count)
        paint.Texture.Unit = TextUnit::LINE;
}
