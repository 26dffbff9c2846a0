// The whole exported interface end to end against the local quote server, the
// way the main program uses it: the version check, the engine with its code
// table, every context function, symbol lookups by both key forms, and the
// block, margin and rating files the server writes for its market. Only the
// exported functions are called (internal headers are read for the records
// behind the opaque pointers). Each scenario is its own process.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "block.h"
#include "enginerecorder.h"
#include "exporthelpers.h"
#include "ownprocess.h"
#include "quote.h"
#include "replylog.h"
#include "serverprocess.h"
#include "syntheticmarket.h"
#include "symbolrecord.h"
#include "tempdir.h"

namespace {

// What the scenarios keep of each reply (replies live only for the callback).
struct Kept {
    quote_ctx* ctx = nullptr;
    uint16_t kind = 0;
    int32_t count = 0;
    std::vector<std::string> codes;  // kinds 3 and 9: code/market of each row
    std::vector<std::string> names;  // kind 3: industry|region|concept read through each row's link
    int bars = 0;                    // kind 5
};

// The local server (writing its start-up files) and the engine on a thread of
// its own, with the code table requested at start.
class ExportsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        ASSERT_FALSE(dir.path().empty());
        server = std::make_unique<QuoteServerProcess>(std::vector<std::string>{"--write-files", dir.path()});
        ASSERT_GT(server->port(), 0);
        engine = std::make_unique<EngineRecorder>(
            "tcp://127.0.0.1:" + std::to_string(server->port()) + "/?auto_delay=50", 0);
        engine->set_on_reply([this](const QuoteReply& r) { keep(r); });
        engine->start();
        ASSERT_GE(engine->wait_state(1), 0) << "no login";
        const int table = engine->wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_CODE_TABLE; });
        ASSERT_GE(table, 0) << "no code table";
        ASSERT_EQ(engine->replies()[static_cast<size_t>(table)].count, 368)
            << "4 market indices, 350 stocks, 12 board indices, 399005 and 1A0004";
    }

    void TearDown() override
    {
        engine.reset();
        server.reset();
    }

    int load(int (*loader)(const char*, int), const char* file)
    {
        const std::string text = readFile(dir.path() + "/" + file);
        return loader(text.data(), static_cast<int>(text.size()));
    }

    // Engine thread.
    void keep(const QuoteReply& r)
    {
        Kept k;
        k.ctx = r.ctx;
        k.kind = r.kind;
        k.count = r.count;
        if (r.kind == QUOTE_REPLY_REALTIME && r.data) {
            const auto* rows = static_cast<const QuoteRealTimeMarket*>(r.data);
            for (int i = 0; i < r.count; ++i) {
                k.codes.push_back(std::string(rows[i].code_info.code) + "/" + std::to_string(rows[i].code_info.market));
                const auto* n = static_cast<const QuoteSymbolNames*>(rows[i].symbol);
                k.names.push_back(n ? std::string(n->industry_name) + "|" + n->region_name + "|" + n->concept_name
                                    : "<no link>");
            }
        } else if (r.kind == QUOTE_REPLY_SMART_TIP && r.data) {
            const auto* tips = static_cast<const QuoteSmartTip*>(r.data);
            for (int i = 0; i < r.count; ++i)
                k.codes.push_back(std::string(tips[i].code_info.code) + "/" + std::to_string(tips[i].code_info.market));
        } else if (r.kind == QUOTE_REPLY_KLINE && r.data) {
            k.bars = static_cast<const QuoteKPoints*>(r.data)->count;
        }
        replies.add(std::move(k));
    }

    bool wait(quote_ctx* ctx, uint16_t kind, size_t n, Kept* out) { return replies.wait(ctx, kind, n, out); }

    // The server's request lines for a command, in order.
    std::vector<std::string> requests(const char* command)
    {
        std::vector<std::string> out;
        const std::string prefix = std::string("request ") + command + " ";
        for (const std::string& l : server->lines())
            if (l.compare(0, prefix.size(), prefix) == 0)
                out.push_back(l);
        return out;
    }

    TempDir dir{"pelmar-exports-"};
    std::unique_ptr<QuoteServerProcess> server;
    std::unique_ptr<EngineRecorder> engine;
    ReplyLog<Kept> replies;
};

}  // namespace

