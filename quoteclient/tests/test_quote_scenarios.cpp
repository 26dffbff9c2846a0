// Market-data contexts end to end against the local quote server, through the
// exported functions: a subscribed list with pushes, a paged ranking, three
// screens of K-line history with refresh and dividend adjustment, cancel, a
// released context's queued replies, and minute series that agree with the
// quotes and day bars of their day. Each scenario is its own process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "b2cclient0x20.h"
#include "basiccontextclient.h"
#include "boardset.h"
#include "context.h"
#include "defaultb2cqueryclient.h"
#include "enginerecorder.h"
#include "ownprocess.h"
#include "quote.h"
#include "replylog.h"
#include "serverprocess.h"
#include "syntheticmarket.h"
#include "wirebytes.h"

namespace {

// Copies of the payloads of the kinds these scenarios read, per reply.
struct Copied {
    quote_ctx* ctx = nullptr;
    uint16_t kind = 0;
    uint16_t word = 0;
    std::vector<QuoteRealTimeMarket> rows;
    std::vector<QuoteKPoint> bars;
    uint8_t period = 0;
    int32_t dividends = 0;
    std::vector<QuoteMinPoint> minutes;
    float reference = 0;        // of the minute series
    QuoteCodeInfo code_info{};  // of a K-line series
};

class Scenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_china_time();
        server = std::make_unique<QuoteServerProcess>();
        ASSERT_GT(server->port(), 0);
    }

    void start(int flags = QUOTE_FLAG_NO_CODE_TABLE)
    {
        recorder = std::make_unique<EngineRecorder>(
            "tcp://127.0.0.1:" + std::to_string(server->port()) + "/?auto_delay=50", flags);
        recorder->set_on_reply([this](const QuoteReply& r) { copy(r); });
        recorder->start();
        ASSERT_GE(recorder->wait_state(1), 0) << "no login";
    }

    void TearDown() override
    {
        recorder.reset();
        server.reset();
    }

    // Engine thread.
    void copy(const QuoteReply& r)
    {
        Copied c;
        c.ctx = r.ctx;
        c.kind = r.kind;
        c.word = r.header_word;
        if (r.kind == QUOTE_REPLY_REALTIME && r.count > 0) {
            const auto* rows = static_cast<const QuoteRealTimeMarket*>(r.data);
            c.rows.assign(rows, rows + r.count);
        } else if (r.kind == QUOTE_REPLY_KLINE) {
            const auto* k = static_cast<const QuoteKPoints*>(r.data);
            c.period = k->period;
            c.code_info = k->code_info;
            if (k->count > 0)
                c.bars.assign(k->points, k->points + k->count);
        } else if (r.kind == QUOTE_REPLY_DIVIDEND) {
            c.dividends = static_cast<const QuoteDividendPoints*>(r.data)->count;
        } else if (r.kind == QUOTE_REPLY_MINUTE) {
            const auto* m = static_cast<const QuoteMinPoints*>(r.data);
            c.reference = m->price;
            if (m->count > 0)
                c.minutes.assign(m->points, m->points + m->count);
        }
        replies.add(std::move(c));
        if (hook)
            hook(r);
    }

    bool wait(quote_ctx* ctx, uint16_t kind, size_t n, Copied* out) { return replies.wait(ctx, kind, n, out); }
    size_t count_of(quote_ctx* ctx) { return replies.count_of(ctx); }

    std::unique_ptr<QuoteServerProcess> server;
    std::unique_ptr<EngineRecorder> recorder;
    ReplyLog<Copied> replies;
    std::function<void(const QuoteReply&)> hook;  // set before start
};

std::vector<uint8_t> entry(const char* code, uint8_t market)
{
    std::vector<uint8_t> e(17, 0);
    std::memcpy(e.data(), code, std::strlen(code));
    e[16] = market;
    return e;
}

quote_ctx* list_context(const std::vector<std::vector<uint8_t>>& codes)
{
    quote_ctx* ctx = quote_ctx_create();
    quote_ctx_set_type(ctx, 0);
    quote_ctx_set_peroid(ctx, 30);
    std::vector<uint8_t> all;
    for (const auto& e : codes)
        all.insert(all.end(), e.begin(), e.end());
    quote_ctx_set_code(ctx, all.data(), static_cast<int>(codes.size()));
    const uint16_t fields[] = {0, 8, 9, 10};
    quote_ctx_set_market_field(ctx, fields, 4);
    return ctx;
}

}  // namespace

