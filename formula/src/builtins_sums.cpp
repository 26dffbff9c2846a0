// Sums, products and moving averages over windows of N bars, and the
// recursive averages mema, sma and tma. With a constant N the window sums and
// products run through the block kernels (cost independent of N, accumulated
// in double); a bar-varying N takes the direct window loop.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtins.h"
#include "seriesrules.h"
#include "windowkernels.h"

using windowkernels::DataSeries;
using windowkernels::dataOf;
using windowkernels::seriesByPeriod;

namespace {

double windowSum(const float* v, uint32_t from, uint32_t to)
{
    double s = 0.0;
    for (uint32_t j = from; j <= to; ++j)
        s += v[j];
    return s;
}

double windowProduct(const float* v, uint32_t from, uint32_t to)
{
    double p = 1.0;
    for (uint32_t j = from; j <= to; ++j)
        p *= v[j];
    return p;
}

}  // namespace

bool builtinMa(FormulaContext* ctx)
{
    return windowkernels::windowAverage(
        ctx,
        [](const DataSeries& x, uint32_t k, auto put) {
            ScratchVector<double> scratch;
            windowkernels::slidingSum(x.v, x.first, x.end, k, scratch, [&put](uint32_t i, double sum, uint32_t count) {
                put(i, static_cast<float>(sum / count));
            });
        },
        [](const float* v, uint32_t from, uint32_t i) {
            return static_cast<float>(windowSum(v, from, i) / (i - from + 1));
        });
}

namespace {

// Weighted window sums Σ w·x with weights 1 (oldest) … L (newest) over the
// windows of k >= 1 bars ending at each bar of [first, end), in O(bars): a
// window is a suffix of the previous block, whose weighted sum from each start
// is built backwards, plus a prefix of the current block, whose weights are
// those of the prefix shifted by the suffix length. Only additions and
// multiplications by weights. emit(i, weighted sum, window length).
template <typename Emit>
void slidingWeightedSum(const float* x, uint32_t first, uint32_t end, uint32_t k, Emit emit)
{
    if (end <= first || k == 0)
        return;
    const uint32_t firstBlockEnd = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(first) + k, end));
    {
        double p1 = 0.0;
        for (uint32_t i = first; i < firstBlockEnd; ++i) {
            p1 += static_cast<double>(i - first + 1) * x[i];
            emit(i, p1, i - first + 1);
        }
    }
    if (firstBlockEnd >= end)
        return;
    // a0[t], a1[t]: plain and weighted sums of the previous block from its t-th bar.
    ScratchVector<double> a0(static_cast<std::size_t>(k) + 1, 0.0), a1(static_cast<std::size_t>(k) + 1, 0.0);
    for (uint64_t b = static_cast<uint64_t>(first) + k; b < end; b += k) {
        const uint32_t base = static_cast<uint32_t>(b);
        for (uint32_t t = k; t-- > 0;) {
            a0[t] = a0[t + 1] + x[base - k + t];
            a1[t] = a1[t + 1] + a0[t];
        }
        const uint32_t blockEnd = static_cast<uint32_t>(std::min<uint64_t>(b + k, end));
        double p0 = 0.0, p1 = 0.0;
        for (uint32_t i = base; i < blockEnd; ++i) {
            p0 += x[i];
            p1 += static_cast<double>(i - base + 1) * x[i];
            const uint32_t t = i - base + 1;  // suffix starts at the previous block's t-th bar
            const uint32_t suffixLength = k - t;
            const double w = suffixLength ? a1[t] + p1 + suffixLength * p0 : p1;
            emit(i, w, k);
        }
    }
}

}  // namespace

bool builtinWma(FormulaContext* ctx)
{
    auto weightSum = [](uint64_t length) { return static_cast<double>(length * (length + 1) / 2); };
    return windowkernels::windowAverage(
        ctx,
        [weightSum](const DataSeries& x, uint32_t k, auto put) {
            slidingWeightedSum(x.v, x.first, x.end, k, [&](uint32_t i, double w, uint32_t length) {
                put(i, static_cast<float>(w / weightSum(length)));
            });
        },
        [weightSum](const float* v, uint32_t from, uint32_t i) {
            double num = 0.0;
            for (uint32_t j = from; j <= i; ++j)
                num += static_cast<double>(j - from + 1) * v[j];
            return static_cast<float>(num / weightSum(i - from + 1));
        });
}

bool builtinSum(FormulaContext* ctx)
{
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        if (period.literal && period.literalValue() == 0.0f) {
            // Running sum of the qualifying values; nothing summed yet is no value.
            const uint32_t start = markBeforeFirstQualifying(*x.arg, out);
            double acc = 0.0;
            for (uint32_t i = start; i < x.end; ++i) {
                if (isQualifying(x.v[i]))
                    acc += x.v[i];
                out[i] = static_cast<float>(acc);
            }
        } else if (period.literal) {
            const float n = period.literalValue();
            // A negative N is i + 1 bars at bar i: the whole history, as is k = 0.
            const uint32_t k = n < 0.0f ? 0u : windowLength(n);
            ScratchVector<double> scratch;
            windowkernels::slidingSum(x.v, x.first, x.end, k == 0 ? 0xFFFFFFFFu : k, scratch,
                                      [out](uint32_t i, double sum, uint32_t) { out[i] = static_cast<float>(sum); });
        } else {
            double history = 0.0;  // the whole-history sum up to bar i
            for (uint32_t i = x.first; i < x.end; ++i) {
                history += x.v[i];
                float n = period.at(i);
                if (n < 0.0f)
                    n = countToFloat(i + 1);
                const uint32_t from = windowStart(x.first, i, windowLength(n));
                out[i] = static_cast<float>(from == x.first ? history : windowSum(x.v, from, i));
            }
        }
    });
}

