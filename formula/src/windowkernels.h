// Single-pass kernels over windows of a constant number of bars, shared by the
// window builtins: block sums, products and extremes, block-combined
// variance, a monotonic deque for extremes of data holding NaN and window
// co-moments; and the skeletons that the window averages, covar/relate and
// the recursive averages share. The window kernels run in O(bars) whatever
// the window length (co-moments from prefix sums), allocate their scratch
// once per call and never read outside [first, end).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "builtins.h"
#include "formulaargument.h"
#include "formulacontext.h"
#include "prefixsums.h"
#include "seriesrules.h"
#include "simdscan.h"

namespace windowkernels {

// The data argument of a window builtin as a loopable series: a literal is
// widened to the context's bar count, so MA(5,3) runs over the bars instead of
// an unbounded range.
struct DataSeries {
    ArgumentPtr arg;  // keeps a widened copy alive
    const float* v = nullptr;
    uint32_t first = 0;
    uint32_t end = 0;  // cut to the values held
    bool empty() const { return end <= first; }
};

inline DataSeries dataOf(FormulaContext* ctx, const ArgumentPtr& x)
{
    DataSeries d;
    d.arg = dataSeries(ctx, x);
    d.v = d.arg->values.data();
    d.first = d.arg->firstValid;
    d.end = d.arg->rangeEnd();
    return d;
}

// Sliding aggregate of an associative operation over windows of k >= 1 bars
// ending at each bar of [first, end), cut at first. The bars are cut into
// blocks of k; a window is a suffix of the previous block plus a prefix of the
// current one, so nothing is ever subtracted (no cancellation, and a marker or
// NaN only reaches the windows that hold it) and the loop has no data-driven
// branch. emit(i, aggregate, count). T is the type accumulated in.
template <typename T, typename Op, typename Emit>
void slidingAggregate(const float* x, uint32_t first, uint32_t end, uint32_t k, T identity, Op op,
                      ScratchVector<T>& suffix, Emit emit)
{
    if (end <= first || k == 0)
        return;
    const uint64_t bars = static_cast<uint64_t>(end) - first;
    const uint32_t firstBlockEnd = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(first) + k, end));
    {
        T acc = identity;
        for (uint32_t i = first; i < firstBlockEnd; ++i) {
            acc = op(acc, static_cast<T>(x[i]));
            emit(i, acc, i - first + 1);
        }
    }
    if (k >= bars)
        return;
    suffix.assign(static_cast<std::size_t>(k) + 1, identity);
    T* suf = suffix.data();
    for (uint64_t b = static_cast<uint64_t>(first) + k; b < end; b += k) {
        const uint32_t base = static_cast<uint32_t>(b);
        // suf[j]: aggregate of the previous block from its j-th bar to its end.
        T acc = identity;
        for (uint32_t j = k; j-- > 0;) {
            acc = op(static_cast<T>(x[base - k + j]), acc);
            suf[j] = acc;
        }
        const uint32_t blockEnd = static_cast<uint32_t>(std::min<uint64_t>(b + k, end));
        T pre = identity;
        for (uint32_t i = base; i < blockEnd; ++i) {
            pre = op(pre, static_cast<T>(x[i]));
            emit(i, op(suf[i - base + 1], pre), k);
        }
    }
}

// slidingAggregate emitting only the bars from from on: the block holding
// from and the one before it are aggregated again, so every emitted value is
// made by the same operations in the same order as in a whole pass.
template <typename T, typename Op, typename Emit>
void slidingAggregateFrom(const float* x, uint32_t first, uint32_t end, uint32_t k, T identity, Op op,
                          ScratchVector<T>& suffix, uint32_t from, Emit emit)
{
    if (end <= first || k == 0 || from >= end)
        return;
    if (from <= first) {
        slidingAggregate<T>(x, first, end, k, identity, op, suffix, emit);
        return;
    }
    const uint64_t blockOf = (static_cast<uint64_t>(from) - first) / k;
    if (blockOf == 0) {
        const uint32_t firstBlockEnd = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(first) + k, end));
        T acc = identity;
        for (uint32_t i = first; i < firstBlockEnd; ++i) {
            acc = op(acc, static_cast<T>(x[i]));
            if (i >= from)
                emit(i, acc, i - first + 1);
        }
        if (firstBlockEnd >= end)
            return;
    }
    suffix.assign(static_cast<std::size_t>(k) + 1, identity);
    T* suf = suffix.data();
    const uint64_t startBlock = blockOf == 0 ? 1 : blockOf;
    for (uint64_t b = static_cast<uint64_t>(first) + startBlock * k; b < end; b += k) {
        const uint32_t base = static_cast<uint32_t>(b);
        T acc = identity;
        for (uint32_t j = k; j-- > 0;) {
            acc = op(static_cast<T>(x[base - k + j]), acc);
            suf[j] = acc;
        }
        const uint32_t blockEnd = static_cast<uint32_t>(std::min<uint64_t>(b + k, end));
        T pre = identity;
        for (uint32_t i = base; i < blockEnd; ++i) {
            pre = op(pre, static_cast<T>(x[i]));
            if (i >= from)
                emit(i, op(suf[i - base + 1], pre), k);
        }
    }
}

template <typename Emit>
void slidingSum(const float* x, uint32_t first, uint32_t end, uint32_t k, ScratchVector<double>& scratch, Emit emit)
{
    slidingAggregate<double>(
        x, first, end, k, 0.0, [](double a, double b) { return a + b; }, scratch, emit);
}

template <typename Emit>
void slidingProduct(const float* x, uint32_t first, uint32_t end, uint32_t k, ScratchVector<double>& scratch, Emit emit)
{
    slidingAggregate<double>(
        x, first, end, k, 1.0, [](double a, double b) { return a * b; }, scratch, emit);
}

// True when x[first, end) holds a NaN (one branch-free pass).
inline bool holdsNaN(const float* x, uint32_t first, uint32_t end)
{
    bool any = false;
    for (uint32_t i = first; i < end; ++i)
        any |= std::isnan(x[i]);
    return any;
}

