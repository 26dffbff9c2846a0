// Recursive smoothing: adaptive, dynamic and exponential averages carried
// from bar to bar from the first qualifying bar of X. Bars before it hold the
// no-value marker; a candidate that is a marker (a +infinity input) leaves the
// average unchanged, so a gap is bridged rather than propagated.

#include <cstdint>
#include <memory>

#include "builtins.h"
#include "seriesrules.h"
#include "windowkernels.h"

using windowkernels::DataSeries;
using windowkernels::dataOf;
using windowkernels::firstQualifying;

namespace {

// The shared skeleton: y starts at X's first qualifying value and each bar
// takes update(x, parameter at i, y) unless that is a marker.
template <typename Update>
bool smooth(FormulaContext* ctx, Update update)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& p = *args[1];
    const DataSeries x = dataOf(ctx, args[0]);
    ArgumentPtr r = makeResultLike(*x.arg);
    float* out = r->values.data();
    const uint32_t k = firstQualifying(x.v, x.first, x.end);
    for (uint32_t i = x.first; i < k; ++i)
        out[i] = kInvalidValue;
    if (k < x.end) {
        float y = x.v[k];
        if (p.literal) {
            const float a = p.literalValue();
            for (uint32_t i = k; i < x.end; ++i) {
                const float c = update(x.v[i], a, y);
                if (isQualifying(c))
                    y = c;
                out[i] = y;
            }
        } else {
            for (uint32_t i = k; i < x.end; ++i) {
                const float c = update(x.v[i], p.at(i), y);
                if (isQualifying(c))
                    y = c;
                out[i] = y;
            }
        }
    }
    ctx->push(std::move(r));
    return true;
}

// A period that is below 1 or a marker counts as 1 (a NaN stays NaN).
inline float emaPeriod(float n)
{
    return (n < 1.0f || isMarker(n)) ? 1.0f : n;
}

}  // namespace

bool builtinAma(FormulaContext* ctx)
{
    return smooth(ctx, [](float x, float a, float y) { return (x - y) * a + y; });
}

bool builtinDma(FormulaContext* ctx)
{
    return smooth(ctx, [](float x, float a, float y) {
        if (a < 0.0f || a > 1.0f)
            a = 1.0f;
        return x * a + (1.0f - a) * y;
    });
}

bool builtinEma(FormulaContext* ctx)
{
    if (!ctx->stack.empty() && ctx->stack.back()->literal) {
        // A constant period: y := a*y + b*x with a = (n-1)/(n+1), b = 2/(n+1),
        // carried in double; no division on the bar-to-bar chain.
        ArgumentPtr args[2];
        if (!ctx->popArgs(args, 2))
            return false;
        const double n = emaPeriod(args[1]->literalValue());
        ctx->push(windowkernels::linearRecursion(ctx, args[0], (n - 1.0) / (n + 1.0), 2.0 / (n + 1.0)));
        return true;
    }
    return smooth(ctx, [](float x, float n, float y) {
        n = emaPeriod(n);
        return ((n - 1.0f) * y + (x + x)) / (n + 1.0f);
    });
}

bool builtinExpmema(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& period = *args[1];
    const DataSeries x = dataOf(ctx, args[0]);
    ArgumentPtr r = makeResultLike(*x.arg);
    float* out = r->values.data();
    const uint32_t k = firstQualifying(x.v, x.first, x.end);
    for (uint32_t i = x.first; i < k; ++i)
        out[i] = kInvalidValue;
    // The seed is the mean of the first n qualifying bars, counted from k, so
    // leading markers neither enter the seed nor hold the result at the marker.
    double seedSum = 0.0;
    uint32_t seedCount = 0;
    bool seeded = false;
    float y = 0.0f;
    for (uint32_t i = k; i < x.end; ++i) {
        const float xi = x.v[i];
        if (isQualifying(xi)) {
            seedSum += xi;
            ++seedCount;
        }
        const float n = period.at(i);
        const float rel = static_cast<float>(static_cast<double>(i - k));
        if (n < 1.0f || isMarker(n) || rel < n - 1.0f) {
            out[i] = kInvalidValue;
            continue;
        }
        if (!seeded || rel == n - 1.0f) {
            y = static_cast<float>(seedSum / seedCount);
            seeded = true;
        } else {
            const float c = ((n - 1.0f) * y + (xi + xi)) / (n + 1.0f);
            if (isQualifying(c))
                y = c;
        }
        out[i] = y;
    }
    ctx->push(std::move(r));
    return true;
}
