#include "seriesrules.h"

#include <algorithm>

Span window(const FormulaArgument& x, uint32_t i, uint32_t k)
{
    const float* base = x.values.data();
    if (x.literal)
        return {base, base + x.values.size()};
    const std::size_t held = x.values.size();
    std::size_t from = windowStart(x, i, k);
    std::size_t last = std::max(x.firstValid, i);  // inclusive
    std::size_t to = std::min<std::size_t>(last + 1, held);
    if (from > to)
        from = to;
    return {base + from, base + to};
}

uint32_t firstQualifyingBar(const FormulaArgument& x, uint32_t start)
{
    if (x.literal)
        return 0;
    const uint32_t from = std::max(start, x.firstValid);
    const uint32_t end = x.rangeEnd();
    const float* v = x.values.data();
    for (uint32_t i = from; i < end; ++i) {
        if (isQualifying(v[i]))
            return i;
    }
    return std::max(from, end);
}

uint32_t markBeforeFirstQualifying(const FormulaArgument& x, float* out)
{
    const uint32_t k = firstQualifyingBar(x);
    std::fill(out + x.rangeBegin(), out + k, kInvalidValue);
    return k;
}

BarRange commonRange(const ArgumentPtr* args, std::size_t n)
{
    BarRange r{0, kUnboundedEnd};
    for (std::size_t i = 0; i < n; ++i) {
        r.begin = std::max(r.begin, args[i]->rangeBegin());
        r.end = std::min(r.end, args[i]->rangeEnd());
    }
    return r;
}

void shapeResult(FormulaArgument& r, uint32_t first, uint32_t end)
{
    roomFor(r.values, end);
    r.values.resize(end, 0.0f);
    r.firstValid = first;
    r.endBar = end;
}

ArgumentPtr dataSeries(const FormulaContext* ctx, const ArgumentPtr& x)
{
    if (!x || !x->literal)
        return x;
    return seriesOfLength(x, ctx ? ctx->barCount : 0u);
}
