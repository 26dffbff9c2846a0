// Blocks through the exported interface: a small board file against a small
// symbol set whose member lists, block lists, index links and group names were
// worked out by hand from the rules. Block records are opaque to callers; the
// tests read a block's id and a symbol's links through the internal types only
// to name what they got.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "b2cservice.h"
#include "block.h"
#include "blockstore.h"
#include "ownprocess.h"
#include "quote.h"
#include "symbolrecord.h"

namespace {

QuoteCodeInfo codeInfo(const char* code, uint8_t market)
{
    QuoteCodeInfo info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.code, code, strnlen(code, sizeof info.code));
    std::memcpy(info.name, code, strnlen(code, sizeof info.name - 1));
    info.market = market;
    return info;
}

// A 17-byte code entry: 16 bytes of code text, market byte last.
std::vector<char> entry17(const char* code, uint8_t market)
{
    std::vector<char> e(17, 0);
    std::memcpy(e.data(), code, strnlen(code, 16));
    e[16] = static_cast<char>(market);
    return e;
}

void loadSymbols(const std::vector<std::pair<const char*, uint8_t>>& list)
{
    std::vector<QuoteCodeInfo> records;
    for (const auto& s : list)
        records.push_back(codeInfo(s.first, s.second));
    quote_code_load(records.data(), static_cast<unsigned>(records.size()));
}

const std::vector<std::pair<const char*, uint8_t>> kSymbols = {
    {"600000", 1}, {"600036", 1}, {"000001", 2}, {"000500", 2}, {"000999", 2}, {"001000", 2},
    {"00050", 2},  {"60003", 1},  {"880301", 1}, {"880302", 1}, {"399001", 2}, {"600036", 2},
};

// Block 50 is defined twice (the later one counts); block 100 has a rule of an
// unknown type; block 100 is named by two index items (the first, in group
// 1012, gives its index code); blocks 100 and 400 both name index 880301.
const char* kBoard = R"({
  "boardIndex": [
    {"id": 1012, "name": "Industry", "marketid": 1, "index": [
      {"boardid": 100, "code": "880301", "name": "Bank index"},
      {"boardid": 400, "code": "880301", "name": "Mixed index"},
      {"boardid": 999, "code": "x", "name": "missing board"}]},
    {"id": 1010, "name": "Region", "marketid": 2, "index": [
      {"boardid": 200, "code": "399001"},
      {"boardid": 100, "code": "399001"}]},
    {"id": 1016, "name": "Concept", "marketid": 1, "index": [{"boardid": 400, "code": "880302"}]}
  ],
  "boardset": {"board": [
    {"id": 100, "name": "Bank", "desc": "banks", "codeRules": [
      {"type": "list", "market": 1, "value": "600000,600036"},
      {"type": "regex", "market": 1, "value": ".*"},
      {"type": "list", "market": 2, "value": "000001"}]},
    {"id": 200, "name": "LowSZ", "codeRules": [{"type": "range", "market": 2, "start": "000001", "end": "000999"}]},
    {"id": 300, "name": "Empty", "codeRules": []},
    {"id": 50, "name": "Dup", "codeRules": [{"type": "list", "market": 1, "value": "600000"}]},
    {"id": 400, "name": "Mixed", "codeRules": [{"type": "range", "market": 1, "start": "880000", "end": "889999"}]},
    {"id": 50, "name": "Dup2", "codeRules": [{"type": "list", "market": 2, "value": "000500"}]}
  ]}
})";

void loadBoard()
{
    loadSymbols(kSymbols);
    ASSERT_EQ(quote_block_load(kBoard, static_cast<int>(std::strlen(kBoard))), 1);
}

// "code/market" of every record in a member array, in order.
std::vector<std::string> memberNames(int64_t id)
{
    int n = -1;
    void** list = quote_block_symbol_list(id, &n);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        const QuoteCodeInfo* info = quote_symbol_code_info(list[i]);
        out.push_back(std::string(info->code, strnlen(info->code, 16)) + "/" + std::to_string(info->market));
    }
    if (n <= 0) {
        EXPECT_EQ(list, nullptr) << "an empty member list has no array";
    }
    return out;
}

