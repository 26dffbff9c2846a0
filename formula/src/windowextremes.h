// The window extremes shared by the high and the low side: highest/lowest
// value, its distance and the rank of the current value. Cmp is
// windowkernels::Higher or windowkernels::Lower.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "rangequeries.h"
#include "seriesrules.h"
#include "windowkernels.h"

namespace windowextremes {

using windowkernels::DataSeries;
using windowkernels::kNoBar;
using windowkernels::seriesByPeriod;

// hhv / llv. A window's extreme starts from its own values, not from a
// sentinel such as the largest float: llv with period 2 over a series that
// starts with the marker gives the marker at that bar rather than 3.4e38,
// which would wreck a chart's scale. A constant N of at least one bar runs the
// block kernel; a period of zero or less gives the extreme of all values
// other than +infinity so far, and the marker until there is one. A
// bar-varying N reads the extreme of each bar's own window from a monotonic
// stack (a window of NaN alone gives NaN), whatever the windows do from bar
// to bar.
// hhv / llv over a constant window of k >= 1 bars, resuming the step's
// previous result from the first changed bar (the kernel, with or without NaN,
// is chosen by the whole input as in a whole run; note keeps its first NaN).
template <typename Cmp>
bool constantWindowExtreme(FormulaContext* ctx, uint32_t k)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const DataSeries x = windowkernels::dataOf(ctx, args[0]);
    const uint32_t changed = std::min(x.arg->changedFrom, args[1]->changedFrom);
    SeriesUpdate u = seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(), changed);
    ArgumentPtr r = std::move(u.result);
    uint32_t from = u.from;
    auto firstNaN = [&x](uint32_t a) {
        return windowkernels::firstBadBar(
            x, a, [&x](uint32_t b) { return !windowkernels::holdsNaN(x.v, b, x.end); },
            [](float v) { return !std::isnan(v); });
    };
    const uint32_t nanAt = windowkernels::noteFirstBadBar(*r, x, from, firstNaN);
    float* out = r->values.data();
    ScratchVector<float> scratch;
    auto emit = [out](uint32_t i, float best, uint32_t) { out[i] = best; };
    if (nanAt != kNoBar) {
        if (Cmp::kHigh)
            windowkernels::slidingAggregateFrom<float>(
                x.v, x.first, x.end, k, NAN, [](float a, float b) { return (b > a || std::isnan(a)) ? b : a; }, scratch,
                from, emit);
        else
            windowkernels::slidingAggregateFrom<float>(
                x.v, x.first, x.end, k, NAN, [](float a, float b) { return (b < a || std::isnan(a)) ? b : a; }, scratch,
                from, emit);
    } else {
        if (Cmp::kHigh)
            windowkernels::slidingAggregateFrom<float>(
                x.v, x.first, x.end, k, -INFINITY, [](float a, float b) { return std::max(a, b); }, scratch, from,
                emit);
        else
            windowkernels::slidingAggregateFrom<float>(
                x.v, x.first, x.end, k, INFINITY, [](float a, float b) { return std::min(a, b); }, scratch, from, emit);
    }
    ctx->push(std::move(r));
    return true;
}

