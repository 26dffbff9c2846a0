// Sums, products and moving averages over windows of N bars, and the
// recursive averages mema, sma and tma. With a constant N the window sums and
// products run through the block kernels (cost independent of N, accumulated
// in double); a bar-varying N takes the direct window loop.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtins.h"
#include "seriesrules.h"
#include "windowkernels.h"

using windowkernels::dataOf;
using windowkernels::DataSeries;
using windowkernels::seriesByPeriod;

namespace {

// Windows up to this length are multiplied directly.
constexpr uint32_t kDirectProduct = 64;

double windowProduct(const float* v, uint32_t from, uint32_t to)
{
    double p = 1.0;
    for (uint32_t j = from; j <= to; ++j)
        p *= v[j];
    return p;
}

}  // namespace

namespace {

// Window sums by the block kernel, emitted from bar from on.
template <typename Emit>
void blockSums(const DataSeries& x, uint32_t k, uint32_t from, Emit emit)
{
    ScratchVector<double> scratch;
    windowkernels::slidingAggregateFrom<double>(
        x.v, x.first, x.end, k, 0.0, [](double a, double b) { return a + b; }, scratch, from, emit);
}

}  // namespace

bool builtinMa(FormulaContext* ctx)
{
    if (ctx->stack.size() >= 2 && ctx->stack.back()->literal) {
        const float n = atLeastOne(ctx->stack.back()->literalValue());
        const uint32_t ready = firstReachedBar(n);
        const uint32_t k = windowLength(n);
        const double inv = 1.0 / k;
        if (k <= windowkernels::kRunningWindow)
            return windowkernels::constantWindowSums<false>(
                ctx, k,
                [ready, k, inv](float* out, uint32_t i, double s, double, uint32_t count, double c) {
                    out[i] = i >= ready ? static_cast<float>((count == k ? s * inv : s / count) + c) : kInvalidValue;
                },
                [ready, k](const DataSeries& x, uint32_t from, float* out) {
                    blockSums(x, k, from, [out, ready](uint32_t i, double sum, uint32_t count) {
                        out[i] = i >= ready ? static_cast<float>(sum / count) : kInvalidValue;
                    });
                    return from;
                });
    }
    return windowkernels::windowAverage(
        ctx,
        [](const DataSeries& x, uint32_t k, auto put) {
            if (k <= windowkernels::kRunningWindow && windowkernels::allFinite(x.v, x.first, x.end)) {
                const double inv = 1.0 / k;
                windowkernels::runningWindows<false>(
                    x.v, x.first, x.end, k, [&put, k, inv](uint32_t i, double s1, double, uint32_t n, double c) {
                        put(i, static_cast<float>((n == k ? s1 * inv : s1 / n) + c));
                    });
                return;
            }
            ScratchVector<double> scratch;
            windowkernels::slidingSum(x.v, x.first, x.end, k, scratch, [&put](uint32_t i, double sum, uint32_t count) {
                put(i, static_cast<float>(sum / count));
            });
        },
        [](const windowkernels::ShiftedPrefix& sums, uint32_t from, uint32_t i) {
            return static_cast<float>(sums.mean(from, i, false));
        });
}

