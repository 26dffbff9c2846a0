// K-lines (0x44): bar decoding, the cache merge, load more with its loading
// flag, incremental answers, refresh, and adjustment of delivered bars.
#include <gtest/gtest.h>

#include <cstring>

#include "b2cclient0x44reply.h"
#include "b2cclientloadmore.h"
#include "b2cclientrefreshreply.h"
#include "b2cservice.h"
#include "kdataclient.h"
#include "ownprocess.h"
#include "replyharness.h"
#include "symboltable.h"

namespace {

// Full-form header: identity, period, state, field ids, count.
WireBytes full_header(uint8_t period, uint8_t state, const std::vector<uint8_t>& ids, int count)
{
    WireBytes w;
    w.identity("600000", "浦发银行", 2, 1, 2).u8(period).u8(state).u8(static_cast<unsigned>(ids.size()));
    for (uint8_t id : ids)
        w.u8(id);
    w.i16(count);
    return w;
}

const std::vector<uint8_t> kIds = {1, 10, 2, 3, 4, 5, 6, 7, 8, 9};

// Two daily bars as differences: 2026-12-07 and 2026-12-08.
WireBytes two_daily_bars(uint8_t state = 2)
{
    WireBytes w = full_header(33, state, kIds, 2);
    w.compressed(0)
        .compressed(20261207)
        .compressed(1000)
        .compressed(1050)
        .compressed(990)
        .compressed(1020)
        .compressed(500000)
        .compressed(3000)
        .compressed(5);
    w.compressed(0)
        .compressed(1)
        .compressed(20)
        .compressed(30)
        .compressed(20)
        .compressed(40)
        .compressed(1000)
        .compressed(-100)
        .compressed(-5);
    return w;
}

const QuoteKPoints* kpoints(const QuoteReply* r)
{
    return static_cast<const QuoteKPoints*>(r->data);
}

// A decoded bar's time, prices, amount and volume.
void expect_bar(const QuoteKPoint& bar, int64_t time, float open, float high, float low, float close, int64_t amount,
                int64_t volume)
{
    EXPECT_EQ(bar.time, time);
    EXPECT_FLOAT_EQ(bar.open, open);
    EXPECT_FLOAT_EQ(bar.high, high);
    EXPECT_FLOAT_EQ(bar.low, low);
    EXPECT_FLOAT_EQ(bar.close, close);
    EXPECT_EQ(bar.amount, amount);
    EXPECT_EQ(bar.volume, volume);
}

QuoteKPoint at(int64_t time, float close)
{
    QuoteKPoint b{};
    b.time = time;
    b.close = close;
    return b;
}

std::vector<int64_t> times(const std::vector<QuoteKPoint>& v)
{
    std::vector<int64_t> t;
    for (const auto& b : v)
        t.push_back(b.time);
    return t;
}

std::shared_ptr<Context> kline_ctx(B2CService* engine, uint8_t period = 33)
{
    use_china_time();
    auto ctx = std::make_shared<Context>(engine);
    ctx->set_type(0);
    ctx->set_period(period);
    ctx->set_codes({CodeEntry::from("600000", 1)});
    ctx->set_page(0, 2);
    return ctx;
}

}  // namespace

TEST(KLine, FullFormDecodesDifferencesIntoBars)
{
    auto ctx = kline_ctx(nullptr);
    auto data = std::make_shared<KData>(33);
    auto reply = processed<B2CClient0x44Reply>(two_daily_bars().bytes(), 1, ctx, data, false, nullptr);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_KLINE);
    EXPECT_EQ(r->count, 1);
    const QuoteKPoints* k = kpoints(r);
    EXPECT_EQ(k->period, 33);
    EXPECT_STREQ(k->code_info.code, "600000");
    EXPECT_STREQ(k->code_info.name, "浦发银行");
    EXPECT_EQ(k->code_info.decimal, 2);
    EXPECT_EQ(k->code_info.market, 1);
    EXPECT_EQ(k->code_info.type, 2);
    ASSERT_EQ(k->count, 2);
    const QuoteKPoint& a = k->points[0];
    expect_bar(a, china_seconds(2026, 12, 7), 10.0f, 10.5f, 9.9f, 10.2f, 500000, 3000);
    EXPECT_FLOAT_EQ(a.extra, 0.05f);
    EXPECT_EQ(a.prev_close, 0.0f);
    const QuoteKPoint& b = k->points[1];
    expect_bar(b, china_seconds(2026, 12, 8), 10.2f, 10.8f, 10.1f, 10.6f, 501000, 2900);
    EXPECT_EQ(b.extra, 0.0f);
    EXPECT_FLOAT_EQ(b.prev_close, 10.2f);
    EXPECT_EQ(data->size(), 2u);
    EXPECT_EQ(data->state(), 2);
    EXPECT_TRUE(data->more_available());
}

