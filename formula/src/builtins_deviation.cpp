// Mean absolute deviation over a window (avedev) and the sample covariance of
// two series (covar). A window that holds a value that is not finite, or too
// few values for the divisor, gives the no-value marker instead of NaN.

#include <cmath>
#include <cstdint>
#include <memory>

#include "builtins.h"
#include "seriesrules.h"
#include "windowkernels.h"

using windowkernels::DataSeries;
using windowkernels::dataOf;

bool builtinAvedev(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& period = *args[1];
    const DataSeries x = dataOf(ctx, args[0]);
    ArgumentPtr r = makeResultLike(*x.arg);
    float* out = r->values.data();
    for (uint32_t i = x.first; i < x.end; ++i) {
        const float n = period.at(i);
        if (static_cast<float>(static_cast<double>(i)) < n - 1.0f) {
            out[i] = kInvalidValue;
            continue;
        }
        const uint32_t from = windowkernels::windowFrom(x.first, i, windowLength(n));
        double sum = 0.0;
        bool finite = true;
        for (uint32_t j = from; j <= i; ++j) {
            finite = finite && std::isfinite(x.v[j]);
            sum += x.v[j];
        }
        if (!finite) {
            out[i] = kInvalidValue;
            continue;
        }
        const double c = static_cast<double>(i - from + 1);
        const double mean = sum / c;
        double dev = 0.0;
        for (uint32_t j = from; j <= i; ++j)
            dev += std::fabs(x.v[j] - mean);
        out[i] = static_cast<float>(dev / c);
    }
    ctx->push(std::move(r));
    return true;
}

bool builtinCovar(FormulaContext* ctx)
{
    ArgumentPtr args[3];
    if (!ctx->popArgs(args, 3))
        return false;
    const DataSeries a = dataOf(ctx, args[0]);
    const DataSeries b = dataOf(ctx, args[1]);
    const FormulaArgument& period = *args[2];
    const std::size_t len = std::max(a.arg->values.size(), b.arg->values.size());
    ArgumentPtr r = makeInvalidSeries(static_cast<uint32_t>(std::min<std::size_t>(len, kUnboundedEnd)));
    float* out = r->values.data();
    const int32_t k = saturatingInt32(period.values.empty() ? kInvalidValue : period.values[0]);
    if (k >= 1) {
        windowkernels::pairWindows(a, b, static_cast<uint32_t>(k), [out](uint32_t i, const windowkernels::PairSums& s) {
            if (s.bad == 0 && s.n >= 2) {
                const float v = static_cast<float>(s.sxy / (s.n - 1));
                out[i] = std::isfinite(v) ? v : kInvalidValue;
            }
        });
    }
    ctx->push(std::move(r));
    return true;
}
