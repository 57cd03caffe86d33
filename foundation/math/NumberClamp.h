#pragma once
#include <climits>
#include <cmath>

// A double as an int without undefined conversions: truncated toward zero, then
// kept inside [lo, hi]; NaN counts as 0 before the clamp.
inline int ClampToInt(double value, int lo = INT_MIN, int hi = INT_MAX)
{
    if (std::isnan(value))
        value = 0.0;
    value = std::trunc(value);
    if (value < double(lo))
        return lo;
    if (value > double(hi))
        return hi;
    return int(value);
}
