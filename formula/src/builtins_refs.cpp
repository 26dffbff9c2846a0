// References to other bars: ref and refv look back N bars, refx and refxv
// look forward, last tests that X held on every bar of a span. A reference
// never reads outside X's meaningful bars: before the first valid bar ref
// takes the first valid value and refv gives the marker; past the end refx
// takes the last value and refxv gives the marker.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "builtins.h"
#include "seriesrules.h"
#include "windowkernels.h"

namespace {

enum class Direction { Back, Forward };

// clamp: out-of-range references take the nearest meaningful value instead of
// the marker.
template <Direction dir, bool clamp>
bool reference(FormulaContext* ctx, const ArgumentPtr& xArg, const FormulaArgument& n)
{
    const FormulaArgument& x = *xArg;
    const uint32_t xFirst = x.rangeBegin();
    const uint32_t xEnd = x.rangeEnd();
    const BarRange range = commonRange(x, n);
    if (range.end < range.begin)
        return false;
    const bool constantBack =
        n.literal && !isInvalid(n.literalValue()) && dir == Direction::Back && saturatingInt32(n.literalValue()) >= 0;
    // A look-back resumes the step's last result from the first changed bar:
    // a bar reads its own N and a bar at or before it (or the first valid
    // bar), all of them before that bar when the bar lies before it.
    uint32_t from = range.begin;
    ArgumentPtr r;
    if (dir == Direction::Back) {
        SeriesUpdate u = seriesToUpdate(ctx, range.begin, range.end, range.end, std::min(x.changedFrom, n.changedFrom));
        r = std::move(u.result);
        from = u.from;
    } else {
        r = makeSeriesToWrite(range.begin, range.end);
    }
    float* out = r->values.data();
    const float* v = x.values.data();
    if (range.end == range.begin) {
        ctx->push(std::move(r));
        return true;
    }
    const float firstValue = v[xFirst];
    const float lastValue = v[xEnd - 1];
    auto at = [&](uint32_t i, float nv) -> float {
        if (isInvalid(nv))
            return kInvalidValue;
        const int64_t k = saturatingInt32(nv);
        if (dir == Direction::Back) {
            if (k < 0)
                return clamp ? firstValue : kInvalidValue;
            const int64_t src = static_cast<int64_t>(i) - k;
            if (src < static_cast<int64_t>(xFirst))
                return clamp ? firstValue : kInvalidValue;
            return v[src];
        }
        if (k < 0)
            return clamp ? firstValue : kInvalidValue;
        const int64_t src = static_cast<int64_t>(i) + k;
        if (src >= static_cast<int64_t>(xEnd))
            return clamp ? lastValue : kInvalidValue;
        return v[src];
    };
    if (constantBack) {
        // A constant look-back: a fill, then a straight copy.
        const uint32_t k = static_cast<uint32_t>(saturatingInt32(n.literalValue()));
        uint32_t i = from;
        for (; i < range.end && static_cast<uint64_t>(i) < static_cast<uint64_t>(xFirst) + k; ++i)
            out[i] = clamp ? firstValue : kInvalidValue;
        for (; i < range.end; ++i)
            out[i] = v[i - k];
    } else {
        for (uint32_t i = from; i < range.end; ++i)
            out[i] = at(i, n.at(i));
    }
    ctx->push(std::move(r));
    return true;
}

}  // namespace

bool builtinRef(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    if (args[0]->literal) {
        ctx->push(makeLiteralNumber(args[0]->literalValue()));
        return true;
    }
    return reference<Direction::Back, true>(ctx, args[0], *args[1]);
}

bool builtinRefv(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    return reference<Direction::Back, false>(ctx, dataSeries(ctx, args[0]), *args[1]);
}

bool builtinRefx(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    return reference<Direction::Forward, true>(ctx, dataSeries(ctx, args[0]), *args[1]);
}

bool builtinRefxv(FormulaContext* ctx)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    return reference<Direction::Forward, false>(ctx, dataSeries(ctx, args[0]), *args[1]);
}

bool builtinLast(FormulaContext* ctx)
{
    ArgumentPtr args[3];
    if (!ctx->popArgs(args, 3))
        return false;
    const FormulaArgument& x = *args[0];
    const FormulaArgument& fa = *args[1];
    const FormulaArgument& fb = *args[2];
    if (answeredForLiteral(ctx, x, [](float v) { return isInvalid(v) ? kInvalidValue : (v != 0.0f ? 1.0f : 0.0f); }))
        return true;
    ArgumentPtr r = makeResultToWrite(x);
    float* out = r->values.data();
    const uint32_t first = x.firstValid;
    const uint32_t end = x.rangeEnd();
    if (end > first) {
        // held[j - first]: bars in [first, j) whose value is neither 0 nor +infinity.
        ScratchVector<uint32_t> held(static_cast<std::size_t>(end - first) + 1);
        held[0] = 0;
        for (uint32_t j = first; j < end; ++j) {
            const float v = x.values[j];
            held[j - first + 1] = held[j - first] + ((v != 0.0f && !isInvalid(v)) ? 1u : 0u);
        }
        for (uint32_t i = first; i < end; ++i) {
            const int64_t s = static_cast<int64_t>(i) - saturatingInt32(fa.at(i));
            const int64_t e = static_cast<int64_t>(i) - saturatingInt32(fb.at(i));
            float result = 0.0f;
            if (s >= 0 && e >= 0) {
                const int64_t need = e - s + 1;
                if (need == 0)
                    result = 1.0f;  // an empty span always holds
                else if (need > 0 && s >= static_cast<int64_t>(first) && e < static_cast<int64_t>(end))
                    result = (held[e - first + 1] - held[s - first]) == need ? 1.0f : 0.0f;
            }
            out[i] = result;
        }
    }
    ctx->push(std::move(r));
    return true;
}
