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
    const uint32_t bound = x.endBar > x.firstValid ? x.endBar - x.firstValid : 0u;
    const std::size_t held = x.values.size();
    for (uint32_t i = start; i < bound; ++i) {
        if (i >= held)
            return bound;
        if (isQualifying(x.values[i]))
            return i;
    }
    return bound;
}

BarRange commonRange3(BarRange a, BarRange b, BarRange c)
{
    return {std::max({a.begin, b.begin, c.begin}), std::min({a.end, b.end, c.end})};
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

ArgumentPtr applyBinary(FormulaContext* ctx, bool (*fn)(FormulaContext*), const ArgumentPtr& a, const ArgumentPtr& b)
{
    const std::size_t depth = ctx->stack.size();
    ctx->push(a);
    ctx->push(b);
    if (!fn(ctx)) {
        // A failing builtin may have left its operands; the caller's stack is
        // restored to what it was.
        while (ctx->stack.size() > depth)
            ctx->stack.pop_back();
        return ArgumentPtr();
    }
    ArgumentPtr r;
    if (ctx->stack.size() <= depth || !ctx->pop(r))
        return ArgumentPtr();
    return r;
}