TEST_F(Scenario, SubscribedListReceivesPushesAndCancels)
{
    RUN_IN_OWN_PROCESS();
    start();
    quote_ctx* ctx = list_context({entry("600000", 1), entry("600001", 1), entry("000001", 2)});
    ASSERT_EQ(quote_ctx_subscribe(ctx), 1);
    Copied first, later;
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 1, &first));
    ASSERT_EQ(first.rows.size(), 3u);
    EXPECT_STREQ(first.rows[0].code_info.code, "600000");
    EXPECT_STREQ(first.rows[0].code_info.name, SyntheticMarket::instance().find("600000", 1)->name.c_str());
    EXPECT_STREQ(first.rows[2].code_info.name, SyntheticMarket::instance().find("000001", 2)->name.c_str());
    EXPECT_NE(first.rows[0].symbol, nullptr);
    // Pushes carry every other row; the table keeps all three, with their names.
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 4, &later));
    EXPECT_EQ(later.word, 1);
    ASSERT_EQ(later.rows.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_STREQ(later.rows[i].code_info.name, first.rows[i].code_info.name);
    // Each push moves the market: the pushed rows are not the first ones again.
    bool moved = false;
    for (size_t i = 0; i < 2; ++i)
        moved = moved || later.rows[i].close != first.rows[i].close || later.rows[i].cur_vol != first.rows[i].cur_vol;
    EXPECT_TRUE(moved);
    EXPECT_NE(quote_symbol_find("600001", 1), nullptr);

    ASSERT_EQ(quote_ctx_cancel(ctx), 1);
    EXPECT_TRUE(server->wait_prefix("cancel "));
    quote_ctx_release(ctx);
}

TEST_F(Scenario, RankingPagesForwardAndWrapsBack)
{
    RUN_IN_OWN_PROCESS();
    start();
    quote_ctx* ctx = quote_ctx_create();
    quote_ctx_set_type(ctx, 0);
    quote_ctx_set_peroid(ctx, 30);
    quote_ctx_set_category(ctx, 1);  // the 200 Shanghai stocks
    quote_ctx_set_page(ctx, 0, 20);
    quote_ctx_set_sort(ctx, 9, 1);  // by volume, ascending
    const std::vector<std::string> ranked = by_volume(SyntheticMarket::instance().category(1));
    auto code_of = [&ranked](size_t i) { return ranked[i].substr(0, 6); };
    const uint16_t fields[] = {0, 8, 9};
    quote_ctx_set_market_field(ctx, fields, 3);
    EXPECT_EQ(quote_ctx_page_down(ctx), 0);  // no total yet
    ASSERT_EQ(quote_ctx_request(ctx), 1);
    Copied page;
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 1, &page));
    ASSERT_EQ(page.rows.size(), 20u);
    EXPECT_EQ(page.rows[0].code_info.code, code_of(0));

    ASSERT_EQ(quote_ctx_page_down(ctx), 1);
    EXPECT_EQ(quote_ctx_get_page_first_no(ctx), 20);
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 2, &page));
    ASSERT_EQ(page.rows.size(), 20u);
    EXPECT_EQ(page.rows[0].code_info.code, code_of(20));

    ASSERT_EQ(quote_ctx_page_up(ctx), 1);
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 3, &page));
    EXPECT_EQ(page.rows[0].code_info.code, code_of(0));
    ASSERT_EQ(quote_ctx_page_up(ctx), 1);  // from the first row: the last full page
    EXPECT_EQ(quote_ctx_get_page_first_no(ctx), 180);
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 4, &page));
    ASSERT_EQ(page.rows.size(), 20u);
    EXPECT_EQ(page.rows[0].code_info.code, code_of(180));
    EXPECT_EQ(page.rows[19].code_info.code, code_of(199));
    quote_ctx_release(ctx);
}

// A server that pushes ranked pages: a subscribed page comes again and again
// (word 1), sorted anew as prices move, and stops once cancelled.
TEST_F(Scenario, PushedRankingPagesComeUntilCancelled)
{
    RUN_IN_OWN_PROCESS();
    server = std::make_unique<QuoteServerProcess>(std::vector<std::string>{"--push-pages"});
    ASSERT_GT(server->port(), 0);
    start();
    quote_ctx* ctx = quote_ctx_create();
    quote_ctx_set_type(ctx, 0);
    quote_ctx_set_peroid(ctx, 30);
    quote_ctx_set_category(ctx, 2);  // the 150 Shenzhen stocks
    quote_ctx_set_page(ctx, 0, 20);
    quote_ctx_set_sort(ctx, 34, 0);  // by change rate, largest first
    const uint16_t fields[] = {0, 8, 34};
    quote_ctx_set_market_field(ctx, fields, 3);
    ASSERT_EQ(quote_ctx_subscribe(ctx), 1);
    Copied first, third;
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 1, &first));
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 3, &third));
    EXPECT_EQ(first.word, 1);
    EXPECT_EQ(third.word, 1);
    ASSERT_EQ(third.rows.size(), 20u);
    for (size_t i = 1; i < third.rows.size(); ++i)
        EXPECT_GE(third.rows[i - 1].rf_rate, third.rows[i].rf_rate) << "row " << i;
    ASSERT_EQ(quote_ctx_cancel(ctx), 1);
    EXPECT_TRUE(server->wait_prefix("cancel "));
    quote_ctx_release(ctx);
}

