// Engine request bookkeeping without a server: ids, pending entries, cancel,
// the version check and the symbol table.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "b2cservice.h"
#include "context.h"
#include "ownprocess.h"
#include "probeclient.h"
#include "quote.h"
#include "symboltable.h"

namespace {

std::shared_ptr<ProbeClient> probe(ContextBase& context)
{
    return std::make_shared<ProbeClient>(context, kProbeOnce, std::vector<uint8_t>{});
}

QuoteCodeInfo code_info(const char* code, uint8_t market, const char* name)
{
    QuoteCodeInfo info;
    std::memset(&info, 0, sizeof(info));
    std::memcpy(info.code, code, strnlen(code, sizeof(info.code)));
    std::memcpy(info.name, name, strnlen(name, sizeof(info.name) - 1));
    info.market = market;
    return info;
}

}  // namespace

TEST(RequestIds, RunFromOneAndWrapPastZero)
{
    B2CService engine;
    auto context = std::make_shared<ContextBase>(&engine);
    const auto a = probe(*context);
    EXPECT_EQ(engine.send(a, false), 1);
    engine.set_request_counter(0xFFFE);
    EXPECT_EQ(engine.send(probe(*context), false), 0xFFFF);
    EXPECT_EQ(engine.send(probe(*context), false), 2) << "0 is skipped, and 1 is still pending";
    EXPECT_EQ(engine.send(probe(*context), false), 3);
}

TEST(RequestIds, WrapSkipsEveryIdStillPending)
{
    B2CService engine;
    auto context = std::make_shared<ContextBase>(&engine);
    std::vector<std::shared_ptr<ProbeClient>> held;
    for (int i = 0; i < 5; ++i) {
        held.push_back(probe(*context));
        EXPECT_EQ(engine.send(held.back(), i % 2 == 0), i + 1);
    }
    engine.cancel(3);
    EXPECT_FALSE(engine.is_pending(3));
    engine.set_request_counter(0xFFFF);
    EXPECT_EQ(engine.send(probe(*context), false), 3) << "ids 1, 2, 4, 5 are pending, 3 was cancelled";
    EXPECT_EQ(engine.send(probe(*context), false), 6);
}

TEST(RequestIds, ARequestWithNoFreeIdIsRefusedAndSaysSo)
{
    B2CService engine;
    auto context = std::make_shared<ContextBase>(&engine);
    const auto holder = probe(*context);
    for (int i = 0; i < 65535; ++i)
        ASSERT_EQ(engine.send(holder, true), i + 1);
    EXPECT_EQ(engine.send(probe(*context), false), 0) << "every id is pending";

    // A context request says so too (dividend records of one code: 0x37).
    auto ctx = std::make_shared<Context>(&engine);
    ctx->set_type(1);
    ctx->set_codes({CodeEntry::from("600000", 1)});
    EXPECT_EQ(ctx->request(), 0);
    engine.cancel(4242);
    EXPECT_EQ(ctx->request(), 1) << "one id is free again";
    EXPECT_TRUE(engine.is_pending(4242));
    EXPECT_EQ(engine.pending_count(), 65535u);
}

TEST(RequestIds, RequestsWaitPendingWhileNotLoggedIn)
{
    B2CService engine;
    auto context = std::make_shared<ContextBase>(&engine);
    const auto a = probe(*context);
    const auto b = probe(*context);
    const uint16_t ida = engine.send(a, true);
    const uint16_t idb = engine.send(b, false);
    EXPECT_TRUE(engine.is_pending(ida));
    EXPECT_TRUE(engine.is_pending(idb));
    EXPECT_EQ(a->request_id(), ida) << "the client remembers its id";
    EXPECT_EQ(engine.pending_count(), 2u);
    engine.cancel(ida);
    engine.cancel(999);  // unknown: nothing happens
    EXPECT_EQ(engine.pending_count(), 1u);
}

