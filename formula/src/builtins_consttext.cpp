// Last-value builtins: const makes a series' last value a literal, con2str
// prints it as text with a chosen number of decimals.

#include <array>
#include <cstdio>

#include "builtins.h"
#include "seriesrules.h"

namespace {

// Largest number of decimals con2str prints; its text is cut at 63
// characters anyway, so more digits could never show.
constexpr int kMaxDecimals = 64;

// The last value of x: a literal's value; for a series the element at
// (end bar - first valid bar - 1). The marker when x has no such element
// (an empty series).
float lastValue(const FormulaArgument& x)
{
    if (x.literal)
        return x.literalValue();
    if (x.endBar <= x.firstValid)
        return kInvalidValue;
    const std::size_t index = static_cast<std::size_t>(x.endBar - x.firstValid) - 1u;
    return index < x.values.size() ? x.values[index] : kInvalidValue;
}

}  // namespace

// const(X): a new literal holding X's last value.
bool builtinConst(FormulaContext* ctx)
{
    ArgumentPtr x;
    if (!ctx->pop(x))
        return false;
    ctx->push(makeLiteralNumber(lastValue(*x)));
    return true;
}

// con2str(X, N): X's last value printed with N decimals (N truncated toward
// zero and kept within 0 to 64), as a string value of at most 63 characters.
bool builtinCon2str(FormulaContext* ctx)
{
    std::array<ArgumentPtr, 2> args;
    if (!ctx->popArgs(args))
        return false;
    const double v = lastValue(*args[0]);
    int decimals = saturatingInt32(args[1]->at(0));
    if (decimals < 0)
        decimals = 0;
    if (decimals > kMaxDecimals)
        decimals = kMaxDecimals;
    char text[64];
    const int written = std::snprintf(text, sizeof text, "%.*f", decimals, v);
    if (written < 0)
        text[0] = '\0';
    ctx->push(makeLiteralString(text));
    return true;
}
