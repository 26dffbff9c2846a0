// Real-time rows (0x20, 0x28, 0x2A): field decoding, totals, local sort, the
// running 0x20 table with its window, symbol links, and bad answers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "b2cclient0x20reply.h"
#include "b2cclient0x28reply.h"
#include "b2cclient0x2areply.h"
#include "b2cerrorreply.h"
#include "b2cservice.h"
#include "realtimerowparser.h"
#include "replyharness.h"
#include "symboltable.h"

namespace {

std::shared_ptr<Context> list_ctx(int option = 0)
{
    use_china_time();
    auto ctx = std::make_shared<Context>(nullptr);
    ctx->set_option(option);
    return ctx;
}

const QuoteRealTimeMarket* rows_of(const QuoteReply* r)
{
    return static_cast<const QuoteRealTimeMarket*>(r->data);
}

// Rows of fields {0, 8}: identity and close.
WireBytes& add_close_row(WireBytes& w, const std::string& code, const std::string& name, unsigned market, int32_t close)
{
    return w.identity(code, name, 2, market, 2).i32(close);
}

}  // namespace

TEST(RealTimeRows, CategoryPageDecodesEveryFieldKind)
{
    auto ctx = list_ctx();
    // ids: identity, date, time, close, volume rate, 47 (carries nothing), volume,
    // amount, sell price 1, buy volume 5, rise count, eps, block id
    WireBytes w;
    w.i16(95).i16(13);
    for (int id : {0, 2, 3, 8, 33, 47, 9, 11, 12, 31, 1001, 350, 1015})
        w.i16(id);
    w.i16(1);
    w.identity("600000", "浦发银行", 2, 1, 2)
        .i32(20261208)
        .i32(93005)
        .i32(123400)
        .i32(150)
        .i64(5000000000LL)
        .i64(123456789)
        .i32(123500)
        .i64(777)
        .i16(-3)
        .i32(12500)
        .i64(1110);
    auto reply = processed<B2CClient0X2AReply>(w.bytes(), 1, ctx);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_REALTIME);
    ASSERT_EQ(r->count, 1);
    const QuoteRealTimeMarket& row = rows_of(r)[0];
    EXPECT_STREQ(row.code_info.code, "600000");
    EXPECT_STREQ(row.code_info.name, "浦发银行");
    EXPECT_EQ(row.code_info.decimal, 2);
    EXPECT_EQ(row.code_info.market, 1);
    EXPECT_EQ(row.code_info.type, 2);
    EXPECT_EQ(row.timestamp, china_seconds(2026, 12, 8, 9, 30, 5));
    EXPECT_FLOAT_EQ(row.close, 12.34f);
    EXPECT_FLOAT_EQ(row.vol_rate, 1.5f);
    EXPECT_EQ(row.vol, 5000000000LL);
    EXPECT_DOUBLE_EQ(row.sum, 123456789.0);
    EXPECT_FLOAT_EQ(row.sell_price[0], 12.35f);
    EXPECT_EQ(row.buy_vol[4], 777);
    EXPECT_EQ(row.rise_count, -3);
    EXPECT_DOUBLE_EQ(row.eps, static_cast<double>(1.25f));
    EXPECT_EQ(row.block_id, 1110);
    EXPECT_EQ(row.symbol, nullptr);  // 0x2A rows are not linked
    EXPECT_EQ(ctx->total(), 95);
}

TEST(RealTimeRows, RowWithoutDateHasTimestampMinusOne)
{
    auto ctx = list_ctx();
    WireBytes w;
    w.i16(10).i16(2).i16(0).i16(8).i16(1);
    add_close_row(w, "000001", "平安银行", 2, 100000);
    auto reply = processed<B2CClient0X2AReply>(w.bytes(), 1, ctx);
    ASSERT_EQ(reply->reply()->count, 1);
    EXPECT_EQ(rows_of(reply->reply())[0].timestamp, -1);
}