TEST(KLine, LongPeriodsTakeTheirTimeFromFieldOne)
{
    auto ctx = kline_ctx(nullptr, 39);
    auto data = std::make_shared<KData>(39);
    const uint32_t packed = (2026u << 20) | (12u << 16) | (4u << 11) | (15u << 6);
    WireBytes w = full_header(39, 2, {10, 1, 5}, 1);
    w.compressed(20261204).compressed(packed).compressed(1234);
    auto reply = processed<B2CClient0x44Reply>(w.bytes(), 1, ctx, data, false, nullptr);
    const QuoteKPoints* k = kpoints(reply->reply());
    ASSERT_EQ(k->count, 1);
    EXPECT_EQ(k->points[0].time, china_seconds(2026, 12, 4, 15, 0));
    EXPECT_FLOAT_EQ(k->points[0].close, 12.34f);
}

TEST(KLine, TruncatedBarsDeliverOnlyWholeBarsAndBadCountsFail)
{
    auto ctx = kline_ctx(nullptr);
    auto data = std::make_shared<KData>(33);
    WireBytes w = full_header(33, 2, {10, 5}, 3);
    w.compressed(20261207).compressed(1000);  // a whole bar (6 bytes)
    w.compressed(1);                          // half of the next
    auto reply = processed<B2CClient0x44Reply>(w.bytes(), 1, ctx, data, false, nullptr);
    ASSERT_EQ(reply->reply()->kind, QUOTE_REPLY_KLINE);
    ASSERT_EQ(kpoints(reply->reply())->count, 1);
    EXPECT_FLOAT_EQ(kpoints(reply->reply())->points[0].close, 10.0f);

    auto fresh = std::make_shared<KData>(33);
    expect_bad_reply(
        processed<B2CClient0x44Reply>(full_header(33, 2, {10, 5}, -1).bytes(), 1, ctx, fresh, false, nullptr)->reply());
    expect_bad_reply(processed<B2CClient0x44Reply>(full_header(33, 2, {10, 5}, 50).compressed(1).bytes(), 1, ctx, fresh,
                                                   false, nullptr)
                         ->reply());
    expect_bad_reply(
        processed<B2CClient0x44Reply>(WireBytes().identity("6", "x", 2, 1, 2).bytes(), 1, ctx, fresh, false, nullptr)
            ->reply());
    EXPECT_TRUE(fresh->empty());
}

TEST(KLine, IncrementalFormUsesTheScaleOfTheLastFullAnswer)
{
    auto ctx = kline_ctx(nullptr);
    auto data = std::make_shared<KData>(33);
    processed<B2CClient0x44Reply>(two_daily_bars().bytes(), 1, ctx, data, false, nullptr);
    WireBytes w;
    w.u8(0).u8(2).u8(10).u8(5).i16(1).u8(0).compressed(20261208).compressed(1099);
    auto reply = processed<B2CClient0x44Reply>(w.bytes(), 2, ctx, data, false, nullptr);
    const QuoteKPoints* k = kpoints(reply->reply());
    EXPECT_EQ(k->period, 0);
    EXPECT_EQ(k->code_info.code[0], '\0');
    ASSERT_EQ(k->count, 1);
    EXPECT_FLOAT_EQ(k->points[0].close, 10.99f);
    // The newest cached bar was overwritten; the cache length is unchanged.
    const auto cache = data->copy();
    ASSERT_EQ(cache.size(), 2u);
    EXPECT_FLOAT_EQ(cache[1].close, 10.99f);
}

