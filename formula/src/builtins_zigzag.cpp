// Zigzag line and its turning points: zig draws straight segments between
// turning points at least a percentage apart; peak, peakbars, trough and
// troughbars report the M-th most recent local maximum or minimum of that line
// (its value, or how many bars ago it lies). These work on the whole values of
// the price series from index 0, not on its bar range.

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "builtins.h"
#include "seriesrules.h"

namespace {

// The price series named by a literal code: 0 open, 1 high, 2 low, 3 close.
const char* priceName(float code)
{
    if (code == 0.0f)
        return "O";
    if (code == 1.0f)
        return "H";
    if (code == 2.0f)
        return "L";
    if (code == 3.0f)
        return "C";
    return nullptr;
}

enum class Leg { Undecided, Rising, Falling };

// The pivot bars of the zigzag of k (at least two values), bar 0 first and the
// last bar last.
void zigPivots(const float* k, uint32_t len, const FormulaArgument& p, ScratchVector<uint32_t>& pivots)
{
    auto q = [&p](uint32_t bar) { return p.at(bar) / 100.0f; };
    pivots.push_back(0);
    Leg leg = Leg::Undecided;
    uint32_t last = 0;
    uint32_t cand = 0;
    for (uint32_t i = 1; i + 1 < len; ++i) {
        switch (leg) {
        case Leg::Undecided:
            if (k[i] >= (q(last) + 1.0f) * k[last]) {
                leg = Leg::Rising;
                cand = i;
            } else if ((1.0f - q(last)) * k[last] >= k[i]) {
                leg = Leg::Falling;
                cand = i;
            }
            break;
        case Leg::Rising:
            if (k[i] >= k[cand]) {
                cand = i;
            } else if ((1.0f - q(cand)) * k[cand] >= k[i]) {
                pivots.push_back(cand);
                last = cand;
                leg = Leg::Falling;
                cand = i;
            }
            break;
        case Leg::Falling:
            if (k[cand] >= k[i]) {
                cand = i;
            } else if (k[i] >= (q(cand) + 1.0f) * k[cand]) {
                pivots.push_back(cand);
                last = cand;
                leg = Leg::Rising;
                cand = i;
            }
            break;
        }
    }
    const uint32_t e = len - 1;
    if (leg == Leg::Rising && k[e] < k[cand])
        pivots.push_back(cand);
    else if (leg == Leg::Falling && k[cand] < k[e])
        pivots.push_back(cand);
    pivots.push_back(e);
}

enum class Turn { Peak, Trough };
enum class Report { Value, Bars };

bool isTurn(const float* z, uint32_t j, Turn turn)
{
    if (turn == Turn::Peak)
        return z[j] > z[j - 1] && z[j] > z[j + 1];
    return z[j] < z[j - 1] && z[j] < z[j + 1];
}

// peak, peakbars, trough and troughbars: (K, P, M), M a literal; a series M
// fails the call, consuming all three arguments.
bool turningPoints(FormulaContext* ctx, Turn turn, Report report)
{
    std::array<ArgumentPtr, 3> args;
    if (!ctx->popArgs(args))
        return false;
    if (!args[2]->literal)
        return false;
    const int32_t count = saturatingInt32(args[2]->literalValue());
    ctx->push(std::move(args[0]));
    ctx->push(std::move(args[1]));
    if (!builtinZig(ctx))
        return false;
    ArgumentPtr line;
    if (!ctx->pop(line))
        return false;
    const float* z = line->values.data();
    const uint32_t n = static_cast<uint32_t>(line->values.size());
    ArgumentPtr r = makeInvalidSeries(n);
    if (count <= 0 || static_cast<uint32_t>(count) > n) {
        // More turning points than bars can never be found.
        ctx->push(std::move(r));
        return true;
    }
    const std::size_t want = static_cast<std::size_t>(count);
    float* out = r->values.data();
    uint32_t s = 0;
    while (s < n && isInvalid(z[s]))
        ++s;
    ++s;
    uint32_t j = s;
    while (j + 1 < n && !isTurn(z, j, turn))
        ++j;
    if (j + 1 >= n) {
        ctx->push(std::move(r));
        return true;
    }
    auto write = [&](uint32_t i, uint32_t oldest) {
        out[i] = report == Report::Value ? z[oldest] : countToFloat(i - oldest);
    };
    std::deque<uint32_t> found{j};
    if (want == 1)
        write(j, j);
    for (uint32_t i = j + 1; i < n; ++i) {
        if (i + 1 < n && isTurn(z, i, turn)) {
            found.push_back(i);
            if (found.size() > want)
                found.pop_front();
        }
        if (found.size() == want)
            write(i, found.front());
    }
    ctx->push(std::move(r));
    return true;
}

}  // namespace

// zig(K, P): the zigzag line of K (a series, or the codes 0-3 for open, high,
// low and close) with reversals of at least P percent. Fewer than two values
// (as any other literal holds) give a line of markers.
bool builtinZig(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    ArgumentPtr k = args[0];
    const FormulaArgument& p = *args[1];
    if (k->literal) {
        if (const char* name = priceName(k->literalValue())) {
            if (!ctx->fetchName(name, k))
                return false;
            // A host that serves the price as a literal gets a constant line.
            k = dataSeries(ctx, k);
        }
        // Any other literal is one value: the line of markers below.
    }
    const uint32_t len = static_cast<uint32_t>(k->values.size());
    ArgumentPtr r = makeInvalidSeries(len);
    if (len < 2) {
        ctx->push(std::move(r));
        return true;
    }
    const float* kv = k->values.data();
    ScratchVector<uint32_t> pivots;
    zigPivots(kv, len, p, pivots);
    float* out = r->values.data();
    for (std::size_t s = 0; s + 1 < pivots.size(); ++s) {
        const uint32_t a = pivots[s];
        const uint32_t b = pivots[s + 1];
        const float slope = (kv[b] - kv[a]) / static_cast<float>(b - a);
        for (uint32_t t = 0; t <= b - a; ++t)
            out[a + t] = static_cast<float>(t) * slope + kv[a];
    }
    ctx->push(std::move(r));
    return true;
}

bool builtinPeak(FormulaContext* ctx)
{
    return turningPoints(ctx, Turn::Peak, Report::Value);
}

bool builtinPeakbars(FormulaContext* ctx)
{
    return turningPoints(ctx, Turn::Peak, Report::Bars);
}

bool builtinTrough(FormulaContext* ctx)
{
    return turningPoints(ctx, Turn::Trough, Report::Value);
}

bool builtinTroughbars(FormulaContext* ctx)
{
    return turningPoints(ctx, Turn::Trough, Report::Bars);
}