// An index row counts its market's stocks up, flat and down; a stock row has
// no such counts to speak of.
TEST_F(Scenario, IndexRowsCountTheirMarketsStocks)
{
    RUN_IN_OWN_PROCESS();
    start();
    quote_ctx* ctx = list_context({entry("1A0001", 1), entry("399001", 2)});
    const uint16_t fields[] = {0, 1001, 1002, 1003, 1016};
    quote_ctx_set_market_field(ctx, fields, 5);
    ASSERT_EQ(quote_ctx_request(ctx), 1);
    Copied answer;
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 1, &answer));
    ASSERT_EQ(answer.rows.size(), 2u);
    for (const auto& [row, stocks] : {std::pair{answer.rows[0], 200}, std::pair{answer.rows[1], 150}}) {
        EXPECT_EQ(row.all_count, stocks) << row.code_info.code;
        EXPECT_EQ(row.rise_count + row.flat_count + row.fall_count, stocks) << row.code_info.code;
        EXPECT_GT(row.rise_count, 0) << row.code_info.code;
        EXPECT_GT(row.fall_count, 0) << row.code_info.code;
    }
    quote_ctx_release(ctx);
}

// Pages of the Shanghai category sorted by the server, direction 0 (larger
// first): by code the first page holds the last codes; by another field the
// rows carry (amplitude, 41) the rows come in that field's order.
TEST_F(Scenario, SortedPagesComeLargestFirst)
{
    RUN_IN_OWN_PROCESS();
    start();
    for (const uint16_t sortField : {uint16_t{0}, uint16_t{41}}) {
        quote_ctx* ctx = quote_ctx_create();
        quote_ctx_set_type(ctx, 0);
        quote_ctx_set_peroid(ctx, 30);
        quote_ctx_set_category(ctx, 1);
        quote_ctx_set_page(ctx, 0, 20);
        quote_ctx_set_sort(ctx, sortField, 0);
        const uint16_t fields[] = {0, 41};
        quote_ctx_set_market_field(ctx, fields, 2);
        ASSERT_EQ(quote_ctx_request(ctx), 1);
        Copied page;
        ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 1, &page)) << sortField;
        ASSERT_EQ(page.rows.size(), 20u);
        if (sortField == 0) {
            EXPECT_STREQ(page.rows[0].code_info.code, "600199");
            EXPECT_STREQ(page.rows[1].code_info.code, "600198");
            EXPECT_STREQ(page.rows[19].code_info.code, "600180");
        } else {
            for (size_t i = 1; i < page.rows.size(); ++i)
                EXPECT_GE(page.rows[i - 1].amplitude, page.rows[i].amplitude) << page.rows[i].code_info.code;
            EXPECT_GT(page.rows[0].amplitude, page.rows[19].amplitude);
        }
        quote_ctx_release(ctx);
    }
}

// The board categories (1010 regions, 1011 industries, 1016 concepts: the
// block screens' buttons and the home view's concept ranking) list their index
// group's board indices (industries are group 1012), ranked by change rate;
// a concept board's price is its previous close moved by the mean change rate
// of the board's stocks.
TEST_F(Scenario, BoardCategoriesRankTheirBoardsByTheirStocks)
{
    RUN_IN_OWN_PROCESS();
    start();
    // Released at the end: a new context may take a released one's address
    // and be handed the late replies of the old one.
    std::vector<quote_ctx*> contexts;
    for (const auto& [category, groupId] : {std::pair<int16_t, int64_t>{1016, 1016}, {1011, 1012}, {1010, 1010}}) {
        SCOPED_TRACE(category);
        const BoardIndexGroup* group = nullptr;
        for (const BoardIndexGroup& g : BoardSet::index_groups())
            if (g.id == groupId)
                group = &g;
        ASSERT_NE(group, nullptr);
        std::map<std::string, std::string> names;  // code -> name of the group's items
        std::map<std::string, int64_t> boards;     // code -> board it quotes
        for (const BoardIndexItem& item : group->items) {
            names[item.code] = item.name;
            boards[item.code] = item.board;
        }

        quote_ctx* ranking = quote_ctx_create();
        contexts.push_back(ranking);
        quote_ctx_set_type(ranking, 0);
        quote_ctx_set_peroid(ranking, 30);
        quote_ctx_set_option(ranking, 4);
        quote_ctx_set_category(ranking, category);
        quote_ctx_set_page(ranking, 0, 200);
        quote_ctx_set_sort(ranking, 34, 0);
        const uint16_t fields[] = {0, 4, 8, 34};
        quote_ctx_set_market_field(ranking, fields, 4);
        ASSERT_EQ(quote_ctx_request(ranking), 1);
        Copied page;
        ASSERT_TRUE(wait(ranking, QUOTE_REPLY_REALTIME, 1, &page));
        ASSERT_EQ(page.rows.size(), names.size());
        for (size_t i = 0; i < page.rows.size(); ++i) {
            const QuoteRealTimeMarket& row = page.rows[i];
            const std::string code = row.code_info.code;
            ASSERT_EQ(names.count(code), 1u) << "not a board of the group: " << code << " " << row.code_info.name;
            EXPECT_EQ(std::string(row.code_info.name), names[code]);
            EXPECT_EQ(row.code_info.market, group->market) << code;
            if (i > 0) {
                EXPECT_GE(page.rows[i - 1].rf_rate, row.rf_rate) << code;
            }

            if (category != 1016)
                continue;  // the price rule is checked on the small concept boards
                           // The board's stocks from the server's block page.
            quote_ctx* block = quote_ctx_create();
            contexts.push_back(block);
            quote_ctx_set_type(block, 0);
            quote_ctx_set_peroid(block, 30);
            quote_ctx_set_block(block, boards[code]);
            quote_ctx_set_page(block, 0, 1000);
            quote_ctx_set_sort(block, 0, 1);
            const uint16_t stockFields[] = {0, 4, 8};
            quote_ctx_set_market_field(block, stockFields, 3);
            ASSERT_EQ(quote_ctx_request(block), 1);
            Copied members;
            ASSERT_TRUE(wait(block, QUOTE_REPLY_REALTIME, 1, &members)) << code;
            ASSERT_FALSE(members.rows.empty()) << code;
            double rates = 0;
            for (const QuoteRealTimeMarket& m : members.rows)
                rates += (double(m.close) - m.pre_close) / m.pre_close;
            const double expected = row.pre_close * (1.0 + rates / double(members.rows.size()));
            EXPECT_NEAR(row.close, expected, 0.011) << code << " over " << members.rows.size() << " stocks";
            EXPECT_NEAR(row.rf_rate, (double(row.close) - row.pre_close) / row.pre_close, 0.0001) << code;
        }
    }
    for (quote_ctx* c : contexts)
        quote_ctx_release(c);
}

