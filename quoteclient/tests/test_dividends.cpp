// Dividend records (0x37): wire values, cumulative factors, the symbol's
// dividend list, and the forward and backward adjustment of bars.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "b2cclient0x37reply.h"
#include "b2cservice.h"
#include "dividendadjuster.h"
#include "replyharness.h"
#include "symbolrecord.h"
#include "symboltable.h"

namespace {

// One event on the wire: date, cash, rights price, rights ratio, bonus ratio, unused.
WireBytes& event(WireBytes& w, int32_t date, int32_t cash, int32_t rights_price, int32_t rights_ratio, int32_t bonus)
{
    return w.i32(date).i32(cash).i32(rights_price).i32(rights_ratio).i32(bonus).i32(12345);
}

struct WireEvent {
    int32_t date, cash, rights_price, rights_ratio, bonus;
};

// An answer for one stock (type 2): its identity, the event count, then the events.
std::vector<uint8_t> answer_body(const char* code, const char* name, unsigned decimal, unsigned market,
                                 std::initializer_list<WireEvent> events)
{
    WireBytes w;
    w.identity(code, name, decimal, market, 2).i16(static_cast<int>(events.size()));
    for (const WireEvent& e : events)
        event(w, e.date, e.cash, e.rights_price, e.rights_ratio, e.bonus);
    return w.bytes();
}

const QuoteDividendPoints* points(const std::shared_ptr<B2CClient0x37Reply>& r)
{
    return static_cast<const QuoteDividendPoints*>(r->reply()->data);
}

DividendEvent ev(int64_t time, double ff, double fs, double bf, double bs)
{
    DividendEvent e;
    e.time = time;
    e.forward_factor = ff;
    e.forward_sum = fs;
    e.backward_factor = bf;
    e.backward_sum = bs;
    return e;
}

QuoteKPoint bar(int64_t time, float price)
{
    QuoteKPoint b{};
    b.time = time;
    b.high = b.open = b.low = b.close = price;
    b.extra = price;
    return b;
}

}  // namespace

TEST(Dividends, OneBonusEventFactors)
{
    use_china_time();
    auto ctx = std::make_shared<Context>(nullptr);
    auto reply = processed<B2CClient0x37Reply>(answer_body("600000", "浦发银行", 2, 1, {{20260601, 50, 0, 0, 30}}), 1,
                                               ctx, nullptr);
    ASSERT_EQ(reply->reply()->kind, QUOTE_REPLY_DIVIDEND);
    EXPECT_EQ(reply->reply()->count, 1);
    const QuoteDividendPoints* p = points(reply);
    ASSERT_EQ(p->count, 1);
    const QuoteDividend& e = p->events[0];
    const double bonus = 0.3f;  // the division is done in single precision
    EXPECT_EQ(e.time, china_seconds(2026, 6, 1));
    EXPECT_DOUBLE_EQ(e.bonus_ratio, bonus);
    EXPECT_DOUBLE_EQ(e.cash_dividend, 0.5);
    EXPECT_DOUBLE_EQ(e.forward_factor, 1 / (1 + bonus));
    EXPECT_DOUBLE_EQ(e.forward_sum, -0.5 / (1 + bonus));
    EXPECT_DOUBLE_EQ(e.backward_factor, 1 + bonus);
    EXPECT_DOUBLE_EQ(e.backward_sum, 0.5);
    EXPECT_STREQ(p->code_info.code, "600000");
}

