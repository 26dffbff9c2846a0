// Window sums whose cost does not grow with the window: prefix sums of a few
// per-bar terms in double-double arithmetic (about 106 bits), so that the
// difference of two prefixes keeps the accuracy of a direct sum of the window
// however long the data, and the moments taken from them (S2 - S1^2 / n) do
// not lose the window's spread to cancellation. Values that are not finite
// are kept out of the sums and counted by kind instead, so a window holding
// one still gives what a direct sum gives (+inf, -inf or NaN).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "scratchpool.h"

namespace prefixsums {

// An unevaluated sum hi + lo with |lo| at most half an ulp of hi.
struct Dd {
    double hi = 0.0;
    double lo = 0.0;
};

inline Dd twoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

inline Dd quickTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// a * b exactly, by Dekker's splitting (no fused multiply-add needed).
inline Dd twoProd(double a, double b)
{
    constexpr double kSplit = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ca = kSplit * a, cb = kSplit * b;
    const double ah = ca - (ca - a), al = a - ah;
    const double bh = cb - (cb - b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline Dd operator+(Dd a, Dd b)
{
    const Dd s = twoSum(a.hi, b.hi);
    return quickTwoSum(s.hi, s.lo + a.lo + b.lo);
}
inline Dd operator+(Dd a, double b)
{
    const Dd s = twoSum(a.hi, b);
    return quickTwoSum(s.hi, s.lo + a.lo);
}
inline Dd operator-(Dd a)
{
    return {-a.hi, -a.lo};
}
inline Dd operator-(Dd a, Dd b)
{
    return a + (-b);
}
inline Dd operator*(Dd a, double b)
{
    const Dd p = twoProd(a.hi, b);
    return quickTwoSum(p.hi, p.lo + a.lo * b);
}
inline Dd operator/(Dd a, double b)
{
    const double q1 = a.hi / b;
    const Dd r = a - twoProd(q1, b);
    return quickTwoSum(q1, r.hi / b);
}
inline double toDouble(Dd a)
{
    return a.hi + a.lo;
}

// Prefix counts of the values that are not finite, by kind.
struct NonFinite {
    uint32_t posInf = 0;
    uint32_t negInf = 0;
    uint32_t nan = 0;
    uint32_t total() const { return posInf + negInf + nan; }
    // What a direct sum of a window holding these gives: NaN, +inf or -inf,
    // or 0 when the window has none.
    double sum() const
    {
        if (nan != 0 || (posInf != 0 && negInf != 0))
            return std::numeric_limits<double>::quiet_NaN();
        if (posInf != 0)
            return std::numeric_limits<double>::infinity();
        if (negInf != 0)
            return -std::numeric_limits<double>::infinity();
        return 0.0;
    }
};

// K prefix sums over the bars [first, end) of a series (or of a pair of
// series): build(terms) calls terms(bar, out) for each bar, which fills
// out[0..K-1] and returns the bar's value for the non-finite counts (a bar
// whose value is not finite adds no terms). Windows are bars [from, to].
template <std::size_t K>
class PrefixSums {
public:
    template <typename Terms>
    void build(uint32_t first, uint32_t end, Terms terms)
    {
        first_ = first;
        const std::size_t bars = end > first ? end - first : 0;
        sums_.resize((bars + 1) * K);
        counts_.resize(bars + 1);
        std::array<Dd, K> acc{};
        NonFinite bad;
        for (std::size_t c = 0; c < K; ++c)
            sums_[c] = acc[c];
        counts_[0] = bad;
        std::array<double, K> t{};
        for (std::size_t j = 0; j < bars; ++j) {
            const double v = terms(static_cast<uint32_t>(first + j), t);
            if (std::isfinite(v)) {
                for (std::size_t c = 0; c < K; ++c)
                    acc[c] = acc[c] + t[c];
            } else if (std::isnan(v)) {
                ++bad.nan;
            } else if (v > 0.0) {
                ++bad.posInf;
            } else {
                ++bad.negInf;
            }
            for (std::size_t c = 0; c < K; ++c)
                sums_[(j + 1) * K + c] = acc[c];
            counts_[j + 1] = bad;
        }
    }

    // Sum of channel c over the finite values of bars [from, to].
    Dd sum(std::size_t c, uint32_t from, uint32_t to) const
    {
        return sums_[(to + 1 - first_) * K + c] - sums_[(from - first_) * K + c];
    }

    NonFinite nonFinite(uint32_t from, uint32_t to) const
    {
        const NonFinite& b = counts_[to + 1 - first_];
        const NonFinite& a = counts_[from - first_];
        NonFinite r;
        r.posInf = b.posInf - a.posInf;
        r.negInf = b.negInf - a.negInf;
        r.nan = b.nan - a.nan;
        return r;
    }

private:
    uint32_t first_ = 0;
    ScratchVector<Dd> sums_;
    ScratchVector<NonFinite> counts_;
};

// S2 - S1^2 / n: the sum of squared deviations from the mean of n values
// whose (shifted) sum is s1 and sum of squares s2, never below 0.
inline double squaredDeviations(Dd s1, Dd s2, double n)
{
    const Dd p = twoProd(s1.hi, s1.hi);
    const Dd sq = quickTwoSum(p.hi, p.lo + 2.0 * s1.hi * s1.lo);
    const double m2 = toDouble(s2 - sq / n);
    return m2 > 0.0 ? m2 : 0.0;
}

}  // namespace prefixsums