TEST_F(Scenario, ThreeScreensOfKLineHistoryThenAdjustedRefresh)
{
    RUN_IN_OWN_PROCESS();
    start();
    quote_ctx* k = quote_ctx_create();
    quote_ctx_set_type(k, 0);
    quote_ctx_set_peroid(k, 39);  // weeks
    const auto code = entry("600003", 1);
    quote_ctx_set_code(k, code.data(), 1);
    quote_ctx_set_page(k, 0, 100);
    EXPECT_EQ(quote_ctx_load_more(k, 100), 0);  // nothing cached yet
    ASSERT_EQ(quote_ctx_request(k), 1);
    Copied screen;
    ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, 1, &screen));
    ASSERT_TRUE(server->wait_prefix("request 0x44 "));  // the first screen's
    ASSERT_EQ(screen.bars.size(), 100u);
    EXPECT_EQ(screen.period, 39);
    EXPECT_EQ(screen.bars.back().time, china_seconds(2026, 12, 4, 15, 0));
    std::map<int64_t, float> raw;
    for (const auto& b : screen.bars)
        raw[b.time] = b.close;
    for (size_t n = 2; n <= 3; ++n) {
        // The server keeps the load unanswered until the running load was
        // seen to refuse a second one.
        server->control("hold");
        ASSERT_TRUE(server->wait_line("holding"));
        ASSERT_EQ(quote_ctx_load_more(k, 100), 1) << "screen " << n;
        ASSERT_TRUE(server->wait_prefix("request 0x44 ")) << "screen " << n;
        EXPECT_EQ(quote_ctx_load_more(k, 100), 0) << "a load is running";
        server->control("release");
        ASSERT_TRUE(server->wait_line("released"));
        ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, n, &screen));
        ASSERT_EQ(screen.bars.size(), 101u);  // one overlaps the oldest cached bar
        for (const auto& b : screen.bars)
            raw[b.time] = b.close;
    }
    ASSERT_EQ(raw.size(), 300u);

    // The dividend events reach the symbol table; a forward refresh adjusts.
    quote_ctx* d = quote_ctx_create();
    quote_ctx_set_type(d, 1);
    quote_ctx_set_code(d, code.data(), 1);
    ASSERT_EQ(quote_ctx_request(d), 1);
    Copied dividends;
    ASSERT_TRUE(wait(d, QUOTE_REPLY_DIVIDEND, 1, &dividends));
    EXPECT_EQ(dividends.dividends, 2);

    quote_ctx_set_option(k, 2);
    const size_t before = server->lines().size();
    ASSERT_EQ(quote_ctx_update(k), 1);
    Copied refreshed;
    ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, 4, &refreshed));
    EXPECT_EQ(refreshed.period, 0);
    ASSERT_EQ(refreshed.bars.size(), 300u);
    // Cash 0.30 on 2025-06-16, then (older) 0.5 bonus shares on 2024-06-17.
    const int64_t cash_day = china_seconds(2025, 6, 16), bonus_day = china_seconds(2024, 6, 17);
    int before_bonus = 0, between = 0, after = 0;
    for (const auto& b : refreshed.bars) {
        const float p = raw.at(b.time);
        float want = p;
        if (b.time < bonus_day) {
            want = static_cast<float>(p / 1.5 - 0.3);
            ++before_bonus;
        } else if (b.time < cash_day) {
            want = static_cast<float>(p - 0.3);
            ++between;
        } else {
            ++after;
        }
        EXPECT_NEAR(b.close, want, 1e-4) << "bar at " << b.time;
    }
    EXPECT_GT(before_bonus, 0);
    EXPECT_GT(between, 0);
    EXPECT_GT(after, 0);
    // The refresh asked the server nothing.
    const auto lines = server->lines();
    for (size_t i = before; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].find("request 0x44"), std::string::npos);
    quote_ctx_release(d);
    quote_ctx_release(k);
}

