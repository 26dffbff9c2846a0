// Bar counting and event timing: bars since the start of the data, since or
// until a condition held, how often it held in a window, and bars to the end.
// Every builtin here is one or two passes over the bars.

#include <cstdint>
#include <memory>
#include <vector>

#include "builtins.h"
#include "seriesrules.h"
#include "simdscan.h"
#include "windowkernels.h"

using windowkernels::dataOf;
using windowkernels::DataSeries;
using windowkernels::kNoBar;
using windowkernels::seriesByPeriod;

namespace {

// Bars before the first bar that passes `starts` hold the marker; from it on
// 0, 1, 2, ...; a series where no bar passes holds only markers.
template <typename Starts>
bool countFromFirst(FormulaContext* ctx, Starts starts, float literalNo)
{
    ArgumentPtr x;
    if (!ctx->pop(x))
        return false;
    if (x->literal) {
        ctx->push(makeLiteralNumber(starts(x->literalValue()) ? 0.0f : literalNo));
        return true;
    }
    const uint32_t first = x->firstValid;
    const uint32_t end = x->rangeEnd();
    if (end < first)
        return false;
    ArgumentPtr r = makeResultToWrite(*x);
    const float* v = x->values.data();
    float* out = r->values.data();
    uint32_t s = first;
    while (s < end && !starts(v[s]))
        out[s++] = kInvalidValue;
    for (uint32_t i = s; i < end; ++i)
        out[i] = countToFloat(i - s);
    ctx->push(std::move(r));
    return true;
}

// The shape of barslast / barsnext: pops X, takes it as a data series and a
// result shaped like it, runs fill(x, out) to write the result's values and
// pushes the result.
template <typename Fill>
bool eachBarOf(FormulaContext* ctx, Fill fill)
{
    ArgumentPtr arg;
    if (!ctx->pop(arg))
        return false;
    const DataSeries x = dataOf(ctx, arg);
    if (x.end < x.first)
        return false;
    ArgumentPtr r = makeResultToWrite(*x.arg);
    fill(x, r->values.data());
    ctx->push(std::move(r));
    return true;
}

}  // namespace

bool builtinBarscount(FormulaContext* ctx)
{
    return countFromFirst(
        ctx, [](float v) { return !isInvalid(v); }, kInvalidValue);
}

bool builtinBarssince(FormulaContext* ctx)
{
    return countFromFirst(
        ctx, [](float v) { return isQualifyingTrue(v); }, kInvalidValue);
}

bool builtinBarslast(FormulaContext* ctx)
{
    // Resumes the step's last result from the first changed bar: the last
    // nonzero bar before it is read back from the count its previous bar
    // holds (or searched for when that count is not exact in a float).
    ArgumentPtr arg;
    if (!ctx->pop(arg))
        return false;
    const DataSeries x = dataOf(ctx, arg);
    if (x.end < x.first)
        return false;
    SeriesUpdate u = seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(), x.arg->changedFrom);
    float* out = u.result->values.data();
    const uint32_t from = u.from;
    uint32_t last = x.first;
    if (from > x.first + 1) {
        const uint32_t before = from - 1;
        const float held = out[before];
        const uint32_t back = held >= 0.0f && held < 16777216.0f ? static_cast<uint32_t>(held) : kNoBar;
        if (back != kNoBar && countToFloat(back) == held && back <= before - x.first &&
            (before - back == x.first || x.v[before - back] != 0.0f)) {
            last = before - back;
        } else {
            for (uint32_t j = before; j > x.first; --j) {
                if (x.v[j] != 0.0f) {
                    last = j;
                    break;
                }
            }
        }
    }
    for (uint32_t i = from; i < x.end; ++i) {
        if (x.v[i] != 0.0f)
            last = i;
        out[i] = (i == 0 && last == 0) ? kInvalidValue : countToFloat(i - last);
    }
    ctx->push(std::move(u.result));
    return true;
}

bool builtinBarsnext(FormulaContext* ctx)
{
    return eachBarOf(ctx, [](const DataSeries& x, float* out) {
        // Bars after the last event have no next one: the marker. The first
        // valid bar gets its distance like every other bar (it is not left at
        // 0.0), so a chart reads no false event there.
        bool seen = false;
        uint32_t next = 0;
        for (uint32_t i = x.end; i-- > x.first;) {
            if (x.v[i] != 0.0f) {
                next = i;
                seen = true;
            }
            out[i] = seen ? countToFloat(next - i) : kInvalidValue;
        }
    });
}

bool builtinBarslastcount(FormulaContext* ctx)
{
    ArgumentPtr x;
    if (!ctx->pop(x))
        return false;
    if (x->literal) {
        // A constant condition: the run covers every bar of the open prices.
        ArgumentPtr open;
        if (!ctx->fetchName("O", open))
            return false;
        const DataSeries o = dataOf(ctx, open);
        ArgumentPtr r = makeResultToWrite(*o.arg);
        float* out = r->values.data();
        const bool on = x->literalValue() == 1.0f;
        for (uint32_t i = o.first; i < o.end; ++i)
            out[i] = on ? countToFloat(i - o.first + 1) : 0.0f;
        ctx->push(std::move(r));
        return true;
    }
    const uint32_t first = x->firstValid;
    const uint32_t end = x->rangeEnd();
    if (end < first)
        return false;
    ArgumentPtr r = makeResultLike(*x);
    const float* v = x->values.data();
    float* out = r->values.data();
    uint32_t run = 0;
    for (uint32_t i = first; i < end; ++i) {
        if (v[i] == 1.0f)
            out[i] = countToFloat(++run);
        else
            run = 0;
    }
    ctx->push(std::move(r));
    return true;
}

