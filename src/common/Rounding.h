#pragma once
// Rounding as the rules convert floating point to integers: to the nearest integer, a half
// going to the even neighbour.

#include <cmath>
#include <cstdint>
#include <limits>

namespace hopplix {

// Half to even for |v| < 2^22 by the float adder itself: adding and removing 1.5 * 2^23 leaves
// no fraction bits, and the adder rounds to nearest with ties to even (the floating-point
// environment's default, which this program never changes). Branch-free, for the probes' hot path.
inline float roundHalfEvenSmall(float v)
{
    constexpr float magic = 12582912.0f; // 1.5 * 2^23
    return (v + magic) - magic;          // not folded: without fast-math the compiler keeps IEEE semantics
}

// |v| must be below 2^62. Independent of the floating-point environment.
inline int64_t roundHalfEven(double v)
{
    auto t = static_cast<int64_t>(v);                   // towards zero
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
    constexpr double magic = 6755399441055744.0; // 1.5 * 2^52: the same trick in double
    return static_cast<int32_t>((v + magic) - magic);
}

} // namespace hopplix