TEST_F(Scenario, ReleasedContextsQueuedRepliesAreDropped)
{
    RUN_IN_OWN_PROCESS();
    std::promise<void> released;
    std::shared_future<void> released_f = released.get_future().share();
    std::atomic<quote_ctx*> watched{nullptr};
    std::atomic<bool> held{false};
    // The hook reads these locals on the engine thread, which runs on until
    // TearDown: free a held engine thread and stop the engine before they go,
    // however the test ends.
    struct AtExit {
        std::function<void()> fn;
        ~AtExit() { fn(); }
    } stop_engine_first{[&] {
        try {
            released.set_value();
        } catch (const std::future_error&) {
            // already set
        }
        recorder.reset();
    }};
    hook = [&](const QuoteReply& r) {
        // Hold the engine thread on the first reply of the watched context
        // until the test released it, so that pushes queue up behind.
        if (r.ctx && r.ctx == watched.load() && !held.exchange(true))
            released_f.wait();
    };
    start();
    quote_ctx* ctx = list_context({entry("600010", 1), entry("600011", 1)});
    watched.store(ctx);
    ASSERT_EQ(quote_ctx_subscribe(ctx), 1);
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 1, nullptr));
    // Let pushes queue up while the engine thread is held: each queued reply
    // shares the client's row table.
    {
        auto* query = dynamic_cast<DefaultB2CQueryClient*>(ctx->context->client()->query());
        ASSERT_NE(query, nullptr);
        auto list = std::dynamic_pointer_cast<B2CClient0X20>(query->command_client());
        ASSERT_NE(list, nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (list->table().use_count() < 5 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_GE(list->table().use_count(), 5) << "pushes queued behind the held reply";
    }
    quote_ctx* other = quote_ctx_create();
    quote_ctx_set_type(other, 0);
    quote_ctx_set_peroid(other, 30);
    quote_ctx_set_category(other, 2);
    quote_ctx_set_page(other, 0, 5);
    const uint16_t fields[] = {0};
    quote_ctx_set_market_field(other, fields, 1);
    quote_ctx_release(ctx);
    released.set_value();
    // Replies are delivered in order: once the other context's reply is in,
    // everything queued before it has been delivered or dropped.
    ASSERT_EQ(quote_ctx_request(other), 1);
    ASSERT_TRUE(wait(other, QUOTE_REPLY_REALTIME, 1, nullptr));
    EXPECT_EQ(count_of(ctx), 1u);
    EXPECT_TRUE(server->wait_prefix("cancel "));  // the next push for the dead client is cancelled
    quote_ctx_release(other);
}

TEST_F(Scenario, CodeTableAndPerCodeCommandsAnswer)
{
    RUN_IN_OWN_PROCESS();
    start(0);  // with the code table
    ASSERT_GE(recorder->wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_CODE_TABLE; }), 0);
    const void* symbol = quote_symbol_find("600199", 1);
    ASSERT_NE(symbol, nullptr);
    EXPECT_STREQ(quote_symbol_code_info(symbol)->name, SyntheticMarket::instance().find("600199", 1)->name.c_str());
    EXPECT_STREQ(quote_symbol_code_info(symbol)->pinyin, SyntheticMarket::instance().find("600199", 1)->pinyin.c_str());
    const auto code = entry("000002", 2);
    struct Case {
        int type;
        uint8_t period;
        int64_t time;
        uint16_t kind;
        bool block;
    };
    const Case cases[] = {{0, 31, 0, QUOTE_REPLY_DETAIL, false},          {0, 32, 0, QUOTE_REPLY_MINUTE, false},
                          {0, 32, 1765000000, QUOTE_REPLY_MINUTE, false}, {4, 0, 0, QUOTE_REPLY_PRICE_VOLUME, false},
                          {3, 0, 0, QUOTE_REPLY_SMART_TIP, false},        {3, 0, 0, QUOTE_REPLY_SMART_TIP, true},
                          {0, 30, 0, QUOTE_REPLY_REALTIME, true},         {0, 35, 0, QUOTE_REPLY_KLINE, false},
                          {1, 0, 0, QUOTE_REPLY_DIVIDEND, false}};
    for (const Case& c : cases) {
        quote_ctx* ctx = quote_ctx_create();
        quote_ctx_set_type(ctx, c.type);
        quote_ctx_set_peroid(ctx, c.period);
        quote_ctx_set_time(ctx, c.time, 0, 0);
        quote_ctx_set_code(ctx, code.data(), 1);
        if (c.block)
            quote_ctx_set_block(ctx, 1110);
        const uint16_t fields[] = {0, 8};
        quote_ctx_set_market_field(ctx, fields, 2);
        quote_ctx_set_page(ctx, 0, 10);
        ASSERT_EQ(quote_ctx_request(ctx), 1);
        Copied got;
        EXPECT_TRUE(wait(ctx, c.kind, 1, &got)) << "type " << c.type << " period " << int(c.period);
        if (c.kind == QUOTE_REPLY_REALTIME) {
            EXPECT_EQ(got.rows.size(), 10u);
        }
        quote_ctx_release(ctx);
    }
}