// Highest / lowest value of each window; NaN never wins, a window of NaN
// alone gives NaN. Data without NaN takes plain max/min instructions.
template <typename Emit>
void slidingMax(const float* x, uint32_t first, uint32_t end, uint32_t k, ScratchVector<float>& scratch, Emit emit)
{
    if (holdsNaN(x, first, end))
        slidingAggregate<float>(
            x, first, end, k, NAN, [](float a, float b) { return (b > a || std::isnan(a)) ? b : a; }, scratch, emit);
    else
        slidingAggregate<float>(
            x, first, end, k, -INFINITY, [](float a, float b) { return std::max(a, b); }, scratch, emit);
}

template <typename Emit>
void slidingMin(const float* x, uint32_t first, uint32_t end, uint32_t k, ScratchVector<float>& scratch, Emit emit)
{
    if (holdsNaN(x, first, end))
        slidingAggregate<float>(
            x, first, end, k, NAN, [](float a, float b) { return (b < a || std::isnan(a)) ? b : a; }, scratch, emit);
    else
        slidingAggregate<float>(
            x, first, end, k, INFINITY, [](float a, float b) { return std::min(a, b); }, scratch, emit);
}

// NaN never wins a comparison of extremes.
struct Higher {
    static constexpr bool kHigh = true;
    static bool better(float a, float b) { return a > b; }
    static bool atLeast(float a, float b) { return a >= b; }
};
struct Lower {
    static constexpr bool kHigh = false;
    static bool better(float a, float b) { return a < b; }
    static bool atLeast(float a, float b) { return a <= b; }
};

constexpr uint32_t kNoBar = 0xFFFFFFFFu;

// Monotonic deque over windows of k bars (k = 0: from first) ending at each
// bar of [first, end): emit(i, bar) with the oldest bar holding the window's
// best value (strictly better wins, so among equals the oldest stays), or
// kNoBar when every value of the window is NaN.
template <typename Cmp, typename Emit>
void slidingBest(const float* x, uint32_t first, uint32_t end, uint32_t k, ScratchVector<uint32_t>& scratch, Emit emit)
{
    if (end <= first)
        return;
    scratch.resize(static_cast<std::size_t>(end - first));
    uint32_t* dq = scratch.data();
    std::size_t head = 0, tail = 0;
    for (uint32_t i = first; i < end; ++i) {
        const float v = x[i];
        if (!std::isnan(v)) {
            while (tail > head && Cmp::better(v, x[dq[tail - 1]]))
                --tail;
            dq[tail++] = i;
        }
        const uint32_t from = windowStart(first, i, k);
        while (tail > head && dq[head] < from)
            ++head;
        emit(i, tail > head ? dq[head] : kNoBar);
    }
}

// The same for data without NaN, in blocks of k >= 1 as in slidingAggregate:
// the oldest best bar of the previous block's suffix and of the current
// block's prefix, the suffix winning ties because it is older. No deque, so
// no data-driven loop.
template <typename Cmp, typename Emit>
void slidingBestBlocks(const float* x, uint32_t first, uint32_t end, uint32_t k, ScratchVector<uint32_t>& suffix,
                       Emit emit)
{
    if (end <= first || k == 0)
        return;
    const uint32_t firstBlockEnd = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(first) + k, end));
    {
        uint32_t best = first;
        for (uint32_t i = first; i < firstBlockEnd; ++i) {
            best = Cmp::better(x[i], x[best]) ? i : best;
            emit(i, best);
        }
    }
    if (firstBlockEnd >= end)
        return;
    suffix.assign(static_cast<std::size_t>(k), 0);
    uint32_t* suf = suffix.data();
    for (uint64_t b = static_cast<uint64_t>(first) + k; b < end; b += k) {
        const uint32_t base = static_cast<uint32_t>(b);
        uint32_t best = base - 1;
        for (uint32_t t = k; t-- > 0;) {
            const uint32_t j = base - k + t;
            best = Cmp::atLeast(x[j], x[best]) ? j : best;
            suf[t] = best;
        }
        const uint32_t blockEnd = static_cast<uint32_t>(std::min<uint64_t>(b + k, end));
        uint32_t pre = base;
        for (uint32_t i = base; i < blockEnd; ++i) {
            pre = Cmp::better(x[i], x[pre]) ? i : pre;
            const uint32_t t = i - base + 1;
            const uint32_t s = t < k ? suf[t] : pre;
            emit(i, Cmp::atLeast(x[s], x[pre]) ? s : pre);
        }
    }
}

// True when every value of x[first, end) is finite.
inline bool allFinite(const float* x, uint32_t first, uint32_t end)
{
    return end <= first || simdscan::allFinite(x + first, end - first);
}

// The first bar of x from bar a on whose value fails good (kNoBar when none);
// clean(a) is a vector pass that is true when none can.
template <typename Clean, typename Good>
uint32_t firstBadBar(const DataSeries& x, uint32_t a, Clean clean, Good good)
{
    if (clean(a))
        return kNoBar;
    for (uint32_t i = a; i < x.end; ++i)
        if (!good(x.v[i]))
            return i;
    return kNoBar;
}

// For a window builtin whose kernel depends on whether the data holds a bad
// value: the first bad bar of x, kept as r's note. Resuming from bar from, a
// note before it stands and only the later bars are searched (find(a)); when
// the answer changes the kernel a whole run would choose, from goes back to
// x's first bar. A run from the first bar lowers r's changedFrom to it.
template <typename Find>
uint32_t noteFirstBadBar(FormulaArgument& r, const DataSeries& x, uint32_t& from, Find find)
{
    uint32_t bad;
    if (from > x.first) {
        const uint32_t old = r.note;
        bad = old < from ? old : find(from);
        if ((old == kNoBar) != (bad == kNoBar))
            from = x.first;  // the other kernel: every bar again
    } else {
        bad = find(x.first);
    }
    if (from == x.first)
        r.changedFrom = std::min(r.changedFrom, from);
    r.note = bad;
    return bad;
}

// Longest window the running kernel takes; wider ones go to the block kernels.
constexpr uint32_t kRunningWindow = 512;
// Bars after which the running sums start afresh, so that rounding cannot
// pile up; several such stretches advance together as independent chains.
constexpr uint32_t kRunningStretch = 2048;
// Stretches that runningStretches advances together.
constexpr uint32_t kStretchGroup = 4;

