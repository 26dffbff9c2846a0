// Signals, colours, text and output renaming: range, longcross, upnday,
// tfilter, reverse, rgb, strcat, strcmp, oprename.

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <vector>

#include "builtinarities.h"
#include "builtintestutil.h"
#include "fmltestprogram.h"

namespace {

using namespace builtintest;

TEST(BuiltinRange, StrictOnBothSides)
{
    expectBars(call(builtinRange, {series({2, 5}), lit(1), lit(5)}), {1, 0});
    expectBars(call(builtinRange, {series({1, 2, 3}), series({0, 2, 1}), series({3, 3, 3})}), {1, 0, 0});
    expectLiteral(call(builtinRange, {lit(2), lit(1), lit(3)}), 1.0f);
}

TEST(BuiltinRange, ConstantXWithSeriesBoundsAnswersBarByBar)
{
    // 1 < 5 < 9, 6 < 5 fails, 5 < 3 fails, 1 < 5 < 9.
    expectBars(call(builtinRange, {lit(5), series({1, 6, 1, 1}), series({9, 9, 3, 9})}), {1, 0, 0, 1});
    // One series bound: its range, the marker below its first valid bar.
    expectBars(call(builtinRange, {lit(5), lit(4), series({9, 9, 3}, 1)}), {INF, 1, 0});
}

TEST(BuiltinLongcross, BelowForNBarsThenAbove)
{
    // Bars 1-3 below 2, bar 4 above: the 3 bars ending at bar 3 were below.
    expectBars(call(builtinLongcross, {series({3, 1, 1, 1, 3}), lit(2), lit(3)}), {0, 0, 0, 0, 1});
    // Four bars back reaches bar 0, which was above.
    expectBars(call(builtinLongcross, {series({3, 1, 1, 1, 3}), lit(2), lit(4)}), {0, 0, 0, 0, 0});
    // The window stops at the first bar.
    expectBars(call(builtinLongcross, {series({1, 1, 1, 3}), lit(2), lit(5)}), {0, 0, 0, 1});
    // Touching B is not below it.
    expectBars(call(builtinLongcross, {series({1, 2, 1, 3}), lit(2), lit(3)}), {0, 0, 0, 0});
    expectBars(call(builtinLongcross, {series({1, 2, 1, 3}), lit(2), lit(1)}), {0, 0, 0, 1});
}

TEST(BuiltinLongcross, MarkersAndLiterals)
{
    expectBars(call(builtinLongcross, {series({INF, 1, 3}), lit(2), lit(1)}), {INF, 0, 1});
    expectBars(call(builtinLongcross, {series({1, 1, 3}), series({2, INF, 2}), lit(1)}), {0, INF, 0});
    // A literal A takes B's shape.
    expectBars(call(builtinLongcross, {lit(2), series({3, 3, 1}), lit(2)}), {0, 0, 1});
    expectLiteral(call(builtinLongcross, {lit(1), lit(2), lit(2)}), 0.0f);
}

TEST(BuiltinUpnday, RisesOnEachOfTheLastMBars)
{
    expectBars(call(builtinUpnday, {series({1, 2, 3, 2, 3, 4, 5}), lit(2)}), {INF, INF, 1, 0, 0, 1, 1});
    expectBars(call(builtinUpnday, {series({1, 2, 3, 2, 3, 4, 5}), lit(3)}), {INF, INF, INF, 0, 0, 0, 1});
    // A bar without a value breaks a run; equal values are no rise.
    expectBars(call(builtinUpnday, {series({1, 2, INF, 3, 4, 5}), lit(2)}), {INF, INF, 0, 0, 0, 1});
    expectBars(call(builtinUpnday, {series({1, 1, 2, 3}), lit(1)}), {INF, 0, 1, 1});
    // A period below 1 gives 0 and no leading markers.
    expectBars(call(builtinUpnday, {series({1, 2, 3}), lit(0)}), {0, 0, 0});
}

TEST(BuiltinTfilter, ReportsChangesOnly)
{
    expectBars(call(builtinTfilter, {series({1, 1, 0, 1}), lit(0), lit(0)}, 4), {1, 0, 0, 1});
    expectBars(call(builtinTfilter, {series({1, 1, 0, 1}), lit(0), lit(2)}, 4), {0, 0, 0, 0});
    expectBars(call(builtinTfilter, {series({1, 1}), series({0, 1}), lit(0)}, 2), {1, 2});
    expectBars(call(builtinTfilter, {series({1, 1, 0, 1}), series({1, 0, 0, 1}), lit(1)}, 4), {0, 1, 0, 0});
}

TEST(BuiltinTfilter, MarkersAndTheBarCount)
{
    // A marker bar keeps +inf and leaves the state; the result has one value
    // per bar of the run.
    ArgumentPtr r = call(builtinTfilter, {series({1, INF, 1}), lit(0), lit(0)}, 4);
    expectBars(r, {1, INF, 0, INF});
    EXPECT_EQ(r->values.size(), 4u);
    expectBars(call(builtinTfilter, {lit(1), lit(0), lit(0)}, 3), {1, 0, 0});
}

TEST(BuiltinReverse, FlipsTheSignBit)
{
    ArgumentPtr r = call(builtinReverse, {series({1, -2, INF, 0})});
    expectBars(r, {-1, 2, -INF});
    EXPECT_TRUE(std::signbit(r->values[3])) << "0 becomes -0.0";
}

TEST(BuiltinReverse, OneValueStandsForTheCloseBars)
{
    FormulaContext ctx;
    ctx.variables["C"] = series({5, 6, 7});
    expectBars(call(builtinReverse, {lit(3)}, 0, &ctx), {-3, -3, -3});
    ArgumentPtr text = call(builtinReverse, {makeLiteralString("ab")}, 0, &ctx);
    ASSERT_TRUE(text);
    ASSERT_EQ(text->values.size(), 3u);
    for (float v : text->values)
        EXPECT_TRUE(v == 0.0f && std::signbit(v)) << "a text gives -0.0, got " << v;
    FormulaContext noClose;
    EXPECT_FALSE(call(builtinReverse, {lit(3)}, 0, &noClose));
}

TEST(BuiltinRgb, PacksTheComponents)
{
    expectLiteral(call(builtinRgb, {lit(255), lit(0), lit(0)}), 255.0f);
    expectLiteral(call(builtinRgb, {lit(0), lit(0), lit(255)}), 16711680.0f);
    expectLiteral(call(builtinRgb, {lit(1), lit(1), lit(1)}), 65793.0f);
    expectLiteral(call(builtinRgb, {lit(2.9f), lit(0), lit(0)}), 2.0f);
    // 256 red overlaps the green byte: 256 | (1 << 8) = 256.
    expectLiteral(call(builtinRgb, {lit(256), lit(1), lit(0)}), 256.0f);
}

TEST(BuiltinText, StrcatAndStrcmp)
{
    ArgumentPtr r = call(builtinStrcat, {makeLiteralString("ab"), makeLiteralString("cd")});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text, "abcd");
    expectLiteral(r, INF);
    EXPECT_EQ(call(builtinStrcat, {makeLiteralString("ab"), lit(3)})->text, "ab");
    expectLiteral(call(builtinStrcmp, {makeLiteralString("ab"), makeLiteralString("AB")}), 0.0f);
    expectLiteral(call(builtinStrcmp, {makeLiteralString("ab"), makeLiteralString("ab")}), 1.0f);
    expectLiteral(call(builtinStrcmp, {makeLiteralString("ab"), makeLiteralString("abc")}), 0.0f);
}

