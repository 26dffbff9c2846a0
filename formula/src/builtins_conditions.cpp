// Condition and signal builtins: between, if, cross, exist, filter, filterx and
// backset. Conditions are 1.0 (true) and 0.0 (false); on input any nonzero
// value is true unless a builtin says otherwise.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "builtins.h"
#include "seriesrules.h"
#include "simdscan.h"

namespace {

float betweenAt(float x, float a, float b)
{
    const float lo = std::min(a, b);
    const float hi = std::max(a, b);
    return (lo <= x && x <= hi) ? 1.0f : 0.0f;
}

float ifAt(float cond, float a, float b)
{
    if (isInvalid(cond))
        return kInvalidValue;
    return cond == 0.0f ? b : a;
}

// The count of filter and filterx: N's first value truncated toward zero; a
// negative count is 0.
uint32_t signalCount(const FormulaArgument& n)
{
    const int32_t v = saturatingInt32(n.at(0));
    return v > 0 ? static_cast<uint32_t>(v) : 0u;
}

}  // namespace

// between(X, A, B): 1 where X lies between A and B, bounds included, in either
// order. Three literals give a literal, as if does.
bool builtinBetween(FormulaContext* ctx)
{
    return popBarByBar3(ctx, [](float x, float a, float b) { return betweenAt(x, a, b); });
}

// if(Cond, A, B): A where Cond is nonzero, B where it is 0, +infinity where
// Cond is +infinity.
bool builtinIf(FormulaContext* ctx)
{
    return popBarByBar3(ctx, [](float cond, float a, float b) { return ifAt(cond, a, b); });
}

// cross(A, B): 1 on a bar where A is above B after being below it on the bar
// before; +infinity where A or B is +infinity. Two literals never cross: 0.
bool builtinCross(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    const FormulaArgument& a = *args[0];
    const FormulaArgument& b = *args[1];
    if (a.literal && b.literal) {
        ctx->push(makeLiteralNumber(isInvalid(a.literalValue()) || isInvalid(b.literalValue()) ? kInvalidValue : 0.0f));
        return true;
    }
    // A bar reads the two bars before and at it: the step's last result is
    // resumed from the first changed bar of either side.
    const FormulaArgument& shape = a.literal ? b : a;
    SeriesUpdate u = seriesToUpdate(ctx, shape.firstValid, shape.endBar, shape.values.size(),
                                    std::min(a.changedFrom, b.changedFrom));
    ArgumentPtr r = std::move(u.result);
    const BarRange range = rangeOf(*r);
    if (u.from < range.end) {
        float* out = r->values.data();
        // Bars that both arguments hold are read without checks and without
        // branches; a shorter series reads as the marker past its values.
        auto held = [](const FormulaArgument& v) {
            return v.literal ? kUnboundedEnd
                             : static_cast<uint32_t>(std::min<std::size_t>(v.values.size(), kUnboundedEnd));
        };
        const uint32_t fastEnd = std::min({range.end, held(a), held(b)});
        const SeriesReader ra = readerOf(a), rb = readerOf(b);
        auto crossAt = [](float pa, float pb, float va, float vb) {
            const float c = (pb > pa && va > vb) ? 1.0f : 0.0f;
            const float d = isInvalid(pb) ? 0.0f : c;
            return (isInvalid(va) || isInvalid(vb)) ? kInvalidValue : d;
        };
        uint32_t i = u.from;
        // The first bar of the range compares with itself (no cross).
        float pa = a.at(i == range.begin ? i : i - 1);
        float pb = b.at(i == range.begin ? i : i - 1);
        if (i < fastEnd) {
            out[i] = crossAt(pa, pb, a.at(i), b.at(i));
            const float* va = a.values.data();
            const float* vb = b.values.data();
            const std::size_t span = fastEnd - i;
            if (!a.literal && !b.literal && !simdscan::holds(va + i, span, kInvalidValue) &&
                !simdscan::holds(vb + i, span, kInvalidValue)) {
                // No marker on either side: four bars per step.
                simdscan::crossings(va, vb, out, i + 1, fastEnd);
                i = fastEnd;
            } else {
                for (++i; i < fastEnd; ++i)
                    out[i] = crossAt(ra[i - 1], rb[i - 1], ra[i], rb[i]);
            }
            pa = ra[i - 1];
            pb = rb[i - 1];
        }
        for (; i < range.end; ++i) {
            const float va = a.at(i);
            const float vb = b.at(i);
            out[i] = crossAt(pa, pb, va, vb);
            pa = va;
            pb = vb;
        }
    }
    ctx->push(std::move(r));
    return true;
}

// exist(X, N): 1 where some bar of the window of N bars ending at the bar has
// X >= 1. Only the last such bar matters, so one pass suffices.
bool builtinExist(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    const FormulaArgument& x = *args[0];
    const FormulaArgument& n = *args[1];
    if (answeredForLiteral(ctx, x, [](float v) { return v >= 1.0f ? 1.0f : 0.0f; }))
        return true;
    ArgumentPtr r = makeResultToWrite(x);
    const BarRange range = rangeOf(*r);
    float* out = r->values.data();
    bool seen = false;
    uint32_t lastHit = 0;
    for (uint32_t i = range.begin; i < range.end; ++i) {
        if (x.values[i] >= 1.0f) {
            seen = true;
            lastHit = i;
        }
        out[i] = (seen && lastHit >= windowStart(x, i, windowLength(n.at(i)))) ? 1.0f : 0.0f;
    }
    ctx->push(std::move(r));
    return true;
}

