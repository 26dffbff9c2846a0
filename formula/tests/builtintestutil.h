// Helpers for the builtin tests: build arguments, call one builtin on a bare
// context the way a compiled call step does, and compare series bar by bar
// with messages that say which bar differed.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "builtins.h"
#include "formulaargument.h"
#include "formulacontext.h"
#include "widevectors.h"

// An argument's values as a plain vector, for comparisons in the tests.
inline std::vector<float> toVector(const FloatValues& v)
{
    return std::vector<float>(v.begin(), v.end());
}

namespace builtintest {

constexpr float INF = std::numeric_limits<float>::infinity();
constexpr float CONT = std::numeric_limits<float>::min();

inline ArgumentPtr series(std::vector<float> v, uint32_t first = 0)
{
    auto a = std::make_shared<FormulaArgument>();
    a->endBar = static_cast<uint32_t>(v.size());
    a->values.assign(v.begin(), v.end());
    a->firstValid = first;
    return a;
}

inline ArgumentPtr lit(float v)
{
    return makeLiteralNumber(v);
}

// Pushes the arguments in formula order, calls fn and pops its result. Null
// when the builtin returned false; then the stack must be as before.
inline ArgumentPtr call(BuiltinFn fn, std::initializer_list<ArgumentPtr> args, uint32_t barCount = 0,
                        FormulaContext* context = nullptr)
{
    FormulaContext own;
    FormulaContext& ctx = context ? *context : own;
    if (barCount)
        ctx.barCount = barCount;
    const std::size_t depth = ctx.stack.size();
    for (const ArgumentPtr& a : args)
        ctx.push(a);
    if (!fn(&ctx)) {
        EXPECT_EQ(ctx.stack.size(), depth) << "a failing builtin left values on the stack";
        return nullptr;
    }
    EXPECT_EQ(ctx.stack.size(), depth + 1) << "a builtin must push exactly one result";
    ArgumentPtr r;
    ctx.pop(r);
    return r;
}

template <typename Values>
std::string show(const Values& v)
{
    std::ostringstream s;
    s << '[';
    for (std::size_t i = 0; i < v.size(); ++i)
        s << (i ? ", " : "") << v[i];
    s << ']';
    return s.str();
}

// Bars [from, expected.size()) of r must equal expected (exact for markers
// and NaN, within tol relative otherwise).
inline void expectBars(const ArgumentPtr& r, const std::vector<float>& expected, std::size_t from = 0,
                       double tol = 1e-6)
{
    ASSERT_TRUE(r) << "the builtin failed; expected " << show(expected);
    ASSERT_GE(r->values.size(), expected.size()) << "got " << show(r->values) << ", expected " << show(expected);
    for (std::size_t i = from; i < expected.size(); ++i) {
        const float e = expected[i];
        const float g = r->values[i];
        if (std::isnan(e)) {
            EXPECT_TRUE(std::isnan(g)) << "bar " << i << ": expected NaN, got " << g << " in " << show(r->values);
        } else if (std::isinf(e) || e == CONT) {
            EXPECT_EQ(g, e) << "bar " << i << ": expected " << e << ", got " << g << " in " << show(r->values);
        } else {
            EXPECT_NEAR(g, e, tol * std::max(1.0, std::fabs(static_cast<double>(e))))
                << "bar " << i << ": expected " << e << ", got " << g << " in " << show(r->values);
        }
    }
}

inline void expectLiteral(const ArgumentPtr& r, float expected)
{
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->literal) << "expected a literal result";
    ASSERT_EQ(r->values.size(), 1u);
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(r->values[0]));
    else
        EXPECT_EQ(r->values[0], expected);
}

}  // namespace builtintest

namespace builtintest {

// One builtin called on an empty series and on a one-bar series [7], with
// the parameters that follow X in formula order.
struct EdgeCase {
    const char* name;
    BuiltinFn fn;
    std::vector<float> params;  // literals after X
    float oneBar;               // expected value at bar 0 of the one-bar result
    bool xTwice = false;        // two data series (covar, relate)
};

inline void expectEdgeCases(const std::vector<EdgeCase>& cases)
{
    for (const EdgeCase& c : cases) {
        for (int bars = 0; bars <= 1; ++bars) {
            FormulaContext ctx;
            ArgumentPtr x = bars ? series({7}) : series({});
            ctx.push(x);
            if (c.xTwice)
                ctx.push(x);
            for (float p : c.params)
                ctx.push(lit(p));
            ASSERT_TRUE(c.fn(&ctx)) << c.name << " failed on " << bars << " bar(s)";
            ASSERT_EQ(ctx.stack.size(), 1u) << c.name;
            const ArgumentPtr& r = ctx.stack.back();
            if (bars == 0) {
                EXPECT_TRUE(r->values.empty()) << c.name << " on an empty series gave " << show(r->values);
                continue;
            }
            ASSERT_EQ(r->values.size(), 1u) << c.name;
            const float g = r->values[0];
            if (std::isnan(c.oneBar))
                EXPECT_TRUE(std::isnan(g)) << c.name << ": expected NaN, got " << g;
            else
                EXPECT_EQ(g, c.oneBar) << c.name << " on one bar";
        }
    }
}

// Runs body on the baseline loops, then on the wide-vector loops where the
// processor has them: both must give the bits the expectations ask for.
// Failures name the variant.
template <typename Body>
void onEachLoopVariant(Body body)
{
    for (const bool wide : {false, true}) {
        widevectors::force(wide);
        if (wide && !widevectors::enabled())
            break;
        SCOPED_TRACE(wide ? "wide-vector loops" : "baseline loops");
        body();
        widevectors::force(true);
        if (testing::Test::HasFatalFailure())
            return;
    }
    widevectors::force(true);
}

}  // namespace builtintest
