// Floor and ceiling straight to int, inline.
//
// Why: with SSE2 maths on i686 the compiler does not inline a floor or ceil
// whose result becomes an int; it calls the runtime's x87 routine, which
// switches the rounding mode twice per call. In a per-row or per-pixel loop
// that call costs a large share of the loop's time, and how large a share
// depends on where the linker puts code and data, so these inline
// conversions keep it out of every such loop.
//
// Exact for every finite value whose floor (or ceiling) fits in an int: the
// conversion truncates towards zero, and the comparison with the truncated
// value, which is exact, corrects the values that truncation moved up (floor
// of a negative fraction) or down (ceiling of a positive one). Integers,
// negative zero and the values from 2^23 on, where a float has no fraction
// bits left, come back unchanged. NaN and values beyond the int range are the
// caller's to keep out.
#pragma once

inline int FloorToInt(double v)
{
    const int i = static_cast<int>(v);
    return i - (v < i);
}

inline int CeilToInt(double v)
{
    const int i = static_cast<int>(v);
    return i + (v > i);
}

inline int FloorToInt(float v)
{
    const int i = static_cast<int>(v);
    return i - (v < static_cast<float>(i));
}

inline int CeilToInt(float v)
{
    const int i = static_cast<int>(v);
    return i + (v > static_cast<float>(i));
}
