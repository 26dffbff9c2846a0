// Price distribution (0x3C) and tick detail (0x26): first and later answers,
// shares, totals, and bad counts.
#include <gtest/gtest.h>

#include "b2cclient0x26reply.h"
#include "b2cclient0x3creply.h"
#include "replyharness.h"

namespace {

std::shared_ptr<Context> ctx_of()
{
    use_china_time();
    return std::make_shared<Context>(nullptr);
}

}  // namespace

TEST(PriceDistribution, LevelsSharesAndLargestVolume)
{
    auto cache = std::make_shared<CodeCache>();
    WireBytes w;
    w.identity("600000", "浦发银行", 2, 1, 2).i32(101000).i64(20).i16(3);
    w.i32(100000).i64(5).i64(1);
    w.i32(101000).i64(9).i64(4);
    w.i32(102000).i64(3).i64(0);
    auto reply = processed<B2CClient0x3CReply>(w.bytes(), 1, ctx_of(), cache);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_PRICE_VOLUME);
    EXPECT_EQ(r->count, 1);
    const auto* d = static_cast<const QuotePriceDistribution*>(r->data);
    EXPECT_FLOAT_EQ(d->price, 10.1f);
    EXPECT_EQ(d->total_volume, 20);
    EXPECT_EQ(d->max_volume, 9);
    ASSERT_EQ(d->count, 3);
    EXPECT_FLOAT_EQ(d->levels[0].price, 10.0f);
    EXPECT_FLOAT_EQ(d->levels[0].volume_share, 0.25f);
    EXPECT_FLOAT_EQ(d->levels[0].second_share, 0.05f);
    EXPECT_FLOAT_EQ(d->levels[1].volume_share, 0.45f);
    EXPECT_EQ(d->levels[1].second_volume, 4);
    EXPECT_STREQ(d->code_info.code, "600000");
    EXPECT_FLOAT_EQ(cache->price, 10.1f);
}

TEST(PriceDistribution, LaterAnswerKeepsIdentityAndZeroTotalGivesZeroShares)
{
    auto ctx = ctx_of();
    auto cache = std::make_shared<CodeCache>();
    processed<B2CClient0x3CReply>(WireBytes().identity("600000", "浦发银行", 2, 1, 2).i32(101000).i64(0).i16(0).bytes(),
                                  1, ctx, cache);
    auto reply =
        processed<B2CClient0x3CReply>(WireBytes().i64(0).i16(1).i32(100000).i64(7).i64(2).bytes(), 2, ctx, cache);
    const auto* d = static_cast<const QuotePriceDistribution*>(reply->reply()->data);
    ASSERT_EQ(reply->reply()->kind, QUOTE_REPLY_PRICE_VOLUME);
    EXPECT_STREQ(d->code_info.name, "浦发银行");
    EXPECT_FLOAT_EQ(d->price, 10.1f);
    EXPECT_EQ(d->levels[0].volume_share, 0.0f);
    EXPECT_EQ(d->levels[0].second_share, 0.0f);
    EXPECT_EQ(d->max_volume, 7);
}

TEST(PriceDistribution, BadCountsBecomeErrorReplies)
{
    auto ctx = ctx_of();
    auto cache = std::make_shared<CodeCache>();
    expect_bad_reply(processed<B2CClient0x3CReply>(WireBytes().i64(10).i16(-1).bytes(), 2, ctx, cache)->reply());
    expect_bad_reply(
        processed<B2CClient0x3CReply>(WireBytes().i64(10).i16(2).i32(1).i64(1).i64(1).bytes(), 2, ctx, cache)->reply());
    expect_bad_reply(
        processed<B2CClient0x3CReply>(WireBytes().identity("6", "x", 2, 1, 2).bytes(), 1, ctx, cache)->reply());
}

TEST(TickDetail, EntriesTotalAndContextTotal)
{
    auto ctx = ctx_of();
    auto cache = std::make_shared<CodeCache>();
    WireBytes w;
    w.identity("000001", "平安银行", 2, 2, 2).i32(112300).i32(4321).i16(2);
    w.i32(112400).i64(300).i32(93000).i32(-5).u8('B');
    w.i32(112500).i64(1200).i32(93003).i32(7).u8('S');
    auto reply = processed<B2CClient0x26Reply>(w.bytes(), 1, ctx, cache);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_DETAIL);
    const auto* d = static_cast<const QuoteDetailPoints*>(r->data);
    EXPECT_FLOAT_EQ(d->price, 11.23f);
    EXPECT_EQ(d->total, 4321);
    EXPECT_EQ(ctx->total(), 4321);
    ASSERT_EQ(d->count, 2);
    EXPECT_EQ(d->entries[0].time, china_seconds(1970, 1, 1, 9, 30, 0));
    EXPECT_FLOAT_EQ(d->entries[0].price, 11.24f);
    EXPECT_EQ(d->entries[0].volume, 300);
    EXPECT_EQ(d->entries[0].value, -5);
    EXPECT_EQ(d->entries[0].flag, 'B');
    EXPECT_EQ(d->entries[1].time, china_seconds(1970, 1, 1, 9, 30, 3));

    // A later answer of version 2 still reports the identity of the first.
    auto later = processed<B2CClient0x26Reply>(
        WireBytes().i32(4322).i16(1).i32(112600).i64(1).i32(93010).i32(0).u8(0).bytes(), 2, ctx, cache);
    const auto* d2 = static_cast<const QuoteDetailPoints*>(later->reply()->data);
    EXPECT_STREQ(d2->code_info.code, "000001");
    EXPECT_STREQ(d2->code_info.name, "平安银行");
    EXPECT_FLOAT_EQ(d2->price, 11.23f);
    EXPECT_EQ(ctx->total(), 4322);
}

TEST(TickDetail, BadCountsBecomeErrorReplies)
{
    auto ctx = ctx_of();
    auto cache = std::make_shared<CodeCache>();
    expect_bad_reply(processed<B2CClient0x26Reply>(WireBytes().i32(1).i16(-3).bytes(), 2, ctx, cache)->reply());
    expect_bad_reply(
        processed<B2CClient0x26Reply>(WireBytes().i32(1).i16(1).i32(1).i64(1).i32(1).i32(1).bytes(), 2, ctx, cache)
            ->reply());
}
