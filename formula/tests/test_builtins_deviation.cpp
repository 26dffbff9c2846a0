// Mean absolute deviation and covariance on hand-computed series.

#include <algorithm>
#include <cstring>

#include "builtintestutil.h"
#include "rangequeries.h"

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

// The whole history (N = 0) by hand: means 1, 2, 2, 2, 3 over the first one
// to five values; a late marker gives the marker from its bar on; a series
// whose first valid bar is 2 starts its history there.
TEST(BuiltinAvedev, WholeHistoryByHand)
{
    expectBars(call(builtinAvedev, {series({1, 3, 2, 2, 7}), lit(0)}), {0, 1, 2.0f / 3.0f, 0.5f, 1.6f});
    expectBars(call(builtinAvedev, {series({-1, -3, -2, -2, -7}), lit(0)}), {0, 1, 2.0f / 3.0f, 0.5f, 1.6f});
    expectBars(call(builtinAvedev, {series({4, 4, 4, INF, 4}), lit(0)}), {0, 0, 0, INF, INF});
    expectBars(call(builtinAvedev, {series({9, 9, 1, 3, 2, 2, 7}, 2), lit(0)}), {0, 0, 0, 1, 2.0f / 3.0f, 0.5f, 1.6f},
               2);
}

// The one sweep over the whole history and the general sweep of windows that
// may start anywhere (a period given as a series of zeros reaches back to
// the first bar too) give the same bits, on values with ties, signs, both
// zeros, tiny and huge magnitudes, and a NaN and the marker late.
TEST(BuiltinAvedev, WholeHistoryMatchesTheGeneralSweepBitForBit)
{
    std::vector<float> x;
    uint32_t s = 99;
    float p = 10.0f;
    for (int i = 0; i < 3000; ++i) {
        s = s * 1664525u + 1013904223u;
        p += (float((s >> 8) & 0xFF) / 255.0f - 0.5f) * 0.25f;
        x.push_back(i % 7 == 0 ? std::round(p) : p);  // ties among the rounded ones
    }
    x[10] = -0.0f;
    x[11] = 0.0f;
    x[12] = -5.5f;
    x[40] = 1e-30f;
    x[41] = 3e30f;
    std::vector<float> withNaN = x, withMarker = x;
    withNaN[2500] = std::nanf("");
    withMarker[2600] = INF;
    for (const std::vector<float>& v : {x, withNaN, withMarker}) {
        for (const uint32_t first : {0u, 5u}) {
            const ArgumentPtr one = call(builtinAvedev, {series(v, first), lit(0)});
            const ArgumentPtr general =
                call(builtinAvedev, {series(v, first), series(std::vector<float>(v.size(), 0.0f))});
            ASSERT_TRUE(one && general);
            ASSERT_EQ(one->values.size(), general->values.size());
            for (std::size_t i = first; i < v.size(); ++i) {
                uint32_t a, b;
                std::memcpy(&a, &one->values[i], 4);
                std::memcpy(&b, &general->values[i], 4);
                ASSERT_EQ(a, b) << "bar " << i << " (first " << first << "): " << one->values[i] << " against "
                                << general->values[i];
            }
        }
    }
}

// The search from a guess finds what std::lower_bound finds, from every
// guess (past the end too), for targets below, between, on and above the
// values, and NaN.
TEST(RangeQueries, LowerBoundFromAnyGuess)
{
    std::vector<float> many;
    for (int i = 0; i < 100; ++i)
        many.push_back(static_cast<float>(i * i) / 7.0f);
    const std::vector<std::vector<float>> tables = {{}, {1}, {1, 2}, {-3, -1, 0, 0.5f, 2, 7, 9}, many};
    for (const std::vector<float>& t : tables) {
        const uint32_t n = static_cast<uint32_t>(t.size());
        std::vector<double> targets = {-1e9, 1e9, std::nan(""), 0.25, -0.0};
        for (float v : t)
            targets.insert(targets.end(), {v, std::nextafter(static_cast<double>(v), 1e300),
                                           std::nextafter(static_cast<double>(v), -1e300)});
        for (const double target : targets) {
            const uint32_t want = static_cast<uint32_t>(
                std::lower_bound(t.begin(), t.end(), target, [](float v, double b) { return v < b; }) - t.begin());
            for (uint32_t guess = 0; guess <= n + 2; ++guess)
                ASSERT_EQ(rangequeries::lowerBoundFrom(t.data(), n, target, guess), want)
                    << "n " << n << ", target " << target << ", guess " << guess;
        }
    }
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