template <bool Squares, typename Emit>
void runningStretches(const float* x, uint32_t steady, uint32_t end, uint32_t k, Emit emit);

// Running sums of x - c and, with Squares, (x - c)^2 over windows of k bars
// (1 <= k) ending at each bar of [first, end), for data whose values are all
// finite; c is a value of the stretch (0 without Squares, where a plain sum
// loses nothing), taken afresh with the sums every kRunningStretch bars.
// emit(i, s1, s2, n, c) with n the window's length. runningWindowsFrom emits
// only the bars from from on and does not sum the stretches wholly before it
// (each stretch starts afresh, so the bars emitted hold the same bits).
template <bool Squares, typename Emit>
void runningWindows(const float* x, uint32_t first, uint32_t end, uint32_t k, Emit emit);

template <bool Squares, typename Emit>
void runningWindowsFrom(const float* x, uint32_t first, uint32_t end, uint32_t k, uint32_t from, Emit emit)
{
    if (end <= first || k == 0)
        return;
    if (from <= first) {
        runningWindows<Squares>(x, first, end, k, emit);
        return;
    }
    const uint32_t steady = static_cast<uint32_t>(std::min<uint64_t>(end, static_cast<uint64_t>(first) + k - 1));
    auto later = [&emit, from](uint32_t i, double s1, double s2, uint32_t n, double c) {
        if (i >= from)
            emit(i, s1, s2, n, c);
    };
    if (from <= steady) {
        runningWindows<Squares>(x, first, end, k, later);
        return;
    }
    // Stretches start at steady + m * kRunningStretch.
    const uint64_t pair = kRunningStretch;
    const uint64_t skip = (static_cast<uint64_t>(from) - steady) / pair * pair;
    runningStretches<Squares>(x, static_cast<uint32_t>(steady + skip), end, k, later);
}

template <bool Squares, typename Emit>
void runningWindows(const float* x, uint32_t first, uint32_t end, uint32_t k, Emit emit)
{
    if (end <= first || k == 0)
        return;
    const uint32_t steady = static_cast<uint32_t>(std::min<uint64_t>(end, static_cast<uint64_t>(first) + k - 1));
    {
        const double c = Squares ? x[first] : 0.0;
        double s1 = 0.0, s2 = 0.0;
        for (uint32_t i = first; i < steady; ++i) {
            const double d = x[i] - c;
            s1 += d;
            if (Squares)
                s2 += d * d;
            emit(i, s1, s2, i - first + 1, c);
        }
    }
    runningStretches<Squares>(x, steady, end, k, emit);
}

// runningWindows over data whose finiteness is not known yet: each group of
// stretches checks its bars just before it runs (while they are in the
// first-level cache) instead of a separate pass over X first. Returns the
// first bar of [first, end) that is not finite, kNoBar when there is none;
// once one is found nothing more is emitted, and the bars emitted so far
// must be written again by a kernel for such data.
template <bool Squares, typename Emit>
uint32_t checkedRunningWindows(const float* x, uint32_t first, uint32_t end, uint32_t k, Emit emit)
{
    if (end <= first || k == 0)
        return kNoBar;
    auto firstBad = [x, end](uint32_t a, uint32_t b) {
        if (allFinite(x, a, b))
            return kNoBar;
        for (uint32_t i = a; i < end; ++i)
            if (!std::isfinite(x[i]))
                return i;
        return kNoBar;
    };
    const uint64_t group = static_cast<uint64_t>(kStretchGroup) * kRunningStretch;
    const uint32_t steady = static_cast<uint32_t>(std::min<uint64_t>(end, static_cast<uint64_t>(first) + k - 1));
    uint32_t to = static_cast<uint32_t>(std::min<uint64_t>(end, steady + group));
    uint32_t bad = firstBad(first, to);
    if (bad != kNoBar)
        return bad;
    runningWindows<Squares>(x, first, steady, k, emit);  // the bars before the windows fill
    for (uint64_t a = steady; a < end; a += group) {
        const uint32_t b = static_cast<uint32_t>(std::min<uint64_t>(end, a + group));
        if (a != steady && (bad = firstBad(static_cast<uint32_t>(a), b)) != kNoBar)
            return bad;
        runningStretches<Squares>(x, static_cast<uint32_t>(a), b, k, emit);
    }
    return kNoBar;
}

// The stretches of runningWindows from bar steady on.
template <bool Squares, typename Emit>
void runningStretches(const float* x, uint32_t steady, uint32_t end, uint32_t k, Emit emit)
{
    struct Run {
        double c = 0.0, s1 = 0.0, s2 = 0.0;
        void start(const float* x, uint32_t i, uint32_t k)
        {
            c = Squares ? x[i] : 0.0;
            s1 = s2 = 0.0;
            for (uint32_t j = i + 1 - k; j <= i; ++j) {
                const double d = x[j] - c;
                s1 += d;
                if (Squares)
                    s2 += d * d;
            }
        }
        void step(const float* x, uint32_t i, uint32_t k)
        {
            if (Squares) {
                const double dn = x[i] - c;
                const double dp = x[i - k] - c;
                s1 += dn - dp;
                s2 += dn * dn - dp * dp;
            } else {
                s1 += static_cast<double>(x[i]) - static_cast<double>(x[i - k]);
            }
        }
    };
    // kStretchGroup stretches advance together (independent chains); each
    // stretch's own sums are the same operations in the same order whatever
    // the grouping.
    constexpr uint32_t kGroup = kStretchGroup;
    for (uint64_t a = steady; a < end; a += kGroup * static_cast<uint64_t>(kRunningStretch)) {
        Run r[kGroup];
        uint32_t at[kGroup];
        uint32_t len[kGroup];
        uint32_t common = 0xFFFFFFFFu;
        for (uint32_t g = 0; g < kGroup; ++g) {
            const uint64_t b = a + static_cast<uint64_t>(g) * kRunningStretch;
            at[g] = static_cast<uint32_t>(std::min<uint64_t>(end, b));
            const uint32_t e = static_cast<uint32_t>(std::min<uint64_t>(end, b + kRunningStretch));
            len[g] = at[g] < e ? e - at[g] - 1 : 0;
            if (at[g] < e) {
                r[g].start(x, at[g], k);
                emit(at[g], r[g].s1, r[g].s2, k, r[g].c);
                common = std::min(common, len[g]);
            } else {
                common = 0;
            }
        }
        static_assert(kGroup == 4, "the joint loop below advances four stretches");
        {
            Run r0 = r[0], r1 = r[1], r2 = r[2], r3 = r[3];
            const uint32_t a0 = at[0], a1 = at[1], a2 = at[2], a3 = at[3];
            for (uint32_t t = 1; t <= common; ++t) {
                r0.step(x, a0 + t, k);
                r1.step(x, a1 + t, k);
                r2.step(x, a2 + t, k);
                r3.step(x, a3 + t, k);
                emit(a0 + t, r0.s1, r0.s2, k, r0.c);
                emit(a1 + t, r1.s1, r1.s2, k, r1.c);
                emit(a2 + t, r2.s1, r2.s2, k, r2.c);
                emit(a3 + t, r3.s1, r3.s2, k, r3.c);
            }
            r[0] = r0;
            r[1] = r1;
            r[2] = r2;
            r[3] = r3;
        }
        for (uint32_t g = 0; g < kGroup; ++g) {
            for (uint32_t t = common + 1; t <= len[g]; ++t) {
                r[g].step(x, at[g] + t, k);
                emit(at[g] + t, r[g].s1, r[g].s2, k, r[g].c);
            }
        }
    }
}

