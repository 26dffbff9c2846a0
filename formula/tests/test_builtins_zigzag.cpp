// Zigzag line and turning points: zig, peak, peakbars, trough, troughbars.
// Inputs stay clear of the reversal thresholds.

#include <gtest/gtest.h>

#include "builtintestutil.h"
#include "fmltestprogram.h"

namespace {

using namespace builtintest;

TEST(BuiltinZig, RisingThenFalling)
{
    // Bar 1 starts a rising leg, bar 3 (13) becomes a pivot when bar 4 falls
    // below 11.7, and the last bar is above the falling candidate: pivots
    // 0, 3, 4, 5.
    ArgumentPtr r = call(builtinZig, {series({10, 12, 11, 13, 9, 10}), lit(10)});
    expectBars(r, {10, 11, 12, 13, 9, 10});
    EXPECT_EQ(r->firstValid, 0u);
    EXPECT_EQ(r->endBar, 6u);
}

TEST(BuiltinZig, FallingLegFirst)
{
    // Pivots at every bar: 10 -> 8 falls 20 %, 8 -> 9 rises 12.5 %, 9 -> 7
    // falls 22 %.
    expectBars(call(builtinZig, {series({10, 8, 9, 7, 9}), lit(10)}), {10, 8, 9, 7, 9});
}

TEST(BuiltinZig, PercentNeverReachedDrawsOneSegment)
{
    expectBars(call(builtinZig, {series({10, 10.5f, 10.2f, 11}), lit(50)}), {10, 10.3333333f, 10.6666667f, 11});
    expectBars(call(builtinZig, {series({4, 8}), lit(10)}), {4, 8});
}

TEST(BuiltinZig, FewerThanTwoValuesGiveMarkers)
{
    expectBars(call(builtinZig, {series({5}), lit(10)}), {INF});
    ArgumentPtr r = call(builtinZig, {series({}), lit(10)});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->values.empty());
}

TEST(BuiltinZig, LiteralCodeNamesAPriceSeries)
{
    TestProgram p;
    p.setSeries("C", {10, 12, 11, 13, 9, 10});
    p.num(3).num(10).call("ZIG").assign("Z").drop();
    ASSERT_EQ(p.run(6), 1);
    EXPECT_EQ(p.values("Z"), (std::vector<float>{10, 11, 12, 13, 9, 10}));
}

TEST(BuiltinZig, MissingPriceSeriesFailsTheCall)
{
    TestProgram p;
    p.num(1).num(10).call("ZIG").drop();
    EXPECT_EQ(p.run(4), 0);
}

TEST(BuiltinZig, OtherLiteralGivesMarkers)
{
    ArgumentPtr r = call(builtinZig, {lit(5), lit(10)}, 3);
    expectBars(r, {INF});
    EXPECT_FALSE(r->literal);
}

// The zigzag of [1, 3, 2, 4, 1] with 10 % is the series itself.
const std::vector<float> kLine{1, 3, 2, 4, 1};

TEST(BuiltinPeak, MostRecentAndSecondMostRecentPeak)
{
    expectBars(call(builtinPeak, {series(kLine), lit(10), lit(1)}), {INF, 3, 3, 4, 4});
    expectBars(call(builtinPeakbars, {series(kLine), lit(10), lit(1)}), {INF, 0, 1, 0, 1});
    expectBars(call(builtinPeak, {series(kLine), lit(10), lit(2)}), {INF, INF, INF, 3, 3});
    expectBars(call(builtinPeakbars, {series(kLine), lit(10), lit(2)}), {INF, INF, INF, 2, 3});
}

TEST(BuiltinTrough, MostRecentTrough)
{
    expectBars(call(builtinTrough, {series(kLine), lit(10), lit(1)}), {INF, INF, 2, 2, 2});
    expectBars(call(builtinTroughbars, {series(kLine), lit(10), lit(1)}), {INF, INF, 0, 1, 2});
    expectBars(call(builtinTrough, {series(kLine), lit(10), lit(2)}), {INF, INF, INF, INF, INF});
}

TEST(BuiltinPeak, ZeroCountAndSeriesCount)
{
    expectBars(call(builtinPeak, {series(kLine), lit(10), lit(0)}), {INF, INF, INF, INF, INF});
    EXPECT_FALSE(call(builtinPeak, {series(kLine), lit(10), series({1, 1, 1, 1, 1})}));
    EXPECT_FALSE(call(builtinTroughbars, {series(kLine), lit(10), series({1, 1, 1, 1, 1})}));
}

}  // namespace