TEST(ExportsVersion, AcceptsMajorOneUpToMinorNineteen)
{
    RUN_IN_OWN_PROCESS();
    struct Row {
        int major, minor, expected;
    };
    const Row table[] = {{1, 19, 1}, {1, 20, 0}, {2, 0, 0}, {1, -5, 1}, {0, 1, 0}, {1, 0, 1}};
    for (const Row& r : table)
        EXPECT_EQ(__quote_version_check(r.major, r.minor, 0), r.expected) << r.major << "." << r.minor;
    EXPECT_EQ(__quote_version_check(1, 19, 12345), 1) << "the patch is not read";
}

TEST(ExportsEngine, RunsUntilShutdownAndDoesNotRunTwice)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine("tcp://127.0.0.1:" + std::to_string(server.port()) + "/?auto_delay=50", 0);
    engine.start();
    ASSERT_GE(engine.wait_state(1), 0);
    ASSERT_GE(engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_CODE_TABLE; }), 0);
    EXPECT_TRUE(server.wait_prefix("request 0x05 "));

    std::thread other([] { quote_engine_shutdown(); });  // any thread may stop it
    other.join();
    ASSERT_TRUE(engine.wait_returned());
    EXPECT_EQ(engine.result(), 1);
    quote_engine_shutdown();  // a second shutdown does nothing
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(quote_engine_run(engine.config(), &EngineRecorder::callback), 0) << "no second run";
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5)) << "returned at once";
}

