// Stop-and-reverse: sar and sarturn over price series served by name.

#include <gtest/gtest.h>

#include "builtintestutil.h"

namespace {

using namespace builtintest;

// A context whose variables hold the price series the builtins fetch.
struct Prices {
    FormulaContext ctx;
    Prices(std::vector<float> h, std::vector<float> l, std::vector<float> c, uint32_t bars)
    {
        ctx.barCount = bars;
        ctx.variables["H"] = series(std::move(h));
        ctx.variables["L"] = series(std::move(l));
        ctx.variables["C"] = series(std::move(c));
    }
};

TEST(BuiltinSar, TurnsBothWays)
{
    // Bar 2 makes a new high (ep 12, af 0.2): (12 - 8) * 0.2 + 8 = 8.8. Bar 3's
    // low 8 is below 8.8: the trend falls, line max(11, 12, 11.6) = 12. Bar 4
    // makes a new low (ep 7, af 0.2): max(9, 11, 11) = 11.
    Prices p({10, 11, 12, 11, 9}, {8, 9, 10, 8, 7}, {9, 10, 11, 9, 8}, 5);
    expectBars(call(builtinSar, {lit(2), lit(10), lit(20)}, 0, &p.ctx), {INF, 8, 8.8f, 12, 11});
    expectBars(call(builtinSarturn, {lit(2), lit(10), lit(20)}, 0, &p.ctx), {INF, 8, 0, -1, 0});
}

TEST(BuiltinSar, AccelerationGrowsToItsCap)
{
    // Rising all the way, a new high on every bar: af 0.04, 0.06, then capped
    // at 0.06. Bar 1 is held at the lower of the last two lows.
    Prices p({10, 11, 12, 13, 14, 15}, {9, 10, 11, 12, 13, 14}, {9, 10, 11, 12, 13, 14}, 6);
    ArgumentPtr r = call(builtinSar, {lit(1), lit(2), lit(6)}, 0, &p.ctx);
    // 9; min(9, 9.08) = 9; 9 + 3 * 0.06 = 9.18; 9.18 + 3.82 * 0.06 = 9.4092;
    // 9.4092 + 4.5908 * 0.06 = 9.684648; 9.684648 + 5.315352 * 0.06 = 10.00356912.
    expectBars(r, {9, 9, 9.18f, 9.4092f, 9.684648f, 10.00356912f}, 0, 1e-5);
}

TEST(BuiltinSar, OpeningWindowOfFourBars)
{
    Prices p({5, 6, 7, 8, 9, 10}, {3, 2, 4, 5, 6, 7}, {4, 4, 5, 6, 7, 8}, 6);
    ArgumentPtr r = call(builtinSar, {lit(4), lit(2), lit(20)}, 0, &p.ctx);
    // Bar 3 holds the lowest low of bars 0-3; bar 4: new high 9, af 0.04,
    // min(6, 5, (9 - 2) * 0.04 + 2 = 2.28) = 2.28.
    expectBars(r, {INF, INF, INF, 2, 2.28f}, 0, 1e-5);
}

TEST(BuiltinSar, BadParametersFail)
{
    Prices p({10, 11, 12}, {8, 9, 10}, {9, 10, 11}, 3);
    EXPECT_FALSE(call(builtinSar, {lit(0), lit(2), lit(20)}, 0, &p.ctx));
    EXPECT_FALSE(call(builtinSar, {lit(-3), lit(2), lit(20)}, 0, &p.ctx));
    EXPECT_FALSE(call(builtinSar, {lit(4), lit(2), lit(20)}, 0, &p.ctx));
    EXPECT_FALSE(call(builtinSar, {series({2, 2, 2}), lit(2), lit(20)}, 0, &p.ctx));
    EXPECT_FALSE(call(builtinSarturn, {lit(0), lit(2), lit(20)}, 0, &p.ctx));
    FormulaContext noPrices;
    noPrices.barCount = 3;
    EXPECT_FALSE(call(builtinSar, {lit(1), lit(2), lit(20)}, 0, &noPrices));
}

TEST(BuiltinSar, BoundedByTheShortestSeries)
{
    // Lows hold only three bars: bars 3 and 4 are not computed.
    Prices p({10, 11, 12, 13, 14}, {8, 9, 10}, {9, 10, 11, 12, 13}, 5);
    ArgumentPtr r = call(builtinSar, {lit(1), lit(10), lit(20)}, 0, &p.ctx);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->values.size(), 5u);
    EXPECT_EQ(r->values[3], INF);
    EXPECT_EQ(r->values[4], INF);
    // N equal to the bar count writes only the last bar.
    Prices q({10, 11, 12}, {8, 9, 7}, {9, 10, 11}, 3);
    expectBars(call(builtinSar, {lit(3), lit(10), lit(20)}, 0, &q.ctx), {INF, INF, 7});
}

TEST(BuiltinSarturn, NeverWritesPastACloseShorterThanTheLine)
{
    Prices p({10, 11, 12, 11, 9}, {8, 9, 10, 8, 7}, {9, 10, 11}, 5);
    ArgumentPtr r = call(builtinSarturn, {lit(2), lit(10), lit(20)}, 0, &p.ctx);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->values.size(), 3u);
    expectBars(r, {INF, 8, 0});
}

}  // namespace