namespace {

// Weighted window sums Σ w·x with weights 1 (oldest) … L (newest) over the
// windows of k >= 1 bars ending at each bar of [first, end), in O(bars): a
// window is a suffix of the previous block, whose weighted sum from each start
// is built backwards, plus a prefix of the current block, whose weights are
// those of the prefix shifted by the suffix length. Only additions and
// multiplications by weights. emit(i, weighted sum, window length).
template <typename Emit>
void slidingWeightedSum(const float* x, uint32_t first, uint32_t end, uint32_t k, Emit emit)
{
    if (end <= first || k == 0)
        return;
    const uint32_t firstBlockEnd = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(first) + k, end));
    {
        double p1 = 0.0;
        for (uint32_t i = first; i < firstBlockEnd; ++i) {
            p1 += static_cast<double>(i - first + 1) * x[i];
            emit(i, p1, i - first + 1);
        }
    }
    if (firstBlockEnd >= end)
        return;
    // a0[t], a1[t]: plain and weighted sums of the previous block from its t-th bar.
    ScratchVector<double> a0(static_cast<std::size_t>(k) + 1, 0.0), a1(static_cast<std::size_t>(k) + 1, 0.0);
    for (uint64_t b = static_cast<uint64_t>(first) + k; b < end; b += k) {
        const uint32_t base = static_cast<uint32_t>(b);
        for (uint32_t t = k; t-- > 0;) {
            a0[t] = a0[t + 1] + x[base - k + t];
            a1[t] = a1[t + 1] + a0[t];
        }
        const uint32_t blockEnd = static_cast<uint32_t>(std::min<uint64_t>(b + k, end));
        double p0 = 0.0, p1 = 0.0;
        for (uint32_t i = base; i < blockEnd; ++i) {
            p0 += x[i];
            p1 += static_cast<double>(i - base + 1) * x[i];
            const uint32_t t = i - base + 1;  // suffix starts at the previous block's t-th bar
            const uint32_t suffixLength = k - t;
            const double w = suffixLength ? a1[t] + p1 + suffixLength * p0 : p1;
            emit(i, w, k);
        }
    }
}

}  // namespace

bool builtinWma(FormulaContext* ctx)
{
    auto weightSum = [](uint64_t length) { return static_cast<double>(length * (length + 1) / 2); };
    return windowkernels::windowAverage(
        ctx,
        [weightSum](const DataSeries& x, uint32_t k, auto put) {
            slidingWeightedSum(x.v, x.first, x.end, k, [&](uint32_t i, double w, uint32_t length) {
                put(i, static_cast<float>(w / weightSum(length)));
            });
        },
        [](const windowkernels::ShiftedPrefix& sums, uint32_t from, uint32_t i) {
            return static_cast<float>(sums.mean(from, i, true));
        });
}

bool builtinSum(FormulaContext* ctx)
{
    if (ctx->stack.size() >= 2 && ctx->stack.back()->literal) {
        // A constant window of at least one bar: running sums like ma's.
        const float n = ctx->stack.back()->literalValue();
        const uint32_t k = n < 0.0f ? 0u : windowLength(n);
        // The plain running sums are taken about c = 0 and start at +0, so
        // they are never -0 and s + c would be s: the bar takes s itself.
        if (k != 0)
            return windowkernels::constantWindowSums<false>(
                ctx, k,
                [](float* out, uint32_t i, double s, double, uint32_t, double) { out[i] = static_cast<float>(s); },
                [k](const DataSeries& x, uint32_t from, float* out) {
                    blockSums(x, k, from,
                              [out](uint32_t i, double sum, uint32_t) { out[i] = static_cast<float>(sum); });
                    return from;
                });
    }
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        if (period.literal && period.literalValue() == 0.0f) {
            // Running sum of the qualifying values; nothing summed yet is no value.
            const uint32_t start = markBeforeFirstQualifying(*x.arg, out);
            double acc = 0.0;
            for (uint32_t i = start; i < x.end; ++i) {
                if (isQualifying(x.v[i]))
                    acc += x.v[i];
                out[i] = static_cast<float>(acc);
            }
        } else if (period.literal) {
            const float n = period.literalValue();
            // A negative N is i + 1 bars at bar i: the whole history, as is k = 0.
            const uint32_t k = n < 0.0f ? 0u : windowLength(n);
            ScratchVector<double> scratch;
            windowkernels::slidingSum(x.v, x.first, x.end, k == 0 ? 0xFFFFFFFFu : k, scratch,
                                      [out](uint32_t i, double sum, uint32_t) { out[i] = static_cast<float>(sum); });
        } else {
            windowkernels::ShiftedPrefix sums;
            sums.build(x);
            for (uint32_t i = x.first; i < x.end; ++i) {
                float n = period.at(i);
                if (n < 0.0f)
                    n = countToFloat(i + 1);
                out[i] = static_cast<float>(sums.sum(windowStart(x.first, i, windowLength(n)), i));
            }
        }
    });
}

