// Series rules shared by the builtins: markers, the saturating float-to-int
// conversion, windows of N bars, the first qualifying bar, common ranges and
// the data series of a builtin.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "formulaargument.h"
#include "formulacontext.h"
#include "saturatingcast.h"

// ---- markers ----

// Exactly the no-value marker (+infinity); a NaN or -infinity is not.
inline bool isInvalid(float v)
{
    return v == kInvalidValue;
}
// Either marker (exact, ordered equality; a NaN equals neither).
inline bool isMarker(float v)
{
    return v == kInvalidValue || v == kContinuousValue;
}
// Neither marker.
inline bool isQualifying(float v)
{
    return !isMarker(v);
}
// A condition that holds and has a value: nonzero and neither marker.
inline bool isQualifyingTrue(float v)
{
    return v != 0.0f && isQualifying(v);
}

// ---- conversions ----

// The one float-to-int conversion of the engine: truncation toward zero,
// saturated to the int32 range; NaN gives 0. Never an undefined cast.
inline int32_t saturatingInt32(double v)
{
    return tarvolin::saturatingCast<int32_t>(v);
}

// The same conversion taken as an unsigned 32-bit number (a negative value
// wraps, as the window rule wants: -2 gives 2^32-2).
inline uint32_t saturatingUInt32Bits(double v)
{
    return static_cast<uint32_t>(saturatingInt32(v));
}

// Truncation to the uint32 range: NaN and negatives give 0, values past the
// range give 2^32-1.
inline uint32_t saturatingUInt32(double v)
{
    return tarvolin::saturatingCast<uint32_t>(v);
}

// A count, distance or bar index as a float (through double: exact up to 2^24).
inline float countToFloat(uint32_t n)
{
    return static_cast<float>(static_cast<double>(n));
}

// A period N of the window averages taken as at least one bar (a NaN counts as 1).
inline float atLeastOne(float n)
{
    return n > 1.0f ? n : 1.0f;
}

// The period test of the window averages: bar i has at least N - 1 bars
// before it, compared in single precision (a NaN N passes).
inline bool periodReached(uint32_t i, float n)
{
    return !(countToFloat(i) < n - 1.0f);
}

// The first bar that passes periodReached for a constant n (the test holds
// from that bar on); 2^32-1 when none does.
inline uint32_t firstReachedBar(float n)
{
    if (periodReached(0, n))
        return 0;
    const double guess = std::ceil(static_cast<double>(n - 1.0f));
    if (!(guess < 4294967295.0))
        return std::numeric_limits<uint32_t>::max();
    uint32_t r = static_cast<uint32_t>(guess);
    while (r > 0 && periodReached(r - 1, n))
        --r;
    while (r < std::numeric_limits<uint32_t>::max() && !periodReached(r, n))
        ++r;
    return r;
}

// ---- windows ----

// A half-open span of an argument's values.
struct Span {
    const float* begin;
    const float* end;
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
    bool empty() const { return begin == end; }
};

// The window length k of a bar-count value N: truncated toward zero, taken as
// unsigned (0, fractions below 1 and negatives reach back to the first valid bar).
inline uint32_t windowLength(float n)
{
    return saturatingUInt32Bits(n);
}

// A builtin that answers a literal X with a literal: when X is one, pushes
// answer(X's value) and says so; otherwise leaves the stack alone.
template <class Answer>
bool answeredForLiteral(FormulaContext* ctx, const FormulaArgument& x, Answer answer)
{
    if (!x.literal)
        return false;
    ctx->push(makeLiteralNumber(answer(x.literalValue())));
    return true;
}

// First bar of the window of k bars ending at bar i of a series whose first
// valid bar is first: max(first, i - min(i, k - 1)), k - 1 in unsigned 32-bit
// arithmetic (k = 0 reaches back to first).
inline uint32_t windowStart(uint32_t first, uint32_t i, uint32_t k)
{
    const uint32_t back = k - 1u;
    const uint32_t from = i - (i < back ? i : back);
    return from > first ? from : first;
}