// Records an output of kind named name, as a drawing statement would.
void recordNamed(FormulaContext& ctx, int kind, const char* name)
{
    FormulaOutput out;
    out.name = name;
    ctx.recordOutput(kind, out);
}

TEST(BuiltinOprename, RenamesTheFirstMatchInSearchOrder)
{
    FormulaContext ctx;
    recordNamed(ctx, FML_DRAW_NUMBER, "MA1");
    recordNamed(ctx, FML_DRAW_LINE, "MA1");
    recordNamed(ctx, FML_DRAW_LINE, "MA1");
    ArgumentPtr f = lit(1);
    ArgumentPtr r = call(builtinOprename, {f, makeLiteralString("MA1"), makeLiteralString("MA5")}, 0, &ctx);
    EXPECT_EQ(r, f) << "oprename pushes F itself";
    EXPECT_EQ(ctx.outputList(FML_DRAW_LINE)->at(0).name, "MA5");
    EXPECT_EQ(ctx.outputList(FML_DRAW_LINE)->at(1).name, "MA1");
    EXPECT_EQ(ctx.outputList(FML_DRAW_NUMBER)->at(0).name, "MA1");
}

TEST(BuiltinOprename, OnlyWhenFIsOne)
{
    FormulaContext ctx;
    recordNamed(ctx, FML_DRAW_BAND, "X");
    recordNamed(ctx, FML_DRAW_NUMBER, "X");
    ArgumentPtr f = lit(0);
    EXPECT_EQ(call(builtinOprename, {f, makeLiteralString("X"), makeLiteralString("Y")}, 0, &ctx), f);
    EXPECT_EQ(ctx.outputList(FML_DRAW_NUMBER)->at(0).name, "X");
    call(builtinOprename, {lit(1), makeLiteralString("X"), makeLiteralString("Y")}, 0, &ctx);
    EXPECT_EQ(ctx.outputList(FML_DRAW_BAND)->at(0).name, "X") << "bands are not searched";
    EXPECT_EQ(ctx.outputList(FML_DRAW_NUMBER)->at(0).name, "Y");
}