std::vector<int64_t> blockIds(void** list, int n)
{
    std::vector<int64_t> ids;
    for (int i = 0; i < n; ++i)
        ids.push_back(static_cast<const Block*>(list[i])->id);
    return ids;
}

std::vector<int64_t> blocksOfCode(const char* code, uint8_t market)
{
    QuoteCodeInfo info = codeInfo(code, market);
    void** list = reinterpret_cast<void**>(&info);  // must be overwritten
    int n = quote_block_list_by_code(&info, &list);
    std::vector<int64_t> ids = blockIds(list, n);
    // Key form 2 gives the same list.
    std::vector<char> e = entry17(code, market);
    void** list1 = nullptr;
    int n1 = quote_block_list_by_code1(e.data(), &list1);
    EXPECT_EQ(blockIds(list1, n1), ids) << code << "/" << int(market);
    if (n == 0) {
        EXPECT_EQ(list, nullptr);
    }
    return ids;
}

const SymbolLinks& linksOf(const char* code, int market)
{
    const void* symbol = quote_symbol_find(code, market);
    EXPECT_NE(symbol, nullptr) << code;
    return *static_cast<const SymbolLinks*>(quote_symbol_realtime(symbol)->symbol);
}

TEST(Blocks, MemberListsFollowTheRulesInKeyOrder)
{
    loadBoard();
    using V = std::vector<std::string>;
    // List rules search the value text: 60003 occurs inside 600036.
    EXPECT_EQ(memberNames(100), (V{"000001/2", "600000/1", "60003/1", "600036/1"}));
    // Ranges compare bytes: 00050 lies between 000001 and 000999, 001000 does not.
    EXPECT_EQ(memberNames(200), (V{"000001/2", "00050/2", "000500/2", "000999/2"}));
    EXPECT_EQ(memberNames(300), V{});
    // The later board with id 50 replaced the earlier one.
    EXPECT_EQ(memberNames(50), (V{"00050/2", "000500/2"}));
    EXPECT_EQ(memberNames(400), (V{"880301/1", "880302/1"}));
    // Unknown id: null and 0.
    int n = -1;
    EXPECT_EQ(quote_block_symbol_list(12345, &n), nullptr);
    EXPECT_EQ(n, 0);
}

TEST(Blocks, BlockListsOfASymbolAreInIdOrder)
{
    loadBoard();
    using V = std::vector<int64_t>;
    EXPECT_EQ(blocksOfCode("600000", 1), (V{100}));
    EXPECT_EQ(blocksOfCode("000001", 2), (V{100, 200}));
    EXPECT_EQ(blocksOfCode("000500", 2), (V{50, 200}));
    EXPECT_EQ(blocksOfCode("880301", 1), (V{400}));
    // Same code, other market: the list rule of market 1 does not match.
    EXPECT_EQ(blocksOfCode("600036", 2), V{});
    // Not in the symbol table: 0 and a null array.
    EXPECT_EQ(blocksOfCode("123456", 1), V{});

    const void* symbol = quote_symbol_find("000001", 2);
    int n = -1;
    void** list = quote_symbol_block_list(symbol, &n);
    EXPECT_EQ(blockIds(list, n), (V{100, 200}));
    // Asked again, the same array comes back.
    int n2 = -1;
    EXPECT_EQ(quote_symbol_block_list(symbol, &n2), list);
    EXPECT_EQ(n2, n);
    EXPECT_EQ(quote_symbol_block_list(nullptr, &n), nullptr);
    EXPECT_EQ(n, 0);
}

TEST(Blocks, IndexSymbolsLinkToTheirBlocks)
{
    loadBoard();
    struct Row {
        const char* code;
        uint8_t market;
        int64_t id;
    };
    const Row table[] = {
        {"880301", 1, 400},                    // named by 100 and 400: the larger id, linked last, wins
        {"399001", 2, 200},                    // block 100's first index item is in group 1012, not here
        {"880302", 1, 0},                      // block 400 takes its index from group 1012
        {"600000", 1, 0},   {"777777", 1, 0},  // unknown symbol
    };
    for (const Row& r : table) {
        QuoteCodeInfo info = codeInfo(r.code, r.market);
        EXPECT_EQ(quote_block_index_block_id(&info), r.id) << r.code;
        std::vector<char> e = entry17(r.code, r.market);
        EXPECT_EQ(quote_block_index_block_id1(e.data()), r.id) << r.code;
    }
    EXPECT_EQ(quote_block_index_block_id(nullptr), 0);
    EXPECT_EQ(quote_block_index_block_id1(nullptr), 0);
}