// hhv / llv with a period given per bar, writing the bars [from, end): each
// bar's value is the oldest extreme of the numbers of its own window (NaN when
// it holds none), or for a period of zero or less the extreme of all values
// other than +infinity so far. A window ends at its bar, so a bar before the
// first changed input bar keeps its value: only the bars from there on are
// written, from a monotonic stack fed from the oldest bar any of their
// windows reaches (it answers for a window whatever bar it started from).
template <typename Cmp>
void seriesWindowExtremeFrom(const DataSeries& x, const FormulaArgument& period, uint32_t from, float* out)
{
    const float* v = x.v;
    auto kOf = [](float n) { return saturatingInt32(isInvalid(n) ? 1.0f : n); };
    bool haveAll = false;
    float all = 0.0f;
    auto takeAll = [&](float xi) {
        if (!isInvalid(xi) && !std::isnan(xi) && (!haveAll || Cmp::better(xi, all))) {
            all = xi;
            haveAll = true;
        }
    };
    // A bar whose window starts where its previous bar's did holds the
    // better of that bar's value and its own (the older on a tie): a window
    // that only grows at its end costs a bar, however long it is.
    for (; from > x.first && from < x.end; ++from) {
        const int32_t k = kOf(period.at(from));
        const int32_t kBefore = kOf(period.at(from - 1));
        if (k <= 0 || kBefore <= 0 ||
            windowStart(x.first, from, static_cast<uint32_t>(k)) !=
                windowStart(x.first, from - 1, static_cast<uint32_t>(kBefore)))
            break;
        const float before = out[from - 1];
        const float xi = v[from];
        out[from] = (!std::isnan(xi) && (std::isnan(before) || Cmp::better(xi, before))) ? xi : before;
    }
    uint32_t start = from;
    bool wantsAll = false;
    for (uint32_t i = from; i < x.end; ++i) {
        const int32_t k = kOf(period.at(i));
        if (k > 0)
            start = std::min(start, windowStart(x.first, i, static_cast<uint32_t>(k)));
        else
            wantsAll = true;
    }
    if (wantsAll) {
        for (uint32_t i = x.first; i < from; ++i)
            takeAll(v[i]);
    }
    rangequeries::BestStack<Cmp> best(x.end > start ? x.end - start : 0);
    for (uint32_t i = start; i < from; ++i)
        best.push(v, i);
    for (uint32_t i = from; i < x.end; ++i) {
        takeAll(v[i]);
        best.push(v, i);
        const int32_t k = kOf(period.at(i));
        if (k > 0) {
            const uint32_t at = best.bestFrom(windowStart(x.first, i, static_cast<uint32_t>(k)));
            out[i] = at == rangequeries::kNone ? NAN : v[at];
        } else {
            out[i] = haveAll ? all : kInvalidValue;
        }
    }
}

template <typename Cmp>
bool extremeValue(FormulaContext* ctx)
{
    if (ctx->stack.size() >= 2 && !ctx->stack.back()->literal) {
        // A period per bar: the step's last result is resumed from the first
        // changed bar of either input.
        ArgumentPtr args[2];
        if (!ctx->popArgs(args, 2))
            return false;
        const DataSeries x = windowkernels::dataOf(ctx, args[0]);
        SeriesUpdate u = seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(),
                                        std::min(x.arg->changedFrom, args[1]->changedFrom));
        seriesWindowExtremeFrom<Cmp>(x, *args[1], u.from, u.result->values.data());
        ctx->push(std::move(u.result));
        return true;
    }
    if (ctx->stack.size() >= 2 && ctx->stack.back()->literal) {
        const float n = ctx->stack.back()->literalValue();
        const int32_t k = saturatingInt32(isInvalid(n) ? 1.0f : n);
        if (k > 0)
            return constantWindowExtreme<Cmp>(ctx, static_cast<uint32_t>(k));
    }
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        const float* v = x.v;
        auto kOf = [](float n) { return saturatingInt32(isInvalid(n) ? 1.0f : n); };
        // Extreme of the values other than +infinity (and NaN) so far.
        bool haveAll = false;
        float all = 0.0f;
        auto takeAll = [&](float xi) {
            if (!isInvalid(xi) && !std::isnan(xi) && (!haveAll || Cmp::better(xi, all))) {
                all = xi;
                haveAll = true;
            }
        };
        if (period.literal) {
            const int32_t k = kOf(period.literalValue());
            if (k <= 0) {
                for (uint32_t i = x.first; i < x.end; ++i) {
                    takeAll(v[i]);
                    out[i] = haveAll ? all : kInvalidValue;
                }
            } else {
                ScratchVector<float> scratch;
                auto emit = [out](uint32_t i, float best, uint32_t) { out[i] = best; };
                if (Cmp::kHigh)
                    windowkernels::slidingMax(v, x.first, x.end, static_cast<uint32_t>(k), scratch, emit);
                else
                    windowkernels::slidingMin(v, x.first, x.end, static_cast<uint32_t>(k), scratch, emit);
            }
        } else {
            seriesWindowExtremeFrom<Cmp>(x, period, x.first, out);
        }
    });
}