TEST(RealTimeRows, LocalSortByCodeAndByValue)
{
    struct Case {
        uint16_t field;
        uint8_t direction;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {0, 0, {"600000", "300750", "000001"}},  // code, descending
        {0, 1, {"000001", "300750", "600000"}},  // code, ascending
        {0, 2, {"300750", "000001", "600000"}},  // any other direction keeps the answer's order
        {8, 0, {"000001", "300750", "600000"}},  // close 20, 10, 10: equal rows keep their order
        {8, 1, {"300750", "600000", "000001"}},
    };
    for (const Case& c : cases) {
        auto ctx = list_ctx(kOptionLocalSort);
        ctx->set_sort(c.field, c.direction);
        WireBytes w;
        w.i16(3).i16(2).i16(0).i16(8).i16(3);
        add_close_row(w, "300750", "宁德时代", 2, 100000);
        add_close_row(w, "000001", "平安银行", 2, 200000);
        add_close_row(w, "600000", "浦发银行", 1, 100000);
        auto reply = processed<B2CClient0X2AReply>(w.bytes(), 1, ctx);
        ASSERT_EQ(reply->reply()->count, 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(rows_of(reply->reply())[i].code_info.code, c.order[i])
                << "field " << c.field << " direction " << int(c.direction) << " row " << i;
    }
}

TEST(RealTimeRows, SortPutsNaNLastInBothDirections)
{
    std::vector<QuoteRealTimeMarket> rows(3);
    std::strcpy(rows[0].code_info.code, "A");
    rows[0].pe = std::numeric_limits<float>::quiet_NaN();
    std::strcpy(rows[1].code_info.code, "B");
    rows[1].pe = 5;
    std::strcpy(rows[2].code_info.code, "C");
    rows[2].pe = 7;
    for (uint8_t direction : {0, 1}) {
        RealTimeRowParser::sort(rows.data(), rows.size(), 40, direction);
        EXPECT_STREQ(rows[2].code_info.code, "A") << "direction " << int(direction);
        EXPECT_STREQ(rows[0].code_info.code, direction == 0 ? "C" : "B");
    }
}

TEST(RealTimeRows, BadCountsAndShortRowsBecomeErrorReplies)
{
    auto ctx = list_ctx();
    WireBytes good;
    good.i16(10).i16(2).i16(0).i16(8).i16(2);
    add_close_row(good, "000001", "平安银行", 2, 100000);
    add_close_row(good, "000002", "万科A", 2, 100000);
    const std::vector<std::vector<uint8_t>> bad = {
        WireBytes().i16(10).i16(-1).bytes(),                          // negative field count
        WireBytes().i16(10).i16(2).i16(0).i16(8).i16(-2).bytes(),     // negative row count
        WireBytes().i16(10).i16(2).i16(0).i16(8).i16(30000).bytes(),  // more rows than bytes
        good.cut(good.size() - 1),                                    // last row cut short
        WireBytes().i16(10).bytes(),                                  // no field list
    };
    for (const auto& body : bad) {
        auto reply = processed<B2CClient0X2AReply>(body, 1, ctx);
        expect_bad_reply(reply->reply());
    }
    auto reply = processed<B2CClient0X2AReply>(good.bytes(), 1, ctx);
    EXPECT_EQ(reply->reply()->count, 2);
}

TEST(RealTimeRows, ErrorAnswerCarriesCodeAndText)
{
    auto reply = processed<B2CErrorReply>(WireBytes().u8(0xFF).text("no such code", 12).bytes(), 1, list_ctx());
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_ERROR);
    const auto* e = static_cast<const QuoteErrorInfo*>(r->data);
    EXPECT_EQ(e->code, -1);
    EXPECT_STREQ(e->text, "no such code");
}