// Count and sum of squared deviations from the mean of the finite values of
// a window, and how many of its values were not finite.
struct Moments {
    double m2 = 0.0;
    uint32_t n = 0;
    uint32_t bad = 0;
};

// Sums of a stretch of values taken relative to a reference value c of the
// same block (Σ(x−c), Σ(x−c)²): independent add chains, and since c lies
// within the data the final M2 = S2 − S1²/n loses no more than a two-pass sum.
struct ShiftedSums {
    double s1 = 0.0;
    double s2 = 0.0;
    uint32_t n = 0;
    uint32_t bad = 0;

    void add(float xf, double c)
    {
        const double x = xf;
        if (!std::isfinite(x)) {
            ++bad;
            return;
        }
        const double d = x - c;
        s1 += d;
        s2 += d * d;
        ++n;
    }
};

// First finite value of x[from, to), 0 when there is none.
inline double referenceValue(const float* x, uint32_t from, uint32_t to)
{
    for (uint32_t j = from; j < to; ++j) {
        if (std::isfinite(x[j]))
            return x[j];
    }
    return 0.0;
}

// Moments of the windows of k >= 1 bars ending at each bar of [first, end),
// cut at first: emit(i, moments). Blocks of k as in slidingAggregate; the
// suffix of the previous block is moved to the current block's reference
// value before the two are added.
template <typename Emit>
void slidingMoments(const float* x, uint32_t first, uint32_t end, uint32_t k, ScratchVector<ShiftedSums>& suffix,
                    Emit emit)
{
    if (end <= first || k == 0)
        return;
    const uint64_t bars = static_cast<uint64_t>(end) - first;
    const uint32_t firstBlockEnd = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(first) + k, end));
    double cPrev = referenceValue(x, first, firstBlockEnd);
    {
        ShiftedSums pre;
        for (uint32_t i = first; i < firstBlockEnd; ++i) {
            pre.add(x[i], cPrev);
            Moments m;
            m.n = pre.n;
            m.bad = pre.bad;
            m.m2 = pre.n ? std::max(0.0, pre.s2 - pre.s1 * pre.s1 / pre.n) : 0.0;
            emit(i, m);
        }
    }
    if (k >= bars)
        return;
    const double invK = 1.0 / k;
    suffix.assign(static_cast<std::size_t>(k) + 1, ShiftedSums());
    ShiftedSums* suf = suffix.data();
    for (uint64_t b = static_cast<uint64_t>(first) + k; b < end; b += k) {
        const uint32_t base = static_cast<uint32_t>(b);
        const uint32_t blockEnd = static_cast<uint32_t>(std::min<uint64_t>(b + k, end));
        ShiftedSums acc;
        for (uint32_t j = k; j-- > 0;) {
            acc.add(x[base - k + j], cPrev);
            suf[j] = acc;
        }
        const double c = referenceValue(x, base, blockEnd);
        const double delta = cPrev - c;
        ShiftedSums pre;
        for (uint32_t i = base; i < blockEnd; ++i) {
            pre.add(x[i], c);
            const ShiftedSums& a = suf[i - base + 1];
            Moments m;
            m.n = a.n + pre.n;
            m.bad = a.bad + pre.bad;
            const double s1 = a.s1 + a.n * delta + pre.s1;
            const double s2 = a.s2 + delta * (2.0 * a.s1 + a.n * delta) + pre.s2;
            const double mean2 = s1 * s1 * (m.n == k ? invK : 1.0 / (m.n ? m.n : 1));
            m.m2 = std::max(0.0, s2 - mean2);
            emit(i, m);
        }
        cPrev = c;
    }
}

// Prefix sums of a data series taken relative to a reference value r of it
// (its first finite value): channel 0 sums x - r, channel 1 (x - r)^2 and
// channel 2 J (x - r) with J the bar's index from the first valid bar. Any
// window's sum, mean, weighted mean and moments then cost O(1).
struct ShiftedPrefix {
    prefixsums::PrefixSums<3> sums;
    double ref = 0.0;
    uint32_t first = 0;

    void build(const DataSeries& x)
    {
        ref = referenceValue(x.v, x.first, x.end);
        first = x.first;
        const float* v = x.v;
        const double r = ref;
        const uint32_t f = x.first;
        sums.build(x.first, x.end, [v, r, f](uint32_t j, std::array<double, 3>& t) {
            const double d = static_cast<double>(v[j]) - r;
            t[0] = d;
            t[1] = d * d;
            t[2] = static_cast<double>(j - f) * d;
            return static_cast<double>(v[j]);
        });
    }

