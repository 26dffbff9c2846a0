// Code table download (0x05): stamps, records into the symbol table, and
// answers that do not read whole leaving everything unchanged.
#include <gtest/gtest.h>

#include <cstring>

#include "b2cclient0x05.h"
#include "b2cclient0x05reply.h"
#include "b2cservice.h"
#include "ownprocess.h"
#include "replyharness.h"
#include "symboltable.h"

namespace {

WireBytes& record(WireBytes& w, unsigned market, unsigned type, const std::string& code, const std::string& name,
                  const std::string& pinyin)
{
    return w.u8(9).u8(market).u8(type).text(code, 6).text(name, 24).text(pinyin, 6);
}

}  // namespace

TEST(CodeTable, AnswerFillsRecordsStampsAndSymbolTable)
{
    RUN_IN_OWN_PROCESS();
    B2CService& engine = B2CService::instance();
    auto ctx = std::make_shared<Context>(&engine);
    QuoteCodeInfo known{};
    std::strcpy(known.code, "600519");
    std::strcpy(known.name, "旧名");
    known.market = 1;
    engine.symbols().load(&known, 1);

    WireBytes w;
    w.i16(10).u8(1).i32(20261208).u8(2).i32(20261207);
    w.i16(3);
    record(w, 1, 2, "600519", "贵州茅台", "GZMT");
    record(w, 2, 1, "399001", "深证成指", "SZCZ");
    record(w, 1, 1, "000001", "上证指数", "SZZS");
    auto reply = processed<B2CClient0x05Reply>(w.bytes(), 1, ctx, &engine);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_CODE_TABLE);
    ASSERT_EQ(r->count, 3);
    const auto* records = static_cast<const QuoteCodeInfo*>(r->data);
    EXPECT_STREQ(records[0].code, "600519");
    EXPECT_STREQ(records[0].name, "贵州茅台");
    EXPECT_STREQ(records[0].pinyin, "GZMT");
    EXPECT_EQ(records[0].market, 1);
    EXPECT_EQ(records[0].type, 2);
    EXPECT_EQ(records[0].decimal, 0);
    EXPECT_EQ(records[1].market, 2);
    // A code already in the table keeps its record; new codes are added.
    EXPECT_STREQ(engine.symbols().find("600519", 1)->code_info.name, "旧名");
    ASSERT_NE(engine.symbols().find("399001", 2), nullptr);
    EXPECT_STREQ(engine.symbols().find("399001", 2)->code_info.pinyin, "SZCZ");
    EXPECT_NE(engine.symbols().find("000001", 1), nullptr);
    // The next request carries the new stamps.
    const auto stamps = B2CClient0x05::stamps();
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_EQ(stamps[0].market, 1);
    EXPECT_EQ(stamps[0].stamp, 20261208);
    EXPECT_EQ(stamps[1].market, 2);
    EXPECT_EQ(stamps[1].stamp, 20261207);
}

TEST(CodeTable, AnswersThatDoNotReadWholeChangeNothing)
{
    RUN_IN_OWN_PROCESS();
    B2CService& engine = B2CService::instance();
    auto ctx = std::make_shared<Context>(&engine);
    WireBytes full;
    full.i16(5).u8(1).i32(7).i16(1);
    record(full, 1, 2, "601318", "中国平安", "ZGPA");
    const std::vector<std::vector<uint8_t>> bad = {
        WireBytes().i16(7).u8(1).i32(7).u8(2).u8(0).i16(0).bytes(),  // stamp length not a multiple of 5
        WireBytes().i16(-5).bytes(),                                 // negative stamp length
        WireBytes().i16(5).u8(1).i32(7).i16(-1).bytes(),             // negative record count
        WireBytes().i16(5).u8(1).i32(7).i16(2).bytes(),              // more records than bytes
        full.cut(full.size() - 3),                                   // record cut short
    };
    for (const auto& body : bad) {
        auto reply = processed<B2CClient0x05Reply>(body, 1, ctx, &engine);
        expect_bad_reply(reply->reply());
        EXPECT_EQ(engine.symbols().find("601318", 1), nullptr);
        const auto stamps = B2CClient0x05::stamps();
        ASSERT_EQ(stamps.size(), 3u);  // still the list of the first request
        EXPECT_EQ(stamps[2].market, 20);
    }
    auto reply = processed<B2CClient0x05Reply>(full.bytes(), 1, ctx, &engine);
    EXPECT_EQ(reply->reply()->count, 1);
    EXPECT_NE(engine.symbols().find("601318", 1), nullptr);
}
