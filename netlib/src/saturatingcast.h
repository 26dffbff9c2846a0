// The one conversion from floating point to an integer type used in the
// library: NaN gives 0, values beyond the target range give its nearest bound,
// everything else truncates toward zero (never undefined behaviour).
#pragma once

#include <cmath>
#include <limits>
#include <type_traits>

namespace b2c {

template <typename I>
I saturatingCast(double x)
{
    static_assert(std::is_integral<I>::value, "integer targets only");
    if (std::isnan(x))
        return 0;
    // 2^digits is exact as a double; the largest value is 2^digits - 1.
    const double upper = std::ldexp(1.0, std::numeric_limits<I>::digits);
    if (x >= upper)
        return std::numeric_limits<I>::max();
    if (x <= static_cast<double>(std::numeric_limits<I>::min()))
        return std::numeric_limits<I>::min();
    return static_cast<I>(x);
}

}  // namespace b2c