TEST(RealTimeRows, BlockPageTakesInt32TotalAndLinksSymbols)
{
    auto ctx = list_ctx();
    B2CService& engine = B2CService::instance();
    WireBytes w;
    w.i64(1110).i32(40000).i16(2).i16(0).i16(8).i16(2);
    add_close_row(w, "688981", "中芯国际", 1, 500000);
    add_close_row(w, "", "", 1, 0);  // a row without a code
    auto reply = processed<B2CClient0X28Reply>(w.bytes(), 1, ctx, &engine);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->count, 2);
    EXPECT_EQ(ctx->total(), 40000);
    const SymbolRecord* record = engine.symbols().find("688981", 1);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->code_info.name, "中芯国际");
    EXPECT_EQ(rows_of(r)[0].symbol, &record->links);
    EXPECT_EQ(rows_of(r)[1].symbol, nullptr);
    EXPECT_EQ(engine.symbols().find("", 1), nullptr);
}

TEST(RealTimeRows, ListTableMergesByMarketAndCode)
{
    auto ctx = list_ctx();
    auto table = std::make_shared<RealTimeTable>();
    WireBytes first;
    first.i16(2).i16(0).i16(8).i16(2);
    add_close_row(first, "600000", "浦发银行", 1, 100000);
    add_close_row(first, "600000", "同码深市", 2, 110000);  // same code, other market: another row
    processed<B2CClient0X20Reply>(first.bytes(), 1, ctx, table, nullptr);
    // The second answer carries only code, market and close.
    WireBytes second;
    second.i16(2).i16(1).i16(8).i16(2);
    second.text("600000", 6).u8(1).i32(123400);
    second.text("000002", 6).u8(2).i32(90000);
    auto reply = processed<B2CClient0X20Reply>(second.bytes(), 1, ctx, table, nullptr);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->count, 3);
    const QuoteRealTimeMarket* rows = rows_of(r);
    EXPECT_STREQ(rows[0].code_info.code, "600000");
    EXPECT_STREQ(rows[0].code_info.name, "浦发银行");  // identity kept
    EXPECT_FLOAT_EQ(rows[0].close, 12.34f);            // values replaced
    EXPECT_STREQ(rows[1].code_info.name, "同码深市");
    EXPECT_FLOAT_EQ(rows[1].close, 11.0f);  // not in the answer: unchanged
    EXPECT_STREQ(rows[2].code_info.code, "000002");
    EXPECT_EQ(ctx->total(), 3);
}

TEST(RealTimeRows, ListWindowIsClampedToTheTable)
{
    struct Case {
        int16_t first, count;
        size_t want_first, want_count;
    };
    const Case cases[] = {{2, 10, 2, 3},
                          {0, 2, 0, 2},
                          {5, 3, 5, 0},
                          {9, 3, 5, 0},
                          {-4, 2, 0, 2},
                          // A page count of 0xFFFF (-1) is compared unsigned: every row from the first.
                          {1, -1, 1, 4},
                          {3, -32768, 3, 2}};
    for (const Case& c : cases) {
        size_t first = 99, count = 99;
        B2CClient0X20Reply::window(5, c.first, c.count, &first, &count);
        EXPECT_EQ(first, c.want_first) << c.first << "," << c.count;
        EXPECT_EQ(count, c.want_count) << c.first << "," << c.count;
    }
    // Through a reply: page first 2, count 10 over 5 rows delivers rows 3 to 5.
    auto ctx = list_ctx(kOptionWindow);
    ctx->set_page(2, 10);
    WireBytes w;
    w.i16(2).i16(0).i16(8).i16(5);
    for (int i = 0; i < 5; ++i)
        add_close_row(w, "00000" + std::to_string(i + 1), "x", 2, 10000 * (i + 1));
    auto table = std::make_shared<RealTimeTable>();
    auto reply = processed<B2CClient0X20Reply>(w.bytes(), 1, ctx, table, nullptr);
    ASSERT_EQ(reply->reply()->count, 3);
    EXPECT_STREQ(rows_of(reply->reply())[0].code_info.code, "000003");
    EXPECT_EQ(ctx->total(), 5);
}
