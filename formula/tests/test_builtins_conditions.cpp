// Condition and signal builtins: between, if, cross, exist, filter, filterx,
// backset, on small hand-computed series.

#include <gtest/gtest.h>

#include "builtintestutil.h"
#include "fmltestprogram.h"

namespace {

using namespace builtintest;

TEST(BuiltinBetween, BoundsInEitherOrderAreIncluded)
{
    expectBars(call(builtinBetween, {series({5, 7, 8, 3}), lit(7), lit(3)}), {1, 1, 0, 1});
    expectBars(call(builtinBetween, {series({5, 7, 8, 3}), lit(3), lit(7)}), {1, 1, 0, 1});
}

TEST(BuiltinBetween, CommonRangeAndMarkers)
{
    // X from bar 2, A from bar 1: bars below 2 are +inf; a +inf X is outside
    // finite bounds, inside when a bound is +inf.
    ArgumentPtr r = call(builtinBetween,
                         {series({0, 0, 4, 5, INF}, 2), series({1, 1, 1, 1, 1}, 1), series({9, 9, 4.5f, 4.5f, INF})});
    expectBars(r, {INF, INF, 1, 0, 1});
    EXPECT_EQ(r->firstValid, 2u);
    EXPECT_EQ(r->endBar, 5u);
    EXPECT_FALSE(r->literal);
}

TEST(BuiltinBetween, LiteralsGiveALiteralAndEmptyRangeFails)
{
    expectLiteral(call(builtinBetween, {lit(2), lit(1), lit(3)}), 1.0f);
    expectLiteral(call(builtinBetween, {lit(4), lit(1), lit(3)}), 0.0f);
    // X covers bars 3 and 4, A ends at bar 2: no common bar.
    EXPECT_FALSE(call(builtinBetween, {series({0, 0, 0, 1, 2}, 3), series({1, 1}), lit(3)}));
}

TEST(BuiltinIf, ChoosesByConditionAndKeepsInvalid)
{
    expectBars(call(builtinIf, {series({1, 0, INF}), lit(10), lit(20)}), {10, 20, INF});
    // The second marker and NaN are nonzero conditions: they choose A.
    expectBars(call(builtinIf, {series({CONT, NAN, -1}), series({1, 2, 3}), series({7, 8, 9})}), {1, 2, 3});
    expectLiteral(call(builtinIf, {lit(0), lit(10), lit(20)}), 20.0f);
    expectLiteral(call(builtinIf, {lit(INF), lit(10), lit(20)}), INF);
}

TEST(BuiltinIf, EmptyCommonRangeFails)
{
    EXPECT_FALSE(call(builtinIf, {series({1, 1, 1, 1}, 3), series({1, 1}), lit(2)}));
}

TEST(BuiltinCross, NeedsStrictlyBelowThenStrictlyAbove)
{
    expectBars(call(builtinCross, {series({1, 2, 3}), lit(2)}), {0, 0, 0});
    expectBars(call(builtinCross, {series({1, 3}), lit(2)}), {0, 1});
    // A literal A takes B's shape: 2 crosses above B where B drops from 3 to 1.
    expectBars(call(builtinCross, {lit(2), series({3, 1, 3})}), {0, 1, 0});
}

TEST(BuiltinCross, InvalidBarsAndTheBarAfterThem)
{
    expectBars(call(builtinCross, {series({1, 1, 1, 3, 3}), series({2, 2, 2, INF, 2})}), {0, 0, 0, INF, 0});
    // After a +inf bar the previous A is +inf, never below B.
    expectBars(call(builtinCross, {series({INF, 3}), lit(2)}), {INF, 0});
}

TEST(BuiltinCross, TwoLiteralsNeverCross)
{
    expectLiteral(call(builtinCross, {lit(1), lit(2)}), 0.0f);
}

TEST(BuiltinExist, OneOrMoreWithinTheWindow)
{
    expectBars(call(builtinExist, {series({0, 0.5f, 0, 0}), lit(2)}), {0, 0, 0, 0});
    expectBars(call(builtinExist, {series({0, 1, 0, 0}), lit(2)}), {0, 1, 1, 0});
    // N = 0 reaches back to the first valid bar; +inf counts as >= 1.
    expectBars(call(builtinExist, {series({0, 1, 0, 0}), lit(0)}), {0, 1, 1, 1});
    expectBars(call(builtinExist, {series({INF, 0, 0}), lit(2)}), {1, 1, 0});
    // A window length per bar.
    expectBars(call(builtinExist, {series({1, 0, 0, 0}), series({1, 2, 3, 3})}), {1, 1, 1, 0});
    expectLiteral(call(builtinExist, {lit(2), lit(3)}), 1.0f);
}

TEST(BuiltinFilter, ClearsTheNBarsAfterATrueBar)
{
    expectBars(call(builtinFilter, {series({1, 1, 1, 0, 1, 1}), lit(2)}), {1, 0, 0, 0, 1, 0});
    // +inf passes through unchanged, the second marker is a true bar.
    expectBars(call(builtinFilter, {series({INF, 1, 1, CONT}), lit(1)}), {INF, 1, 0, 1});
}

TEST(BuiltinFilter, NegativeCountIsZero)
{
    ArgumentPtr r = call(builtinFilter, {series({1, 1, 0}), lit(-3)});
    expectBars(r, {1, 1, 0});
    EXPECT_EQ(r->values.size(), 3u);
}

TEST(BuiltinFilter, LiteralDataCoversTheRunsBars)
{
    ArgumentPtr r = call(builtinFilter, {lit(1), lit(1)}, 4);
    expectBars(r, {1, 0, 1, 0});
    EXPECT_EQ(r->values.size(), 4u);
}

TEST(BuiltinFilterx, ClearsTheNBarsBeforeScanningBackward)
{
    expectBars(call(builtinFilterx, {series({0, 1, 1, 0, 1, 1}), lit(1)}), {0, 0, 1, 0, 0, 1});
    expectBars(call(builtinFilterx, {series({1, 0, 0, 1, 1}), lit(2)}), {1, 0, 0, 0, 1});
}

TEST(BuiltinFilterx, FewBarsBeforeATrueBarAreNotInvented)
{
    // Bar 1 is true with fewer than 3 bars before it: bar 0 stays 0.
    expectBars(call(builtinFilterx, {series({0, 1, 0, 0}), lit(3)}), {0, 1, 0, 0});
}

TEST(BuiltinFilterx, NegativeCountIsZero)
{
    expectBars(call(builtinFilterx, {series({1, 1, 0}), lit(-2)}), {1, 1, 0});
}

TEST(BuiltinBackset, SetsTheWindowEndingAtATrueBar)
{
    expectBars(call(builtinBackset, {series({0, 0, 0, 1, 0}), lit(2)}), {0, 0, 1, 1, 0});
    // Bars before the first qualifying value become +inf.
    expectBars(call(builtinBackset, {series({INF, 0, 1}), lit(3)}), {INF, 1, 1});
    // A window longer than the history stops at the first bar.
    expectBars(call(builtinBackset, {series({0, 0, 1}), lit(5)}), {1, 1, 1});
}

// The first qualifying bar is searched over X's bar range: with a first valid
// bar of 2, the 0.0 below it is no value, and the markers at bars 2 and 3 come
// before the first qualifying bar, 4, so bars 0 to 3 are +inf.
TEST(BuiltinBackset, MarkersUpToTheFirstQualifyingBarOfTheRange)
{
    expectBars(call(builtinBackset, {series({0, 0, INF, INF, 0, 1}, 2), lit(2)}), {INF, INF, INF, INF, 1, 1});
}

// Only a count of 0 or below means one bar. A count between 0 and 1 is a
// window length of 0, which reaches back to the first valid bar: with 0.5 at
// bar 3 every bar from 0 (or from the first valid bar 1) to 3 is set.
TEST(BuiltinBackset, CountsOfZeroOrBelowMeanOneBar)
{
    expectBars(call(builtinBackset, {series({0, 0, 0, 1, 0}), lit(0)}), {0, 0, 0, 1, 0});
    expectBars(call(builtinBackset, {series({0, 0, 0, 1, 0}), lit(-4)}), {0, 0, 0, 1, 0});
    expectBars(call(builtinBackset, {series({0, 0, 0, 1, 0}), lit(0.5f)}), {1, 1, 1, 1, 0});
    ArgumentPtr r = call(builtinBackset, {series({0, 0, 0, 1, 0}, 1), lit(0.5f)});
    expectBars(r, {0, 1, 1, 1, 0}, 1);
}

TEST(BuiltinBackset, LiteralAndEmptyRange)
{
    expectLiteral(call(builtinBackset, {lit(3), lit(2)}), 1.0f);
    expectLiteral(call(builtinBackset, {lit(0), lit(2)}), 0.0f);
    ArgumentPtr empty = series({1, 1});
    empty->firstValid = 3;
    EXPECT_FALSE(call(builtinBackset, {empty, lit(2)}));
}

TEST(BuiltinConditions, ThroughAFormula)
{
    TestProgram p;
    p.setSeries("C", {1, 3, 2, 4});
    p.setSeries("O", {2, 2, 3, 3});
    p.name("C").name("O").call("CROSS").assign("X").drop();
    p.name("X").num(5).num(7).call("IF").assign("Y").drop();
    ASSERT_EQ(p.run(4), 1);
    EXPECT_EQ(p.values("X"), (std::vector<float>{0, 1, 0, 1}));
    EXPECT_EQ(p.values("Y"), (std::vector<float>{7, 5, 7, 5}));
}

}  // namespace
