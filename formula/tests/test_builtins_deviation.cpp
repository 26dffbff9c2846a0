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