    // Sum of the window [from, to] as a direct sum in double gives it.
    double sum(uint32_t from, uint32_t to) const
    {
        const prefixsums::NonFinite bad = sums.nonFinite(from, to);
        if (bad.total() != 0)
            return bad.sum();
        return prefixsums::toDouble(sums.sum(0, from, to) + static_cast<double>(to - from + 1) * ref);
    }

    // Mean of the window; weighted: with weights 1 (oldest) ... L (newest).
    double mean(uint32_t from, uint32_t to, bool weighted) const
    {
        const prefixsums::NonFinite bad = sums.nonFinite(from, to);
        if (bad.total() != 0)
            return bad.sum();
        const double len = static_cast<double>(to - from + 1);
        if (!weighted)
            return prefixsums::toDouble(sums.sum(0, from, to) / len) + ref;
        // sum w (x - r) = sum J (x - r) - (F - 1) sum (x - r), F = from - first.
        const double shift = static_cast<double>(from - first) - 1.0;
        const prefixsums::Dd w = sums.sum(2, from, to) - sums.sum(0, from, to) * shift;
        return prefixsums::toDouble(w / (len * (len + 1.0) / 2.0)) + ref;
    }

    // Moments of the window's finite values.
    Moments moments(uint32_t from, uint32_t to) const
    {
        Moments m;
        m.bad = sums.nonFinite(from, to).total();
        m.n = to - from + 1 - m.bad;
        if (m.n != 0)
            m.m2 = prefixsums::squaredDeviations(sums.sum(0, from, to), sums.sum(1, from, to), m.n);
        return m;
    }

    // Sum of (x - mean)^2 over the window's finite values for a given mean.
    double squaresAbout(uint32_t from, uint32_t to, double mean) const
    {
        const double delta = mean - ref;
        const double n = static_cast<double>(to - from + 1 - sums.nonFinite(from, to).total());
        const prefixsums::Dd d =
            sums.sum(1, from, to) - sums.sum(0, from, to) * (2.0 * delta) + prefixsums::twoProd(delta, delta) * n;
        return std::max(0.0, prefixsums::toDouble(d));
    }
};

// MA(x, n) as the ma builtin computes it, called on the context's own stack:
// the window means that covar, var and relate take (N read at every bar).
// Null if the average fails; the stack is then as before.
inline ArgumentPtr movingAverage(FormulaContext* ctx, const ArgumentPtr& x, const ArgumentPtr& n)
{
    const std::size_t depth = ctx->stack.size();
    ctx->push(x);
    ctx->push(n);
    ArgumentPtr r;
    if (!builtinMa(ctx) || !ctx->pop(r)) {
        while (ctx->stack.size() > depth)
            ctx->stack.pop_back();
        return nullptr;
    }
    return r;
}

// Co-moments of two series over the windows of k >= 1 bars ending at each bar
// i from k - 1 on, for covariance and correlation, taken about the means
// meanA[i] and meanB[i] (MA(A, N) and MA(B, N) at i). Each window is cut at
// both series' first valid bars and ends at the shorter series' end, so the
// pairs are always the values of one bar and nothing past either series is
// read. emit(i, sums): sums of products of deviations, in double; bad counts
// pairs with a value that is not finite (a mean that is not finite counts too).
struct PairSums {
    uint32_t n = 0;
    uint32_t bad = 0;
    double sxy = 0.0, sxx = 0.0, syy = 0.0;
};

template <typename Emit>
void pairWindows(const DataSeries& a, const DataSeries& b, const float* meanA, const float* meanB, uint32_t k,
                 Emit emit)
{
    const uint32_t first = std::max(a.first, b.first);
    const uint32_t end = std::min(a.end, b.end);
    const uint32_t from = std::max(first, k - 1u);
    if (from >= end)
        return;
    // Prefix sums of the pairs taken relative to reference values: a', b',
    // a'b', a'^2, b'^2; the co-moments about any means follow from them.
    const double ra = referenceValue(a.v, first, end);
    const double rb = referenceValue(b.v, first, end);
    prefixsums::PrefixSums<5> p;
    const float* va = a.v;
    const float* vb = b.v;
    p.build(first, end, [va, vb, ra, rb](uint32_t j, std::array<double, 5>& t) {
        const double x = static_cast<double>(va[j]) - ra;
        const double y = static_cast<double>(vb[j]) - rb;
        t[0] = x;
        t[1] = y;
        t[2] = x * y;
        t[3] = x * x;
        t[4] = y * y;
        return (std::isfinite(va[j]) && std::isfinite(vb[j])) ? 0.0 : NAN;
    });
    using prefixsums::Dd;
    for (uint32_t i = from; i < end; ++i) {
        const uint32_t ws = windowStart(first, i, k);
        PairSums s;
        const double ma = meanA[i];
        const double mb = meanB[i];
        s.bad = p.nonFinite(ws, i).total();
        if (!std::isfinite(ma) || !std::isfinite(mb))
            ++s.bad;
        s.n = i - ws + 1 - s.bad;
        if (s.bad == 0) {
            const double da = ma - ra, db = mb - rb, n = s.n;
            const Dd sa = p.sum(0, ws, i), sb = p.sum(1, ws, i);
            // sum (a - ma)(b - mb) = S_ab - db S_a - da S_b + n da db, and alike.
            s.sxy = prefixsums::toDouble(p.sum(2, ws, i) - sa * db - sb * da + prefixsums::twoProd(da, db) * n);
            s.sxx = std::max(0.0,
                             prefixsums::toDouble(p.sum(3, ws, i) - sa * (2.0 * da) + prefixsums::twoProd(da, da) * n));
            s.syy = std::max(0.0,
                             prefixsums::toDouble(p.sum(4, ws, i) - sb * (2.0 * db) + prefixsums::twoProd(db, db) * n));
        }
        emit(i, s);
    }
}

