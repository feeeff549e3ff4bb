#include "decoration/SettingLimits.h"
#include <cmath>

int ClampInt(int value, int lo, int hi)
{
    return value < lo ? lo : (value > hi ? hi : value);
}

double ClampRate(double rate)
{
    if (std::isnan(rate))
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