TEST_F(ExportsEndToEnd, SymbolLookupsByBothKeyForms)
{
    RUN_IN_OWN_PROCESS();
    // quote_symbol_find keeps the markets apart.
    const void* index = quote_symbol_find("1A0001", 1);
    const void* stock = quote_symbol_find("000001", 2);
    ASSERT_NE(index, nullptr);
    ASSERT_NE(stock, nullptr);
    EXPECT_NE(index, stock);
    EXPECT_EQ(quote_symbol_find("000001", 1), nullptr);
    EXPECT_EQ(quote_symbol_find("1A0001", 2), nullptr);
    EXPECT_EQ(quote_symbol_find("600200", 1), nullptr);
    EXPECT_EQ(quote_symbol_find("60000000000000000", 1), nullptr) << "longer than 16 bytes";

    const QuoteCodeInfo* info = quote_symbol_code_info(index);
    ASSERT_EQ(static_cast<const void*>(info), index) << "the record starts with its code info";
    EXPECT_STREQ(info->code, "1A0001");
    EXPECT_STREQ(info->name, "上证指数");
    EXPECT_STREQ(info->pinyin, "SZZS");
    EXPECT_EQ(info->market, 1);
    EXPECT_EQ(info->type, 1);
    EXPECT_STREQ(quote_symbol_code_info(stock)->name, SyntheticMarket::instance().find("000001", 2)->name.c_str());
    const QuoteRealTimeMarket* realtime = quote_symbol_realtime(stock);
    ASSERT_NE(realtime, nullptr);
    EXPECT_STREQ(realtime->code_info.code, "000001");
    EXPECT_EQ(realtime->code_info.market, 2);
    EXPECT_EQ(realtime->symbol, static_cast<const void*>(&static_cast<const SymbolRecord*>(stock)->links))
        << "the link's names begin the record's links";

    // quote_code_load adds new codes and leaves known ones alone; 000001/1
    // shares a Shenzhen stock's code text.
    const QuoteCodeInfo added[] = {codeInfo("600200", 1, "新股"), codeInfo("600000", 1, "改名"),
                                   codeInfo("000001", 1, "同码")};
    quote_code_load(added, 3);
    const void* twin = quote_symbol_find("000001", 1);
    ASSERT_NE(twin, nullptr);
    ASSERT_NE(quote_symbol_find("600200", 1), nullptr);
    EXPECT_STREQ(quote_symbol_code_info(quote_symbol_find("600200", 1))->name, "新股");
    EXPECT_STREQ(quote_symbol_code_info(quote_symbol_find("600000", 1))->name,
                 SyntheticMarket::instance().find("600000", 1)->name.c_str());

    // Blocks, both key forms, and the record itself, give the same lists.
    ASSERT_EQ(load(quote_block_load, "board.json"), 1);
    struct Row {
        const char* code;
        uint8_t market;
        std::vector<int64_t> blocks;
        int64_t index_block;
    };
    const std::vector<Row> rows = {
        {"1A0001", 1, {1110}, 1102},
        {"000001", 1, {1110}, 0},
        {"000300", 1, {1110}, 1300},
        {"399006", 2, {1110}, 1106},
        {"000001", 2, {1101, 1103, 1110, 1300, 880201, 880471, 885001}, 0},
        {"600200", 1, {1101, 1102, 1110}, 0},  // i = 200: beyond every other rule
        {"880471", 1, {1110}, 880471},         // board indices quote their blocks
        {"885001", 1, {1110}, 885001},
    };
    for (const Row& r : rows) {
        const QuoteCodeInfo key1 = codeInfo(r.code, r.market);
        const auto key2 = entry17(r.code, r.market);
        void** list1 = nullptr;
        void** list2 = nullptr;
        const int n1 = quote_block_list_by_code(&key1, &list1);
        const int n2 = quote_block_list_by_code1(key2.data(), &list2);
        EXPECT_EQ(blockIds(list1, n1), r.blocks) << r.code << "/" << int(r.market);
        EXPECT_EQ(blockIds(list2, n2), r.blocks) << r.code << "/" << int(r.market);
        int n3 = -1;
        void** list3 = quote_symbol_block_list(quote_symbol_find(r.code, r.market), &n3);
        EXPECT_EQ(blockIds(list3, n3), r.blocks) << r.code << "/" << int(r.market);
        EXPECT_EQ(quote_block_index_block_id(&key1), r.index_block) << r.code << "/" << int(r.market);
        EXPECT_EQ(quote_block_index_block_id1(key2.data()), r.index_block) << r.code << "/" << int(r.market);
    }
    // An unknown symbol: no blocks, a null array, no index block.
    const QuoteCodeInfo unknown1 = codeInfo("123456", 1);
    const auto unknown2 = entry17("123456", 1);
    void** none = reinterpret_cast<void**>(&none);
    EXPECT_EQ(quote_block_list_by_code(&unknown1, &none), 0);
    EXPECT_EQ(none, nullptr);
    none = reinterpret_cast<void**>(&none);
    EXPECT_EQ(quote_block_list_by_code1(unknown2.data(), &none), 0);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(quote_block_index_block_id(&unknown1), 0);
    EXPECT_EQ(quote_block_index_block_id1(unknown2.data()), 0);

    // Members include the code added after the table arrived.
    int n = 0;
    void** members = quote_block_symbol_list(1102, &n);
    ASSERT_EQ(n, 201);
    EXPECT_STREQ(quote_symbol_code_info(members[n - 1])->code, "600200");

    // Margin and rating reach every market's record of a listed code text.
    ASSERT_EQ(load(quote_margin_load, "stock_rzrq.json"), 1);
    ASSERT_EQ(load(quote_rating_load, "stock_rating.json"), 1);
    EXPECT_EQ(quote_margin_is("000001", 1), 1);
    EXPECT_EQ(quote_margin_is("000001", 2), 1);
    EXPECT_EQ(quote_margin_is("000001", 0), 0);
    EXPECT_EQ(quote_margin_is("000002", 1), 0);
    const auto* indexLinks = static_cast<const SymbolLinks*>(quote_symbol_realtime(index)->symbol);
    const auto* twinLinks = static_cast<const SymbolLinks*>(quote_symbol_realtime(twin)->symbol);
    const auto* stockLinks = static_cast<const SymbolLinks*>(quote_symbol_realtime(stock)->symbol);
    EXPECT_FALSE(indexLinks->margin);
    EXPECT_TRUE(twinLinks->margin);
    EXPECT_TRUE(stockLinks->margin);
    EXPECT_EQ(indexLinks->rating, "");
    EXPECT_EQ(twinLinks->rating, "买入");
    EXPECT_EQ(stockLinks->rating, "买入");
}