// covar and relate (X, Y, N): N is read once (its value at bar 0) for the
// windows; each bar from N - 1 on over the common bars of X and Y takes
// value(sums of its window about MA(X, N) and MA(Y, N) at that bar); every
// other bar of the result, which covers the longer of the two series, holds
// the marker.
template <typename Value>
bool pairStatistic(FormulaContext* ctx, Value value)
{
    ArgumentPtr args[3];
    if (!ctx->popArgs(args, 3))
        return false;
    const ArgumentPtr meanA = movingAverage(ctx, args[0], args[2]);
    const ArgumentPtr meanB = meanA ? movingAverage(ctx, args[1], args[2]) : nullptr;
    if (!meanA || !meanB)
        return false;
    const DataSeries a = dataOf(ctx, args[0]);
    const DataSeries b = dataOf(ctx, args[1]);
    const std::size_t len = std::max(meanA->values.size(), meanB->values.size());
    ArgumentPtr r = makeInvalidSeries(static_cast<uint32_t>(std::min<std::size_t>(len, kUnboundedEnd)));
    float* out = r->values.data();
    const int32_t k = saturatingInt32(args[2]->at(0));
    if (k >= 1)
        pairWindows(a, b, meanA->values.data(), meanB->values.data(), static_cast<uint32_t>(k),
                    [out, &value](uint32_t i, const PairSums& s) { out[i] = value(s); });
    ctx->push(std::move(r));
    return true;
}

// The call shape of the window builtins f(X, N): pops both arguments, takes X
// as a data series and a result shaped like it, runs fill(x, N, out) to write
// the result's values and pushes the result.
template <typename Fill>
bool seriesByPeriod(FormulaContext* ctx, Fill fill)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const DataSeries x = dataOf(ctx, args[0]);
    ArgumentPtr r = makeResultToWrite(*x.arg);
    fill(x, *args[1], r->values.data());
    ctx->push(std::move(r));
    return true;
}

// The sums of a constant window of k >= 1 bars of the data X (the top but one
// of the stack, popped with the period): the running kernel for windows up to
// kRunningWindow bars over finite data, block(x, from, out) otherwise, which
// returns the first bar it wrote (it may write them all). put(out, i, s1, s2, count, c) writes
// bar i from the running sums of x - c (and of its squares, with Squares). The step's previous result is resumed from the
// first changed bar; note keeps the first bar that is not finite, so that the
// kernel is the one a whole run would choose.
template <bool Squares, typename Put, typename Block>
bool constantWindowSums(FormulaContext* ctx, uint32_t k, Put put, Block block)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const DataSeries x = dataOf(ctx, args[0]);
    const uint32_t changed = std::min(x.arg->changedFrom, args[1]->changedFrom);
    SeriesUpdate u = seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(), changed);
    ArgumentPtr r = std::move(u.result);
    uint32_t from = u.from;
    auto firstNotFinite = [&x](uint32_t a) {
        return firstBadBar(
            x, a, [&x](uint32_t b) { return allFinite(x.v, b, x.end); }, [](float v) { return std::isfinite(v); });
    };
    float* out = r->values.data();
    auto emit = [out, &put](uint32_t i, double s1, double s2, uint32_t n, double c) { put(out, i, s1, s2, n, c); };
    if (from <= x.first && k <= kRunningWindow) {
        // A whole run: the running kernel checks the data as it goes and
        // leaves finding nothing but finite data to the block kernel.
        if (from == x.first)
            r->changedFrom = std::min(r->changedFrom, from);
        const uint32_t bad = checkedRunningWindows<Squares>(x.v, x.first, x.end, k, emit);
        r->note = bad;
        if (bad != kNoBar)
            r->changedFrom = std::min(r->changedFrom, block(x, x.first, out));
        ctx->push(std::move(r));
        return true;
    }
    const uint32_t bad = noteFirstBadBar(*r, x, from, firstNotFinite);
    if (k <= kRunningWindow && bad == kNoBar)
        runningWindowsFrom<Squares>(x.v, x.first, x.end, k, from, emit);
    else
        r->changedFrom = std::min(r->changedFrom, block(x, from, out));
    ctx->push(std::move(r));
    return true;
}

// The skeleton of the window averages (ma, wma, std) of data X over N bars:
// N counts as at least one bar, and a bar with fewer than N - 1 bars before
// it holds the marker. A constant N runs sliding(x, k, put), a kernel over
// the windows of k bars that calls put(i, value) for every bar of X's range;
// a bar-varying N computes direct(sums, from, i) over the window [from, i]
// from the shifted prefix sums of X (see ShiftedSums below), so its cost does
// not grow with the windows either.
template <typename Sliding, typename Direct>
bool windowAverage(FormulaContext* ctx, Sliding sliding, Direct direct)
{
    return seriesByPeriod(ctx, [&](const DataSeries& x, const FormulaArgument& period, float* out) {
        if (period.literal) {
            const float n = atLeastOne(period.literalValue());
            const uint32_t ready = firstReachedBar(n);
            sliding(x, windowLength(n), [out, ready](uint32_t i, float v) { out[i] = i >= ready ? v : kInvalidValue; });
        } else {
            ShiftedPrefix sums;
            sums.build(x);
            for (uint32_t i = x.first; i < x.end; ++i) {
                const float n = atLeastOne(period.at(i));
                out[i] =
                    periodReached(i, n) ? direct(sums, windowStart(x.first, i, windowLength(n)), i) : kInvalidValue;
            }
        }
    });
}

// The skeleton of the recursive averages over data X: bars before X's first
// qualifying bar k hold the marker; the state y (of type State) starts at X's
// value at k, and each bar i from k on receives step(i, X at i, y), which
// updates y and returns the bar's value. Returns the result.
template <typename State, typename Step>
ArgumentPtr recursion(const DataSeries& x, Step step);

// The first bar a recursion whose only state is y recomputes: changed when
// the previous result carries the state of one of its last two bars or the
// one after them, else 0 (every bar again, in the same array).
inline uint32_t recursionRestart(FormulaContext* ctx, uint32_t changed)
{
    if (ArgumentPtr was = ctx->takeResumeTarget()) {
        const uint32_t at = std::min(changed, was->endBar);
        if (!(was->carriedEnd != 0 && was->carriedEnd == was->endBar && at + 1 >= was->carriedEnd))
            changed = 0;
        ctx->offerResumeTarget(std::move(was));
    }
    return changed;
}