// filter(X, N): keeps a true bar and clears the N bars after it. N is read
// once; a negative N counts as 0. Values are written at their own bars.
bool builtinFilter(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    const ArgumentPtr x = dataSeries(ctx, args[0]);
    const uint64_t n = signalCount(*args[1]);
    const BarRange range = rangeOf(*x);
    ArgumentPtr r = makeResultLike(*x);
    shapeResult(*r, x->firstValid, range.end);
    float* out = r->values.data();
    const float* in = x->values.data();
    uint64_t i = range.begin;
    while (i < range.end) {
        const float v = in[i];
        if (v != 0.0f && !isInvalid(v)) {
            out[i] = 1.0f;
            i += n + 1;  // the n bars after it keep the result's 0.0
        } else {
            out[i] = v;
            ++i;
        }
    }
    ctx->push(std::move(r));
    return true;
}

// filterx(X, N): scanning from the last bar backward, keeps a true bar and
// clears the N bars before it. A negative N counts as 0. Where fewer than N
// bars precede a true bar, the bars before it stay 0 and the scan ends.
bool builtinFilterx(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    const ArgumentPtr x = dataSeries(ctx, args[0]);
    const int64_t n = signalCount(*args[1]);
    ArgumentPtr r = makeResultLike(*x);
    const BarRange range = rangeOf(*r);
    float* out = r->values.data();
    const float* in = x->values.data();
    const int64_t first = range.begin;
    int64_t i = static_cast<int64_t>(range.end) - 1;
    while (i >= first) {
        if (in[i] == 0.0f) {
            out[i] = 0.0f;
            --i;
            continue;
        }
        out[i] = 1.0f;
        if (i < n)
            break;  // the bars before it lie within N of it and stay 0
        // Bars i-1 down to i-n keep the result's 0.0.
        i -= n + 1;
    }
    ctx->push(std::move(r));
    return true;
}

// backset(X, N): at a true bar, sets the current and N - 1 previous bars to 1.
// A count of 0 or below counts as 1.
bool builtinBackset(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    const FormulaArgument& x = *args[0];
    const FormulaArgument& n = *args[1];
    if (answeredForLiteral(ctx, x, [](float v) { return v != 0.0f ? 1.0f : 0.0f; }))
        return true;
    const BarRange range = rangeOf(x);
    if (range.end < range.begin)
        return false;
    const uint32_t changed = std::min(x.changedFrom, n.changedFrom);
    // The first qualifying bar: the one the last result noted (note - 1)
    // when the inputs changed only after it; when they changed before it,
    // none lies before the first changed bar. Searched for otherwise.
    uint32_t k = 0;
    bool noted = false;
    if (ArgumentPtr was = ctx->takeResumeTarget()) {
        const uint32_t before = was->note - 1;
        if (was->note != 0 && before <= range.end) {
            k = before < changed ? before : firstQualifyingBar(x, changed);
            noted = true;
        }
        ctx->offerResumeTarget(std::move(was));
    }
    if (!noted)
        k = firstQualifyingBar(x);
    // The step's last result is resumed when its first qualifying bar is
    // known (the bars before it and before the first changed bar hold the
    // marker in both runs). A true bar at or after the first changed one, c,
    // set in the last run (or sets now) the bars back to its window start,
    // so the bars that may change begin at the lower of: the start of the
    // run of set bars that ends at c - 1 in the last result (a bar before it
    // was not set, so no bar from c on reached past it), and the lowest
    // window start of the true bars from c on now. Bars from there on depend
    // on the bars from there on only, and are written again.
    SeriesUpdate u = seriesToUpdate(ctx, x.firstValid, range.end, range.end, noted ? changed : 0u);
    ArgumentPtr r = std::move(u.result);
    float* out = r->values.data();
    const uint32_t first = r->firstValid;
    auto lengthAt = [&n](uint32_t i) {
        // A count of 0 or below means one bar; any other count is a window
        // length under the shared rule, so 0 < N < 1 reaches back to the
        // first valid bar.
        float len = n.at(i);
        if (len <= 0.0f)
            len = 1.0f;
        return windowLength(len);
    };
    const uint32_t from = std::max(u.from, k);
    uint32_t lo = from;
    if (from > k) {
        while (lo > k && out[lo - 1] == 1.0f)
            --lo;
        for (uint32_t j = from; j < range.end; ++j)
            if (isQualifyingTrue(x.values[j]))
                lo = std::min(lo, std::max(k, windowStart(first, j, lengthAt(j))));
    }
    // One backward pass keeping the lowest window start seen so far fills
    // every range once, however long the counts.
    uint32_t reach = kUnboundedEnd;  // lowest window start of the true bars after i
    uint32_t differs = kUnchanged;   // the first bar before from written with another value
    for (uint32_t i = range.end; i-- > lo;) {
        if (isQualifyingTrue(x.values[i]))
            reach = std::min(reach, windowStart(first, i, lengthAt(i)));
        const float value = reach <= i ? 1.0f : 0.0f;
        if (i < from && std::memcmp(&out[i], &value, sizeof value) != 0)
            differs = i;
        out[i] = value;
    }
    if (differs != kUnchanged) {
        r->changedFrom = std::min(r->changedFrom, differs);
        // The readers' block extremes hold only the blocks wholly before it.
        if (r->extremes && r->extremes->hi.size() > differs / kExtremeBlock) {
            r->extremes->hi.resize(differs / kExtremeBlock);
            r->extremes->lo.resize(differs / kExtremeBlock);
        }
    }
    // The marker before the first qualifying bar (from the first rewritten
    // bar on when resumed).
    const uint32_t markFrom = u.from > first ? u.from : 0u;
    if (k > markFrom)
        std::fill(out + markFrom, out + std::min<std::size_t>(k, r->values.size()), kInvalidValue);
    r->note = k < kUnboundedEnd ? k + 1 : 0;
    ctx->push(std::move(r));
    return true;
}