bool builtinBarssincen(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& n = *args[1];
    if (args[0]->literal && args[0]->literalValue() == 0.0f) {
        ctx->push(makeLiteralNumber(kInvalidValue));
        return true;
    }
    const DataSeries x = dataOf(ctx, args[0]);
    if (x.end < x.first)
        return false;
    ArgumentPtr r = makeResultLike(*x.arg);
    float* out = r->values.data();
    uint32_t s = x.first;
    while (s < x.end && !isQualifyingTrue(x.v[s]))
        ++s;
    if (s == x.end)
        s = x.first;
    // nextNonzero[j - first]: the first bar >= j whose value is nonzero
    // (markers count), or end; the oldest nonzero bar of any window in O(1).
    ScratchVector<uint32_t> nextNonzero(static_cast<std::size_t>(x.end - x.first) + 1);
    nextNonzero[x.end - x.first] = x.end;
    for (uint32_t j = x.end; j-- > x.first;)
        nextNonzero[j - x.first] = x.v[j] != 0.0f ? j : nextNonzero[j + 1 - x.first];
    for (uint32_t i = s; i < x.end; ++i) {
        const uint32_t from = windowStart(x.first, i, windowLength(n.at(i)));
        const uint32_t j = nextNonzero[from - x.first];
        if (j <= i)
            out[i] = countToFloat(i - j);
    }
    ctx->push(std::move(r));
    return true;
}

bool builtinCurrbarscount(FormulaContext* ctx)
{
    ArgumentPtr close;
    if (!ctx->fetchName("C", close))
        return false;
    const DataSeries c = dataOf(ctx, close);
    ArgumentPtr r = makeResultToWrite(*c.arg);
    float* out = r->values.data();
    for (uint32_t i = c.first; i < c.end; ++i)
        out[i] = countToFloat(c.end - i);
    ctx->push(std::move(r));
    return true;
}

bool builtinCount(FormulaContext* ctx)
{
    if (ctx->stack.size() >= 2 && !ctx->stack.back()->literal) {
        // A period per bar: a bar counts the window ending at it, so the
        // step's last result is resumed from the first changed bar of either
        // input, the ones counted from the oldest bar those windows reach.
        ArgumentPtr args[2];
        if (!ctx->popArgs(args, 2))
            return false;
        const DataSeries x = dataOf(ctx, args[0]);
        const FormulaArgument& n = *args[1];
        SeriesUpdate u =
            seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(), std::min(x.arg->changedFrom, n.changedFrom));
        float* out = u.result->values.data();
        // A bar whose window starts where its previous bar's did adds its
        // own bar to that bar's count: a window that only grows at its end
        // costs a bar, however long it is.
        uint32_t resumeAt = u.from;
        for (; resumeAt > x.first && resumeAt < x.end; ++resumeAt) {
            const float before = out[resumeAt - 1];
            if (windowStart(x.first, resumeAt, windowLength(n.at(resumeAt))) !=
                    windowStart(x.first, resumeAt - 1, windowLength(n.at(resumeAt - 1))) ||
                !(before >= 0.0f && before < 16777216.0f))
                break;
            out[resumeAt] = countToFloat(static_cast<uint32_t>(before) + (x.v[resumeAt] == 1.0f ? 1u : 0u));
        }
        uint32_t start = resumeAt;
        for (uint32_t i = resumeAt; i < x.end; ++i)
            start = std::min(start, windowStart(x.first, i, windowLength(n.at(i))));
        // ones[j - start]: bars equal to 1.0 in [start, j).
        ScratchVector<uint32_t> ones(static_cast<std::size_t>(x.end > start ? x.end - start : 0) + 1);
        ones[0] = 0;
        for (uint32_t j = start; j < x.end; ++j)
            ones[j - start + 1] = ones[j - start] + (x.v[j] == 1.0f ? 1u : 0u);
        for (uint32_t i = resumeAt; i < x.end; ++i) {
            const uint32_t from = windowStart(x.first, i, windowLength(n.at(i)));
            out[i] = countToFloat(ones[i - start + 1] - ones[from - start]);
        }
        ctx->push(std::move(u.result));
        return true;
    }
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& n, float* out) {
        if (x.empty())
            return;
        const float* v = x.v;
        const uint32_t first = x.first;
        if (n.literal && x.end - first < (1u << 24)) {
            // A running count: the bar entering the window adds, the bar
            // leaving it (k bars back) subtracts; k = 0 never subtracts.
            simdscan::windowOnes(v, out, first, x.end, windowLength(n.literalValue()));
            return;
        }
        // ones[j - first]: bars equal to 1.0 in [first, j); any window in O(1).
        ScratchVector<uint32_t> ones(static_cast<std::size_t>(x.end - first) + 1);
        ones[0] = 0;
        for (uint32_t j = first; j < x.end; ++j)
            ones[j - first + 1] = ones[j - first] + (v[j] == 1.0f ? 1u : 0u);
        for (uint32_t i = first; i < x.end; ++i) {
            const uint32_t from = windowStart(first, i, windowLength(n.at(i)));
            out[i] = countToFloat(ones[i - first + 1] - ones[from - first]);
        }
    });
}
