// Sample standard deviation (std), variance (var) and correlation (relate)
// over windows of N bars. A constant N runs the block-combined moments kernel
// (cost independent of N, no cancellation); a one-value window, a window with
// a value that is not finite or a zero denominator gives the no-value marker.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtins.h"
#include "seriesrules.h"
#include "windowkernels.h"

using windowkernels::dataOf;
using windowkernels::DataSeries;
using windowkernels::Moments;

namespace {

// Sample variance of a window's moments, or NaN when it has none.
inline double sampleVariance(const Moments& m)
{
    if (m.bad != 0 || m.n < 2)
        return NAN;
    return m.m2 / (m.n - 1);
}

inline float markerIfNotFinite(double v)
{
    return std::isfinite(v) ? static_cast<float>(v) : kInvalidValue;
}

}  // namespace

bool builtinStd(FormulaContext* ctx)
{
    if (ctx->stack.size() >= 2 && ctx->stack.back()->literal) {
        // A constant window up to the running kernel's longest: resumed from
        // the first changed bar (the block kernel, for data that is not all
        // finite, runs whole).
        const float n = atLeastOne(ctx->stack.back()->literalValue());
        const uint32_t ready = firstReachedBar(n);
        const uint32_t k = windowLength(n);
        if (k <= windowkernels::kRunningWindow) {
            const double invK = 1.0 / k;
            const double invK1 = k > 1 ? 1.0 / (k - 1) : NAN;
            return windowkernels::constantWindowSums<true>(
                ctx, k,
                [ready, k, invK, invK1](float* out, uint32_t i, double s1, double s2, uint32_t count, double) {
                    double var;
                    if (count == k)
                        var = std::max(0.0, s2 - s1 * s1 * invK) * invK1;
                    else
                        var = count > 1 ? std::max(0.0, s2 - s1 * s1 / count) / (count - 1) : NAN;
                    out[i] = i >= ready ? markerIfNotFinite(std::sqrt(var)) : kInvalidValue;
                },
                [ready, k](const DataSeries& x, uint32_t, float* out) {
                    ScratchVector<windowkernels::ShiftedSums> scratch;
                    windowkernels::slidingMoments(
                        x.v, x.first, x.end, k, scratch, [out, ready](uint32_t i, const Moments& m) {
                            out[i] = i >= ready ? markerIfNotFinite(std::sqrt(sampleVariance(m))) : kInvalidValue;
                        });
                    return x.first;
                });
        }
    }
    return windowkernels::windowAverage(
        ctx,
        [](const DataSeries& x, uint32_t k, auto put) {
            if (k <= windowkernels::kRunningWindow && windowkernels::allFinite(x.v, x.first, x.end)) {
                const double invK = 1.0 / k;
                const double invK1 = k > 1 ? 1.0 / (k - 1) : NAN;
                windowkernels::runningWindows<true>(
                    x.v, x.first, x.end, k,
                    [&put, k, invK, invK1](uint32_t i, double s1, double s2, uint32_t n, double) {
                        double var;
                        if (n == k)
                            var = std::max(0.0, s2 - s1 * s1 * invK) * invK1;
                        else
                            var = n > 1 ? std::max(0.0, s2 - s1 * s1 / n) / (n - 1) : NAN;
                        put(i, markerIfNotFinite(std::sqrt(var)));
                    });
                return;
            }
            ScratchVector<windowkernels::ShiftedSums> scratch;
            windowkernels::slidingMoments(x.v, x.first, x.end, k, scratch, [put](uint32_t i, const Moments& m) {
                put(i, markerIfNotFinite(std::sqrt(sampleVariance(m))));
            });
        },
        [](const windowkernels::ShiftedPrefix& sums, uint32_t from, uint32_t i) {
            return markerIfNotFinite(std::sqrt(sampleVariance(sums.moments(from, i))));
        });
}

bool builtinVar(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& period = *args[1];
    const DataSeries x = dataOf(ctx, args[0]);
    ArgumentPtr r = makeInvalidSeries(static_cast<uint32_t>(x.arg->values.size()));
    float* out = r->values.data();
    // N is read once for the windows; the bars from N - 1 on are computed.
    const int32_t k = saturatingInt32(period.at(0));
    if (k >= 1) {
        const uint32_t from = static_cast<uint32_t>(k - 1);
        if (period.literal) {
            // The mean MA(X, N) at a bar is its window's own mean, and the
            // marker where the average has no value yet (a fractional N).
            const float n = atLeastOne(period.literalValue());
            ScratchVector<windowkernels::ShiftedSums> scratch;
            windowkernels::slidingMoments(x.v, x.first, x.end, static_cast<uint32_t>(k), scratch,
                                          [out, from, n](uint32_t i, const Moments& m) {
                                              if (i >= from && periodReached(i, n))
                                                  out[i] = markerIfNotFinite(sampleVariance(m));
                                          });
        } else {
            // A bar-varying N: deviations from MA(X, N) at the bar, whose
            // window follows N at that bar, over the window of k bars.
            const ArgumentPtr mean = windowkernels::movingAverage(ctx, args[0], args[1]);
            if (!mean)
                return false;
            windowkernels::ShiftedPrefix sums;
            sums.build(x);
            for (uint32_t i = std::max(x.first, from); i < x.end; ++i) {
                const double m = mean->values[i];
                const uint32_t ws = windowStart(x.first, i, static_cast<uint32_t>(k));
                const bool finite = std::isfinite(m) && sums.sums.nonFinite(ws, i).total() == 0;
                const uint32_t c = i - ws + 1;
                out[i] = (finite && c >= 2) ? markerIfNotFinite(sums.squaresAbout(ws, i, m) / (c - 1)) : kInvalidValue;
            }
        }
    }
    ctx->push(std::move(r));
    return true;
}

bool builtinRelate(FormulaContext* ctx)
{
    return windowkernels::pairStatistic(ctx, [](const windowkernels::PairSums& s) {
        if (s.bad != 0 || s.n < 2 || s.sxx <= 0.0 || s.syy <= 0.0)
            return kInvalidValue;
        const double f = s.n - 1;
        return markerIfNotFinite((s.sxy / f) / (std::sqrt(s.sxx / f) * std::sqrt(s.syy / f)));
    });
}
