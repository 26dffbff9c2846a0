// Margin and rating tables through the exported interface; the marks and
// texts they copy into the symbol records are read through each record's
// real-time link.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "b2cservice.h"
#include "ownprocess.h"
#include "quote.h"
#include "quotetables.h"
#include "symbolrecord.h"

namespace {

QuoteCodeInfo codeInfo(const char* code, uint8_t market)
{
    QuoteCodeInfo info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.code, code, strnlen(code, sizeof info.code));
    info.market = market;
    return info;
}

void loadSymbols(const std::vector<std::pair<const char*, uint8_t>>& list)
{
    std::vector<QuoteCodeInfo> records;
    for (const auto& s : list)
        records.push_back(codeInfo(s.first, s.second));
    quote_code_load(records.data(), static_cast<unsigned>(records.size()));
}

const SymbolLinks& linksOf(const char* code, int market)
{
    const void* symbol = quote_symbol_find(code, market);
    EXPECT_NE(symbol, nullptr) << code << "/" << market;
    return *static_cast<const SymbolLinks*>(quote_symbol_realtime(symbol)->symbol);
}

int load(int (*loader)(const char*, int), const char* text)
{
    return loader(text, static_cast<int>(std::strlen(text)));
}

const char* kMargin = R"([{"tradingcode":"600000"},{"tradingcode":"000001","name":"x"},{"tradingcode":"600000"}])";
const char* kRating = R"({"ratingInfos":[{"stockId":"600000","rating":"A"},{"stockId":"600000","rating":"B"},
                        {"stockId":"000001","rating":"BBB"}],"other":[1,2]})";

TEST(Margin, ListedCodesAnswerForTypesOneAndTwoOnly)
{
    RUN_IN_OWN_PROCESS();
    loadSymbols({{"600000", 1}, {"600036", 1}, {"000001", 1}, {"000001", 2}});
    ASSERT_EQ(load(quote_margin_load, kMargin), 1);
    struct Row {
        const char* code;
        int type;
        int expected;
    };
    const Row table[] = {
        {"600000", 1, 1}, {"600000", 2, 1}, {"600000", 3, 0}, {"600000", 0, 0},
        {"000001", 2, 1}, {"600036", 1, 0}, {"60000", 1, 0},  {"", 1, 0},
    };
    for (const Row& r : table)
        EXPECT_EQ(quote_margin_is(r.code, r.type), r.expected) << r.code << " type " << r.type;
    EXPECT_EQ(quote_margin_is(nullptr, 1), 0);

    // A listed code marks its records in every market.
    EXPECT_TRUE(linksOf("600000", 1).margin);
    EXPECT_TRUE(linksOf("000001", 1).margin);
    EXPECT_TRUE(linksOf("000001", 2).margin);
    EXPECT_FALSE(linksOf("600036", 1).margin);
}

TEST(Margin, AFileThatDoesNotParseKeepsThePreviousSet)
{
    RUN_IN_OWN_PROCESS();
    loadSymbols({{"600000", 1}});
    ASSERT_EQ(load(quote_margin_load, kMargin), 1);
    const char* bad[] = {"[{", "{\"tradingcode\":\"600036\"}", "", "[{\"tradingcode\":1.2.3}]"};
    for (const char* text : bad) {
        EXPECT_EQ(load(quote_margin_load, text), 0) << text;
        EXPECT_EQ(quote_margin_is("600000", 1), 1) << "after " << text;
        EXPECT_TRUE(linksOf("600000", 1).margin) << "after " << text;
    }
    EXPECT_EQ(quote_margin_load(nullptr, 3), 0);
    EXPECT_EQ(quote_margin_is("600000", 1), 1);
}

