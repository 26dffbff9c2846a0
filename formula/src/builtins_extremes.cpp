// Window extremes, ranks and ranked searches on the high side: hhv, hhvbars,
// hod, and the T-th highest or lowest value of an earlier window (findhigh,
// findlow) with its distance (findhighbars, findlowbars).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtins.h"
#include "rangequeries.h"
#include "seriesrules.h"
#include "windowextremes.h"
#include "windowkernels.h"

using windowkernels::dataOf;
using windowkernels::DataSeries;

bool builtinHhv(FormulaContext* ctx)
{
    return windowextremes::extremeValue<windowkernels::Higher>(ctx);
}

bool builtinHhvbars(FormulaContext* ctx)
{
    return windowextremes::extremeDistance<windowkernels::Higher>(ctx);
}

bool builtinHod(FormulaContext* ctx)
{
    return windowextremes::rankInWindow<windowkernels::Higher>(ctx, 1u);
}

namespace {

// Orders with NaN after every number, so the ordering stays strict and weak.
struct Descending {
    bool operator()(float a, float b) const { return a > b || (std::isnan(b) && !std::isnan(a)); }
    static uint32_t key(float v) { return rangequeries::descendingKey(v); }
};
struct Ascending {
    bool operator()(float a, float b) const { return a < b || (std::isnan(b) && !std::isnan(a)); }
    static uint32_t key(float v) { return rangequeries::ascendingKey(v); }
};

// A window whose ends lie at most this many bars from the previous one's is
// reached by moving them; one farther away is answered by the wavelet matrix.
constexpr uint64_t kWindowMoves = 64;

// The T-th value (in Order) of the window of M bars that ends N bars before
// each bar, or its distance from the bar (back to the oldest bar of the
// window holding that value). A bar whose window would end before the data,
// past it, or that asks for rank below 1 or for an empty window (M = 0) has
// no value. The values are ranked once in Order (NaN last); counts of the
// ranks of a window that slides, or a wavelet matrix for windows that jump,
// give the T-th rank, and the bars grouped by rank the oldest bar holding it,
// each in O(log bars) whatever the window's width.
template <typename Order, bool distance>
bool rankedSearch(FormulaContext* ctx)
{
    ArgumentPtr args[4];
    if (!ctx->popArgs(args, 4))
        return false;
    const FormulaArgument& fn = *args[1];
    const FormulaArgument& fm = *args[2];
    const FormulaArgument& ft = *args[3];
    const DataSeries x = dataOf(ctx, args[0]);
    ArgumentPtr r = makeResultToWrite(*x.arg);
    float* out = r->values.data();
    const float held = static_cast<float>(static_cast<double>(x.arg->values.size()));
    const float n0 = fn.at(0);
    const int32_t pre = saturatingInt32(std::min(n0, held));
    uint32_t from = x.first;
    while (from < x.end && static_cast<int64_t>(from) < pre)
        out[from++] = kInvalidValue;
    const uint32_t first = x.first;
    const std::size_t bars = x.end > first ? x.end - first : 0;
    if (from < x.end) {
        rangequeries::Ranks ranks;
        // Every value is ranked, NaN last: no value has the key 0.
        rangequeries::rankValues(x.v, first, x.end, Order::key, 0u, ranks);
        const uint32_t* rank = ranks.rank.data();
        const std::size_t m = ranks.sorted.size();
        rangequeries::RankPositions positions;
        if (distance)
            positions.build(rank, bars, m);
        // A window near the previous one is reached by moving its ends; a
        // window that jumps far goes to the wavelet matrix (built on demand).
        rangequeries::RankWindow window;
        window.reset(m);
        uint32_t lo = 0, hi = 0;  // the counted window is [lo, hi) from first
        rangequeries::RankSelect select;
        bool selectBuilt = false;
        for (uint32_t i = from; i < x.end; ++i) {
            out[i] = kInvalidValue;
            const int64_t j = static_cast<int64_t>(i) - saturatingInt32(fn.at(i));
            const float mm = fm.at(i);
            const float t = ft.at(i);
            if (mm == 0.0f || !(t >= 1.0f) || j < static_cast<int64_t>(first) || j >= static_cast<int64_t>(x.end))
                continue;
            const uint32_t je = static_cast<uint32_t>(j);
            const uint32_t ws = windowStart(first, je, windowLength(mm));
            const uint32_t size = je - ws + 1;
            const float tt = std::min(t, countToFloat(size));
            const std::size_t idx = static_cast<std::size_t>(saturatingUInt32(tt - 1.0f));
            const uint32_t a = ws - first, b = je - first + 1;
            const uint64_t moves = static_cast<uint64_t>(a > lo ? a - lo : lo - a) + (b > hi ? b - hi : hi - b);
            uint32_t found;
            if (moves <= kWindowMoves) {
                for (; hi < b; ++hi)
                    window.add(rank[hi], 1);
                for (; lo > a;)
                    window.add(rank[--lo], 1);
                for (; lo < a; ++lo)
                    window.add(rank[lo], -1);
                for (; hi > b;)
                    window.add(rank[--hi], -1);
                found = window.kth(idx);
            } else {
                if (!selectBuilt) {
                    select.build(rank, bars, m);
                    selectBuilt = true;
                }
                found = select.kth(a, b, idx);
            }
            if (distance) {
                const uint32_t at = positions.firstFrom(found, a);
                out[i] = countToFloat(i - (at == rangequeries::kNone ? je : first + at));
            } else {
                out[i] = ranks.sorted[found];
            }
        }
    }
    ctx->push(std::move(r));
    return true;
}

}  // namespace

bool builtinFindhigh(FormulaContext* ctx)
{
    return rankedSearch<Descending, false>(ctx);
}

bool builtinFindhighbars(FormulaContext* ctx)
{
    return rankedSearch<Descending, true>(ctx);
}

bool builtinFindlow(FormulaContext* ctx)
{
    return rankedSearch<Ascending, false>(ctx);
}

bool builtinFindlowbars(FormulaContext* ctx)
{
    return rankedSearch<Ascending, true>(ctx);
}
