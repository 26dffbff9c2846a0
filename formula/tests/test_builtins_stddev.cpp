// Standard deviation, variance and correlation on hand-computed series.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinStd, SampleStandardDeviation)
{
    expectBars(call(builtinStd, {series({1, 2, 3}), lit(3)}), {INF, INF, 1});
    ArgumentPtr r = call(builtinStd, {series({2, 4, 4, 4, 5, 5, 7, 9}), lit(8)});
    expectBars(r, {INF, INF, INF, INF, INF, INF, INF, 2.1380899f});
    expectBars(call(builtinStd, {series({1, 3, 5, 9}), lit(2)}), {INF, 1.4142136f, 1.4142136f, 2.8284271f});
    expectBars(call(builtinStd, {series({1, 3, 5, 9}), series({2, 2, 3, 2})}), {INF, 1.4142136f, 2, 2.8284271f});
}

TEST(BuiltinStd, OneValueWindowsAndMarkersGiveMarker)
{
    expectBars(call(builtinStd, {series({1, 2, 3}), lit(0)}), {INF, INF, INF});
    expectBars(call(builtinStd, {series({1, 2, 3}), lit(1)}), {INF, INF, INF});
    // The first bar of a window cut at the first valid bar holds one value.
    expectBars(call(builtinStd, {series({0, 0, 1, 3}, 2), lit(2)}), {0, 0, INF, 1.4142136f});
    expectBars(call(builtinStd, {series({1, INF, 3, 5}), lit(2)}), {INF, INF, INF, 1.4142136f});
    expectBars(call(builtinStd, {lit(2), lit(2)}, 3), {INF, 0, 0});
}

TEST(BuiltinVar, SampleVariance)
{
    expectBars(call(builtinVar, {series({1, 2, 3}), lit(3)}), {INF, INF, 1});
    expectBars(call(builtinVar, {series({2, 4, 4, 4, 5, 5, 7, 9}), lit(8)}),
               {INF, INF, INF, INF, INF, INF, INF, 32.0f / 7.0f});
    expectBars(call(builtinVar, {series({1, 2, 3}), lit(0)}), {INF, INF, INF});
    expectBars(call(builtinVar, {series({1, 2, 3}), lit(1)}), {INF, INF, INF});
    expectBars(call(builtinVar, {series({1, 3, 5, 9}), lit(2)}), {INF, 2, 2, 8});
}

TEST(BuiltinVar, MeansComeFromTheMovingAverage)
{
    // N = 2.5: windows of 2 bars from bar 1, but MA(X, 2.5) has no value
    // before bar 1.5, so bar 1 is the marker.
    expectBars(call(builtinVar, {series({1, 3, 5, 9}), lit(2.5f)}), {INF, INF, 2, 8});
    // A series N: windows of N at bar 0 = 2 bars, about MA(X, N) at each bar.
    // Bar 2: MA over 3 bars = 3; window [3, 5]: (0 + 4) / 1 = 4.
    expectBars(call(builtinVar, {series({1, 3, 5, 9}), series({2, 2, 3, 2})}), {INF, 2, 4, 8});
}

TEST(BuiltinRelate, MeansComeFromTheMovingAverage)
{
    expectBars(call(builtinRelate, {series({1, 2, 3, 5}), series({2, 4, 6, 7}), lit(2.5f)}), {INF, INF, 1, 1});
    // Bar 2 with N = 3 there: means MA(A) = 2 and MA(B) = 8/3 over bars 0-2,
    // window of 2 bars [1, 2]: da = 0, 1; db = -5/3, 1/3; sxy = 1/3, sxx = 1,
    // syy = 26/9; relate = (1/3) / sqrt(26/9) = 1/sqrt(26).
    expectBars(call(builtinRelate, {series({1, 2, 3, 4}), series({4, 1, 3, 2}), series({2, 2, 3, 2})}),
               {INF, -1, 0.19611614f, -1});
}

TEST(BuiltinRelate, SampleCorrelation)
{
    expectBars(call(builtinRelate, {series({1, 2, 3}), series({2, 4, 6}), lit(3)}), {INF, INF, 1});
    expectBars(call(builtinRelate, {series({1, 2, 3}), series({3, 2, 1}), lit(3)}), {INF, INF, -1});
    expectBars(call(builtinRelate, {series({1, 2, 3}), series({2, 4, 6}), lit(0)}), {INF, INF, INF});
    // A constant series has no spread: a zero denominator gives the marker.
    expectBars(call(builtinRelate, {series({1, 2, 3}), series({5, 5, 5}), lit(3)}), {INF, INF, INF});
    ArgumentPtr r = call(builtinRelate, {series({1, 2, 3}), series({2, 4}), lit(2)});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->values.size(), 3u);
    expectBars(r, {INF, 1, INF});
}

TEST(BuiltinStddevFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"std", builtinStd, {2}, INF},
        {"var", builtinVar, {2}, INF},
        {"relate", builtinRelate, {2}, INF, true},
    });
}
