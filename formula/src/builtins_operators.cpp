// Operators and unary mathematics: whole series combined bar by bar over the
// intersection of the operands' bar ranges, one pass and one allocation each.

#include <algorithm>
#include <cmath>
#include <memory>

#include "builtins.h"
#include "seriesrules.h"

namespace {

// Applies op to every bar of the common range of A (deeper) and B (top).
// markerOut: a marker operand gives the marker without applying op.
template <bool markerOut, typename Op>
bool binaryOperator(FormulaContext* ctx, Op op)
{
    ArgumentPtr args[2];
    if (!ctx->popArgs(args, 2))
        return false;
    const FormulaArgument& a = *args[0];
    const FormulaArgument& b = *args[1];
    const BarRange range = commonRange(a, b);
    if (range.end < range.begin)
        return false;
    auto apply = [&op](float x, float y) -> float {
        if (markerOut && (isInvalid(x) || isInvalid(y)))
            return kInvalidValue;
        return op(x, y);
    };
    const uint32_t changed = std::min(a.changedFrom, b.changedFrom);
    if (a.literal && b.literal) {
        ArgumentPtr r = makeLiteralNumber(apply(a.literalValue(), b.literalValue()));
        r->firstValid = a.firstValid;
        r->endBar = a.endBar;
        r->changedFrom = changed;
        ctx->push(std::move(r));
        return true;
    }
    // Only the bars from the first changed one are computed when the step's
    // previous result is at hand.
    SeriesUpdate update = seriesToUpdate(ctx, range.begin, range.end, range.end, changed);
    const uint32_t start = update.from;
    const uint32_t end = range.end;
    ArgumentPtr r = std::move(update.result);
    float* out = r->values.data();
    // Separate loops per operand shape, so that each is a plain pass the
    // compiler can vectorise.
    if (a.literal) {
        const float x = a.literalValue();
        const float* y = b.values.data();
        for (uint32_t i = start; i < end; ++i)
            out[i] = apply(x, y[i]);
    } else if (b.literal) {
        const float* x = a.values.data();
        const float y = b.literalValue();
        for (uint32_t i = start; i < end; ++i)
            out[i] = apply(x[i], y);
    } else {
        const float* x = a.values.data();
        const float* y = b.values.data();
        for (uint32_t i = start; i < end; ++i)
            out[i] = apply(x[i], y[i]);
    }
    ctx->push(std::move(r));
    return true;
}

// Applies fn to every bar of X's range (marker in, marker out).
template <typename Fn>
bool unaryFunction(FormulaContext* ctx, Fn fn)
{
    ArgumentPtr x;
    if (!ctx->pop(x))
        return false;
    const FormulaArgument& in = *x;
    auto apply = [&fn](float v) -> float { return isInvalid(v) ? kInvalidValue : fn(v); };
    if (in.literal) {
        ArgumentPtr r = makeLiteralNumber(apply(in.literalValue()));
        r->firstValid = in.firstValid;
        r->endBar = in.endBar;
        r->changedFrom = in.changedFrom;
        ctx->push(std::move(r));
        return true;
    }
    const uint32_t end = in.rangeEnd();
    if (end < in.firstValid)
        return false;
    SeriesUpdate update = seriesToUpdate(ctx, in.firstValid, end, end, in.changedFrom);
    const uint32_t first = update.from;
    ArgumentPtr r = std::move(update.result);
    const float* src = in.values.data();
    float* out = r->values.data();
    for (uint32_t i = first; i < end; ++i)
        out[i] = apply(src[i]);
    ctx->push(std::move(r));
    return true;
}

float boolValue(bool b) { return b ? 1.0f : 0.0f; }

// The integer operand of "%": ceil in double, narrowed to float, truncated to
// int32. False when the float lies outside the int32 range (or is a NaN).
bool modOperand(float v, int32_t* out)
{
    const float c = static_cast<float>(std::ceil(static_cast<double>(v)));
    if (!(c >= -2147483648.0f && c < 2147483648.0f))
        return false;
    *out = saturatingInt32(c);
    return true;
}

}  // namespace