bool builtinSumbars(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& threshold = *args[1];
    const DataSeries x = dataOf(ctx, args[0]);
    if (x.end < x.first)
        return false;
    ArgumentPtr r = makeResultLike(*x.arg);
    float* out = r->values.data();
    // total[j]: double sum of bars 0 .. j - 1; unsigned[j]: how many of them are
    // negative or not finite. Over bars that are all finite and >= 0, the
    // backward float sum never exceeds total * (1 + 2 n u) (u = 2^-24), so a
    // threshold above that bound is never reached and the bar takes j without
    // a scan: a threshold too high for the data costs O(bars), not O(bars^2).
    ScratchVector<double> total(static_cast<std::size_t>(x.end) + 1, 0.0);
    ScratchVector<uint32_t> unusual(static_cast<std::size_t>(x.end) + 1, 0);
    for (uint32_t k = 0; k < x.end; ++k) {
        const float v = x.v[k];
        total[k + 1] = total[k] + v;
        unusual[k + 1] = unusual[k] + ((std::isfinite(v) && v >= 0.0f) ? 0u : 1u);
    }
    const double u = 1.0 / 16777216.0;
    for (uint32_t j = x.end; j-- > x.first + 1;) {
        const float a = threshold.at(j);
        const double n = static_cast<double>(j) + 1.0;
        if (unusual[j + 1] == 0 && n * u < 0.25 && total[j + 1] * (1.0 + 2.0 * n * u) < a) {
            out[j] = countToFloat(j);
            continue;
        }
        float s = 0.0f;
        // No rule holds when the sum and the threshold do not compare (NaN):
        // the backward sum stops at bar 0 and the bar has no value.
        float result = kInvalidValue;
        for (uint32_t k = j + 1; k-- > 0;) {
            s += x.v[k];
            if (s >= a) {
                result = k == j ? 0.0f : (k == 0 ? countToFloat(j) : countToFloat(j - k + 1));
                break;
            }
            if (k == 0 && a > s)
                result = countToFloat(j);
        }
        out[j] = result;
    }
    ctx->push(std::move(r));
    return true;
}

bool builtinMular(FormulaContext* ctx)
{
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        const uint32_t start = markBeforeFirstQualifying(*x.arg, out);
        if (start < x.end) {
            if (period.literal) {
                const float n = period.literalValue();
                const uint32_t k = n > 0.0f ? windowLength(n) : 0u;
                ScratchVector<double> scratch;
                windowkernels::slidingProduct(x.v, x.first, x.end, k == 0 ? 0xFFFFFFFFu : k, scratch,
                                              [out, start](uint32_t i, double p, uint32_t) {
                                                  if (i >= start)
                                                      out[i] = static_cast<float>(p);
                                              });
            } else {
                double history = 1.0;
                for (uint32_t i = x.first; i < x.end; ++i) {
                    history *= x.v[i];
                    if (i < start)
                        continue;
                    const float n = period.at(i);
                    const uint32_t from = windowStart(x.first, i, n > 0.0f ? windowLength(n) : 0u);
                    out[i] = static_cast<float>(from == x.first ? history : windowProduct(x.v, from, i));
                }
            }
        }
    });
}

bool builtinMema(FormulaContext* ctx)
{
    return windowkernels::seededAverage(ctx,
                                        [](float y, float x, float n) { return ((n - 1.0f) * y + x) / n; });
}

bool builtinSma(FormulaContext* ctx)
{
    ArgumentPtr args[3];
    if (!ctx->popArgs(args, 3))
        return false;
    const FormulaArgument& period = *args[1];
    const FormulaArgument& weight = *args[2];
    if (period.literal && weight.literal) {
        const float n = period.literalValue();
        if (!(n < 1.0f || isMarker(n))) {
            // Constant parameters: y := a*y + b*x in double, no division per bar.
            const double m = weight.literalValue();
            ctx->push(windowkernels::linearRecursion(ctx, args[0], (n - m) / n, m / static_cast<double>(n)));
            return true;
        }
    }
    ctx->push(windowkernels::recursion<float>(dataOf(ctx, args[0]), [&](uint32_t i, float xi, float& y) {
        const float n = period.at(i);
        if (n < 1.0f || isMarker(n))
            return kInvalidValue;  // y unchanged
        const float m = weight.at(i);
        takeUnlessMarker(y, ((n - m) * y + xi * m) / n);
        return y;
    }));
    return true;
}

// tma: a weight A or B of 1 or more at any bar from X's first qualifying bar
// on fails the call.
bool builtinTma(FormulaContext* ctx)
{
    ArgumentPtr args[3];
    if (!ctx->popArgs(args, 3))
        return false;
    const FormulaArgument& fa = *args[1];
    const FormulaArgument& fb = *args[2];
    const DataSeries x = dataOf(ctx, args[0]);
    for (uint32_t i = firstQualifyingBar(*x.arg); i < x.end; ++i) {
        if (fa.at(i) >= 1.0f || fb.at(i) >= 1.0f)
            return false;
    }
    ctx->push(windowkernels::recursion<float>(x, [&](uint32_t i, float xi, float& y) {
        takeUnlessMarker(y, xi * fb.at(i) + fa.at(i) * y);
        return y;
    }));
    return true;
}
