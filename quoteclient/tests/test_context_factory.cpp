// Request contexts: setters, the client factory's choice of command for each
// combination of type, period, lists and options, and paging.
#include <gtest/gtest.h>

#include <cstring>

#include "b2cclient0x20.h"
#include "b2cservice.h"
#include "clientfactory.h"
#include "context.h"
#include "defaultb2cqueryclient.h"
#include "defaultclientimpl.h"
#include "kdataclient.h"
#include "offsetpagecontrol.h"
#include "ownprocess.h"
#include "wirebytes.h"

namespace {

// The command byte the context's chosen client writes; 0 when none is chosen.
uint8_t command_of(Context& ctx)
{
    auto client = ClientFactory::make(ctx);
    if (dynamic_cast<KDataClient*>(client.get()))
        return 0x44;
    auto* query = dynamic_cast<DefaultB2CQueryClient*>(client->query());
    if (!query || !query->command_client())
        return 0;
    _B2CQuoteMsg h{1, 0, 5, 0, 1, 1, b2c_stream_create(1024)};
    query->command_client()->send(h);
    b2c_stream_release(h.payload);
    return h.command;
}

std::shared_ptr<Context> make(int type, uint8_t period)
{
    auto ctx = std::make_shared<Context>(nullptr);
    ctx->set_type(type);
    ctx->set_period(period);
    return ctx;
}

}  // namespace

TEST(ContextFactory, PicksTheCommandForEachCombination)
{
    const CodeEntry code = CodeEntry::from("600000", 1);
    struct Case {
        const char* name;
        int type;
        uint8_t period;
        bool block, category, codes;
        int64_t time;
        uint8_t want;
    };
    const Case cases[] = {
        {"list by block", 0, 30, true, true, true, 0, 0x28},
        {"list by category", 0, 30, false, true, true, 0, 0x2A},
        {"list by codes", 0, 30, false, false, true, 0, 0x20},
        {"list without anything", 0, 30, false, false, false, 0, 0},
        {"tick detail", 0, 31, false, false, true, 0, 0x26},
        {"tick detail without a code", 0, 31, false, false, false, 0, 0},
        {"minute by index", 0, 32, false, false, true, 0, 0x24},
        {"minute by index, negative time", 0, 32, false, false, true, -5, 0x24},
        {"minute by date", 0, 32, false, false, true, 1765000000, 0x27},
        {"minute without a code", 0, 32, false, false, false, 1765000000, 0},
        {"day K-line", 0, 33, false, false, true, 0, 0x44},
        {"cycle 41", 0, 41, false, false, true, 0, 0x44},
        {"K-line without a code", 0, 35, false, false, false, 0, 0},
        {"period 42", 0, 42, false, false, true, 0, 0},
        {"dividends", 1, 0, false, false, true, 0, 0x37},
        {"dividends without a code", 1, 0, false, false, false, 0, 0},
        {"code table", 2, 0, false, false, false, 0, 0x05},
        {"tips by block", 3, 0, true, false, true, 0, 0x3F},
        {"tips by codes", 3, 0, false, false, true, 0, 0x48},
        {"tips without lists", 3, 0, false, false, false, 0, 0},
        {"price levels", 4, 0, false, false, true, 0, 0x3C},
        {"server state", 5, 0, false, false, false, 0, 0x03},
        {"type 6", 6, 30, true, true, true, 0, 0},
        {"type -1", -1, 30, true, true, true, 0, 0},
    };
    for (const Case& c : cases) {
        auto ctx = make(c.type, c.period);
        if (c.block)
            ctx->set_block(1110);
        if (c.category)
            ctx->set_category(2);
        if (c.codes)
            ctx->set_codes({code});
        ctx->set_time(c.time, 0);
        EXPECT_EQ(command_of(*ctx), c.want) << c.name;
    }
}

TEST(ContextFactory, MinuteByDateTurnsPageCountZeroIntoOne)
{
    auto ctx = make(0, 32);
    ctx->set_codes({CodeEntry::from("600000", 1)});
    ctx->set_time(1765000000, 0);
    ctx->set_page(4, 0);
    EXPECT_EQ(command_of(*ctx), 0x27);
    EXPECT_EQ(ctx->page().count, 1);
    EXPECT_EQ(ctx->page().first, 4);
}

TEST(ContextFactory, ListsGetPageControlAndKLinesLoadMoreAndRefresh)
{
    auto list = make(0, 30);
    auto c = ClientFactory::make(*list);
    EXPECT_NE(c->query(), nullptr);
    EXPECT_NE(c->page_control(), nullptr);
    EXPECT_EQ(c->load_more(), nullptr);
    EXPECT_EQ(c->refresh(), nullptr);
    auto k = make(0, 36);
    k->set_codes({CodeEntry::from("600000", 1)});
    auto kc = ClientFactory::make(*k);
    EXPECT_NE(kc->query(), nullptr);
    EXPECT_NE(kc->load_more(), nullptr);
    EXPECT_NE(kc->refresh(), nullptr);
    EXPECT_EQ(kc->page_control(), nullptr);
    auto detail = make(0, 31);
    EXPECT_EQ(ClientFactory::make(*detail)->page_control(), nullptr);
}

