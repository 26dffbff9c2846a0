// Operators and unary mathematics: literal and series shapes, ranges and the
// marker rules. Expected values are worked out by hand from the rules.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "builtins.h"
#include "builtintestutil.h"
#include "formulacontext.h"
#include "seriesrules.h"

namespace {

const float INF = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

bool same(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

ArgumentPtr series(std::vector<float> v, uint32_t first, uint32_t end)
{
    auto a = std::make_shared<FormulaArgument>();
    a->values.assign(v.begin(), v.end());
    a->firstValid = first;
    a->endBar = end;
    return a;
}

// Applies a binary builtin to two literals; the literal result's one value.
float binary(BuiltinFn fn, float a, float b)
{
    FormulaContext ctx;
    ctx.push(makeLiteralNumber(a));
    ctx.push(makeLiteralNumber(b));
    EXPECT_TRUE(fn(&ctx));
    EXPECT_EQ(ctx.stack.size(), 1u);
    const ArgumentPtr r = ctx.stack.back();
    EXPECT_TRUE(r->literal);
    return r->values.at(0);
}

float unary(BuiltinFn fn, float v)
{
    FormulaContext ctx;
    ctx.push(makeLiteralNumber(v));
    EXPECT_TRUE(fn(&ctx));
    const ArgumentPtr r = ctx.stack.back();
    EXPECT_TRUE(r->literal);
    return r->values.at(0);
}

struct BinaryCase {
    const char* name;
    BuiltinFn fn;
    float a, b, expected;
};

const std::vector<BinaryCase>& binaryCases()
{
    static const std::vector<BinaryCase> cases = {
        {"+", builtinAdd, 2, 3, 5},
        {"-", builtinSub, 2, 3, -1},
        {"*", builtinMul, 2, 3, 6},
        {"/", builtinDiv, 6, 3, 2},
        {"/ by 0", builtinDiv, 5, 0, INF},
        {"0 / 0", builtinDiv, 0, 0, 0},
        {"0 / 7", builtinDiv, 0, 7, 0},
        {"<", builtinLess, 2, 3, 1},
        {"<=", builtinLessEqual, 3, 3, 1},
        {">", builtinGreater, 2, 3, 0},
        {">=", builtinGreaterEqual, 3, 3, 1},
        {"==", builtinEqual, 3, 3, 1},
        {"== NaN", builtinEqual, NaN, NaN, 0},
        {"<> NaN", builtinNotEqual, NaN, 1, 1},
        {"<>", builtinNotEqual, 3, 3, 0},
        {"and", builtinAnd, 2, 0, 0},
        {"and NaN", builtinAnd, NaN, 1, 1},
        {"or", builtinOr, 0, 0, 0},
        {"or NaN", builtinOr, 0, NaN, 1},
        {"min", builtinMin, 2, -3, -3},
        {"max", builtinMax, 2, -3, 2},
        {"pow", builtinPow, 2, 10, 1024},
        {"7 % 3", builtinMod, 7, 3, 1},
        {"-7 % 3", builtinMod, -7, 3, -1},
        {"2.5 % 2", builtinMod, 2.5f, 2, 1},
        {"2.2 % 1.5", builtinMod, 2.2f, 1.5f, 1},
        // Marker in, marker out.
        {"marker > 1", builtinGreater, INF, 1, INF},
        {"marker + 1", builtinAdd, 1, INF, INF},
        {"0 / marker", builtinDiv, 0, INF, INF},
        {"marker == 1", builtinEqual, INF, 1, 0},
        {"marker <> 1", builtinNotEqual, INF, 1, 1},
        {"marker == marker", builtinEqual, INF, INF, 1},
        // -infinity and the continuous marker are ordinary numbers here.
        {"-inf < 1", builtinLess, -INF, 1, 1},
        {"continuous + 0", builtinAdd, kContinuousValue, 0, kContinuousValue},
        {"-0 / 5", builtinDiv, -0.0f, 5, 0},
        {"NaN / 0", builtinDiv, NaN, 0, INF},
        {"5 / NaN", builtinDiv, 5, NaN, NaN},
        {"-5 / -0", builtinDiv, -5, -0.0f, INF},
        {"NaN - 1", builtinSub, NaN, 1, NaN},
        {"marker * NaN", builtinMul, INF, NaN, INF},
        {"max NaN first", builtinMax, NaN, 1, NaN},
        {"min NaN", builtinMin, 1, NaN, 1},
    };
    return cases;
}

TEST(FmlOperators, BinaryRulesOnLiterals)
{
    for (const BinaryCase& c : binaryCases()) {
        const float got = binary(c.fn, c.a, c.b);
        EXPECT_TRUE(same(got, c.expected)) << c.name << ": expected " << c.expected << ", got " << got;
    }
}

// The same rules bar by bar over long series in each shape (series with
// series, literal with series, series with literal), so that the loops'
// vectorised part and their tails both meet every case.
void binaryRulesOverSeriesLoops()
{
    const std::vector<BinaryCase>& cases = binaryCases();
    const uint32_t bars = 517;
    std::vector<float> a(bars), b(bars);
    for (uint32_t i = 0; i < bars; ++i)
        a[i] = cases[i % cases.size()].a, b[i] = cases[i % cases.size()].b;
    for (BuiltinFn fn : {builtinAdd, builtinSub, builtinMul, builtinDiv, builtinMin, builtinMax, builtinLess}) {
        for (int shape = 0; shape < 3; ++shape) {
            for (uint32_t at = 0; at < cases.size(); ++at) {
                if (cases[at].fn != fn)
                    continue;
                FormulaContext ctx;
                ctx.push(shape == 1 ? makeLiteralNumber(cases[at].a) : series(a, 0, bars));
                ctx.push(shape == 2 ? makeLiteralNumber(cases[at].b) : series(b, 0, bars));
                ASSERT_TRUE(fn(&ctx));
                const ArgumentPtr r = ctx.stack.back();
                ASSERT_EQ(r->values.size(), bars);
                for (uint32_t i = at; i < bars; i += uint32_t(cases.size()))
                    EXPECT_TRUE(same(r->values[i], cases[at].expected))
                        << cases[at].name << " shape " << shape << " bar " << i << ": got " << r->values[i];
            }
        }
    }
}

TEST(FmlOperators, BinaryRulesOverSeriesLoops)
{
    builtintest::onEachLoopVariant([] { binaryRulesOverSeriesLoops(); });
}

TEST(FmlOperators, ModuloNeverTraps)
{
    // A divisor whose ceiling is 0, operands beyond int32 and NaN give the marker.
    const float cases[][2] = {{5, 0}, {5, -0.5f}, {5, 0.0f}, {3e9f, 2}, {5, -3e9f}, {NaN, 2}, {2, NaN}, {-INF, 3}};
    for (const auto& c : cases) {
        const float got = binary(builtinMod, c[0], c[1]);
        EXPECT_TRUE(same(got, INF)) << c[0] << " % " << c[1] << ": expected the marker, got " << got;
    }
    // The smallest int32 by -1 would overflow the division: 0.
    EXPECT_TRUE(same(binary(builtinMod, -2147483648.0f, -1.0f), 0.0f));
    EXPECT_TRUE(same(binary(builtinMod, -2147483648.0f, -1.5f), 0.0f));
}

struct UnaryCase {
    const char* name;
    BuiltinFn fn;
    float v, expected;
};

TEST(FmlOperators, UnaryRulesOnLiterals)
{
    const UnaryCase cases[] = {
        {"intpart 2.7", builtinIntpart, 2.7f, 2},
        {"intpart -2.7", builtinIntpart, -2.7f, -2},
        {"intpart 0", builtinIntpart, 0, -0.0f},
        {"intpart 1e20", builtinIntpart, 1e20f, 2147483648.0f},
        {"intpart NaN", builtinIntpart, NaN, -0.0f},
        {"not 0", builtinNot, 0, 1},
        {"not 0.5", builtinNot, 0.5f, 0},
        {"not NaN", builtinNot, NaN, 0},
        {"not marker", builtinNot, INF, INF},
        {"negate -inf", builtinNegate, -INF, INF},
        {"negate marker", builtinNegate, INF, INF},
        {"abs", builtinAbs, -3, 3},
        {"floor", builtinFloor, -2.5f, -3},
        {"ln 0", builtinLn, 0, -INF},
        {"sqrt -1", builtinSqrt, -1, NaN},
        {"sqrt 9", builtinSqrt, 9, 3},
        {"log 100", builtinLog, 100, 2},
        {"exp 0", builtinExp, 0, 1},
        {"sin 0", builtinSin, 0, 0},
        {"cos 0", builtinCos, 0, 1},
        {"tan 0", builtinTan, 0, 0},
        {"asin 0", builtinAsin, 0, 0},
        {"acos 1", builtinAcos, 1, 0},
        {"atan 0", builtinAtan, 0, 0},
        {"ln marker", builtinLn, INF, INF},
    };
    for (const UnaryCase& c : cases) {
        const float got = unary(c.fn, c.v);
        EXPECT_TRUE(same(got, c.expected)) << c.name << ": expected " << c.expected << ", got " << got;
    }
}

TEST(FmlOperators, SeriesRangesIntersect)
{
    FormulaContext ctx;
    ctx.push(series(std::vector<float>(100, 1.0f), 5, 100));
    ctx.push(series(std::vector<float>(80, 2.0f), 10, 80));
    ASSERT_TRUE(builtinSub(&ctx));
    const ArgumentPtr r = ctx.stack.back();
    EXPECT_FALSE(r->literal);
    EXPECT_EQ(r->firstValid, 10u);
    EXPECT_EQ(r->endBar, 80u);
    ASSERT_EQ(r->values.size(), 80u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(r->values[i], 0.0f) << "bar " << i << " below the range";
    for (int i = 10; i < 80; ++i)
        EXPECT_EQ(r->values[i], -1.0f) << "bar " << i;
}

TEST(FmlOperators, LiteralWithSeries)
{
    FormulaContext ctx;
    const ArgumentPtr lit = makeLiteralNumber(2.0f);
    std::vector<float> v(50);
    for (int i = 0; i < 50; ++i)
        v[i] = static_cast<float>(i);
    ctx.push(lit);
    ctx.push(series(v, 3, 50));
    ASSERT_TRUE(builtinMul(&ctx));
    const ArgumentPtr r = ctx.stack.back();
    EXPECT_EQ(r->firstValid, 3u);
    EXPECT_EQ(r->endBar, 50u);
    ASSERT_EQ(r->values.size(), 50u);
    EXPECT_EQ(r->values[2], 0.0f);
    EXPECT_EQ(r->values[49], 98.0f);
    EXPECT_EQ(lit->values.size(), 1u) << "the literal operand is not changed";
}

TEST(FmlOperators, DisjointRangesStopTheRun)
{
    FormulaContext ctx;
    ctx.push(series(std::vector<float>(10, 1.0f), 0, 10));
    ctx.push(series(std::vector<float>(30, 1.0f), 20, 30));
    EXPECT_FALSE(builtinAdd(&ctx));
    EXPECT_TRUE(ctx.stack.empty()) << "nothing is pushed";
}

TEST(FmlOperators, EmptyCommonRangeStillGivesAResult)
{
    FormulaContext ctx;
    ctx.push(series(std::vector<float>(10, 1.0f), 0, 10));
    ctx.push(series(std::vector<float>(20, 1.0f), 10, 20));
    ASSERT_TRUE(builtinAdd(&ctx));
    EXPECT_EQ(ctx.stack.back()->firstValid, 10u);
    EXPECT_EQ(ctx.stack.back()->endBar, 10u);
}

TEST(FmlOperators, UnaryKeepsTheSeriesShapeAndFailsOnInvertedRange)
{
    FormulaContext ctx;
    ctx.push(series({9, 9, -4, INF, 16}, 2, 5));
    ASSERT_TRUE(builtinAbs(&ctx));
    const ArgumentPtr r = ctx.stack.back();
    EXPECT_EQ(r->firstValid, 2u);
    EXPECT_EQ(r->endBar, 5u);
    ASSERT_EQ(r->values.size(), 5u);
    EXPECT_EQ(r->values[0], 0.0f);
    EXPECT_EQ(r->values[2], 4.0f);
    EXPECT_EQ(r->values[3], INF);
    EXPECT_EQ(r->values[4], 16.0f);
    ctx.stack.clear();
    ctx.push(series({1, 2, 3}, 3, 2));
    EXPECT_FALSE(builtinNot(&ctx));
}

TEST(FmlOperators, SeriesEndingPastItsValuesIsCutToThem)
{
    // A host series claiming more bars than it holds is read only where it has values.
    FormulaContext ctx;
    ctx.push(series({1, 2, 3}, 0, 1000));
    ctx.push(makeLiteralNumber(1.0f));
    ASSERT_TRUE(builtinAdd(&ctx));
    EXPECT_EQ(ctx.stack.back()->endBar, 3u);
    EXPECT_EQ(toVector(ctx.stack.back()->values), (std::vector<float>{2, 3, 4}));
}

}  // namespace