TEST(Dividends, TwoEventsAccumulateAndRightsPriceScale)
{
    use_china_time();
    auto ctx = std::make_shared<Context>(nullptr);
    const auto body =
        answer_body("000001", "平安银行", 2, 2,
                    {{20260601, 100, 0, 0, 0},       // newest: cash 1.00
                     {20250601, 0, 1250, 0, 100}});  // oldest: one bonus share per share; rights price 1.25
    auto reply = processed<B2CClient0x37Reply>(body, 1, ctx, nullptr);
    const QuoteDividendPoints* p = points(reply);
    ASSERT_EQ(p->count, 2);
    // Forward: newest (1, -1); oldest (0.5, -1 + 0 / 2 * 1).
    EXPECT_DOUBLE_EQ(p->events[0].forward_factor, 1.0);
    EXPECT_DOUBLE_EQ(p->events[0].forward_sum, -1.0);
    EXPECT_DOUBLE_EQ(p->events[1].forward_factor, 0.5);
    EXPECT_DOUBLE_EQ(p->events[1].forward_sum, -1.0);
    // Backward: oldest (2, 0); newest (2, 0 + 1 * 2).
    EXPECT_DOUBLE_EQ(p->events[1].backward_factor, 2.0);
    EXPECT_DOUBLE_EQ(p->events[1].backward_sum, 0.0);
    EXPECT_DOUBLE_EQ(p->events[0].backward_factor, 2.0);
    EXPECT_DOUBLE_EQ(p->events[0].backward_sum, 2.0);
    EXPECT_DOUBLE_EQ(p->events[1].rights_price, 1.25);
}

TEST(Dividends, DecimalBeyondTableAndZeroDivisorAreSafe)
{
    use_china_time();
    auto ctx = std::make_shared<Context>(nullptr);
    const auto body =
        answer_body("600001", "x", 9, 1,
                    {{20260601, 100, 250000, 0, 0}, {20250601, 0, 0, 0, -100}});  // 1 + 0 + (-1) = 0: no factor from it
    auto reply = processed<B2CClient0x37Reply>(body, 1, ctx, nullptr);
    const QuoteDividendPoints* p = points(reply);
    ASSERT_EQ(p->count, 2);
    EXPECT_DOUBLE_EQ(p->events[0].rights_price, 2.5);  // decimal 9 takes the last divisor, 100000
    EXPECT_DOUBLE_EQ(p->events[1].forward_factor, p->events[0].forward_factor);
    EXPECT_DOUBLE_EQ(p->events[1].forward_sum, p->events[0].forward_sum);
    EXPECT_DOUBLE_EQ(p->events[1].backward_factor, 1.0);
    EXPECT_DOUBLE_EQ(p->events[1].backward_sum, 0.0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(std::isfinite(p->events[i].forward_factor));
        EXPECT_TRUE(std::isfinite(p->events[i].backward_sum));
    }
}

TEST(Dividends, AnswerReplacesTheSymbolsDividendList)
{
    use_china_time();
    B2CService& engine = B2CService::instance();
    auto ctx = std::make_shared<Context>(&engine);
    processed<B2CClient0x37Reply>(answer_body("600036", "招商银行", 2, 1, {{20260601, 50, 0, 0, 30}}), 1, ctx, &engine);
    const SymbolRecord* record = engine.symbols().find("600036", 1);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->links.dividends.size(), 1u);
    EXPECT_EQ(record->links.dividends[0].time, china_seconds(2026, 6, 1));
    // An answer without events clears the list.
    auto empty = processed<B2CClient0x37Reply>(WireBytes().identity("600036", "招商银行", 2, 1, 2).i16(0).bytes(), 1,
                                               ctx, &engine);
    EXPECT_EQ(points(empty)->count, 0);
    EXPECT_TRUE(record->links.dividends.empty());
}

TEST(Dividends, BadCountsBecomeErrorReplies)
{
    auto ctx = std::make_shared<Context>(nullptr);
    expect_bad_reply(
        processed<B2CClient0x37Reply>(WireBytes().identity("1", "2", 2, 1, 2).i16(-1).bytes(), 1, ctx, nullptr)
            ->reply());
    expect_bad_reply(
        processed<B2CClient0x37Reply>(WireBytes().identity("1", "2", 2, 1, 2).i16(1).i32(1).bytes(), 1, ctx, nullptr)
            ->reply());
}

// Events of the two-event case above: cash 1.00 on 2026-06-01 after a 1:1
// bonus on 2025-06-01. A price of 20 before both is 10 between and 9 after.
class Adjustment : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_china_time();
        events = {ev(china_seconds(2026, 6, 1), 1.0, -1.0, 2.0, 2.0),
                  ev(china_seconds(2025, 6, 1), 0.5, -1.0, 2.0, 0.0)};
    }
    std::vector<DividendEvent> events;
};