TEST(KLine, CacheMergeRules)
{
    using V = std::vector<QuoteKPoint>;
    struct Case {
        const char* name;
        V cache, bars;
        std::vector<int64_t> want;
        float close_at_overlap;
    };
    const Case cases[] = {
        {"into empty", {}, {at(1, 1), at(2, 1)}, {1, 2}, 1},
        {"single bar on the newest", {at(1, 0), at(2, 0)}, {at(2, 7)}, {1, 2}, 7},
        {"append after", {at(1, 0), at(2, 0)}, {at(2, 7), at(3, 7)}, {1, 2, 3}, 7},
        {"older in front", {at(5, 0), at(6, 0)}, {at(1, 7), at(2, 7)}, {1, 2, 5, 6}, 0},
        {"older ending on the oldest", {at(5, 0), at(6, 0)}, {at(3, 7), at(5, 7)}, {3, 5, 6}, 7},
        {"overlap", {at(1, 0), at(3, 0), at(5, 0)}, {at(2, 7), at(3, 7), at(4, 7)}, {1, 2, 3, 4, 5}, 7},
        {"nothing new", {at(1, 0)}, {}, {1}, 0},
    };
    for (const Case& c : cases) {
        V cache = c.cache;
        KData::merge_into(cache, c.bars);
        EXPECT_EQ(times(cache), c.want) << c.name;
    }
    V cache = {at(1, 0), at(3, 0), at(5, 0)};
    KData::merge_into(cache, {at(2, 7), at(3, 7), at(4, 7)});
    EXPECT_FLOAT_EQ(cache[2].close, 7) << "the new bar wins on equal times";
    V front = {at(5, 0), at(6, 0)};
    KData::merge_into(front, {at(3, 7), at(5, 7)});
    EXPECT_FLOAT_EQ(front[1].close, 7);
}

TEST(KLine, LoadMoreNeedsBarsStateTwoAndNoLoadRunning)
{
    RUN_IN_OWN_PROCESS();
    B2CService& engine = B2CService::instance();
    auto ctx = kline_ctx(&engine);
    auto client = KDataClient::create(*ctx);
    EXPECT_EQ(client->page_control(), nullptr);
    EXPECT_FALSE(client->load_more()->load_more(100));  // empty cache

    processed<B2CClient0x44Reply>(two_daily_bars(1).bytes(), 1, ctx, client->data(), false, &engine);
    EXPECT_FALSE(client->load_more()->load_more(100));  // state 1 does not allow it

    processed<B2CClient0x44Reply>(two_daily_bars(2).bytes(), 1, ctx, client->data(), false, &engine);
    EXPECT_TRUE(client->load_more()->load_more(100));
    EXPECT_TRUE(client->data()->loading.load());
    EXPECT_FALSE(client->load_more()->load_more(100));  // one at a time

    // An error answer to the load ends it.
    B2CClientLoadMore more(*ctx, client->data());
    _B2CStream* s = stream_of(WireBytes().u8(1).bytes());
    _B2CQuoteMsg error{1, 0, 5, 0x10, 1, 9, s};
    more.on_reply(error);
    b2c_stream_release(s);
    EXPECT_FALSE(client->data()->loading.load());
    EXPECT_TRUE(client->load_more()->load_more(50));

    // So does a malformed answer to it.
    processed<B2CClient0x44Reply>(WireBytes().u8(1).bytes(), 1, ctx, client->data(), true, &engine);
    EXPECT_FALSE(client->data()->loading.load());
}

// The request's count as the load sends it.
class PageProbe : public B2CClientLoadMore {
public:
    using B2CClientLoadMore::B2CClientLoadMore;
    int32_t asked(const ContextBase& ctx)
    {
        int64_t time = 0;
        int32_t count = -1;
        return time_and_count(ctx, &time, &count) ? count : -1;
    }
    // Takes an answer to the load as the loop and engine threads do.
    void answer(const std::vector<uint8_t>& body)
    {
        _B2CStream* s = stream_of(body);
        _B2CQuoteMsg h{1, 0, 5, 0x44, 1, 7, s};
        auto reply = make_reply(h);
        b2c_stream_release(s);
        reply->set_context(context_);
        reply->process();
    }
};

// An answer carries its bar count in 16 signed bits: a load of 65,535 bars
// asks for 32,766 + 1, then the rest page by page while the server says
// older bars remain, and stops when it says none do.
TEST(KLine, LoadMoreAsksPagesOneAnswerCanCarry)
{
    B2CService& engine = B2CService::instance();
    auto ctx = kline_ctx(&engine);
    auto data = std::make_shared<KData>(33);
    processed<B2CClient0x44Reply>(two_daily_bars(2).bytes(), 1, ctx, data, false, &engine);
    auto load = std::make_shared<PageProbe>(*ctx, data);
    struct Step {
        uint8_t state;  // of the answer to the page before
        int32_t asked;  // then asked (-1: nothing more sent)
        bool loading;
    };
    load->set_count(65535);
    data->loading.store(true);
    EXPECT_EQ(load->asked(*ctx), 32767) << "the first page";
    const Step steps[] = {{2, 32767, true}, {2, 4, true}, {2, -1, false}};
    for (const Step& s : steps) {
        load->answer(two_daily_bars(s.state).bytes());
        EXPECT_EQ(data->loading.load(), s.loading) << "after asking " << s.asked;
        if (s.asked > 0)
            EXPECT_EQ(load->asked(*ctx), s.asked);
    }

    load->set_count(40000);
    data->loading.store(true);
    EXPECT_EQ(load->asked(*ctx), 32767);
    load->answer(two_daily_bars(1).bytes());
    EXPECT_FALSE(data->loading.load()) << "no older bars: the load ends after its first page";
    load->set_count(100);
    EXPECT_EQ(load->asked(*ctx), 101) << "a small load in one request, as before";
}