// recursion for a step whose only state is y. With the step's result of the
// previous run at hand, the bars from the first changed one on (changed: the
// smallest changedFrom of the inputs) go on from the state that result carries
// when that bar is one of its last two or the one after them; every other run
// is a whole one.
template <typename State, typename Step>
ArgumentPtr resumableRecursion(FormulaContext* ctx, const DataSeries& x, uint32_t changed, Step step)
{
    changed = recursionRestart(ctx, changed);
    SeriesUpdate u = seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(), changed);
    ArgumentPtr r = std::move(u.result);
    float* out = r->values.data();
    const uint32_t k = markBeforeFirstQualifying(*x.arg, out);
    uint32_t start = k;
    State y = k < x.end ? static_cast<State>(x.v[k]) : State{};
    const uint32_t oldEnd = r->carriedEnd;
    const bool resumed = oldEnd != 0 && u.from > k && (u.from == oldEnd || u.from + 1 == oldEnd);
    if (resumed) {
        start = u.from;
        y = static_cast<State>(r->carried[u.from == oldEnd ? 1 : 0]);
    }
    const State before = y;  // the state after bar start - 1 (resumed)
    double keep[2] = {0.0, 0.0};
    for (uint32_t i = start; i < x.end; ++i) {
        out[i] = step(i, x.v[i], y);
        if (i + 2 >= x.end)
            keep[i + 2 - x.end] = static_cast<double>(y);
    }
    r->changedFrom = std::min(r->changedFrom, start);
    if (resumed && start >= x.end)
        return r;  // nothing recomputed: the carried states stand
    // The states after bars end - 2 and end - 1, both at or after k.
    bool known = x.end >= k + 2 && x.end >= 2;
    if (known && x.end - 2 < start) {
        if (resumed && x.end - 2 + 1 == start)
            keep[0] = static_cast<double>(before);
        else
            known = false;
    }
    r->carriedEnd = known ? x.end : 0u;
    r->carried[0] = keep[0];
    r->carried[1] = keep[1];
    return r;
}

template <typename State, typename Step>
ArgumentPtr recursion(const DataSeries& x, Step step)
{
    ArgumentPtr r = makeResultToWrite(*x.arg);
    float* out = r->values.data();
    const uint32_t k = markBeforeFirstQualifying(*x.arg, out);
    if (k < x.end) {
        State y = x.v[k];
        for (uint32_t i = k; i < x.end; ++i)
            out[i] = step(i, x.v[i], y);
    }
    return r;
}

// One bar of linearRecursion: the candidate a*y + b*x replaces y unless it
// is a marker; the bar takes y.
// isQualifying(float(c)), cheaply for the usual candidates: a magnitude
// within [2^-100, 2^101) narrows to a normal finite float, neither marker.
inline bool qualifyingCandidate(double c)
{
    uint64_t bits;
    std::memcpy(&bits, &c, sizeof bits);
    const uint64_t exponent = (bits >> 52) & 0x7FF;
    if (__builtin_expect(exponent - (1023 - 100) <= 200, 1))
        return true;
    return isQualifying(static_cast<float>(c));
}

inline void linearStep(double a, double b, float xi, double& y, float& out)
{
    const double c = a * y + b * xi;
    // A marker candidate is rare: a predicted branch keeps the test off the
    // bar-to-bar chain (a select would lengthen it).
    if (__builtin_expect(qualifyingCandidate(c), 1))
        y = c;
    out = static_cast<float>(y);
}

// Bars per piece of a checked run (linearRun).
constexpr uint32_t kCheckedRun = 256;

// True when [a, a + n) and [b, b + n) share a float.
inline bool sharesBars(const float* a, const float* b, uint32_t n)
{
    return a < b + n && b < a + n;
}

// count bars of linearStep from x and out on (out[t] from x[t] and y), as
// linearStep's loop writes them, but checked after the piece instead of at
// each bar: the piece goes first without the test of the candidates, and if
// any bar's value lies outside [2^-99, 2^100) in magnitude (a candidate that
// might not qualify, or a zero) the piece is done again bar by bar from the
// state before it. Inside that range every candidate qualified, so y took
// each one as linearStep would: the same bits, with the test off the bar
// loop. x must not share bars with out (the redo reads x again).
inline void linearRun(double a, double b, const float* x, float* out, uint32_t count, double& y)
{
    if (sharesBars(x, out, count)) {
        for (uint32_t t = 0; t < count; ++t)
            linearStep(a, b, x[t], y, out[t]);
        return;
    }
    for (uint32_t p = 0; p < count; p += kCheckedRun) {
        const uint32_t n = std::min(kCheckedRun, count - p);
        const double y0 = y;
        double s = y;
        for (uint32_t t = p; t < p + n; ++t) {
            s = a * s + b * x[t];
            out[t] = static_cast<float>(s);
        }
        if (__builtin_expect(simdscan::magnitudesWithin(out + p, n), 1)) {
            y = s;
            continue;
        }
        y = y0;
        for (uint32_t t = p; t < p + n; ++t)
            linearStep(a, b, x[t], y, out[t]);
    }
}

// The loop of linearRecursion over out, with the state it goes on from. Its
// data may wait itself: the first qualifying bar is then found as the blocks
// come, unless it lies before the first changed bar.
struct RecursionLoop {
    FormulaArgument* result = nullptr;
    float* out = nullptr;
    const float* x = nullptr;  // the data's values
    double a = 0.0, b = 0.0;
    double y = 0.0;       // the state before bar next
    double before = 0.0;  // the state before bar start (resumed)
    double keep[2] = {0.0, 0.0};
    uint32_t first = 0;  // the data's first qualifying bar, once found
    uint32_t start = 0;  // the bar the loop starts at, once found
    uint32_t next = 0;   // the next bar to write
    uint32_t end = 0;
    bool found = false;  // first and start are known
    bool resumed = false;

    // Bars up to e0 until the first qualifying one (markers before it).
    void seekFirst(uint32_t e0)
    {
        const uint32_t hi = std::min(e0, end);
        uint32_t i = next;
        while (i < hi && !isQualifying(x[i]))
            out[i++] = kInvalidValue;
        next = i;
        if (i < hi) {
            found = true;
            first = start = i;
            y = before = static_cast<double>(x[i]);
        }
    }