TEST_F(Scenario, KLineIsSentAgainFromTheNewestBarAfterANewLogin)
{
    RUN_IN_OWN_PROCESS();
    start();
    quote_ctx* k = quote_ctx_create();
    quote_ctx_set_type(k, 0);
    quote_ctx_set_peroid(k, 33);
    const auto code = entry("000005", 2);
    quote_ctx_set_code(k, code.data(), 1);
    quote_ctx_set_page(k, 0, 100);
    ASSERT_EQ(quote_ctx_subscribe(k), 1);
    Copied first, again, refreshed;
    ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, 1, &first));
    ASSERT_EQ(first.bars.size(), 100u);
    const size_t logins = recorder->size();
    server->control("drop");
    ASSERT_GE(recorder->wait_state(0, logins), 0);
    ASSERT_GE(recorder->wait_state(1, logins), 0);
    // Sent again with the newest cached bar's time and count 0: only that bar comes back.
    ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, 2, &again));
    ASSERT_EQ(again.bars.size(), 1u);
    EXPECT_EQ(again.bars[0].time, china_seconds(2026, 12, 8));
    // The server's log line may trail its answer: wait for both requests.
    ASSERT_TRUE(server->wait_prefix("request 0x44 "));
    ASSERT_TRUE(server->wait_prefix("request 0x44 ")) << "sent again after the new login";
    size_t requests = 0;
    for (const std::string& l : server->lines())
        requests += l.compare(0, 13, "request 0x44 ") == 0 ? 1 : 0;
    EXPECT_EQ(requests, 2u);
    ASSERT_EQ(quote_ctx_update(k), 1);
    ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, 3, &refreshed));
    EXPECT_EQ(refreshed.bars.size(), 100u);  // the cache kept its length
    quote_ctx_release(k);
}

namespace {

// A minute series is the walk of one trading day: 241 points from 09:30 to
// 11:30 and 13:00 to 14:59 of that day, opening at the day bar's open,
// closing at its close, touching its high and low, its volumes and amounts
// adding up to the bar's, and its reference the close of the day before.
void expect_day_walk(const Copied& m, const QuoteKPoint& day, const QuoteKPoint& before, int y, int mo, int d)
{
    ASSERT_EQ(m.minutes.size(), 241u);
    EXPECT_EQ(m.minutes.front().time, china_seconds(y, mo, d, 9, 30));
    EXPECT_EQ(m.minutes[120].time, china_seconds(y, mo, d, 11, 30));
    EXPECT_EQ(m.minutes[121].time, china_seconds(y, mo, d, 13, 0));
    EXPECT_EQ(m.minutes.back().time, china_seconds(y, mo, d, 14, 59));
    EXPECT_FLOAT_EQ(m.reference, before.close);
    EXPECT_FLOAT_EQ(m.minutes.front().price, day.open);
    EXPECT_FLOAT_EQ(m.minutes.back().price, day.close);
    EXPECT_NEAR(day.open, before.close, 0.005 * before.close) << "opens near the previous close";
    float high = 0, low = 1e30f;
    int64_t volume = 0, amount = 0;
    for (size_t i = 0; i < m.minutes.size(); ++i) {
        const QuoteMinPoint& p = m.minutes[i];
        high = std::max(high, p.price);
        low = std::min(low, p.price);
        volume += p.volume;
        amount += p.amount;
        EXPECT_GT(p.volume, 0) << "minute " << i;
        if (i > 0) {
            EXPECT_LT(std::fabs(p.price - m.minutes[i - 1].price), 0.01f * m.reference) << "a step of minute " << i;
            EXPECT_GE(p.avg_price, low - 1e-3f) << "minute " << i;
            EXPECT_LE(p.avg_price, high + 1e-3f) << "minute " << i;
        }
    }
    EXPECT_FLOAT_EQ(high, day.high);
    EXPECT_FLOAT_EQ(low, day.low);
    // A walk, not a line: it often changes direction (a cheap stock moves by
    // whole cents, so minutes without a move are passed over).
    int turns = 0;
    float step_before = 0;
    for (size_t i = 1; i < m.minutes.size(); ++i) {
        const float step = m.minutes[i].price - m.minutes[i - 1].price;
        if (step == 0)
            continue;
        turns += step * step_before < 0;
        step_before = step;
    }
    EXPECT_GE(turns, 8);
    EXPECT_EQ(volume, day.volume);
    EXPECT_EQ(amount, day.amount);
}

quote_ctx* series_context(const std::vector<uint8_t>& code, uint8_t period, int64_t time, uint16_t count)
{
    quote_ctx* ctx = quote_ctx_create();
    quote_ctx_set_type(ctx, 0);
    quote_ctx_set_peroid(ctx, period);
    quote_ctx_set_time(ctx, time, 0, 0);
    quote_ctx_set_code(ctx, code.data(), 1);
    quote_ctx_set_page(ctx, period == 32 ? 0xFFFF : 0, count);
    return ctx;
}

}  // namespace