TEST(ContextFactory, IndexOptionLeavesTheCodeListAlone)
{
    auto ctx = make(0, 30);
    ctx->set_option(kOptionIndexList);
    ctx->set_codes({CodeEntry::from("999999", 1)});  // an unknown code: no blocks, no index symbols
    B2CClient0X20 client(*ctx, true);
    _B2CQuoteMsg h{1, 0, 5, 0, 1, 1, b2c_stream_create(1024)};
    ASSERT_TRUE(client.send(h));
    EXPECT_EQ(h.command, 0x20);
    EXPECT_EQ(bytes_of(h.payload), WireBytes().i16(0).i16(0).bytes());
    b2c_stream_release(h.payload);
    ASSERT_EQ(ctx->codes().size(), 1u);
    EXPECT_EQ(ctx->codes()[0].code(), "999999");
}

TEST(ContextSettings, SettersStoreAndFreshContextDefaults)
{
    auto ctx = std::make_shared<Context>(nullptr);
    ContextSettings s = ctx->settings();
    EXPECT_EQ(s.type, 0);
    EXPECT_EQ(s.period, 0);
    EXPECT_EQ(s.sort.direction, 2);
    EXPECT_TRUE(s.codes.empty());
    ctx->set_type(3);
    ctx->set_period(35);
    ctx->set_direction(7);
    ctx->set_option(12);
    ctx->set_time(100, -1);
    ctx->set_page(-3, 50);
    ctx->set_sort(8, 1);
    const uint16_t ids[] = {0, 8, 1016};
    ctx->set_market_fields(ids, 3);
    ctx->set_category(5);
    ctx->set_category(6);
    ctx->set_block(1110);
    ctx->set_codes({CodeEntry::from("000001", 2), CodeEntry::from("0123456789ABCDEFXYZ", 1)});
    ctx->set_user_data(-42);
    s = ctx->settings();
    EXPECT_EQ(s.type, 3);
    EXPECT_EQ(s.period, 35);
    EXPECT_EQ(s.direction, 7);
    EXPECT_EQ(s.option, 12);
    EXPECT_EQ(s.time_start, 100);
    EXPECT_EQ(s.time_end, -1);
    EXPECT_EQ(s.page.first, -3);
    EXPECT_EQ(s.page.count, 50);
    EXPECT_EQ(s.sort.field, 8);
    EXPECT_EQ(s.sort.direction, 1);
    EXPECT_EQ(s.market_fields, std::vector<uint16_t>({0, 8, 1016}));
    EXPECT_EQ(s.categories, std::vector<uint16_t>({6}));
    EXPECT_EQ(s.blocks, std::vector<int64_t>({1110}));
    ASSERT_EQ(s.codes.size(), 2u);
    EXPECT_EQ(s.codes[0].market(), 2);
    EXPECT_EQ(s.codes[1].code(), "0123456789ABCDEF");  // 16 bytes at most, no terminator needed
    EXPECT_EQ(ctx->user_data(), -42);
    ctx->set_market_fields(nullptr, 3);
    EXPECT_TRUE(ctx->settings().market_fields.empty());
}

TEST(ContextSettings, CExportsSetAndReadThroughTheHandle)
{
    quote_ctx* h = quote_ctx_create();
    ASSERT_NE(h, nullptr);
    quote_ctx_set_page(h, 40000, 20);
    EXPECT_EQ(quote_ctx_get_page_first_no(h), -25536);
    quote_ctx_set_user_data(h, 77);
    EXPECT_EQ(quote_ctx_get_user_data(h), 77);
    quote_ctx_set_time(h, 5, 0x11223344, 0x55);
    EXPECT_EQ(h->context->settings().time_end, (int64_t{0x55} << 32) | 0x11223344);
    quote_ctx_set_time(h, 5, -1, 0);
    EXPECT_EQ(h->context->settings().time_end, int64_t{0xFFFFFFFF});
    QuoteCodeInfo info[2]{};
    std::memcpy(info[0].code, "600000", 6);
    info[0].market = 1;
    std::memcpy(info[1].code, "000001", 6);
    info[1].market = 2;
    quote_ctx_set_code1(h, info, 2);
    auto codes = h->context->codes();
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes[1].code(), "000001");
    EXPECT_EQ(codes[1].market(), 2);
    char entries[2][17] = {};
    std::memcpy(entries[0], "300750", 6);
    entries[0][16] = 2;
    quote_ctx_set_code(h, entries, 1);
    codes = h->context->codes();
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0].code(), "300750");
    EXPECT_EQ(h->context->handle(), h);
    // Paging without a total: nothing.
    quote_ctx_set_peroid(h, 30);
    EXPECT_EQ(quote_ctx_page_down(h), 0);
    EXPECT_EQ(quote_ctx_load_more(h, 10), 0);
    quote_ctx_release(h);
    quote_ctx_release(nullptr);
}

