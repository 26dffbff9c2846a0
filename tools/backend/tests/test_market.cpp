// The local market looks like a trading day: invented names that match their
// codes, prices from about 1 to 2,000 yuan, stocks at their limits, one
// suspended, shares in 亿, an order book behind the order ratio, outer and
// inner volume that differ.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "syntheticmarket.h"

namespace {

const SyntheticMarket& market()
{
    return SyntheticMarket::instance();
}

}  // namespace

TEST(SyntheticMarketDay, StocksLookLikeATradingDay)
{
    std::set<std::string> names;
    int sealed_up[3] = {}, sealed_down[3] = {}, suspended = 0, cheap = 0, dear = 0;
    for (const SyntheticCode& c : market().codes()) {
        if (c.type != 2)
            continue;
        SCOPED_TRACE(c.code + " " + c.name);
        EXPECT_TRUE(names.insert(c.name).second) << "one name per stock";
        EXPECT_EQ(c.name.find("沪市"), std::string::npos);
        EXPECT_EQ(c.name.find("深市"), std::string::npos);
        // The limit by board: ST names 5 %, the 300xxx board 20 %, others 10 %.
        const bool st = c.name.find("ST") != std::string::npos;
        const double limit = st ? 0.05 : c.code.compare(0, 3, "300") == 0 ? 0.20 : 0.10;
        EXPECT_DOUBLE_EQ(c.limit, limit);
        EXPECT_EQ(c.pinyin.compare(0, 2, "ST") == 0, st);
        const SyntheticDay d = market().day(c, 0);
        const int64_t up = market().value(c, d, 44), down = market().value(c, d, 45);
        EXPECT_EQ(up, std::lround(d.pre_close * (1 + limit) / 100.0) * 100);
        EXPECT_EQ(down, std::lround(d.pre_close * (1 - limit) / 100.0) * 100);
        EXPECT_GE(d.close, down);
        EXPECT_LE(d.close, up);
        EXPECT_GE(d.low, down);
        EXPECT_LE(d.high, up);
        const int board = st ? 0 : limit > 0.1 ? 2 : 1;
        sealed_up[board] += d.close == up;
        sealed_down[board] += d.close == down;
        cheap += d.pre_close < 30000;
        dear += d.pre_close > 5000000;
        EXPECT_GE(d.pre_close, 10000);
        EXPECT_LE(d.pre_close, 20000000);
        // Shares in 亿; the tradable part of them.
        EXPECT_GE(market().value(c, d, 306), 50000000);
        EXPECT_LE(market().value(c, d, 351), market().value(c, d, 306));
        if (c.suspended) {
            ++suspended;
            EXPECT_EQ(d.volume, 0);
            EXPECT_EQ(d.amount, 0);
            EXPECT_EQ(d.close, d.pre_close);
            EXPECT_EQ(market().value(c, d, 38), 0);
            continue;
        }
        // Outer and inner volume add up to the day's and differ; the order
        // ratio is a fraction (x 10000) of the book's bought and sold volume,
        // whose difference is the order difference.
        const int64_t outer = market().value(c, d, 32), inner = market().value(c, d, 46);
        EXPECT_EQ(outer + inner, d.volume);
        EXPECT_NE(outer, inner);
        int64_t bought = 0, sold = 0;
        for (int level = 0; level < 5; ++level) {
            bought += market().value(c, d, static_cast<uint16_t>(15 + 4 * level));
            sold += market().value(c, d, static_cast<uint16_t>(14 + 4 * level));
        }
        EXPECT_EQ(market().value(c, d, 39), bought - sold);
        EXPECT_EQ(market().value(c, d, 38), (bought - sold) * 10000 / (bought + sold));
        EXPECT_NE(market().value(c, d, 39), outer);
        if (d.close == up)
            EXPECT_EQ(sold, 0) << "nobody sells at the limit up";
        if (d.close == down)
            EXPECT_EQ(bought, 0) << "nobody buys at the limit down";
        // Turnover: the day's volume over the tradable shares, a fraction.
        EXPECT_EQ(market().value(c, d, 37), d.volume * 10000 / market().value(c, d, 351));
    }
    EXPECT_EQ(suspended, 1);
    for (int board = 0; board < 3; ++board) {
        EXPECT_GE(sealed_up[board], 1) << "board " << board;
        EXPECT_GE(sealed_down[board], 1) << "board " << board;
    }
    EXPECT_GT(cheap, 10) << "stocks under 3 yuan";
    EXPECT_GT(dear, 2) << "stocks over 500 yuan";
}

// The live price is the last point of today's walk and moves with the ticks
// (unless sealed or suspended); the moves of the day differ from stock to stock.
TEST(SyntheticMarketDay, TheLivePriceEndsTheMinuteWalk)
{
    SyntheticMarket& m = SyntheticMarket::instance();
    std::set<int64_t> five_minute_moves;
    int moved = 0;
    for (const SyntheticCode& c : m.codes()) {
        const int32_t before = m.price(c);
        EXPECT_EQ(m.minutes(c, 0).back().price, before) << c.code;
        EXPECT_EQ(m.day(c, 0).close, before) << c.code;
        five_minute_moves.insert(m.value(c, m.day(c, 0), 36));
        m.tick();
        const int32_t after = m.price(c);
        EXPECT_EQ(m.minutes(c, 0).back().price, after) << c.code;
        moved += after != before;
        if (c.type == 2 && (c.sealed || c.suspended))
            EXPECT_EQ(after, before) << c.code;
    }
    EXPECT_GT(moved, 100);
    EXPECT_GT(five_minute_moves.size(), 50u);
}