TEST(Margin, AnEmptyListEmptiesTheSetAndClearsTheMarks)
{
    RUN_IN_OWN_PROCESS();
    loadSymbols({{"600000", 1}});
    ASSERT_EQ(load(quote_margin_load, kMargin), 1);
    EXPECT_EQ(load(quote_margin_load, "[ ]"), 0);
    EXPECT_EQ(quote_margin_is("600000", 1), 0);
    EXPECT_EQ(quote_margin_is("000001", 2), 0);
    EXPECT_FALSE(linksOf("600000", 1).margin);
}

TEST(Rating, TheFirstRatingOfACodeIsCopiedIntoItsRecords)
{
    RUN_IN_OWN_PROCESS();
    loadSymbols({{"600000", 1}, {"600036", 1}, {"000001", 1}, {"000001", 2}});
    ASSERT_EQ(load(quote_rating_load, kRating), 1);
    EXPECT_EQ(linksOf("600000", 1).rating, "A");
    EXPECT_EQ(linksOf("000001", 1).rating, "BBB");
    EXPECT_EQ(linksOf("000001", 2).rating, "BBB");
    EXPECT_EQ(linksOf("600036", 1).rating, "");

    // A new table replaces the old one whole.
    ASSERT_EQ(load(quote_rating_load, R"({"ratingInfos":[{"stockId":"600036","rating":"C"}]})"), 1);
    EXPECT_EQ(linksOf("600000", 1).rating, "");
    EXPECT_EQ(linksOf("600036", 1).rating, "C");
}

TEST(Rating, AFileThatDoesNotParseKeepsThePreviousTexts)
{
    RUN_IN_OWN_PROCESS();
    loadSymbols({{"600000", 1}});
    ASSERT_EQ(load(quote_rating_load, kRating), 1);
    const char* bad[] = {R"([{"stockId":"600000","rating":"Z"}])", R"({"ratingInfos":[{"stockId":"600000",)", ""};
    for (const char* text : bad) {
        EXPECT_EQ(load(quote_rating_load, text), 0) << text;
        EXPECT_EQ(linksOf("600000", 1).rating, "A") << "after " << text;
    }
    EXPECT_EQ(quote_rating_load(nullptr, 4), 0);
}

TEST(Rating, AnEmptyTableClearsTheTexts)
{
    RUN_IN_OWN_PROCESS();
    loadSymbols({{"600000", 1}});
    ASSERT_EQ(load(quote_rating_load, kRating), 1);
    EXPECT_EQ(load(quote_rating_load, R"({"ratingInfos":[]})"), 0);
    EXPECT_EQ(linksOf("600000", 1).rating, "");
    EXPECT_EQ(load(quote_rating_load, "{}"), 0);
}

TEST(Tables, ACodeTableDownloadBringsNewSymbolsUpToDate)
{
    RUN_IN_OWN_PROCESS();
    const char* board = R"({"boardIndex":[{"id":1016,"name":"Concept","marketid":1,
        "index":[{"boardid":901,"code":"889001"}]}],
        "boardset":{"board":[{"id":901,"name":"Chips","codeRules":[{"type":"list","market":1,"value":"688001"}]}]}})";
    ASSERT_EQ(load(quote_block_load, board), 1);
    ASSERT_EQ(load(quote_margin_load, R"([{"tradingcode":"688001"}])"), 1);
    ASSERT_EQ(load(quote_rating_load, R"({"ratingInfos":[{"stockId":"688001","rating":"AA"}]})"), 1);

    // Symbols added after the loads get nothing until the download's hook runs.
    loadSymbols({{"688001", 1}, {"889001", 1}});
    EXPECT_FALSE(linksOf("688001", 1).margin);
    QuoteTables::after_code_table(B2CService::instance().symbols());

    const SymbolLinks& links = linksOf("688001", 1);
    EXPECT_TRUE(links.margin);
    EXPECT_EQ(links.rating, "AA");
    EXPECT_EQ(std::string(links.block_name(2)), "Chips");
    QuoteCodeInfo index = codeInfo("889001", 1);
    EXPECT_EQ(quote_block_index_block_id(&index), 901);
}

}  // namespace
