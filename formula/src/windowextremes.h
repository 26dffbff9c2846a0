// The window extremes shared by the high and the low side: highest/lowest
// value, its distance and the rank of the current value. Cmp is
// windowkernels::Higher or windowkernels::Lower.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

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
// block kernel; a
// period of zero or less gives the extreme of all values other than
// +infinity so far, and the marker until there is one. A bar-varying N
// recomputes the window unless it grew by exactly one bar since the previous
// bar (a bar that took the whole-history branch breaks that chain).
template <typename Cmp>
bool extremeValue(FormulaContext* ctx)
{
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
                std::vector<float> scratch;
                auto emit = [out](uint32_t i, float best, uint32_t) { out[i] = best; };
                if (Cmp::kHigh)
                    windowkernels::slidingMax(v, x.first, x.end, static_cast<uint32_t>(k), scratch, emit);
                else
                    windowkernels::slidingMin(v, x.first, x.end, static_cast<uint32_t>(k), scratch, emit);
            }
        } else {
            bool chained = false;  // cur holds the window of prev bars ending at the previous bar
            int32_t prev = 0;
            float cur = 0.0f;
            for (uint32_t i = x.first; i < x.end; ++i) {
                const float xi = v[i];
                takeAll(xi);
                const int32_t k = kOf(period.at(i));
                if (k > 0) {
                    if (chained && static_cast<int64_t>(k) == static_cast<int64_t>(prev) + 1) {
                        if (!std::isnan(xi) && (std::isnan(cur) || Cmp::better(xi, cur)))
                            cur = xi;
                    } else {
                        const uint32_t from = windowStart(x.first, i, static_cast<uint32_t>(k));
                        const uint32_t best = windowkernels::bestIn<Cmp>(v, from, i);
                        cur = best == kNoBar ? NAN : v[best];
                    }
                    out[i] = cur;
                    prev = k;
                    chained = true;
                } else {
                    out[i] = haveAll ? all : kInvalidValue;
                    chained = false;
                }
            }
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
            std::vector<uint32_t> scratch;
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
            for (uint32_t i = first; i < x.end; ++i) {
                const uint32_t from = windowStart(first, i, kOf(period.at(i)));
                const uint32_t best = windowkernels::bestIn<Cmp>(v, from, i);
                out[i] = countToFloat(i - (best == kNoBar ? from : best));
            }
        }
    });
}

// Windows up to this length are counted directly; longer ones (and the whole
// history) through a Fenwick tree over the ranks of the values.
constexpr uint32_t kShortWindow = 64;

// hod / lod counts over windows of k bars (k = 0: from first) in
// O(bars log bars): each bar's value enters the tree once and leaves it once.
template <typename Cmp>
void rankedCounts(const float* v, uint32_t first, uint32_t end, uint32_t k, float* out)
{
    if (end <= first)
        return;
    std::vector<float> sorted;
    sorted.reserve(end - first);
    for (uint32_t i = first; i < end; ++i) {
        if (!std::isnan(v[i]))
            sorted.push_back(v[i]);
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const std::size_t m = sorted.size();
    std::vector<uint32_t> rank(end - first, 0);
    for (uint32_t i = first; i < end; ++i) {
        if (!std::isnan(v[i]))
            rank[i - first] = static_cast<uint32_t>(std::lower_bound(sorted.begin(), sorted.end(), v[i]) - sorted.begin());
    }
    std::vector<uint32_t> tree(m + 1, 0);
    auto update = [&](uint32_t r, int32_t delta) {
        for (std::size_t p = r + 1; p <= m; p += p & (~p + 1))
            tree[p] = static_cast<uint32_t>(static_cast<int64_t>(tree[p]) + delta);
    };
    auto below = [&](std::size_t r) {  // values of rank < r in the window
        uint32_t c = 0;
        for (std::size_t p = r; p > 0; p -= p & (~p + 1))
            c += tree[p];
        return c;
    };
    uint32_t from = first;
    uint32_t inWindow = 0;
    for (uint32_t i = first; i < end; ++i) {
        if (!std::isnan(v[i])) {
            update(rank[i - first], 1);
            ++inWindow;
        }
        const uint32_t start = windowStart(first, i, k);
        for (; from < start; ++from) {
            if (!std::isnan(v[from])) {
                update(rank[from - first], -1);
                --inWindow;
            }
        }
        if (std::isnan(v[i])) {
            out[i] = 0.0f;  // nothing compares with NaN
            continue;
        }
        const uint32_t r = rank[i - first];
        // hod: values >= v[i]; lod: values <= v[i].
        out[i] = countToFloat(Cmp::kHigh ? inWindow - below(r) : below(r + 1));
    }
}

// hod / lod: how many bars of the window hold a value at least as extreme as
// the current one (the current bar counts itself). outOfRangeK is the window
// length taken for a +infinity or negative period (1 for hod, 0 for lod).
template <typename Cmp>
bool rankInWindow(FormulaContext* ctx, uint32_t outOfRangeK)
{
    return seriesByPeriod(ctx, [outOfRangeK](const DataSeries& x, const FormulaArgument& period, float* out) {
        const float* v = x.v;
        auto kOf = [outOfRangeK](float n) { return (isInvalid(n) || n < 0.0f) ? outOfRangeK : windowLength(n); };
        if (period.literal) {
            const uint32_t k = kOf(period.literalValue());
            if (k == 0 || k > kShortWindow) {
                rankedCounts<Cmp>(v, x.first, x.end, k, out);
                return;
            }
        }
        for (uint32_t i = x.first; i < x.end; ++i) {
            const uint32_t k = kOf(period.at(i));
            const uint32_t from = windowStart(x.first, i, k);
            const float xi = v[i];
            uint32_t count = 0;
            for (uint32_t j = from; j <= i; ++j) {
                // hod: X[j] >= X[i]; lod: X[i] >= X[j].
                count += Cmp::atLeast(v[j], xi) ? 1u : 0u;
            }
            out[i] = countToFloat(count);
        }
    });
}

}  // namespace windowextremes