TEST(Paging, NextAndPreviousFollowTheTotal)
{
    struct Case {
        bool forward;
        int16_t first, count;
        int32_t total;
        bool changed;
        int16_t want;
    };
    const Case cases[] = {
        {false, 0, 20, 95, true, 80},
        {false, 0, 20, 100, true, 80},
        {false, 10, 20, 100, true, 0},
        {false, 40, 20, 100, true, 20},
        {true, 80, 20, 95, true, 0},
        {true, 0, 20, 95, true, 20},
        {true, 60, 20, 80, true, 0},
        {true, 0, 0, 95, false, 0},
        {false, 0, 0, 95, false, 0},
        {true, 0, 20, 0, false, 0},
        {true, 0, 95, 95, false, 0},
        {false, 0, 100, 95, false, 0},
        {true, 0, -5, 95, false, 0},
        // A first row before 0 follows the signed rule: forward by count, back to 0.
        {true, -1, 20, 95, true, 19},
        {false, -1, 20, 95, true, 0},
    };
    for (const Case& c : cases) {
        ContextPage page{c.first, c.count};
        const bool changed =
            c.forward ? OffsetPageControl::next(page, c.total) : OffsetPageControl::previous(page, c.total);
        EXPECT_EQ(changed, c.changed) << (c.forward ? "next" : "previous") << " from " << c.first << " count "
                                      << c.count << " total " << c.total;
        EXPECT_EQ(page.first, c.changed ? c.want : c.first);
    }
}

TEST(Paging, ListWithoutCommandStillPagesAgainstTheTotal)
{
    auto ctx = std::make_shared<Context>(nullptr);
    ctx->set_period(30);
    ctx->set_category(1);
    ctx->set_category(2);  // one category only: make it two with a block-less, code-less list
    ContextSettings s = ctx->settings();
    s.categories = {1, 2};
    ctx->set_settings(s);
    ctx->set_page(0, 20);
    EXPECT_EQ(ctx->request(), 1);    // the query exists but sends nothing
    EXPECT_FALSE(ctx->page_down());  // no total yet
    ctx->set_total(100);
    EXPECT_TRUE(ctx->page_down());
    EXPECT_EQ(ctx->page().first, 20);
    EXPECT_TRUE(ctx->page_up());
    EXPECT_EQ(ctx->page().first, 0);
    EXPECT_TRUE(ctx->page_up());
    EXPECT_EQ(ctx->page().first, 80);
}

TEST(ContextFactory, IndexOptionSendsTheIndexSymbolsOfTheFirstCodesBlocks)
{
    RUN_IN_OWN_PROCESS();
    QuoteCodeInfo records[2]{};
    std::memcpy(records[0].code, "600005", 6);
    records[0].market = 1;
    std::memcpy(records[1].code, "000016", 6);
    records[1].market = 1;
    records[1].type = 1;
    quote_code_load(records, 2);
    const std::string board =
        R"({"boardIndex":[{"id":1012,"name":"g","marketid":1,"index":[{"boardid":5,"code":"000016","name":"i"}]}],)"
        R"("boardset":{"board":[{"id":5,"desc":"","name":"B","codeRules":[{"type":"list","market":1,)"
        R"("value":"600005,600006","start":"","end":""}]},{"id":6,"desc":"","name":"C","codeRules":[]}]}})";
    ASSERT_EQ(quote_block_load(board.c_str(), static_cast<int>(board.size())), 1);
    auto ctx = std::make_shared<Context>(&B2CService::instance());
    ctx->set_period(30);
    ctx->set_option(kOptionIndexList);
    ctx->set_codes({CodeEntry::from("600005", 1), CodeEntry::from("600006", 1)});
    const uint16_t fields[] = {8};
    ctx->set_market_fields(fields, 1);
    auto client = ClientFactory::make(*ctx);
    auto* query = dynamic_cast<DefaultB2CQueryClient*>(client->query());
    ASSERT_NE(query, nullptr);
    _B2CQuoteMsg h{1, 0, 5, 0, 1, 1, b2c_stream_create(1024)};
    ASSERT_TRUE(query->command_client()->send(h));
    EXPECT_EQ(h.command, 0x20);
    EXPECT_EQ(bytes_of(h.payload), WireBytes().i16(1).text("000016", 6).u8(1).i16(1).i16(8).bytes());
    b2c_stream_release(h.payload);
    EXPECT_EQ(ctx->codes().size(), 2u);  // the context's own list stays
}