TEST_F(Adjustment, ForwardBringsOlderPricesToToday)
{
    std::vector<QuoteKPoint> bars = {bar(china_seconds(2025, 5, 30), 20), bar(china_seconds(2025, 6, 1), 10),
                                     bar(china_seconds(2026, 5, 29), 10), bar(china_seconds(2026, 6, 1), 9),
                                     bar(china_seconds(2026, 6, 2), 9)};
    DividendAdjuster::adjust(bars.data(), bars.size(), events.data(), events.size(), kOptionForward);
    const float want[] = {9, 9, 9, 9, 9};
    for (size_t i = 0; i < bars.size(); ++i) {
        EXPECT_FLOAT_EQ(bars[i].close, want[i]) << "bar " << i;
        EXPECT_FLOAT_EQ(bars[i].high, want[i]) << "bar " << i;
        EXPECT_FLOAT_EQ(bars[i].open, want[i]) << "bar " << i;
        EXPECT_FLOAT_EQ(bars[i].low, want[i]) << "bar " << i;
    }
    EXPECT_FLOAT_EQ(bars[0].extra, 20);  // only the four prices change
}

TEST_F(Adjustment, BackwardBringsNewerPricesToTheStart)
{
    std::vector<QuoteKPoint> bars = {bar(china_seconds(2025, 5, 30), 20), bar(china_seconds(2025, 6, 1), 10),
                                     bar(china_seconds(2026, 5, 29), 10), bar(china_seconds(2026, 6, 1), 9),
                                     bar(china_seconds(2026, 6, 2), 9)};
    DividendAdjuster::adjust(bars.data(), bars.size(), events.data(), events.size(), kOptionBackward);
    // Bars on an event's day are on its far side and adjusted by it.
    for (size_t i = 0; i < bars.size(); ++i)
        EXPECT_FLOAT_EQ(bars[i].close, 20) << "bar " << i;
}

TEST_F(Adjustment, WeeklyBarsStepOverEveryEventBetweenThem)
{
    // Both events fall between two weekly bars.
    std::vector<DividendEvent> close_events = {ev(china_seconds(2026, 6, 1), 1.0, -1.0, 2.0, 2.0),
                                               ev(china_seconds(2026, 5, 27), 0.5, -1.0, 2.0, 0.0)};
    std::vector<QuoteKPoint> bars = {bar(china_seconds(2026, 5, 22), 20), bar(china_seconds(2026, 6, 5), 9)};
    DividendAdjuster::adjust(bars.data(), bars.size(), close_events.data(), close_events.size(), kOptionForward);
    EXPECT_FLOAT_EQ(bars[0].close, 9);
    EXPECT_FLOAT_EQ(bars[1].close, 9);  // after both events: unchanged
    std::vector<QuoteKPoint> back = {bar(china_seconds(2026, 5, 22), 20), bar(china_seconds(2026, 6, 5), 9)};
    DividendAdjuster::adjust(back.data(), back.size(), close_events.data(), close_events.size(), kOptionBackward);
    EXPECT_FLOAT_EQ(back[0].close, 20);  // before both: unchanged
    EXPECT_FLOAT_EQ(back[1].close, 20);
}

TEST_F(Adjustment, OptionBitsChooseTheDirection)
{
    const std::vector<QuoteKPoint> original = {bar(china_seconds(2025, 5, 30), 20)};
    struct Case {
        int option;
        float want;
    };
    for (const Case& c :
         {Case{0, 20}, Case{kOptionNoAdjust | kOptionForward, 20}, Case{kOptionNoAdjust | kOptionBackward, 20},
          Case{kOptionForward | kOptionBackward, 9}, Case{8, 20}}) {
        auto bars = original;
        DividendAdjuster::adjust(bars.data(), bars.size(), events.data(), events.size(), c.option);
        EXPECT_FLOAT_EQ(bars[0].close, c.want) << "option " << c.option;
    }
    // No event after the first bar: forward changes nothing.
    std::vector<QuoteKPoint> late = {bar(china_seconds(2026, 7, 1), 9)};
    DividendAdjuster::adjust(late.data(), late.size(), events.data(), events.size(), kOptionForward);
    EXPECT_FLOAT_EQ(late[0].close, 9);
}