// A delivered row's symbol link reads as the symbol's industry, region and
// concept names. From the server's board rules: industries cut each market's
// stocks into ranges (Shanghai 120-159 electronics, 0-39 banks; Shenzhen
// 119-149 cars), regions take the position modulo 4, and a stock takes the
// first concept in the group's order 885002, 885001, 885003 that holds it.
TEST_F(ExportsEndToEnd, RowsReadTheirBlockNamesThroughTheSymbolLink)
{
    RUN_IN_OWN_PROCESS();
    ASSERT_EQ(load(quote_block_load, "board.json"), 1);
    const uint16_t fields[] = {0, 8, 9};
    const std::array<char, 17> codes[] = {entry17("600150", 1), entry17("600001", 1), entry17("300041", 2),
                                          entry17("1A0001", 1)};
    quote_ctx* ctx = quote_ctx_create();
    quote_ctx_set_type(ctx, 0);
    quote_ctx_set_peroid(ctx, 30);
    quote_ctx_set_code(ctx, codes, 4);
    quote_ctx_set_market_field(ctx, fields, 3);
    ASSERT_EQ(quote_ctx_request(ctx), 1);
    Kept got;
    ASSERT_TRUE(wait(ctx, QUOTE_REPLY_REALTIME, 1, &got));
    EXPECT_EQ(got.codes, (std::vector<std::string>{"600150/1", "600001/1", "300041/2", "1A0001/1"}));
    EXPECT_EQ(got.names, (std::vector<std::string>{
                             "电子|广东|新能源",  // position 150: 885002 before 885001
                             "银行|上海|",        // position 1: in no concept
                             "汽车|北京|新能源",  // Shenzhen position 140
                             "||",                // the index is in no block of the three groups
                         }));
    quote_ctx_release(ctx);
}