TEST(KLine, OlderBarsFromLoadMoreGoInFront)
{
    RUN_IN_OWN_PROCESS();
    auto ctx = kline_ctx(nullptr);
    auto data = std::make_shared<KData>(33);
    processed<B2CClient0x44Reply>(two_daily_bars().bytes(), 1, ctx, data, false, nullptr);
    WireBytes older = full_header(33, 2, {10, 5}, 2);
    older.compressed(20261204).compressed(990).compressed(3).compressed(10);  // 12-04 and 12-07
    data->loading.store(true);
    auto reply = processed<B2CClient0x44Reply>(older.bytes(), 1, ctx, data, true, nullptr);
    EXPECT_EQ(kpoints(reply->reply())->count, 2);
    EXPECT_FALSE(data->loading.load());
    const auto cache = data->copy();
    ASSERT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache[0].time, china_seconds(2026, 12, 4));
    EXPECT_FLOAT_EQ(cache[1].close, 10.0f);  // the bar of 12-07 was replaced
    EXPECT_EQ(cache[2].time, china_seconds(2026, 12, 8));
}

TEST(KLine, RefreshAndRepliesAreAdjustedNotTheCache)
{
    RUN_IN_OWN_PROCESS();
    B2CService& engine = B2CService::instance();
    auto ctx = kline_ctx(&engine);
    ctx->set_option(kOptionForward);
    // A cash dividend of 0.20 on 2026-12-08: bars before it drop by 0.20.
    SymbolRecord* record;
    {
        QuoteCodeInfo info{};
        std::strcpy(info.code, "600000");
        info.market = 1;
        engine.symbols().load(&info, 1);
        record = engine.symbols().find("600000", 1);
        ASSERT_NE(record, nullptr);
        DividendEvent e;
        e.time = china_seconds(2026, 12, 8);
        e.forward_factor = 1;
        e.forward_sum = -0.2;
        e.backward_factor = 1;
        e.backward_sum = 0.2;
        record->links.dividends = {e};
    }
    auto data = std::make_shared<KData>(33);
    auto reply = processed<B2CClient0x44Reply>(two_daily_bars().bytes(), 1, ctx, data, false, &engine);
    const QuoteKPoints* k = kpoints(reply->reply());
    EXPECT_FLOAT_EQ(k->points[0].close, 10.0f);  // 10.20 - 0.20
    EXPECT_FLOAT_EQ(k->points[0].high, 10.3f);
    EXPECT_FLOAT_EQ(k->points[1].close, 10.6f);     // on the event's day: unchanged
    EXPECT_FLOAT_EQ(data->copy()[0].close, 10.2f);  // the cache keeps raw prices

    ctx->set_option(kOptionBackward);
    auto refresh = std::make_shared<B2CClientRefreshReply>(data->copy(), &engine);
    refresh->set_context(ctx);
    refresh->process();
    const QuoteReply* r = refresh->reply();
    EXPECT_EQ(r->kind, QUOTE_REPLY_KLINE);
    EXPECT_EQ(r->count, 1);
    EXPECT_EQ(r->header_word, 0);
    const QuoteKPoints* rk = kpoints(r);
    EXPECT_EQ(rk->period, 0);
    EXPECT_EQ(rk->code_info.code[0], '\0');
    ASSERT_EQ(rk->count, 2);
    EXPECT_FLOAT_EQ(rk->points[0].close, 10.2f);
    EXPECT_FLOAT_EQ(rk->points[1].close, 10.8f);  // 10.60 + 0.20
}

TEST(KLine, UpdateRefreshesWithoutSending)
{
    B2CService& engine = B2CService::instance();
    auto ctx = kline_ctx(&engine);
    EXPECT_EQ(ctx->request(), 1);
    const size_t pending = engine.pending_count();
    auto client = ctx->client();
    EXPECT_EQ(ctx->update(), 1);
    EXPECT_EQ(engine.pending_count(), pending);
    EXPECT_EQ(ctx->client(), client);  // update keeps the client and its cache
}