TEST(VersionCheck, AcceptsMajorOneUpToMinorNineteen)
{
    struct Case {
        int major, minor, expected;
    };
    const Case cases[] = {{1, 19, 1}, {1, 20, 0}, {2, 0, 0}, {1, -5, 1}, {1, 0, 1}, {0, 19, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(__quote_version_check(c.major, c.minor, 0), c.expected) << c.major << "." << c.minor;
}

TEST(EngineSettings, TakesHostPortDelayAndKeyFromTheUrl)
{
    B2CService::Settings s;
    std::string error;
    ASSERT_TRUE(B2CService::parse_settings("tcp://10.0.0.7:7709/?encrypt_key=abc&auto_delay=250", &s, &error)) << error;
    EXPECT_EQ(s.host, "10.0.0.7");
    EXPECT_EQ(s.port, 7709);
    EXPECT_EQ(s.auto_delay, 250);
    EXPECT_EQ(s.key, "abc");
    ASSERT_TRUE(B2CService::parse_settings("tcp://quotes.local:80", &s, &error)) << error;
    EXPECT_EQ(s.auto_delay, 1000);
    EXPECT_EQ(s.key, "varnoquel");
    ASSERT_TRUE(B2CService::parse_settings("tcp://h:80/?auto_delay=0", &s, &error));
    EXPECT_EQ(s.auto_delay, 0) << "0 means never reconnect";
    ASSERT_TRUE(B2CService::parse_settings("tcp://h:80/?auto_delay=-1", &s, &error));
    EXPECT_EQ(s.auto_delay, 1000) << "a negative delay means the default";
    EXPECT_FALSE(B2CService::parse_settings("tcp://h:8x0/", &s, &error));
    EXPECT_FALSE(B2CService::parse_settings(nullptr, &s, &error));
}

TEST(SymbolTable, KeysUseAtMostSixteenCodeBytes)
{
    char code[16];
    std::memset(code, 'A', sizeof(code));  // no terminator within the field
    EXPECT_EQ(SymbolTable::make_key(code, 16, 1), std::string(16, 'A') + '\x01');
    EXPECT_EQ(SymbolTable::make_key("600000", 16, 1), std::string("600000\x01", 7));
    unsigned char entry[17] = {'0', '0', '0', '0', '0', '1'};
    entry[16] = 2;
    EXPECT_EQ(SymbolTable::make_key_entry17(entry), std::string("000001\x02", 7));
    QuoteCodeInfo full;
    std::memset(&full, 'B', sizeof(full));
    full.market = 3;
    EXPECT_EQ(SymbolTable::make_key(full), std::string(16, 'B') + '\x03');
}

TEST(SymbolTable, LoadKeepsExistingRecordsAndSeparatesMarkets)
{
    RUN_IN_OWN_PROCESS();
    SymbolTable table;
    const QuoteCodeInfo first[] = {code_info("600000", 1, "first"), code_info("600000", 0, "market zero")};
    table.load(first, 2);
    const QuoteCodeInfo again = code_info("600000", 1, "second");
    table.load(&again, 1);
    SymbolRecord* r1 = table.find("600000", 1);
    SymbolRecord* r0 = table.find("600000", 0);
    ASSERT_NE(r1, nullptr);
    ASSERT_NE(r0, nullptr);
    EXPECT_NE(r1, r0) << "the same code in two markets is two records";
    EXPECT_STREQ(r1->code_info.name, "first") << "an existing record stays unchanged";
    EXPECT_EQ(table.find("600001", 1), nullptr);
    EXPECT_EQ(table.find("600000", 2), nullptr);
    EXPECT_EQ(table.find("60000000000000000000", 1), nullptr) << "a code longer than the field finds nothing";
    EXPECT_EQ(r1->realtime.symbol, &r1->links) << "the real-time part links to the record";
    EXPECT_STREQ(r1->realtime.code_info.code, "600000");
}

TEST(SymbolExports, LoadFindAndRecordParts)
{
    RUN_IN_OWN_PROCESS();
    const QuoteCodeInfo records[] = {code_info("000001", 2, "Ping"), code_info("600519", 1, "Mao")};
    quote_code_load(records, 2);
    quote_code_load(nullptr, 5);
    const void* symbol = quote_symbol_find("600519", 1);
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(static_cast<const void*>(quote_symbol_code_info(symbol)), symbol)
        << "the record begins with its code info";
    EXPECT_STREQ(quote_symbol_code_info(symbol)->name, "Mao");
    const QuoteRealTimeMarket* rt = quote_symbol_realtime(symbol);
    ASSERT_NE(rt, nullptr);
    EXPECT_STREQ(rt->code_info.code, "600519");
    EXPECT_EQ(quote_symbol_find("600519", 2), nullptr);
    EXPECT_EQ(quote_symbol_find(nullptr, 1), nullptr);
    EXPECT_EQ(quote_symbol_code_info(nullptr), nullptr);
    EXPECT_EQ(quote_symbol_realtime(nullptr), nullptr);
}

TEST(SymbolTable, RecordsKeepTheirAddressWhileOtherThreadsLoadAndFind)
{
    RUN_IN_OWN_PROCESS();
    SymbolTable table;
    const QuoteCodeInfo first = code_info("600000", 1, "first");
    table.load(&first, 1);
    SymbolRecord* const kept = table.find("600000", 1);
    ASSERT_NE(kept, nullptr);

    // One thread loads 4000 more codes in small batches while another looks
    // codes up; the table's lock keeps the two apart.
    std::thread loader([&] {
        std::vector<QuoteCodeInfo> batch;
        for (int i = 0; i < 4000; ++i) {
            batch.push_back(code_info(std::to_string(100000 + i).c_str(), static_cast<uint8_t>(i % 3), "x"));
            if (batch.size() == 50) {
                table.load(batch.data(), batch.size());
                batch.clear();
            }
        }
    });
    size_t found = 0;
    for (int round = 0; round < 200; ++round)
        for (int i = 0; i < 4000; i += 97)
            found += table.find(std::to_string(100000 + i).c_str(), i % 3) != nullptr;
    loader.join();
    (void)found;

    EXPECT_EQ(table.find("600000", 1), kept) << "a record never moves";
    EXPECT_STREQ(kept->code_info.name, "first");
    EXPECT_EQ(kept->realtime.symbol, &kept->links);
    for (int i = 0; i < 4000; ++i)
        ASSERT_NE(table.find(std::to_string(100000 + i).c_str(), i % 3), nullptr) << i;
}
