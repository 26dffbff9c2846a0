// Operators and unary mathematics: whole series combined bar by bar over the
// intersection of the operands' bar ranges, one pass and one allocation each.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "builtins.h"
#include "seriesrules.h"
#include "widevectors.h"

namespace {

// A marker operand gives the marker (markerOut) whatever op gives: op is
// applied in any case and its value dropped, so that the loops have no
// branch and vectorise (every op is a pure function of two floats).
// The select is made on the bits (only +infinity has the marker's bits).
inline uint32_t bitsOf(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}
inline float markerIf(uint32_t marker, float r)
{
    const uint32_t m = 0u - marker;  // all ones for a marker
    const uint32_t b = (bitsOf(r) & ~m) | (bitsOf(kInvalidValue) & m);
    float out;
    std::memcpy(&out, &b, sizeof out);
    return out;
}

template <bool markerOut, typename Op>
inline float applyBinary(const Op& op, float x, float y)
{
    const float r = op(x, y);
    if (!markerOut)
        return r;
    const uint32_t inf = bitsOf(kInvalidValue);
    return markerIf(static_cast<uint32_t>(bitsOf(x) == inf) | static_cast<uint32_t>(bitsOf(y) == inf), r);
}

// The loop of a binary operator over the bars [from, end) of out, run at
// once or when a later step reads it.
template <bool markerOut, typename Op>
struct BinaryLoop {
    Op op;
    float* out = nullptr;
    const float* x = nullptr;  // null: the literal xl
    const float* y = nullptr;  // null: the literal yl
    float xl = 0.0f, yl = 0.0f;
    uint32_t from = 0, end = 0;

    // Separate loops per operand shape, so that each is a plain pass the
    // compiler can vectorise.
    void run(uint32_t b, uint32_t e) const
    {
        const uint32_t lo = std::max(b, from);
        const uint32_t hi = std::min(e, end);
        float* o = out;
        const Op f = op;
        if (hi <= lo + 2) {
            // A tick's bar or two: no set-up of the vector loops.
            for (uint32_t i = lo; i < hi; ++i)
                o[i] = applyBinary<markerOut>(f, x ? x[i] : xl, y ? y[i] : yl);
            return;
        }
#if FML_WIDE_VECTORS
        if (widevectors::enabled()) {
            runWide(lo, hi);
            return;
        }
#endif
        passes(lo, hi);
    }

    // The passes of run over [lo, hi), compiled into each variant of run.
    __attribute__((always_inline)) void passes(uint32_t lo, uint32_t hi) const
    {
        float* o = out;
        const Op f = op;
        if (!x) {
            const float a = xl;
            const float* v = y;
            for (uint32_t i = lo; i < hi; ++i)
                o[i] = applyBinary<markerOut>(f, a, v[i]);
        } else if (!y) {
            const float* u = x;
            const float c = yl;
            for (uint32_t i = lo; i < hi; ++i)
                o[i] = applyBinary<markerOut>(f, u[i], c);
        } else {
            const float* u = x;
            const float* v = y;
            for (uint32_t i = lo; i < hi; ++i)
                o[i] = applyBinary<markerOut>(f, u[i], v[i]);
        }
    }
#if FML_WIDE_VECTORS
    FML_WIDE void runWide(uint32_t lo, uint32_t hi) const
    {
        passes(lo, hi);
    }
#endif
};

// A loop left waiting in the context.
template <typename Loop>
struct WaitingLoop : FormulaContext::PendingJob {
    Loop loop;
    explicit WaitingLoop(const Loop& l) : loop(l) {}
    void run(uint32_t b, uint32_t e) override { loop.run(b, e); }
};

// Runs loop over its bars now, or leaves it waiting (with r, its result, and
// in0 and in1, the series it reads, null for a literal) when the running step
// may defer it; a loop that runs now first has the loops it reads run.
// Nothing is allocated or shared for a loop that runs now (a tick's steps).
template <typename Loop>
void runOrDefer(FormulaContext* ctx, const Loop& loop, const ArgumentPtr& r, const ArgumentPtr* in0,
                const ArgumentPtr* in1)
{
    if (loop.from < loop.end && ctx->mayDefer(loop.end - loop.from)) {
        auto waiting = std::make_unique<WaitingLoop<Loop>>(loop);
        waiting->result = r;
        waiting->from = loop.from;
        waiting->end = loop.end;
        if (in0)
            waiting->inputs[0] = *in0;
        if (in1)
            waiting->inputs[1] = *in1;
        ctx->pending.push_back(std::move(waiting));
        return;
    }
    if (!ctx->pending.empty() && ((in0 && ctx->isPending(in0->get())) || (in1 && ctx->isPending(in1->get()))))
        ctx->runPending();
    loop.run(loop.from, loop.end);
}

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
    const uint32_t changed = std::min(a.changedFrom, b.changedFrom);
    if (a.literal && b.literal) {
        ArgumentPtr r = makeLiteralNumber(applyBinary<markerOut>(op, a.literalValue(), b.literalValue()));
        r->firstValid = a.firstValid;
        r->endBar = a.endBar;
        r->changedFrom = changed;
        ctx->push(std::move(r));
        return true;
    }
    // Only the bars from the first changed one are computed when the step's
    // previous result is at hand.
    SeriesUpdate update = seriesToUpdate(ctx, range.begin, range.end, range.end, changed);
    ArgumentPtr r = std::move(update.result);
    BinaryLoop<markerOut, Op> loop{op};
    loop.out = r->values.data();
    loop.from = update.from;
    loop.end = range.end;
    if (a.literal)
        loop.xl = a.literalValue();
    else
        loop.x = a.values.data();
    if (b.literal)
        loop.yl = b.literalValue();
    else
        loop.y = b.values.data();
    runOrDefer(ctx, loop, r, a.literal ? nullptr : &args[0], b.literal ? nullptr : &args[1]);
    ctx->push(std::move(r));
    return true;
}