TEST_F(ExportsEndToEnd, EveryContextFunctionAgainstTheServer)
{
    RUN_IN_OWN_PROCESS();
    ASSERT_EQ(load(quote_block_load, "board.json"), 1);
    const uint16_t fields[] = {0, 8, 9};

    // A subscribed list from QuoteCodeInfo records of the symbol table.
    quote_ctx* list = quote_ctx_create();
    ASSERT_NE(list, nullptr);
    const intptr_t word = static_cast<intptr_t>(0x7fff12345678);
    quote_ctx_set_user_data(list, word);
    EXPECT_EQ(quote_ctx_get_user_data(list), word);
    quote_ctx_set_type(list, 0);
    quote_ctx_set_peroid(list, 30);
    const QuoteCodeInfo records[] = {*quote_symbol_code_info(quote_symbol_find("600000", 1)),
                                     *quote_symbol_code_info(quote_symbol_find("000001", 2))};
    quote_ctx_set_code1(list, records, 2);
    quote_ctx_set_market_field(list, fields, 3);
    ASSERT_EQ(quote_ctx_subscribe(list), 1);
    Kept got;
    ASSERT_TRUE(wait(list, QUOTE_REPLY_REALTIME, 1, &got));
    EXPECT_EQ(got.codes, (std::vector<std::string>{"600000/1", "000001/2"}));
    ASSERT_TRUE(wait(list, QUOTE_REPLY_REALTIME, 2, nullptr)) << "pushes follow";
    ASSERT_EQ(requests("0x20").size(), 1u);
    ASSERT_EQ(quote_ctx_cancel(list), 1);
    const std::string id = requests("0x20")[0].substr(std::strlen("request 0x20 "));
    EXPECT_TRUE(server->wait_line("cancel " + id));

    // Option 2: the list becomes the index symbols of the first code's blocks
    // (000001 in Shenzhen: 1103 with 399001, 1300 with 000300, then the
    // region, industry and concept blocks with their own board indices).
    quote_ctx* indices = quote_ctx_create();
    quote_ctx_set_type(indices, 0);
    quote_ctx_set_peroid(indices, 30);
    quote_ctx_set_option(indices, 2);
    const auto shenzhen1 = entry17("000001", 2);
    quote_ctx_set_code(indices, shenzhen1.data(), 1);
    quote_ctx_set_market_field(indices, fields, 3);
    ASSERT_EQ(quote_ctx_request(indices), 1);
    ASSERT_TRUE(wait(indices, QUOTE_REPLY_REALTIME, 1, &got));
    EXPECT_EQ(got.codes, (std::vector<std::string>{"399001/2", "000300/1", "880201/1", "880471/1", "885001/1"}));

    // A ranked page of a block, paged down and up: the Shanghai stocks by
    // volume, ascending.
    const std::vector<std::string> shanghai = by_volume(SyntheticMarket::instance().block(1102));
    quote_ctx* ranked = quote_ctx_create();
    quote_ctx_set_type(ranked, 0);
    quote_ctx_set_peroid(ranked, 30);
    quote_ctx_set_block(ranked, 1102);
    quote_ctx_set_page(ranked, 0, 10);
    quote_ctx_set_sort(ranked, 9, 1);
    quote_ctx_set_market_field(ranked, fields, 3);
    ASSERT_EQ(quote_ctx_request(ranked), 1);
    ASSERT_TRUE(wait(ranked, QUOTE_REPLY_REALTIME, 1, &got));
    ASSERT_EQ(got.codes.size(), 10u);
    EXPECT_EQ(got.codes.front(), shanghai[0]);
    EXPECT_EQ(got.codes.back(), shanghai[9]);
    EXPECT_TRUE(server->wait_prefix("request 0x28 "));
    ASSERT_EQ(quote_ctx_page_down(ranked), 1);
    EXPECT_EQ(quote_ctx_get_page_first_no(ranked), 10);
    ASSERT_TRUE(wait(ranked, QUOTE_REPLY_REALTIME, 2, &got));
    ASSERT_EQ(got.codes.size(), 10u);
    EXPECT_EQ(got.codes.front(), shanghai[10]);
    EXPECT_EQ(got.codes.back(), shanghai[19]);
    ASSERT_EQ(quote_ctx_page_up(ranked), 1);
    EXPECT_EQ(quote_ctx_get_page_first_no(ranked), 0);
    ASSERT_TRUE(wait(ranked, QUOTE_REPLY_REALTIME, 3, nullptr));

    // A category ranking set up through every scalar setter: its text form,
    // written out by hand, and a context parsed from that text that works.
    quote_ctx* category = quote_ctx_create();
    quote_ctx_set_peroid(category, 30);
    quote_ctx_set_direction(category, 1);
    quote_ctx_set_type(category, 0);
    quote_ctx_set_option(category, 4);
    quote_ctx_set_time(category, 0, 0, 0);
    quote_ctx_set_page(category, 0, 10);
    quote_ctx_set_sort(category, 9, 1);
    quote_ctx_set_market_field(category, fields, 3);
    quote_ctx_set_category(category, 2);
    const std::string text =
        "{\"peroid_\":30,\"dir_\":1,\"type_\":0,\"option_\":4,\"time_\":{\"start\":0,\"end\":0},"
        "\"page_\":{\"no\":0,\"length\":10},\"sort_\":{\"id\":9,\"mode\":1},"
        "\"market_field_\":[0,8,9],\"blocks_\":[],\"categories_\":[2],\"codes_\":[]}";
    ASSERT_NE(quote_ctx_dump(category), nullptr);
    EXPECT_EQ(std::string(quote_ctx_dump(category)), text);
    quote_ctx* parsed = quote_ctx_parse(text.data(), static_cast<int>(text.size()));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(std::string(quote_ctx_dump(parsed)), text);
    EXPECT_EQ(quote_ctx_get_user_data(parsed), 0) << "a parsed context is a fresh one";
    ASSERT_EQ(quote_ctx_request(parsed), 1);
    ASSERT_TRUE(wait(parsed, QUOTE_REPLY_REALTIME, 1, &got));
    ASSERT_EQ(got.codes.size(), 10u);
    const std::vector<std::string> shenzhen = by_volume(SyntheticMarket::instance().category(2));
    EXPECT_EQ(got.codes[0], shenzhen[0]) << "Shenzhen stocks by volume, ascending";
    EXPECT_EQ(got.codes[9], shenzhen[9]);
    EXPECT_TRUE(server->wait_prefix("request 0x2a "));
    EXPECT_EQ(quote_ctx_parse("[1]", 3), nullptr);
    EXPECT_EQ(quote_ctx_parse("{\"peroid_\":", 11), nullptr);

    // The time's end is ((int64)b << 32) | (uint32)a.
    quote_ctx_set_time(category, 1765000000, 5, 1);
    EXPECT_NE(std::string(quote_ctx_dump(category)).find("\"time_\":{\"start\":1765000000,\"end\":4294967301}"),
              std::string::npos)
        << quote_ctx_dump(category);

    // K-lines by 17-byte code entry: a screen, older bars, a refresh.
    quote_ctx* kline = quote_ctx_create();
    quote_ctx_set_type(kline, 0);
    quote_ctx_set_peroid(kline, 35);
    const auto shanghai3 = entry17("600003", 1);
    quote_ctx_set_code(kline, shanghai3.data(), 1);
    quote_ctx_set_page(kline, 0, 50);
    ASSERT_EQ(quote_ctx_request(kline), 1);
    ASSERT_TRUE(wait(kline, QUOTE_REPLY_KLINE, 1, &got));
    EXPECT_EQ(got.bars, 50);
    ASSERT_EQ(quote_ctx_load_more(kline, 50), 1);
    ASSERT_TRUE(wait(kline, QUOTE_REPLY_KLINE, 2, &got));
    EXPECT_EQ(got.bars, 51) << "50 older bars and the oldest one held";
    // The server's log lines may trail its answers: wait for the two requests.
    ASSERT_TRUE(server->wait_prefix("request 0x44 "));
    ASSERT_TRUE(server->wait_prefix("request 0x44 "));
    const size_t sent = requests("0x44").size();
    ASSERT_EQ(quote_ctx_update(kline), 1);
    ASSERT_TRUE(wait(kline, QUOTE_REPLY_KLINE, 3, &got));
    EXPECT_EQ(got.bars, 100) << "the refresh gives the whole cache";
    EXPECT_EQ(requests("0x44").size(), sent) << "a refresh asks the server nothing";

    for (quote_ctx* ctx : {list, indices, ranked, category, parsed, kline})
        quote_ctx_release(ctx);
    quote_ctx_release(nullptr);
}

