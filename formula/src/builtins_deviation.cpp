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
using windowkernels::seriesByPeriod;

bool builtinAvedev(FormulaContext* ctx)
{
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        for (uint32_t i = x.first; i < x.end; ++i) {
            const float n = period.at(i);
            if (!periodReached(i, n)) {
                out[i] = kInvalidValue;
                continue;
            }
            const uint32_t from = windowStart(x.first, i, windowLength(n));
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
    });
}

bool builtinCovar(FormulaContext* ctx)
{
    return windowkernels::pairStatistic(ctx, [](const windowkernels::PairSums& s) {
        if (s.bad != 0 || s.n < 2)
            return kInvalidValue;
        const float v = static_cast<float>(s.sxy / (s.n - 1));
        return std::isfinite(v) ? v : kInvalidValue;
    });
}