bool builtinEqual(FormulaContext* ctx)
{
    return binaryOperator<false>(ctx, [](float a, float b) { return boolValue(a == b); });
}

bool builtinNotEqual(FormulaContext* ctx)
{
    return binaryOperator<false>(ctx, [](float a, float b) { return boolValue(!(a == b)); });
}

bool builtinGreater(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return boolValue(a > b); });
}

bool builtinGreaterEqual(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return boolValue(a >= b); });
}

bool builtinLess(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return boolValue(a < b); });
}

bool builtinLessEqual(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return boolValue(a <= b); });
}

bool builtinAnd(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return boolValue(a != 0.0f && b != 0.0f); });
}

bool builtinOr(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return boolValue(a != 0.0f || b != 0.0f); });
}

bool builtinAdd(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return a + b; });
}

bool builtinSub(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return a - b; });
}

bool builtinMul(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return a * b; });
}

bool builtinDiv(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) {
        if (a == 0.0f)
            return 0.0f;
        if (b == 0.0f)
            return kInvalidValue;
        return a / b;
    });
}

// A zero divisor (after the rounding) or an operand outside the int32 range
// gives the marker; a divisor of -1 gives 0 without the overflowing division.
bool builtinMod(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) {
        int32_t ia = 0;
        int32_t ib = 0;
        if (!modOperand(a, &ia) || !modOperand(b, &ib) || ib == 0)
            return kInvalidValue;
        if (ib == -1)
            return 0.0f;
        return static_cast<float>(ia % ib);
    });
}

bool builtinMin(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return b < a ? b : a; });
}

bool builtinMax(FormulaContext* ctx)
{
    return binaryOperator<true>(ctx, [](float a, float b) { return a < b ? b : a; });
}

bool builtinPow(FormulaContext* ctx)
{
    return binaryOperator<true>(
        ctx, [](float a, float b) { return static_cast<float>(std::pow(static_cast<double>(a), static_cast<double>(b))); });
}

bool builtinNegate(FormulaContext* ctx)
{
    return unaryFunction(ctx, [](float v) { return -v; });
}

bool builtinAbs(FormulaContext* ctx)
{
    return unaryFunction(ctx, [](float v) { return std::fabs(v); });
}

bool builtinIntpart(FormulaContext* ctx)
{
    return unaryFunction(ctx, [](float v) {
        const float t = static_cast<float>(saturatingInt32(std::fabs(static_cast<double>(v))));
        return v > 0.0f ? t : -t;
    });
}

bool builtinFloor(FormulaContext* ctx)
{
    return unaryFunction(ctx, [](float v) { return static_cast<float>(std::floor(static_cast<double>(v))); });
}

bool builtinNot(FormulaContext* ctx)
{
    return unaryFunction(ctx, [](float v) { return boolValue(v == 0.0f); });
}

#define FML_DOUBLE_FUNCTION(builtin, fn)                                                                \
    bool builtin(FormulaContext* ctx)                                                                   \
    {                                                                                                   \
        return unaryFunction(ctx, [](float v) { return static_cast<float>(fn(static_cast<double>(v))); }); \
    }

FML_DOUBLE_FUNCTION(builtinLn, std::log)
FML_DOUBLE_FUNCTION(builtinLog, std::log10)
FML_DOUBLE_FUNCTION(builtinExp, std::exp)
FML_DOUBLE_FUNCTION(builtinSqrt, std::sqrt)
FML_DOUBLE_FUNCTION(builtinSin, std::sin)
FML_DOUBLE_FUNCTION(builtinCos, std::cos)
FML_DOUBLE_FUNCTION(builtinTan, std::tan)
FML_DOUBLE_FUNCTION(builtinAsin, std::asin)
FML_DOUBLE_FUNCTION(builtinAcos, std::acos)
FML_DOUBLE_FUNCTION(builtinAtan, std::atan)

#undef FML_DOUBLE_FUNCTION