// sumbars(X, A): the backward sums are differences of prefix sums in double,
// P[j + 1] - P[k]. The first k from j down where the sum reaches A is the
// largest k with P[k] <= P[j + 1] - A; only the bars whose prefix is below
// every later one can be it, and they form a stack with rising prefixes, so a
// binary search finds it: O(bars log bars) whatever the data and threshold.
// A value that is not finite ends the finite stretch: +infinity reaches any
// threshold there, NaN makes every later comparison fail (the marker), and
// -infinity holds the sum at -infinity down to bar 0 unless a +infinity or
// NaN further back turns it into NaN.
bool builtinSumbars(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& threshold = *args[1];
    const DataSeries x = dataOf(ctx, args[0]);
    if (x.end < x.first)
        return false;
    ArgumentPtr r = makeResultLike(*x.arg);
    float* out = r->values.data();
    const uint32_t end = x.end;
    // prefix[k]: sum of the finite values of bars 0 .. k - 1; lastOdd: the
    // last bar so far that is not finite; risesOrNaN[k]: bars before k that
    // hold +infinity or NaN.
    ScratchVector<double> prefix(static_cast<std::size_t>(end) + 1);
    ScratchVector<uint32_t> risesOrNaN(static_cast<std::size_t>(end) + 1);
    ScratchVector<uint32_t> stack(static_cast<std::size_t>(end) + 1);
    prefix[0] = 0.0;
    risesOrNaN[0] = 0;
    std::size_t depth = 0;
    uint32_t lastOdd = kUnboundedEnd;
    for (uint32_t j = 0; j < end; ++j) {
        const float v = x.v[j];
        const bool finite = std::isfinite(v);
        prefix[j + 1] = prefix[j] + (finite ? v : 0.0);
        risesOrNaN[j + 1] = risesOrNaN[j] + ((std::isnan(v) || v == kInvalidValue) ? 1u : 0u);
        if (!finite)
            lastOdd = j;
        // Candidate start bar j: drops every earlier start whose prefix is not lower.
        while (depth > 0 && prefix[stack[depth - 1]] >= prefix[j])
            --depth;
        stack[depth++] = j;
        if (j <= x.first)
            continue;
        const double a = threshold.at(j);
        if (std::isnan(a)) {
            out[j] = kInvalidValue;  // no comparison with NaN holds
            continue;
        }
        // Largest stacked k with P[j + 1] - P[k] >= a: the sums fall along the stack.
        const double total = prefix[j + 1];
        std::size_t lo = 0, hi = depth;
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (total - prefix[stack[mid]] >= a)
                lo = mid + 1;
            else
                hi = mid;
        }
        const uint32_t odd = lastOdd;  // last non-finite bar <= j
        uint32_t k = kUnboundedEnd;
        if (lo > 0 && (odd == kUnboundedEnd || stack[lo - 1] > odd))
            k = stack[lo - 1];
        float result = kInvalidValue;
        if (k == kUnboundedEnd && odd != kUnboundedEnd) {
            const float w = x.v[odd];
            if (std::isnan(w) || (w < 0.0f && a != -INFINITY && risesOrNaN[odd] != 0))
                result = kInvalidValue;
            else if (w > 0.0f || a == -INFINITY)
                k = odd;
            else
                result = countToFloat(j);  // -infinity down to bar 0: A > s there
        } else if (k == kUnboundedEnd) {
            result = countToFloat(j);  // bar 0 reached below A
        }
        if (k != kUnboundedEnd)
            result = k == j ? 0.0f : (k == 0 ? countToFloat(j) : countToFloat(j - k + 1));
        out[j] = result;
    }
    ctx->push(std::move(r));
    return true;
}

