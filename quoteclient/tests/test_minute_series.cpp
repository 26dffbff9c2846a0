// Minute series (0x27 and 0x24): points by the echoed options, zero prices,
// the cached reference price, the axis, and bad counts.
#include <gtest/gtest.h>

#include "b2cclient0x24reply.h"
#include "b2cclient0x27reply.h"
#include "replyharness.h"

namespace {

std::shared_ptr<Context> ctx_of()
{
    use_china_time();
    return std::make_shared<Context>(nullptr);
}

const QuoteMinPoints* series(const std::shared_ptr<B2CBasicReply>& r)
{
    return static_cast<const QuoteMinPoints*>(r->reply()->data);
}

}  // namespace

TEST(MinuteSeries, ByDateReadsEchoedOptionsAndReplacesZeroPrice)
{
    WireBytes w;
    w.identity("600000", "浦发银行", 2, 1, 2).i32(123400).i64(99).i16(2);
    // Echoed options in another order than sent, with 5 (read and dropped) and 12 (nothing).
    w.u8(8).u8(7).u8(9).u8(1).u8(3).u8(5).u8(12).u8(2).u8(4);
    w.i16(-7).i64(202612080931LL).i32(0).i64(100).i64(555).i64(2000).i32(123000);
    w.i16(8).i64(202612080932LL).i32(124000).i64(150).i64(0).i64(3000).i32(123500);
    std::shared_ptr<B2CBasicReply> reply = processed<B2CClient0x27Reply>(w.bytes(), 1, ctx_of());
    ASSERT_EQ(reply->reply()->kind, QUOTE_REPLY_MINUTE);
    EXPECT_EQ(reply->reply()->count, 1);
    const QuoteMinPoints* s = series(reply);
    EXPECT_FLOAT_EQ(s->price, 12.34f);
    EXPECT_EQ(s->value1, 99);
    EXPECT_EQ(s->value2, 99);
    EXPECT_EQ(s->value3, 0);
    ASSERT_EQ(s->count, 2);
    EXPECT_EQ(s->points[0].time, china_seconds(2026, 12, 8, 9, 31));
    EXPECT_FLOAT_EQ(s->points[0].price, 12.34f);  // 0 on the wire
    EXPECT_EQ(s->points[0].volume, 100);
    EXPECT_EQ(s->points[0].amount, 2000);
    EXPECT_FLOAT_EQ(s->points[0].avg_price, 12.3f);
    EXPECT_EQ(s->points[0].value, -7);
    EXPECT_FLOAT_EQ(s->points[1].price, 12.4f);
    ASSERT_NE(s->axis, nullptr);
    EXPECT_EQ(s->axis->points, 241);
    EXPECT_EQ(s->axis->count, 4);
    EXPECT_EQ(s->axis->bounds[1].index, 120);
    EXPECT_EQ(s->axis->bounds[1].number, 18);
    EXPECT_EQ(s->axis->bounds[3].seconds, 25200);
}

TEST(MinuteSeries, TimeThatDoesNotConvertBecomesZero)
{
    WireBytes w;
    w.identity("600000", "x", 2, 1, 2).i32(10000).i64(0).i16(1).u8(1).u8(9).i64(-99999999999999LL);
    std::shared_ptr<B2CBasicReply> reply = processed<B2CClient0x27Reply>(w.bytes(), 1, ctx_of());
    ASSERT_EQ(series(reply)->count, 1);
    EXPECT_EQ(series(reply)->points[0].time, 0);
}

TEST(MinuteSeries, ByIndexKeepsReferencePriceForLaterVersions)
{
    auto ctx = ctx_of();
    auto cache = std::make_shared<CodeCache>();
    WireBytes first;
    first.identity("000001", "平安银行", 2, 2, 2).i32(112300).i64(11).i64(22).i16(3).i16(1).u8(1).u8(1).i32(0);
    std::shared_ptr<B2CBasicReply> a = processed<B2CClient0x24Reply>(first.bytes(), 1, ctx, cache);
    const QuoteMinPoints* s = series(a);
    ASSERT_EQ(a->reply()->kind, QUOTE_REPLY_MINUTE);
    EXPECT_FLOAT_EQ(s->price, 11.23f);
    EXPECT_EQ(s->value1, 22);  // the second int64 first
    EXPECT_EQ(s->value2, 11);
    EXPECT_EQ(s->value3, 3);
    EXPECT_FLOAT_EQ(s->points[0].price, 11.23f);

    WireBytes later;
    later.i64(33).i64(44).i16(5).i16(2).u8(1).u8(1).i32(0).i32(112400);
    std::shared_ptr<B2CBasicReply> b = processed<B2CClient0x24Reply>(later.bytes(), 2, ctx, cache);
    s = series(b);
    EXPECT_FLOAT_EQ(s->price, 11.23f);
    EXPECT_EQ(s->code_info.code[0], '\0');
    EXPECT_EQ(s->value1, 44);
    EXPECT_EQ(s->points[0].price, 0.0f);  // zero stays zero in later versions
    EXPECT_FLOAT_EQ(s->points[1].price, 11.24f);
}

TEST(MinuteSeries, BadCountsBecomeErrorReplies)
{
    auto ctx = ctx_of();
    auto cache = std::make_shared<CodeCache>();
    expect_bad_reply(
        processed<B2CClient0x24Reply>(WireBytes().i64(1).i64(2).i16(3).i16(-1).u8(0).bytes(), 2, ctx, cache)->reply());
    expect_bad_reply(
        processed<B2CClient0x24Reply>(WireBytes().i64(1).i64(2).i16(3).i16(2).u8(1).u8(3).i64(1).bytes(), 2, ctx, cache)
            ->reply());
    expect_bad_reply(
        processed<B2CClient0x27Reply>(WireBytes().identity("1", "2", 2, 1, 1).i32(1).bytes(), 1, ctx)->reply());
}