TEST_F(Scenario, TodaysMinutesMeetTheQuoteAndTheDayBar)
{
    RUN_IN_OWN_PROCESS();
    start();
    const std::vector<std::vector<uint8_t>> codes = {entry("600001", 1), entry("000005", 2), entry("1A0001", 1)};
    std::vector<Copied> minutes(codes.size()), days(codes.size());
    std::vector<quote_ctx*> kept;
    for (size_t i = 0; i < codes.size(); ++i) {
        quote_ctx* m = series_context(codes[i], 32, 0, 0);
        quote_ctx* k = series_context(codes[i], 33, 0, 2);
        ASSERT_EQ(quote_ctx_request(m), 1);
        ASSERT_EQ(quote_ctx_request(k), 1);
        ASSERT_TRUE(wait(m, QUOTE_REPLY_MINUTE, 1, &minutes[i]));
        ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, 1, &days[i]));
        kept.push_back(m);  // released at the end, so that no new context reuses an address
        kept.push_back(k);
    }
    // Asked last: prices move only with the pushes of a list.
    quote_ctx* list = list_context(codes);
    const uint16_t fields[] = {0, 4, 5, 6, 7, 8, 9, 11, 42};
    quote_ctx_set_market_field(list, fields, 9);
    ASSERT_EQ(quote_ctx_request(list), 1);
    Copied rows;
    ASSERT_TRUE(wait(list, QUOTE_REPLY_REALTIME, 1, &rows));
    ASSERT_EQ(rows.rows.size(), codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        const char* code = reinterpret_cast<const char*>(codes[i].data());
        SCOPED_TRACE(code);
        const auto row = std::find_if(rows.rows.begin(), rows.rows.end(), [code](const QuoteRealTimeMarket& r) {
            return std::strcmp(r.code_info.code, code) == 0;
        });
        ASSERT_NE(row, rows.rows.end());
        ASSERT_EQ(days[i].bars.size(), 2u);
        const QuoteKPoint& today = days[i].bars[1];
        EXPECT_EQ(today.time, china_seconds(2026, 12, 8));
        expect_day_walk(minutes[i], today, days[i].bars[0], 2026, 12, 8);
        const QuoteRealTimeMarket& r = *row;
        EXPECT_FLOAT_EQ(r.pre_close, days[i].bars[0].close);
        EXPECT_FLOAT_EQ(r.open, today.open);
        EXPECT_FLOAT_EQ(r.high, today.high);
        EXPECT_FLOAT_EQ(r.low, today.low);
        EXPECT_FLOAT_EQ(r.close, today.close);
        EXPECT_EQ(r.vol, today.volume);
        EXPECT_EQ(r.sum, static_cast<double>(today.amount));
        EXPECT_FLOAT_EQ(r.avg_price, minutes[i].minutes.back().avg_price);
    }
    EXPECT_STREQ(days[2].code_info.name, "上证指数");
    quote_ctx_release(list);
    for (quote_ctx* ctx : kept)
        quote_ctx_release(ctx);
}

