// Mean absolute deviation and covariance on hand-computed series.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinAvedev, MeanAbsoluteDeviation)
{
    expectBars(call(builtinAvedev, {series({1, 2, 3, 4}), lit(3)}), {INF, INF, 2.0f / 3.0f, 2.0f / 3.0f});
    expectBars(call(builtinAvedev, {series({1, 3}), lit(0)}), {0, 1});
    expectBars(call(builtinAvedev, {series({1, 2, 3}), lit(5)}), {INF, INF, INF});
    // A marker in the window gives the marker, not NaN.
    expectBars(call(builtinAvedev, {series({1, INF, 3, 5}), lit(2)}), {INF, INF, INF, 1});
    expectBars(call(builtinAvedev, {lit(4), lit(2)}, 3), {INF, 0, 0});
}

TEST(BuiltinCovar, SampleCovariance)
{
    expectBars(call(builtinCovar, {series({1, 2, 3}), series({1, 2, 3}), lit(3)}), {INF, INF, 1});
    expectBars(call(builtinCovar, {series({1, 2, 3}), series({3, 2, 1}), lit(3)}), {INF, INF, -1});
    expectBars(call(builtinCovar, {series({1, 2, 3}), series({1, 2, 3}), lit(0)}), {INF, INF, INF});
    expectBars(call(builtinCovar, {series({1, 2, 3}), series({1, 2, 3}), lit(5)}), {INF, INF, INF});
    expectBars(call(builtinCovar, {series({1, 2, 4, 8}), series({2, 2, 4, 4}), lit(2)}), {INF, 0, 2, 0});
}

TEST(BuiltinCovar, MeansComeFromTheMovingAverage)
{
    // N = 2.5: MA has no value at bar 1, so neither has covar.
    expectBars(call(builtinCovar, {series({1, 3, 5, 9}), series({1, 3, 5, 9}), lit(2.5f)}), {INF, INF, 2, 8});
    // A series N: windows of N at bar 0 = 2 bars about MA(A, N) and MA(B, N)
    // at each bar. Bar 2 (N = 3 there): means 2 and 8/3; window [1, 2]:
    // (0)(-5/3) + (1)(1/3) = 1/3, divided by 1. Bar 1: (-.5)(1.5) + (.5)(-1.5).
    expectBars(call(builtinCovar, {series({1, 2, 3, 4}), series({4, 1, 3, 2}), series({2, 2, 3, 2})}),
               {INF, -1.5f, 1.0f / 3.0f, -0.5f});
}

TEST(BuiltinCovar, OneValueWindowsAndUnequalLengths)
{
    // N = 1 divides by zero: the marker, not NaN.
    expectBars(call(builtinCovar, {series({1, 2, 3}), series({1, 2, 3}), lit(1)}), {INF, INF, INF});
    // The shorter series bounds the bars computed; the result keeps the longer length.
    ArgumentPtr r = call(builtinCovar, {series({1, 2, 3, 4}), series({1, 2, 3}), lit(2)});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->values.size(), 4u);
    expectBars(r, {INF, 0.5f, 0.5f, INF});
    // Windows cut at the later first valid bar pair values of the same bars.
    expectBars(call(builtinCovar, {series({1, 2, 3, 4}), series({0, 5, 6, 7}, 1), lit(3)}), {INF, INF, 0.5f, 1});
}

TEST(BuiltinDeviationFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"avedev", builtinAvedev, {3}, INF},
        {"avedev N=1", builtinAvedev, {1}, 0},
        {"covar", builtinCovar, {3}, INF, true},
        {"covar N=2", builtinCovar, {2}, INF, true},
    });
}