TEST(BuiltinSignals, ThroughAFormula)
{
    TestProgram p;
    p.setSeries("C", {1, 2, 3, 2});
    p.name("C").num(1).call("UPNDAY").assign("U").drop();
    p.num(0).num(0).num(255).call("RGB").assign("K").drop();
    ASSERT_EQ(p.run(4), 1);
    const std::vector<float> u = p.values("U");
    ASSERT_EQ(u.size(), 4u);
    EXPECT_EQ(u[0], INF);
    EXPECT_EQ(std::vector<float>(u.begin() + 1, u.end()), (std::vector<float>{1, 1, 0}));
    EXPECT_EQ(p.values("K"), (std::vector<float>{16711680.0f}));
}

}  // namespace

namespace {

using namespace builtintest;

// Argument shapes that no well-formed program passes: empty series, bar
// ranges past the values held or reversed, literals without a value, texts,
// counts that are negative, huge or NaN.
std::vector<ArgumentPtr> oddShapes()
{
    std::vector<ArgumentPtr> v;
    v.push_back(series({1, 2, INF, CONT, NAN, -1, 0, 3}));
    v.push_back(series({}));
    ArgumentPtr pastValues = series({1, 0, 2});
    pastValues->endBar = 20;
    v.push_back(pastValues);
    ArgumentPtr reversed = series({1, 2, 3});
    reversed->firstValid = 5;
    v.push_back(reversed);
    v.push_back(series({0, 0, 1, 5, 1, 0, 9, 2}, 2));
    v.push_back(lit(2));
    v.push_back(lit(-5));
    v.push_back(lit(NAN));
    v.push_back(lit(INF));
    v.push_back(lit(3e9f));
    v.push_back(makeLiteralString("ab"));
    auto bare = std::make_shared<FormulaArgument>();
    bare->literal = true;
    v.push_back(bare);
    return v;
}

// The signal family and the renaming step.
std::vector<BuiltinArity> mine()
{
    std::vector<BuiltinArity> all(std::begin(kSignalBuiltins), std::end(kSignalBuiltins));
    all.push_back({"oprename", builtinOprename, 3});
    return all;
}

// Every combination of odd shapes, with and without price series and with a
// bar count above and below the series' lengths: each call either fails
// cleanly or pushes one result, and (under the sanitizers) reads and writes
// nothing outside its arrays.
TEST(BuiltinShapes, OddArgumentsStayInBounds)
{
    const std::vector<ArgumentPtr> shapes = oddShapes();
    const std::size_t n = shapes.size();
    for (const BuiltinArity& f : mine()) {
        const std::size_t combos = f.args == 1 ? n : f.args == 2 ? n * n : n * n * n;
        for (std::size_t c = 0; c < combos; ++c) {
            for (uint32_t bars : {0u, 5u, 12u}) {
                FormulaContext ctx;
                ctx.barCount = bars;
                if (c % 3 != 0) {
                    ctx.variables["H"] = shapes[c % n];
                    ctx.variables["L"] = shapes[(c / n) % n];
                    ctx.variables["C"] = shapes[(c + 1) % n];
                    ctx.variables["O"] = shapes[(c + 2) % n];
                }
                std::vector<ArgumentPtr> args;
                std::size_t rest = c;
                for (int a = 0; a < f.args; ++a) {
                    args.push_back(shapes[rest % n]);
                    rest /= n;
                }
                std::vector<std::size_t> sizesBefore;
                for (const ArgumentPtr& a : args) {
                    sizesBefore.push_back(a->values.size());
                    ctx.push(a);
                }
                const bool ok = f.fn(&ctx);
                ASSERT_EQ(ctx.stack.size(), ok ? 1u : 0u) << f.name << " combination " << c;
                for (std::size_t a = 0; a < args.size(); ++a)
                    ASSERT_EQ(args[a]->values.size(), sizesBefore[a]) << f.name << " changed an argument";
            }
        }
    }
}

}  // namespace