// The loop of a unary function (marker in, marker out).
template <typename Fn>
struct UnaryLoop {
    Fn fn;
    float* out = nullptr;
    const float* x = nullptr;
    uint32_t from = 0, end = 0;
    void run(uint32_t b, uint32_t e) const
    {
        const uint32_t lo = std::max(b, from);
        const uint32_t hi = std::min(e, end);
        float* o = out;
        const float* src = x;
        const Fn f = fn;
        if (hi <= lo + 2) {
            for (uint32_t i = lo; i < hi; ++i)
                o[i] = isInvalid(src[i]) ? kInvalidValue : f(src[i]);
            return;
        }
        for (uint32_t i = lo; i < hi; ++i) {
            const float r = f(src[i]);  // dropped for a marker, as in applyBinary
            o[i] = markerIf(static_cast<uint32_t>(bitsOf(src[i]) == bitsOf(kInvalidValue)), r);
        }
    }
};

// Applies fn to every bar of X's range (marker in, marker out).
template <typename Fn>
bool unaryFunction(FormulaContext* ctx, Fn fn)
{
    ArgumentPtr x;
    if (!ctx->pop(x))
        return false;
    const FormulaArgument& in = *x;
    if (in.literal) {
        const float v = in.literalValue();
        ArgumentPtr r = makeLiteralNumber(isInvalid(v) ? kInvalidValue : fn(v));
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
    ArgumentPtr r = std::move(update.result);
    UnaryLoop<Fn> loop{fn};
    loop.out = r->values.data();
    loop.from = update.from;
    loop.end = end;
    loop.x = in.values.data();
    runOrDefer(ctx, loop, r, &x, nullptr);
    ctx->push(std::move(r));
    return true;
}

float boolValue(bool b)
{
    return b ? 1.0f : 0.0f;
}

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
    // 0 / B is 0, A / 0 the marker: selected on the bits, without a branch.
    return binaryOperator<true>(ctx, [](float a, float b) {
        const float q = a / b;
        const uint32_t zeroA = static_cast<uint32_t>((bitsOf(a) << 1) == 0);
        const uint32_t zeroB = static_cast<uint32_t>((bitsOf(b) << 1) == 0);
        const uint32_t kept = bitsOf(q) & ~(0u - zeroA);  // +0 for a zero dividend
        float t;
        std::memcpy(&t, &kept, sizeof t);
        return markerIf(zeroB & ~zeroA, t);
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
    return binaryOperator<true>(ctx, [](float a, float b) {
        return static_cast<float>(std::pow(static_cast<double>(a), static_cast<double>(b)));
    });
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

#define FML_DOUBLE_FUNCTION(builtin, fn)                                                                   \
    bool builtin(FormulaContext* ctx)                                                                      \
    {                                                                                                      \
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
