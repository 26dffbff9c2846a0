// Mean absolute deviation over a window (avedev) and the sample covariance of
// two series (covar). A window that holds a value that is not finite, or too
// few values for the divisor, gives the no-value marker instead of NaN.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "builtins.h"
#include "rangequeries.h"
#include "seriesrules.h"
#include "windowkernels.h"

using windowkernels::DataSeries;
using windowkernels::seriesByPeriod;

namespace {

// Windows up to this length are summed directly.
constexpr uint32_t kShortWindow = 64;

// Mean absolute deviation of the window [from, i] by two direct passes; the
// marker when it holds a value that is not finite.
float directAvedev(const float* v, uint32_t from, uint32_t i)
{
    double sum = 0.0;
    bool finite = true;
    for (uint32_t j = from; j <= i; ++j) {
        finite = finite && std::isfinite(v[j]);
        sum += v[j];
    }
    if (!finite)
        return kInvalidValue;
    const double c = static_cast<double>(i - from + 1);
    const double mean = sum / c;
    double dev = 0.0;
    for (uint32_t j = from; j <= i; ++j)
        dev += std::fabs(v[j] - mean);
    return static_cast<float>(dev / c);
}

// avedev over the windows that all start at the data's first bar (the whole
// history), in one sweep: each bar added to a Fenwick tree of the count and
// the sum of the values by rank, then its window's values below the mean
// read from it. The same sums in the same order as the general sweep of
// builtinAvedev (a window from the first bar subtracts nothing), without
// its per-bar tables.
void expandingAvedev(const DataSeries& x, const rangequeries::Ranks& ranks, double ref, float* out)
{
    struct Node {
        double sum;
        uint32_t count;
    };
    const uint32_t first = x.first;
    const std::size_t m = ranks.sorted.size();
    const float* sorted = ranks.sorted.data();
    ScratchVector<Node> tree(m + 1, Node{0.0, 0u});
    Node* node = tree.data();
    double total = 0.0;  // the window's values less ref
    bool finite = true;  // every value so far
    uint32_t guess = 0;
    for (uint32_t i = first; i < x.end; ++i) {
        const float v = x.v[i];
        const uint32_t r = ranks.rank[i - first];
        const double w = std::isfinite(v) ? v - ref : 0.0;
        total = total + w;
        finite = finite && std::isfinite(v);
        if (r != rangequeries::kNone) {
            for (std::size_t t = r + 1; t <= m; t += t & (~t + 1)) {
                ++node[t].count;
                node[t].sum += w;
            }
        }
        if (!finite) {
            out[i] = kInvalidValue;
            continue;
        }
        const double c = static_cast<double>(i - first + 1);
        const double mean = total / c;
        const uint32_t limit = rangequeries::lowerBoundFrom(sorted, static_cast<uint32_t>(m), mean + ref, guess);
        guess = limit;
        uint32_t below = 0;
        double sum = 0.0;
        for (std::size_t t = limit; t > 0; t -= t & (~t + 1)) {
            below += node[t].count;
            sum += node[t].sum;
        }
        const double dev = total - 2.0 * sum + (2.0 * below - c) * mean;
        out[i] = static_cast<float>(std::max(0.0, dev) / c);
    }
}

}  // namespace

// avedev(X, N): a short constant window is summed directly; any other window
// (the whole history, a long or bar-varying one) splits the deviations at the
// mean: sum |x - m| = S - 2 S_below + (2 c_below - c) m, with the count and
// sum of the values below the mean read from the rank sweep, the values
// taken relative to a reference value of the data to keep the sums small.
bool builtinAvedev(FormulaContext* ctx)
{
    if (ctx->stack.size() >= 2 && ctx->stack.back()->literal) {
        const float n = ctx->stack.back()->literalValue();
        const uint32_t k = windowLength(n);
        if (k != 0 && k <= kShortWindow) {
            // Each bar from its own window alone: the bars from the first
            // changed one are all that a run after a change computes.
            ArgumentPtr args[2];
            if (!ctx->popArgs(args, 2))
                return false;
            const DataSeries x = windowkernels::dataOf(ctx, args[0]);
            SeriesUpdate u = seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(),
                                            std::min(x.arg->changedFrom, args[1]->changedFrom));
            float* out = u.result->values.data();
            for (uint32_t i = u.from; i < x.end; ++i)
                out[i] = periodReached(i, n) ? directAvedev(x.v, windowStart(x.first, i, k), i) : kInvalidValue;
            ctx->push(std::move(u.result));
            return true;
        }
    }
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        const bool constant = period.literal;
        const uint32_t k0 = constant ? windowLength(period.literalValue()) : 0u;
        if (constant && k0 != 0 && k0 <= kShortWindow) {
            const float n = period.literalValue();
            for (uint32_t i = x.first; i < x.end; ++i)
                out[i] = periodReached(i, n) ? directAvedev(x.v, windowStart(x.first, i, k0), i) : kInvalidValue;
            return;
        }
        if (x.empty())
            return;
        const uint32_t first = x.first;
        const std::size_t bars = x.end - first;
        // Finite values only are ranked; prefix counts of the others and
        // prefix sums of the finite ones give each window's total.
        rangequeries::Ranks ranks;
        // Finite values only are ranked (+inf and -inf take the skipped key).
        rangequeries::rankValues(
            x.v, first, x.end,
            [](float a) { return std::isfinite(a) ? rangequeries::ascendingKey(a) : rangequeries::kNaNKey; },
            rangequeries::kNaNKey, ranks);
        const double ref = windowkernels::referenceValue(x.v, first, x.end);
        if (constant && k0 == 0) {
            expandingAvedev(x, ranks, ref, out);
            return;
        }
        ScratchVector<double> shifted(bars);
        ScratchVector<double> total(bars + 1);
        ScratchVector<uint32_t> bad(bars + 1);
        total[0] = 0.0;
        bad[0] = 0;
        for (std::size_t j = 0; j < bars; ++j) {
            const float v = x.v[first + j];
            const bool finite = std::isfinite(v);
            shifted[j] = finite ? v - ref : 0.0;
            total[j + 1] = total[j] + shifted[j];
            bad[j + 1] = bad[j] + (finite ? 0u : 1u);
        }
        ScratchVector<double> mean(bars);
        uint32_t guess = 0;  // the last window's rank bound
        rangequeries::RankSweep sweep;
        sweep.run(
            ranks.rank.data(), shifted.data(), ranks.sorted.size(), first, x.end,
            [&](uint32_t i, uint32_t& from, uint32_t& limit) {
                const float n = period.at(i);
                from = windowStart(first, i, constant ? k0 : windowLength(n));
                const std::size_t a = from - first, b = i - first + 1;
                if (!periodReached(i, n) || bad[b] != bad[a]) {
                    out[i] = kInvalidValue;
                    return false;
                }
                const double m = (total[b] - total[a]) / static_cast<double>(b - a);
                mean[i - first] = m;
                // Ranks of the (finite) values below the mean.
                limit = guess = rangequeries::lowerBoundFrom(
                    ranks.sorted.data(), static_cast<uint32_t>(ranks.sorted.size()), m + ref, guess);
                return true;
            },
            [&](uint32_t i, const rangequeries::RankSweep::Answer& a) {
                const std::size_t lo = a.from - first;
                const double c = static_cast<double>(i - first + 1 - lo);
                const double m = mean[i - first];
                const double s = total[i - first + 1] - total[lo];
                const double dev = s - 2.0 * a.sum + (2.0 * a.below - c) * m;
                out[i] = static_cast<float>(std::max(0.0, dev) / c);
            });
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