bool builtinMular(FormulaContext* ctx)
{
    return seriesByPeriod(ctx, [](const DataSeries& x, const FormulaArgument& period, float* out) {
        const uint32_t start = markBeforeFirstQualifying(*x.arg, out);
        if (start < x.end) {
            if (period.literal) {
                const float n = period.literalValue();
                const uint32_t k = n > 0.0f ? windowLength(n) : 0u;
                ScratchVector<double> scratch;
                windowkernels::slidingProduct(x.v, x.first, x.end, k == 0 ? 0xFFFFFFFFu : k, scratch,
                                              [out, start](uint32_t i, double p, uint32_t) {
                                                  if (i >= start)
                                                      out[i] = static_cast<float>(p);
                                              });
            } else {
                // A bar-varying N: short windows are multiplied directly, longer
                // ones through a product tree over the bars (O(log bars) each).
                ScratchVector<double> tree;
                const uint32_t first = x.first;
                const std::size_t bars = x.end - first;
                auto treeProduct = [&](uint32_t from, uint32_t to) {
                    if (tree.empty()) {
                        tree.resize(2 * bars);
                        for (std::size_t j = 0; j < bars; ++j)
                            tree[bars + j] = x.v[first + j];
                        for (std::size_t j = bars; j-- > 1;)
                            tree[j] = tree[2 * j] * tree[2 * j + 1];
                    }
                    double p = 1.0;
                    for (std::size_t lo = from - first + bars, hi = to - first + 1 + bars; lo < hi; lo /= 2, hi /= 2) {
                        if (lo & 1)
                            p *= tree[lo++];
                        if (hi & 1)
                            p *= tree[--hi];
                    }
                    return p;
                };
                double history = 1.0;
                for (uint32_t i = first; i < x.end; ++i) {
                    history *= x.v[i];
                    if (i < start)
                        continue;
                    const float n = period.at(i);
                    const uint32_t from = windowStart(first, i, n > 0.0f ? windowLength(n) : 0u);
                    double p;
                    if (from == first)
                        p = history;
                    else if (i - from < kDirectProduct)
                        p = windowProduct(x.v, from, i);
                    else
                        p = treeProduct(from, i);
                    out[i] = static_cast<float>(p);
                }
            }
        }
    });
}

bool builtinMema(FormulaContext* ctx)
{
    return windowkernels::seededAverage(ctx, [](float y, float x, float n) { return ((n - 1.0f) * y + x) / n; });
}

bool builtinSma(FormulaContext* ctx)
{
    ArgumentPtr args[3];
    if (!ctx->popArgs(args, 3))
        return false;
    const FormulaArgument& period = *args[1];
    const FormulaArgument& weight = *args[2];
    if (period.literal && weight.literal) {
        const float n = period.literalValue();
        if (!(n < 1.0f || isMarker(n))) {
            // Constant parameters: y := a*y + b*x in double, no division per bar.
            const double m = weight.literalValue();
            ctx->push(windowkernels::linearRecursion(ctx, args[0], (n - m) / n, m / static_cast<double>(n),
                                                     std::min(period.changedFrom, weight.changedFrom)));
            return true;
        }
    }
    ctx->runPending();  // the general path reads its arguments' values
    ctx->push(windowkernels::recursion<float>(dataOf(ctx, args[0]), [&](uint32_t i, float xi, float& y) {
        const float n = period.at(i);
        if (n < 1.0f || isMarker(n))
            return kInvalidValue;  // y unchanged
        const float m = weight.at(i);
        takeUnlessMarker(y, ((n - m) * y + xi * m) / n);
        return y;
    }));
    return true;
}

// tma: a weight A or B of 1 or more at any bar from X's first qualifying bar
// on fails the call.
bool builtinTma(FormulaContext* ctx)
{
    ArgumentPtr args[3];
    if (!ctx->popArgs(args, 3))
        return false;
    const FormulaArgument& fa = *args[1];
    const FormulaArgument& fb = *args[2];
    const DataSeries x = dataOf(ctx, args[0]);
    for (uint32_t i = firstQualifyingBar(*x.arg); i < x.end; ++i) {
        if (fa.at(i) >= 1.0f || fb.at(i) >= 1.0f)
            return false;
    }
    ctx->push(windowkernels::recursion<float>(x, [&](uint32_t i, float xi, float& y) {
        takeUnlessMarker(y, xi * fb.at(i) + fa.at(i) * y);
        return y;
    }));
    return true;
}