inline uint32_t windowStart(const FormulaArgument& x, uint32_t i, uint32_t k)
{
    return windowStart(x.firstValid, i, k);
}

// The window of k bars ending at bar i: for a literal all of its values; for a
// series from windowStart to max(first valid bar, i) inclusive. The span is cut
// to the values held (empty when i lies past them).
Span window(const FormulaArgument& x, uint32_t i, uint32_t k);

// ---- first qualifying bar ----

// 0 for a literal; otherwise the first bar i of x's range (first valid bar to
// the end cut to the values held) with i >= start whose value is neither
// marker. When there is none, the end of the range, or the first bar searched
// when the range is empty: the result is never below the first valid bar or
// start, so the bars before it are always a well-formed span.
uint32_t firstQualifyingBar(const FormulaArgument& x, uint32_t start = 0);

// Writes the marker to out over x's bars before its first qualifying bar and
// returns that bar: the bars a recursive average leaves without a value.
uint32_t markBeforeFirstQualifying(const FormulaArgument& x, float* out);

// Takes a computed value into a running state unless it is a marker.
inline void takeUnlessMarker(float& state, float candidate)
{
    if (isQualifying(candidate))
        state = candidate;
}

// ---- ranges ----

struct BarRange {
    uint32_t begin;
    uint32_t end;
    bool empty() const { return end <= begin; }
};

// Range of an argument: [first valid, end) cut to the values held; [0, 2^32-1) for a literal.
inline BarRange rangeOf(const FormulaArgument& x)
{
    return {x.rangeBegin(), x.rangeEnd()};
}

// Largest begin and smallest end of the ranges of n arguments.
BarRange commonRange(const ArgumentPtr* args, std::size_t n);

// The same for two arguments.
inline BarRange commonRange(const FormulaArgument& a, const FormulaArgument& b)
{
    return {std::max(a.rangeBegin(), b.rangeBegin()), std::min(a.rangeEnd(), b.rangeEnd())};
}

// ---- results ----

// Resizes r's values to end elements (added ones 0.0) and sets its bar range.
void shapeResult(FormulaArgument& r, uint32_t first, uint32_t end);

// The data argument of a builtin as a series it can loop over: a literal is
// widened (as a copy) to the context's bar count; a series is returned as it is.
ArgumentPtr dataSeries(const FormulaContext* ctx, const ArgumentPtr& x);

// ---- bar-by-bar functions of three arguments ----

// fn(first, second, third) at every bar of the common range of the three
// arguments, +infinity below it; three literals give a literal. False,
// pushing nothing, when the common range is empty.
template <typename Fn>
bool pushBarByBar3(FormulaContext* ctx, const std::array<ArgumentPtr, 3>& args, Fn fn)
{
    const FormulaArgument& a = *args[0];
    const FormulaArgument& b = *args[1];
    const FormulaArgument& c = *args[2];
    if (a.literal && b.literal && c.literal) {
        ctx->push(makeLiteralNumber(fn(a.literalValue(), b.literalValue(), c.literalValue())));
        return true;
    }
    const BarRange range = commonRange(args.data(), args.size());
    if (range.end < range.begin)
        return false;
    // Bar by bar: the step's last result is resumed from the first changed
    // bar of any argument (the bars below the range stay the marker).
    SeriesUpdate u =
        seriesToUpdate(ctx, range.begin, range.end, range.end, std::min({a.changedFrom, b.changedFrom, c.changedFrom}));
    float* out = u.result->values.data();
    if (u.from <= range.begin)
        std::fill(out, out + range.begin, kInvalidValue);
    const SeriesReader ra = readerOf(a), rb = readerOf(b), rc = readerOf(c);
    for (uint32_t i = u.from; i < range.end; ++i)
        out[i] = fn(ra[i], rb[i], rc[i]);
    ctx->push(std::move(u.result));
    return true;
}

// The same, popping the three arguments first.
template <typename Fn>
bool popBarByBar3(FormulaContext* ctx, Fn fn)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    return pushBarByBar3(ctx, args, fn);
}