// hhvbars / llvbars: distance back to the oldest extreme of the window
// (+infinity period: one bar; below one bar: the whole history).
template <typename Cmp>
bool extremeDistance(FormulaContext* ctx)
{
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        const float* v = x.v;
        auto kOf = [](float n) { return windowLength(isInvalid(n) ? 1.0f : n); };
        const uint32_t first = x.first;
        if (period.literal) {
            ScratchVector<uint32_t> scratch;
            const uint32_t k = kOf(period.literalValue());
            auto emit = [out, first, k](uint32_t i, uint32_t best) {
                const uint32_t at = best == kNoBar ? windowStart(first, i, k) : best;
                out[i] = countToFloat(i - at);
            };
            if (k != 0 && !windowkernels::holdsNaN(v, first, x.end))
                windowkernels::slidingBestBlocks<Cmp>(v, first, x.end, k, scratch, emit);
            else
                windowkernels::slidingBest<Cmp>(v, first, x.end, k, scratch, emit);
        } else {
            rangequeries::BestStack<Cmp> best(x.empty() ? 0 : x.end - first);
            for (uint32_t i = first; i < x.end; ++i) {
                best.push(v, i);
                const uint32_t from = windowStart(first, i, kOf(period.at(i)));
                const uint32_t at = best.bestFrom(from);
                out[i] = countToFloat(i - (at == rangequeries::kNone ? from : at));
            }
        }
    });
}

// Windows up to this length are counted directly; longer ones, the whole
// history and bar-varying windows through the rank sweep.
constexpr uint32_t kShortWindow = 64;

// hod / lod: how many bars of the window hold a value at least as extreme as
// the current one (the current bar counts itself; NaN compares with nothing).
// outOfRangeK is the window length taken for a +infinity or negative period
// (1 for hod, 0 for lod).
template <typename Cmp>
bool rankInWindow(FormulaContext* ctx, uint32_t outOfRangeK)
{
    return seriesByPeriod(ctx, [outOfRangeK](const DataSeries& x, const FormulaArgument& period, float* out) {
        const float* v = x.v;
        auto kOf = [outOfRangeK](float n) { return (isInvalid(n) || n < 0.0f) ? outOfRangeK : windowLength(n); };
        const uint32_t k0 = period.literal ? kOf(period.literalValue()) : 0u;
        if (period.literal && k0 != 0 && k0 <= kShortWindow) {
            for (uint32_t i = x.first; i < x.end; ++i) {
                const uint32_t from = windowStart(x.first, i, k0);
                const float xi = v[i];
                uint32_t count = 0;
                for (uint32_t j = from; j <= i; ++j) {
                    // hod: X[j] >= X[i]; lod: X[i] >= X[j].
                    count += Cmp::atLeast(v[j], xi) ? 1u : 0u;
                }
                out[i] = countToFloat(count);
            }
            return;
        }
        rangequeries::Ranks ranks;
        rangequeries::rankValues(v, x.first, x.end, rangequeries::ascendingKey, rangequeries::kNaNKey, ranks);
        const uint32_t* rank = ranks.rank.data();
        const uint32_t first = x.first;
        rangequeries::RankSweep sweep;
        sweep.run(
            rank, nullptr, ranks.sorted.size(), first, x.end,
            [&](uint32_t i, uint32_t& from, uint32_t& limit) {
                const uint32_t r = rank[i - first];
                if (r == rangequeries::kNone) {
                    out[i] = 0.0f;  // nothing compares with NaN
                    return false;
                }
                from = windowStart(first, i, period.literal ? k0 : kOf(period.at(i)));
                limit = Cmp::kHigh ? r : r + 1;  // hod: below X[i]; lod: up to X[i]
                return true;
            },
            [out](uint32_t i, const rangequeries::RankSweep::Answer& a) {
                out[i] = countToFloat(Cmp::kHigh ? a.ranked - a.below : a.below);
            });
    });
}

}  // namespace windowextremes