TEST(Blocks, SymbolsCarryTheNamesOfTheirFirstBlockInEachNamedGroup)
{
    loadBoard();
    // Texts for groups 1012 (blocks 100, 400), 1010 (200, 100) and 1016 (400).
    struct Row {
        const char* code;
        int market;
        const char* names[3];
    };
    const Row table[] = {
        {"600000", 1, {"Bank", "Bank", ""}},   {"000001", 2, {"Bank", "LowSZ", ""}}, {"000500", 2, {"", "LowSZ", ""}},
        {"00050", 2, {"", "LowSZ", ""}},       {"001000", 2, {"", "", ""}},          {"60003", 1, {"Bank", "Bank", ""}},
        {"880301", 1, {"Mixed", "", "Mixed"}}, {"399001", 2, {"", "", ""}},          {"600036", 2, {"", "", ""}},
    };
    for (const Row& r : table) {
        const SymbolLinks& links = linksOf(r.code, r.market);
        for (int g = 0; g < 3; ++g)
            EXPECT_EQ(std::string(links.block_name(g)), r.names[g]) << r.code << "/" << r.market << " group slot " << g;
    }
}

// What a context with the index option puts in place of its first code.
TEST(Blocks, IndexEntriesFollowTheSymbolsBlockList)
{
    RUN_IN_OWN_PROCESS();
    loadBoard();
    SymbolTable& symbols = B2CService::instance().symbols();
    // 000001/2 is in blocks 100 (index 880301/1) and 200 (index 399001/2).
    auto entries = BlockStore::instance().index_entries_of(std::string("000001") + '\x02', symbols);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::string(entries[0].data()), "880301");
    EXPECT_EQ(entries[0][16], 1);
    EXPECT_EQ(std::string(entries[1].data()), "399001");
    EXPECT_EQ(entries[1][16], 2);
    // Block 50 of 000500/2 has no index symbol and is skipped.
    entries = BlockStore::instance().index_entries_of(std::string("000500") + '\x02', symbols);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(std::string(entries[0].data()), "399001");
    EXPECT_TRUE(BlockStore::instance().index_entries_of(std::string("123456") + '\x01', symbols).empty());
}

// Index groups without an id, a group id given twice, a long index code, a
// rule type in the wrong case and a quoted board id.
TEST(Blocks, IndexGroupsAreReadAsTheFileGivesThem)
{
    RUN_IN_OWN_PROCESS();
    loadSymbols({{"600000", 1}, {"600001", 1}, {"880001", 1}, {"880002", 1}, {"ABCDEFGHIJKLMNOP", 1}});
    const char* board = R"({"boardIndex":[
        {"name":"NoId","marketid":1,"index":[{"boardid":10,"code":"880001"}]},
        {"id":1016,"name":"C1","marketid":1,"index":[{"boardid":20,"code":"ABCDEFGHIJKLMNOPQRS"}]},
        {"id":1016,"name":"C2","marketid":1,"index":[{"boardid":10,"code":"880002"}]}],
      "boardset":{"board":[
        {"id":10,"name":"Ten","codeRules":[{"type":"list","market":1,"value":"600000,600001"}]},
        {"id":"20","name":"Twenty","codeRules":[{"type":"List","market":1,"value":"600000"},
                                               {"type":"range","market":1,"start":"600001","end":"600001"}]}]}})";
    ASSERT_EQ(quote_block_load(board, static_cast<int>(std::strlen(board))), 1);

    // Block 10's first index item sits in the group without an id: it is
    // never linked, and its item in group 1016 does not count either.
    EXPECT_EQ(quote_block_index_block_id1(entry17("880001", 1).data()), 0);
    EXPECT_EQ(quote_block_index_block_id1(entry17("880002", 1).data()), 0);
    // Block 20's index code keeps its first 16 bytes.
    EXPECT_EQ(quote_block_index_block_id1(entry17("ABCDEFGHIJKLMNOP", 1).data()), 20);

    // "List" is no rule type: block 20 holds only its range.
    EXPECT_EQ(memberNames(20), std::vector<std::string>{"600001/1"});
    // Group 1016 lists block 20 (first entry) then block 10 (appended by the
    // repeated id): each symbol takes the first of them that matches.
    const struct {
        const char* code;
        const char* concept;
    } names[] = {{"600000", "Ten"}, {"600001", "Twenty"}, {"880001", ""}};
    for (const auto& row : names) {
        const SymbolLinks& links = linksOf(row.code, 1);
        EXPECT_EQ(std::string(links.block_name(2)), row.concept) << row.code;
        EXPECT_EQ(std::string(links.block_name(0)), "") << row.code << ": group 1012 does not exist";
        EXPECT_EQ(std::string(links.block_name(1)), "") << row.code << ": group 1010 does not exist";
    }
}

