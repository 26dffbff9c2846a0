// Window lows, low ranks and runs: llv, llvbars and lod (the low-side twins
// of hhv, hhvbars and hod) and the run lengths lowrange and toprange.

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtins.h"
#include "seriesrules.h"
#include "windowextremes.h"
#include "windowkernels.h"

using windowkernels::dataOf;
using windowkernels::DataSeries;

bool builtinLlv(FormulaContext* ctx)
{
    return windowextremes::extremeValue<windowkernels::Lower>(ctx);
}

bool builtinLlvbars(FormulaContext* ctx)
{
    return windowextremes::extremeDistance<windowkernels::Lower>(ctx);
}

bool builtinLod(FormulaContext* ctx)
{
    return windowextremes::rankInWindow<windowkernels::Lower>(ctx, 0u);
}

namespace {

// Number of consecutive bars before each bar that are strictly beyond it
// (above for lowrange, below for toprange), counted back to the nearest bar
// that is not. Where no bar from the first valid one on stops the run, the
// bar takes its own index i; the first valid bar takes 0. A stack of
// candidate bars makes it one pass. stops(a, b): bar b ends the run of bar a.
template <typename Stops>
bool runLength(FormulaContext* ctx, Stops stops)
{
    ArgumentPtr arg;
    if (!ctx->pop(arg))
        return false;
    const DataSeries x = dataOf(ctx, arg);
    ArgumentPtr r = makeResultToWrite(*x.arg);
    float* out = r->values.data();
    ScratchVector<uint32_t> stack;
    for (uint32_t i = x.first; i < x.end; ++i) {
        const float xi = x.v[i];
        if (i == x.first) {
            out[i] = 0.0f;
        } else if (std::isnan(xi)) {
            // Nothing compares with NaN: no bar stops the run.
            out[i] = countToFloat(i);
            continue;
        } else {
            // A bar that does not stop i's run cannot stop a later run that i
            // does not stop either, so it leaves the stack.
            while (!stack.empty() && !stops(xi, x.v[stack.back()]))
                stack.pop_back();
            out[i] = stack.empty() ? countToFloat(i) : countToFloat(i - stack.back() - 1);
        }
        if (!std::isnan(xi))
            stack.push_back(i);
    }
    ctx->push(std::move(r));
    return true;
}

}  // namespace

bool builtinLowrange(FormulaContext* ctx)
{
    return runLength(ctx, [](float xi, float xj) { return xi >= xj; });
}

bool builtinToprange(FormulaContext* ctx)
{
    return runLength(ctx, [](float xi, float xj) { return xj >= xi; });
}