// Intraday bars are the minute walk of their trading day cut into cycles:
// today's one-minute bars run 09:31 to 11:30 and 13:01 to 15:00 and end at the
// live price, and a 60-minute bar holds its 60 one-minute bars.
TEST_F(Scenario, IntradayBarsAreMadeOfTheMinuteWalk)
{
    RUN_IN_OWN_PROCESS();
    start();
    std::vector<quote_ctx*> kept;
    for (const auto& code : {entry("600001", 1), entry("300005", 2), entry("1A0001", 1)}) {
        SCOPED_TRACE(reinterpret_cast<const char*>(code.data()));
        quote_ctx* m = series_context(code, 32, 0, 0);
        quote_ctx* one = series_context(code, 34, 0, 480);
        quote_ctx* hour = series_context(code, 38, 0, 8);
        quote_ctx* list = list_context({code});
        Copied minutes, ones, hours, rows;
        for (quote_ctx* ctx : {m, one, hour, list})
            ASSERT_EQ(quote_ctx_request(ctx), 1);
        ASSERT_TRUE(wait(m, QUOTE_REPLY_MINUTE, 1, &minutes));
        ASSERT_TRUE(wait(one, QUOTE_REPLY_KLINE, 1, &ones));
        ASSERT_TRUE(wait(hour, QUOTE_REPLY_KLINE, 1, &hours));
        ASSERT_TRUE(wait(list, QUOTE_REPLY_REALTIME, 1, &rows));
        ASSERT_EQ(minutes.minutes.size(), 241u);
        ASSERT_EQ(ones.bars.size(), 480u);
        ASSERT_EQ(hours.bars.size(), 8u);
        const std::vector<QuoteKPoint> today(ones.bars.begin() + 240, ones.bars.end());
        EXPECT_EQ(today.front().time, china_seconds(2026, 12, 8, 9, 31));
        EXPECT_EQ(today[119].time, china_seconds(2026, 12, 8, 11, 30));
        EXPECT_EQ(today[120].time, china_seconds(2026, 12, 8, 13, 1));
        EXPECT_EQ(today.back().time, china_seconds(2026, 12, 8, 15, 0));
        EXPECT_EQ(ones.bars[239].time, china_seconds(2026, 12, 7, 15, 0)) << "the day before ends the same way";
        // The first bar holds the opening minute and the next, each later bar one minute.
        EXPECT_FLOAT_EQ(today.front().open, minutes.minutes[0].price);
        EXPECT_EQ(today.front().volume, minutes.minutes[0].volume + minutes.minutes[1].volume);
        for (size_t b = 1; b < today.size(); ++b) {
            EXPECT_FLOAT_EQ(today[b].close, minutes.minutes[b + 1].price) << "bar " << b;
            EXPECT_EQ(today[b].volume, minutes.minutes[b + 1].volume) << "bar " << b;
        }
        ASSERT_EQ(rows.rows.size(), 1u);
        EXPECT_FLOAT_EQ(today.back().close, rows.rows[0].close) << "the last bar ends at the live price";
        EXPECT_FLOAT_EQ(minutes.minutes.back().price, rows.rows[0].close);
        // The newest hour: the last 60 one-minute bars.
        const QuoteKPoint& h = hours.bars.back();
        EXPECT_EQ(h.time, china_seconds(2026, 12, 8, 15, 0));
        EXPECT_EQ(hours.bars[hours.bars.size() - 2].time, china_seconds(2026, 12, 8, 14, 0));
        EXPECT_EQ(hours.bars[hours.bars.size() - 3].time, china_seconds(2026, 12, 8, 11, 30));
        float high = 0, low = 1e30f;
        int64_t volume = 0;
        for (size_t b = 180; b < 240; ++b) {
            high = std::max(high, today[b].high);
            low = std::min(low, today[b].low);
            volume += today[b].volume;
        }
        EXPECT_FLOAT_EQ(h.open, today[180].open);
        EXPECT_FLOAT_EQ(h.close, today.back().close);
        EXPECT_FLOAT_EQ(h.high, high);
        EXPECT_FLOAT_EQ(h.low, low);
        EXPECT_EQ(h.volume, volume);
        kept.insert(kept.end(), {m, one, hour, list});
    }
    for (quote_ctx* ctx : kept)
        quote_ctx_release(ctx);  // at the end, so that no new context reuses an address
}

TEST_F(Scenario, PastMinutesOnlyOnTradingDays)
{
    RUN_IN_OWN_PROCESS();
    start();
    const auto code = entry("600007", 1);
    quote_ctx* k = series_context(code, 33, 0, 12);
    ASSERT_EQ(quote_ctx_request(k), 1);
    Copied days;
    ASSERT_TRUE(wait(k, QUOTE_REPLY_KLINE, 1, &days));
    ASSERT_EQ(days.bars.size(), 12u);
    // 12 weekdays back from Tuesday 2026-12-08: bar 1 is Tuesday 2026-11-24.
    ASSERT_EQ(days.bars[1].time, china_seconds(2026, 11, 24));
    quote_ctx_release(k);

    struct Day {
        int y, m, d;
        size_t bar;  // the day's bar; 0 for a day without trading, kOldest for the oldest day
    };
    constexpr size_t kOldest = 99;
    // The 1000 trading days start 999 weekdays before 2026-12-08, on Wednesday 2023-02-08.
    const Day cases[] = {
        {2026, 11, 24, 1},     {2026, 11, 27, 4}, {2026, 11, 30, 5},  // Tuesday, Friday, Monday
        {2026, 11, 28, 0},     {2026, 11, 29, 0},                     // the weekend between
        {2026, 12, 9, 0},      {2027, 1, 4, 0},                       // after the last trading day
        {2023, 2, 8, kOldest}, {2023, 2, 7, 0},   {2020, 1, 6, 0},    // the first day, and before it
    };
    std::vector<quote_ctx*> kept;
    for (const Day& c : cases) {
        SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
        // Any time of the day names the day.
        quote_ctx* m = series_context(code, 32, china_seconds(c.y, c.m, c.d, 10, 15), 0);
        ASSERT_EQ(quote_ctx_request(m), 1);
        Copied got;
        ASSERT_TRUE(wait(m, QUOTE_REPLY_MINUTE, 1, &got));
        if (c.bar == 0)
            EXPECT_TRUE(got.minutes.empty()) << got.minutes.size() << " points";
        else if (c.bar == kOldest)
            EXPECT_EQ(got.minutes.size(), 241u);
        else
            expect_day_walk(got, days.bars[c.bar], days.bars[c.bar - 1], c.y, c.m, c.d);
        kept.push_back(m);  // released at the end, so that no new context reuses an address
    }
    for (quote_ctx* ctx : kept)
        quote_ctx_release(ctx);
    EXPECT_TRUE(server->wait_prefix("request 0x27 "));
}
