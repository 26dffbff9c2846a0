// The one conversion from floating point to an integer type in the libraries:
// NaN gives 0, values beyond the target's range give its nearest bound, and
// everything else truncates toward zero (never undefined behaviour). Header
// only, so each library compiles its own copy and none links another for it.
#ifndef TARVOLIN_SATURATINGCAST_H
#define TARVOLIN_SATURATINGCAST_H

#include <cmath>
#include <limits>
#include <type_traits>

namespace tarvolin {

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

}  // namespace tarvolin

#endif