// The server answers block commands from the same board definitions it
// writes into board.json: a block's ranked page lists exactly the members
// the client works out from that file, a partial page is the matching slice,
// and a block's tips name its members only.
TEST_F(ExportsEndToEnd, BlockPagesHoldTheBoardFileMembers)
{
    RUN_IN_OWN_PROCESS();
    ASSERT_EQ(load(quote_block_load, "board.json"), 1);
    const uint16_t fields[] = {0};
    std::vector<quote_ctx*> contexts;  // released at the end, so no address is reused
    auto make = [&contexts](int type, int64_t block, uint16_t first, uint16_t count) {
        quote_ctx* ctx = quote_ctx_create();
        quote_ctx_set_type(ctx, type);
        quote_ctx_set_peroid(ctx, 30);
        quote_ctx_set_block(ctx, block);
        quote_ctx_set_page(ctx, first, count);
        quote_ctx_set_sort(ctx, 9, 1);
        contexts.push_back(ctx);
        return ctx;
    };

    // Every board of the file with its member count worked out from the
    // rules (Shanghai stock i = 600000 + i, Shenzhen stock j = 000001 + j).
    struct Members {
        int64_t id;
        int count;
    };
    const Members boards[] = {
        {1101, 350},       {1102, 200},       {1103, 150},       {1106, 50},        {1110, 368},
        {1300, 60 + 40},   {880471, 40 + 29}, {880472, 40 + 30}, {880473, 40 + 30}, {880474, 40 + 30},
        {880475, 40 + 31}, {880201, 50 + 38}, {880202, 50 + 38}, {880203, 50 + 37}, {880204, 50 + 37},
        {885001, 20 + 15}, {885002, 50 + 11}, {885003, 29},
    };
    for (const Members& b : boards) {
        int n = 0;
        void** members = quote_block_symbol_list(b.id, &n);
        ASSERT_EQ(n, b.count) << "members of block " << b.id << " in board.json";
        std::vector<std::string> expected;
        for (int i = 0; i < n; ++i) {
            const QuoteCodeInfo* info = quote_symbol_code_info(members[i]);
            expected.push_back(std::string(info->code) + "/" + std::to_string(info->market));
        }
        quote_ctx* page = make(0, b.id, 0, 400);  // one page holds the largest block
        quote_ctx_set_market_field(page, fields, 1);
        ASSERT_EQ(quote_ctx_request(page), 1);
        Kept got;
        ASSERT_TRUE(wait(page, QUOTE_REPLY_REALTIME, 1, &got)) << "block " << b.id;
        std::sort(expected.begin(), expected.end());
        std::sort(got.codes.begin(), got.codes.end());
        EXPECT_EQ(got.codes, expected) << "the server's page of block " << b.id;
    }

    // Rows 50 to 69 of 1300 by volume, ascending.
    quote_ctx* slice = make(0, 1300, 50, 20);
    quote_ctx_set_market_field(slice, fields, 1);
    ASSERT_EQ(quote_ctx_request(slice), 1);
    Kept got;
    ASSERT_TRUE(wait(slice, QUOTE_REPLY_REALTIME, 1, &got));
    const std::vector<std::string> all = by_volume(SyntheticMarket::instance().block(1300));
    EXPECT_EQ(got.codes, std::vector<std::string>(all.begin() + 50, all.begin() + 70));

    // A block the file does not define has no rows.
    quote_ctx* unknown = make(0, 999, 0, 10);
    quote_ctx_set_market_field(unknown, fields, 1);
    ASSERT_EQ(quote_ctx_request(unknown), 1);
    ASSERT_TRUE(wait(unknown, QUOTE_REPLY_REALTIME, 1, &got));
    EXPECT_TRUE(got.codes.empty()) << got.codes.size() << " rows for block 999";

    // Ten tips of 885003 (i = 3 mod 7) name its first ten members, the newest
    // (the server's last) first.
    quote_ctx* tips = make(3, 885003, 0, 10);
    ASSERT_EQ(quote_ctx_request(tips), 1);
    ASSERT_TRUE(wait(tips, QUOTE_REPLY_SMART_TIP, 1, &got));
    EXPECT_EQ(got.codes, (std::vector<std::string>{"600066/1", "600059/1", "600052/1", "600045/1", "600038/1",
                                                   "600031/1", "600024/1", "600017/1", "600010/1", "600003/1"}));
    EXPECT_TRUE(server->wait_prefix("request 0x3f "));

    for (quote_ctx* ctx : contexts)
        quote_ctx_release(ctx);
}
