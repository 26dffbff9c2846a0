// Recursive smoothing: adaptive, dynamic and exponential averages carried
// from bar to bar from the first qualifying bar of X. Bars before it hold the
// no-value marker; a candidate that is a marker (a +infinity input) leaves the
// average unchanged, so a gap is bridged rather than propagated.

#include <algorithm>
#include <cstdint>
#include <memory>

#include "builtins.h"
#include "seriesrules.h"
#include "windowkernels.h"

using windowkernels::dataOf;

namespace {

// ama, dma, and ema with a bar-varying period: from X's first qualifying bar
// on, each bar takes update(x, parameter at i, y) unless that is a marker.
template <typename Update>
bool smooth(FormulaContext* ctx, Update update)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& p = *args[1];
    const windowkernels::DataSeries x = dataOf(ctx, args[0]);
    const uint32_t changed = std::min(p.changedFrom, x.arg->changedFrom);
    ctx->push(windowkernels::resumableRecursion<float>(ctx, x, changed, [&p, update](uint32_t i, float xi, float& y) {
        takeUnlessMarker(y, update(xi, p.at(i), y));
        return y;
    }));
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
        ctx->push(
            windowkernels::linearRecursion(ctx, args[0], (n - 1.0) / (n + 1.0), 2.0 / (n + 1.0), args[1]->changedFrom));
        return true;
    }
    ctx->runPending();  // the general path reads its arguments' values
    return smooth(ctx, [](float x, float n, float y) {
        n = emaPeriod(n);
        return ((n - 1.0f) * y + (x + x)) / (n + 1.0f);
    });
}

bool builtinExpmema(FormulaContext* ctx)
{
    return windowkernels::seededAverage(
        ctx, [](float y, float x, float n) { return ((n - 1.0f) * y + (x + x)) / (n + 1.0f); });
}