    // Bars [next, to) alone, keeping the states after the last two bars.
    void advance(uint32_t to)
    {
        double s = y;
        const uint32_t plain = std::min(to, end >= 2 ? end - 2 : 0u);  // before the states kept
        if (next < plain) {
            linearRun(a, b, x + next, out + next, plain - next, s);
            next = plain;
        }
        for (uint32_t i = next; i < to; ++i) {
            linearStep(a, b, x[i], s, out[i]);
            if (i + 2 >= end)
                keep[i + 2 - end] = s;
        }
        y = s;
        next = std::max(next, to);
    }

    // The result's carried states (as resumableRecursion leaves them).
    void finish()
    {
        if (!found)
            first = start = end;  // no qualifying bar: markers throughout
        FormulaArgument& r = *result;
        r.changedFrom = std::min(r.changedFrom, start);
        if (resumed && start >= end)
            return;  // nothing recomputed: the carried states stand
        bool known = end >= first + 2 && end >= 2;
        if (known && end - 2 < start) {
            if (resumed && end - 2 + 1 == start)
                keep[0] = before;
            else
                known = false;
        }
        r.carriedEnd = known ? end : 0u;
        r.carried[0] = keep[0];
        r.carried[1] = keep[1];
    }
};

// A RecursionLoop left waiting (FormulaContext::PendingJob). A group of
// waiting recursions advances interleaved: the last of the group in the order
// of the blocks leads and runs the others (which follow) over the blocks the
// scheduler gave them.
struct RecursionJob : FormulaContext::PendingJob {
    RecursionLoop loop;
    static constexpr int kMostInGroup = 4;
    RecursionJob* group[kMostInGroup - 1] = {};  // the followers of a lead
    int followers = 0;
    bool follows = false;
    uint32_t windowBegin = 0, windowEnd = 0;        // a follower's block this round
    FormulaContext::SlicedJobs* between = nullptr;  // a lead's, this round (or none)

    explicit RecursionJob(const RecursionLoop& l) : loop(l) {}
    void run(uint32_t b0, uint32_t e0) override;
    void finish() override { loop.finish(); }
};

// y := a*y + b*x, carried in double, for a recursive average whose parameters
// are constant (no division on the bar-to-bar chain); a candidate that is a
// marker leaves y unchanged. Resumes as resumableRecursion does. A long loop
// of a step that may defer waits in the context (FormulaContext::PendingJob).
inline ArgumentPtr linearRecursion(FormulaContext* ctx, const ArgumentPtr& data, double a, double b, uint32_t changed)
{
    const DataSeries x = dataOf(ctx, data);
    changed = std::min(changed, x.arg->changedFrom);
    changed = recursionRestart(ctx, changed);
    SeriesUpdate u = seriesToUpdate(ctx, x.first, x.end, x.arg->values.size(), changed);
    ArgumentPtr r = std::move(u.result);
    RecursionLoop j;
    j.result = r.get();
    j.out = r->values.data();
    j.x = x.v;
    j.a = a;
    j.b = b;
    j.end = x.end;
    float* out = j.out;
    const bool waits = !ctx->pending.empty() && ctx->isPending(x.arg.get());
    const bool defer = ctx->mayDefer(x.end > u.from ? x.end - u.from : 0);
    if (waits && !defer)
        ctx->runPending();
    uint32_t k = x.end;
    if (!waits || !defer) {
        k = markBeforeFirstQualifying(*x.arg, out);
    } else {
        // The data's bars before the first changed one are already written.
        const uint32_t begin = x.arg->rangeBegin();
        k = begin;
        while (k < u.from && k < x.end && !isQualifying(x.v[k]))
            ++k;
        std::fill(out + begin, out + k, kInvalidValue);
    }
    j.found = k < u.from || !waits || !defer;
    j.first = k;
    j.start = k;
    j.y = k < x.end && j.found ? static_cast<double>(x.v[k]) : 0.0;
    const uint32_t oldEnd = r->carriedEnd;
    j.resumed = j.found && oldEnd != 0 && u.from > k && (u.from == oldEnd || u.from + 1 == oldEnd);
    if (j.resumed) {
        j.start = u.from;
        j.y = r->carried[u.from == oldEnd ? 1 : 0];
    }
    j.before = j.y;
    j.next = j.found ? j.start : k;
    r->changedFrom = std::min(r->changedFrom, j.next);
    if (defer && j.next < j.end) {
        auto waiting = std::make_unique<RecursionJob>(j);
        waiting->result = r;
        waiting->inputs[0] = x.arg;
        waiting->from = j.next;
        waiting->end = j.end;
        ctx->pending.push_back(std::move(waiting));
        return r;
    }
    if (!j.found)
        j.seekFirst(j.end);
    if (j.found)
        j.advance(j.end);
    j.finish();
    return r;
}

// mema and expmema: a recursive average seeded at the absolute bar n - 1.
// With n := N at bar i, the bar holds the marker while n is below 1 or a
// marker, or while i < n - 1; the bar i = n - 1 exactly (when it is not before
// X's first qualifying bar k) takes the seed, the mean of X's qualifying values
// from k to i (leading markers stay out of it, and with N = 1 the seed is the
// bar itself); every other bar y := update(y, x, n) unless that is a marker.
// When k lies beyond n - 1, or N is fractional so that no bar meets n - 1, no
// seed is taken and the recursion runs on from X's value at k.
template <typename Update>
bool seededAverage(FormulaContext* ctx, Update update)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& period = *args[1];
    const DataSeries x = dataOf(ctx, args[0]);
    double seedSum = 0.0;
    uint32_t seedCount = 0;
    ctx->push(recursion<float>(x, [&](uint32_t i, float xi, float& y) {
        if (isQualifying(xi)) {
            seedSum += xi;
            ++seedCount;
        }
        const float n = period.at(i);
        const float bar = countToFloat(i);
        if (n < 1.0f || isMarker(n) || bar < n - 1.0f)
            return kInvalidValue;
        if (bar == n - 1.0f) {
            y = static_cast<float>(seedSum / seedCount);
        } else {
            takeUnlessMarker(y, update(y, xi, n));
        }
        return y;
    }));
    return true;
}

}  // namespace windowkernels