TEST(Blocks, ABoardFileThatDoesNotParseLeavesTheBlocks)
{
    RUN_IN_OWN_PROCESS();
    loadBoard();
    const char* bad[] = {"", "{\"boardset\":", "[1,2]", "{\"boardset\":{\"board\":[{\"id\":1,}]}}"};
    for (const char* text : bad)
        EXPECT_EQ(quote_block_load(text, static_cast<int>(std::strlen(text))), 0) << text;
    EXPECT_EQ(quote_block_load(nullptr, 10), 0);
    EXPECT_EQ(quote_block_load(kBoard, -1), 0);
    EXPECT_EQ(memberNames(400), (std::vector<std::string>{"880301/1", "880302/1"}));
}

TEST(Blocks, MembersAskedForBeforeTheCodeTableAreWorkedOutAgainLater)
{
    RUN_IN_OWN_PROCESS();
    const char* board = R"({"boardset":{"board":[{"id":700,"name":"Late","codeRules":[
        {"type":"list","market":7,"value":"123456,654321"}]}]}})";
    ASSERT_EQ(quote_block_load(board, static_cast<int>(std::strlen(board))), 1);
    int n = -1;
    EXPECT_EQ(quote_block_symbol_list(700, &n), nullptr);
    EXPECT_EQ(n, 0);

    // The symbols arrive: the list is worked out again.
    loadSymbols({{"123456", 7}, {"999999", 7}});
    void** first = quote_block_symbol_list(700, &n);
    ASSERT_EQ(n, 1);
    const void* symbol = quote_symbol_find("123456", 7);
    EXPECT_EQ(first[0], symbol);

    // More symbols: a new list; the array handed out before stays readable.
    loadSymbols({{"65432", 7}});
    void** second = quote_block_symbol_list(700, &n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(second[0], symbol);
    EXPECT_EQ(second[1], quote_symbol_find("65432", 7));
    EXPECT_EQ(first[0], symbol);
}

TEST(Blocks, AReplacedBlockStaysValidForThoseHoldingIt)
{
    RUN_IN_OWN_PROCESS();
    const char* v1 = R"({"boardset":{"board":[{"id":800,"name":"Old","codeRules":[
        {"type":"list","market":8,"value":"800001"}]}]}})";
    const char* v2 = R"({"boardset":{"board":[{"id":800,"name":"New","codeRules":[
        {"type":"list","market":8,"value":"800002"}]}]}})";
    loadSymbols({{"800001", 8}, {"800002", 8}});
    ASSERT_EQ(quote_block_load(v1, static_cast<int>(std::strlen(v1))), 1);

    const void* symbol = quote_symbol_find("800001", 8);
    int n = 0;
    void** blocks = quote_symbol_block_list(symbol, &n);
    ASSERT_EQ(n, 1);
    void** members = quote_block_symbol_list(800, &n);
    ASSERT_EQ(n, 1);

    ASSERT_EQ(quote_block_load(v2, static_cast<int>(std::strlen(v2))), 1);
    // What was handed out before still reads (the sanitizer build checks it).
    const Block* old = static_cast<const Block*>(blocks[0]);
    EXPECT_EQ(old->name, "Old");
    EXPECT_EQ(members[0], symbol);
    // New requests see the new block.
    EXPECT_EQ(quote_symbol_block_list(symbol, &n), nullptr);
    EXPECT_EQ(n, 0);
    void** now = quote_symbol_block_list(quote_symbol_find("800002", 8), &n);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(static_cast<const Block*>(now[0])->name, "New");
}

}  // namespace
