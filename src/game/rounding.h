#pragma once
// Rounding as the rules convert floating point to integers: to the nearest integer, a half
// going to the even neighbour. Independent of the floating-point environment's rounding mode.

#include <cmath>
#include <cstdint>
#include <limits>

namespace hopplix {

// |v| must be below 2^62.
inline int64_t roundHalfEven(double v)
{
    auto t = static_cast<int64_t>(v);              // towards zero
    const double fraction = v - static_cast<double>(t); // exact
    if (fraction > 0.5 || (fraction == 0.5 && (t & 1) != 0))
        ++t;
    else if (fraction < -0.5 || (fraction == -0.5 && (t & 1) != 0))
        --t;
    return t;
}

// Rounded half to even and held at the int32 limits; NaN goes to the lowest value.
inline int32_t roundToInt32Saturating(double v)
{
    constexpr double lo = static_cast<double>(std::numeric_limits<int32_t>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<int32_t>::max());
    if (!(v > lo))
        return std::numeric_limits<int32_t>::min();
    if (!(v < hi))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(roundHalfEven(v));
}

} // namespace hopplix
