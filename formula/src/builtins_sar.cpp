// Parabolic stop-and-reverse: sar computes the line from the high and low
// series, sarturn marks the bars where the close crosses it. Both fetch their
// price series by name, so a formula passes only the three parameters.

#include <algorithm>
#include <array>
#include <cstdint>

#include "builtins.h"
#include "seriesrules.h"

// sar(N, S, M): N opening bars, acceleration step S and cap M in percent; all
// three literals. The line is +infinity before bar N - 1. The bars computed are
// bounded by the shortest of high, low and the run's bar count.
bool builtinSar(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    if (!args[0]->literal || !args[1]->literal || !args[2]->literal)
        return false;
    ArgumentPtr high;
    ArgumentPtr low;
    if (!ctx->fetchName("H", high) || !ctx->fetchName("L", low))
        return false;
    const int32_t opening = saturatingInt32(args[0]->literalValue());
    const float step = args[1]->literalValue() / 100.0f;
    const float cap = args[2]->literalValue() / 100.0f;
    ArgumentPtr r = makeInvalidSeries(ctx->barCount);
    const std::size_t len = std::min({high->values.size(), low->values.size(), r->values.size()});
    if (opening < 1 || static_cast<std::size_t>(opening) > len)
        return false;
    const std::size_t n = static_cast<std::size_t>(opening);
    const float* h = high->values.data();
    const float* l = low->values.data();
    float* out = r->values.data();

    // Opening window: lowest low and highest high, each starting from the
    // first value that is not +infinity.
    float lo = kInvalidValue;
    float hi = kInvalidValue;
    for (std::size_t j = 0; j < n; ++j) {
        lo = isInvalid(lo) ? l[j] : std::min(lo, l[j]);
        hi = isInvalid(hi) ? h[j] : std::max(hi, h[j]);
    }
    out[n - 1] = lo;

    float af = step;
    float ep = hi;
    bool rising = true;
    for (std::size_t i = n; i < len; ++i) {
        const float hv = h[i], h1 = h[i - 1], lv = l[i], l1 = l[i - 1];
        const float prev = out[i - 1];
        const float e0 = ep;
        float sar;
        if (rising) {
            if (prev > lv) {
                rising = false;
                af = step;
                ep = lv;
                sar = std::max(std::max(hv, h1), (lv - e0) * af + e0);
            } else {
                if (hv > ep) {
                    ep = hv;
                    af = std::min(af + step, cap);
                }
                sar = std::min(std::min(lv, l1), (ep - prev) * af + prev);
            }
        } else {
            if (hv > prev) {
                rising = true;
                af = step;
                ep = hv;
                sar = std::min(std::min(lv, l1), (hv - e0) * af + prev);
            } else {
                if (ep > lv) {
                    ep = lv;
                    af = std::min(af + step, cap);
                }
                sar = std::max(std::max(hv, h1), (ep - prev) * af + prev);
            }
        }
        out[i] = sar;
    }
    ctx->push(std::move(r));
    return true;
}

// sarturn(N, S, M): +1 where the close moves above the line, -1 where it falls
// below, 0 elsewhere; the first bar of the line carries the line value.
bool builtinSarturn(FormulaContext* ctx)
{
    if (!builtinSar(ctx))
        return false;
    ArgumentPtr line;
    if (!ctx->pop(line))
        return false;
    ArgumentPtr close;
    if (!ctx->fetchName("C", close))
        return false;
    ArgumentPtr r = makeResultLike(*close);
    const float* rv = line->values.data();
    const float* q = close->values.data();
    float* out = r->values.data();
    const std::size_t lineLen = line->values.size();
    const std::size_t len = std::min(close->values.size(), lineLen);  // == r's values
    std::size_t k = 0;
    while (k < lineLen && isInvalid(rv[k]))
        ++k;
    std::fill(out, out + std::min(k, r->values.size()), kInvalidValue);
    if (k < len) {
        out[k] = rv[k];
        bool above = q[k] > rv[k];
        for (std::size_t i = k + 1; i < len; ++i) {
            const float c = q[i];
            const float v = rv[i];
            if (v > c && above)
                out[i] = -1.0f;
            else
                out[i] = (c > v && !above) ? 1.0f : 0.0f;
            above = c > v;
        }
    }
    ctx->push(std::move(r));
    return true;
}
