// The start-up files the local quote server writes for its synthetic market
// (board.json, stock_rzrq.json, stock_rating.json), loaded through the
// exported functions against the code table that server sends. The expected
// members, block lists, names and marks are worked out by hand from the
// server's rules (tools/quoteserver/boardset.h, boardfiles.h): Shanghai
// stock i is 600000 + i, Shenzhen stock j is 000001 + j, and the code table
// holds the 4 market indices, the 350 stocks, the 12 board indices
// (880471-880475, 880201-880204, 885001-885003, all in market 1) and the
// indices 399005 and 1A0004. The Shanghai composite is 1A0001. Each
// scenario is its own process.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "block.h"
#include "enginerecorder.h"
#include "exporthelpers.h"
#include "ownprocess.h"
#include "quote.h"
#include "serverprocess.h"
#include "symbolrecord.h"
#include "tempdir.h"

namespace {

// "code/market" of each member, in the order given.
std::vector<std::string> memberKeys(void** members, int n)
{
    std::vector<std::string> keys;
    for (int i = 0; i < n; ++i) {
        const QuoteCodeInfo* info = quote_symbol_code_info(members[i]);
        keys.push_back(std::string(info->code, strnlen(info->code, sizeof info->code)) + "/" +
                       std::to_string(info->market));
    }
    return keys;
}

const SymbolLinks& linksOf(const char* code, int market)
{
    static const SymbolLinks none;
    const void* symbol = quote_symbol_find(code, market);
    EXPECT_NE(symbol, nullptr) << code << "/" << market << " is not in the symbol table";
    return symbol ? *static_cast<const SymbolLinks*>(quote_symbol_realtime(symbol)->symbol) : none;
}

class DemoFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.path().empty()) << "cannot make a temporary folder";
        server = std::make_unique<QuoteServerProcess>(std::vector<std::string>{"--write-files", dir.path()});
        ASSERT_GT(server->port(), 0) << "the server did not start";
        // The port line comes after the files are in place.
        board = readFile(dir.path() + "/board.json");
        margin = readFile(dir.path() + "/stock_rzrq.json");
        rating = readFile(dir.path() + "/stock_rating.json");
        ASSERT_FALSE(board.empty());
        ASSERT_FALSE(margin.empty());
        ASSERT_FALSE(rating.empty());
    }

    void TearDown() override
    {
        engine.reset();
        server.reset();
    }

    // Starts the engine with the code-table request at start.
    void startEngine()
    {
        engine = std::make_unique<EngineRecorder>(
            "tcp://127.0.0.1:" + std::to_string(server->port()) + "/?auto_delay=50", 0);
        engine->start();
    }

    // Waits for the code table (kind 2) and returns its record count.
    int waitCodeTable()
    {
        const int at = engine->wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_CODE_TABLE; });
        return at < 0 ? -1 : engine->replies()[static_cast<size_t>(at)].count;
    }

    void loadFiles()
    {
        EXPECT_EQ(quote_block_load(board.data(), static_cast<int>(board.size())), 1);
        EXPECT_EQ(quote_margin_load(margin.data(), static_cast<int>(margin.size())), 1);
        EXPECT_EQ(quote_rating_load(rating.data(), static_cast<int>(rating.size())), 1);
    }

    TempDir dir{"pelmar-demo-"};
    std::unique_ptr<QuoteServerProcess> server;
    std::unique_ptr<EngineRecorder> engine;
    std::string board, margin, rating;
};

}  // namespace

TEST_F(DemoFiles, BlocksFollowTheGeneratorsRules)
{
    RUN_IN_OWN_PROCESS();
    startEngine();
    ASSERT_EQ(waitCodeTable(), 368)
        << "4 market indices, 200 Shanghai and 150 Shenzhen stocks, 12 board indices, 399005 and 1A0004";
    loadFiles();

    struct Members {
        int64_t id;
        int count;
        std::string first;
        std::string second;
        std::string last;
    };
    // Members come in key order: code text, then the market byte.
    const Members table[] = {
        {880471, 40 + 29, "000001/2", "000002/2", "600039/1"},  // bank: i 0-39, j 0-28
        {880475, 40 + 31, "300020/2", "300021/2", "600199/1"},  // cars: i 160-199, j 119-149
        {880201, 50 + 38, "000001/2", "000005/2", "600196/1"},  // region: i, j = 0 mod 4
        {880472, 40 + 30, "000030/2", "000031/2", "600079/1"},  // securities: i 40-79, j 29-58
        {1110, 368, "000001/2", "000002/2", "885003/1"},        // everything, indices too
        {1106, 50, "300001/2", "300002/2", "300050/2"},         // j >= 100: the 300xxx board
        {1300, 60 + 40, "000001/2", "000002/2", "600059/1"},
        {885003, 29, "600003/1", "600010/1", "600199/1"},  // i = 3 mod 7
        {885002, 11 + 50, "300040/2", "300041/2", "600199/1"},
        {885001, 20 + 15, "000001/2", "000011/2", "600190/1"},  // i, j = 0 mod 10
    };
    for (const Members& m : table) {
        int n = -1;
        void** members = quote_block_symbol_list(m.id, &n);
        ASSERT_EQ(n, m.count) << "members of block " << m.id;
        ASSERT_NE(members, nullptr);
        const std::vector<std::string> keys = memberKeys(members, n);
        EXPECT_EQ(keys[0], m.first) << "block " << m.id;
        EXPECT_EQ(keys[1], m.second) << "block " << m.id;
        EXPECT_EQ(keys.back(), m.last) << "block " << m.id;
    }
    int n = -1;
    EXPECT_EQ(quote_block_symbol_list(999999, &n), nullptr);
    EXPECT_EQ(n, 0);

    // Blocks of single symbols, ascending ids, by both key forms.
    void** blocks = nullptr;
    const QuoteCodeInfo s600150 = codeInfo("600150", 1);  // i = 150
    n = quote_block_list_by_code(&s600150, &blocks);
    EXPECT_EQ(blockIds(blocks, n), (std::vector<int64_t>{1101, 1102, 1110, 880203, 880474, 885001, 885002, 885003}));
    const auto sz000001 = entry17("000001", 2);  // j = 0
    n = quote_block_list_by_code1(sz000001.data(), &blocks);
    EXPECT_EQ(blockIds(blocks, n), (std::vector<int64_t>{1101, 1103, 1110, 1300, 880201, 880471, 885001}));
    const QuoteCodeInfo sh1A0001 = codeInfo("1A0001", 1);  // the Shanghai index
    n = quote_block_list_by_code(&sh1A0001, &blocks);
    EXPECT_EQ(blockIds(blocks, n), (std::vector<int64_t>{1110}));
    blocks = quote_symbol_block_list(quote_symbol_find("600045", 1), &n);  // i = 45
    EXPECT_EQ(blockIds(blocks, n), (std::vector<int64_t>{1101, 1102, 1110, 1300, 880202, 880472, 885003}));
    const auto board880471 = entry17("880471", 1);  // a board index: only the whole market holds it
    n = quote_block_list_by_code1(board880471.data(), &blocks);
    EXPECT_EQ(blockIds(blocks, n), (std::vector<int64_t>{1110}));

    // The board indices come in the code table as indices, named as their blocks.
    struct IndexName {
        const char* code;
        const char* name;
        const char* pinyin;
    };
    const IndexName indexNames[] = {{"880471", "银行", "YH"}, {"880475", "汽车", "QC"},       {"880201", "北京", "BJ"},
                                    {"880204", "浙江", "ZJ"}, {"885001", "人工智能", "RGZN"}, {"885003", "芯片", "XP"}};
    for (const IndexName& x : indexNames) {
        const void* symbol = quote_symbol_find(x.code, 1);
        ASSERT_NE(symbol, nullptr) << x.code << "/1 is not in the code table";
        EXPECT_STREQ(quote_symbol_code_info(symbol)->name, x.name) << x.code;
        EXPECT_STREQ(quote_symbol_code_info(symbol)->pinyin, x.pinyin) << x.code;
        EXPECT_EQ(quote_symbol_code_info(symbol)->type, 1) << x.code << " is an index";
    }
    EXPECT_EQ(quote_symbol_find("880471", 2), nullptr) << "board indices are Shanghai codes";

    // The market indices and the board indices quote their blocks; stocks
    // name no block.
    const auto idx399006 = entry17("399006", 2);
    const auto idx399001 = entry17("399001", 2);
    const auto idx000300 = entry17("000300", 1);
    const auto board880204 = entry17("880204", 1);
    const auto board885002 = entry17("885002", 1);
    const QuoteCodeInfo board885003 = codeInfo("885003", 1);
    const auto stock600000 = entry17("600000", 1);
    EXPECT_EQ(quote_block_index_block_id(&sh1A0001), 1102);
    EXPECT_EQ(quote_block_index_block_id1(idx000300.data()), 1300);
    EXPECT_EQ(quote_block_index_block_id1(idx399001.data()), 1103);
    EXPECT_EQ(quote_block_index_block_id1(idx399006.data()), 1106);
    EXPECT_EQ(quote_block_index_block_id1(board880471.data()), 880471);
    EXPECT_EQ(quote_block_index_block_id1(board880204.data()), 880204);
    EXPECT_EQ(quote_block_index_block_id1(board885002.data()), 885002);
    EXPECT_EQ(quote_block_index_block_id(&board885003), 885003);
    EXPECT_EQ(quote_block_index_block_id1(stock600000.data()), 0);

    // Names in the industry (1012), region (1010) and concept (1016) groups;
    // a concept is the first of the group's order 885002, 885001, 885003.
    struct Names {
        const char* code;
        int market;
        const char* industry;
        const char* region;
        const char* concept;
    };
    const Names names[] = {
        {"600150", 1, "电子", "广东", "新能源"},    // in 885001 and 885003 too
        {"600010", 1, "银行", "广东", "人工智能"},  // i = 10: 885001 before 885003
        {"600003", 1, "银行", "浙江", "芯片"},
        {"000001", 2, "银行", "北京", "人工智能"},
        {"000100", 2, "电子", "浙江", ""},        // j = 99
        {"300050", 2, "汽车", "上海", "新能源"},  // j = 149
        {"1A0001", 1, "", "", ""},                // the index is in no named group
        {"880471", 1, "", "", ""},                // nor is a board index
    };
    for (const Names& row : names) {
        const SymbolLinks& links = linksOf(row.code, row.market);
        EXPECT_EQ(std::string(links.block_name(0)), row.industry) << row.code << "/" << row.market;
        EXPECT_EQ(std::string(links.block_name(1)), row.region) << row.code << "/" << row.market;
        EXPECT_EQ(std::string(links.block_name(2)), row.concept) << row.code << "/" << row.market;
    }
}

TEST_F(DemoFiles, MarginAndRatingMarkTheSymbols)
{
    RUN_IN_OWN_PROCESS();
    startEngine();
    ASSERT_EQ(waitCodeTable(), 368);
    loadFiles();

    struct Margin {
        const char* code;
        int type;
        int expected;
    };
    const Margin margins[] = {
        {"600000", 1, 1}, {"600001", 1, 0}, {"600003", 2, 1}, {"600198", 1, 1}, {"600199", 1, 0},
        {"000005", 1, 1}, {"000002", 2, 0}, {"300049", 1, 1}, {"300050", 1, 0}, {"600000", 3, 0},
    };
    for (const Margin& m : margins)
        EXPECT_EQ(quote_margin_is(m.code, m.type), m.expected) << m.code << " type " << m.type;
    EXPECT_TRUE(linksOf("600003", 1).margin);
    EXPECT_FALSE(linksOf("600004", 1).margin);
    EXPECT_TRUE(linksOf("000001", 2).margin);
    EXPECT_FALSE(linksOf("1A0001", 1).margin) << "no stock shares the index's code text";

    struct Rating {
        const char* code;
        int market;
        const char* text;
    };
    const Rating ratings[] = {
        {"600000", 1, "买入"}, {"600005", 1, "增持"}, {"600010", 1, "中性"}, {"600015", 1, "减持"},
        {"600020", 1, "买入"}, {"600195", 1, "减持"}, {"600001", 1, ""},     {"000006", 2, "增持"},
        {"300001", 2, "买入"}, {"000002", 2, ""},     {"000001", 2, "买入"}, {"1A0001", 1, ""},
    };
    for (const Rating& r : ratings)
        EXPECT_EQ(linksOf(r.code, r.market).rating, r.text) << r.code << "/" << r.market;
}

// The main program's order: the files are loaded while the engine starts, so
// the code table comes after them and brings the links.
TEST_F(DemoFiles, FilesLoadedBeforeTheCodeTableApplyOnceItArrives)
{
    RUN_IN_OWN_PROCESS();
    loadFiles();
    int n = -1;
    quote_block_symbol_list(880471, &n);
    EXPECT_EQ(n, 0) << "no symbols yet";

    startEngine();
    ASSERT_EQ(waitCodeTable(), 368);
    void** members = quote_block_symbol_list(880471, &n);
    ASSERT_EQ(n, 69) << "the member list is worked out again once the symbols are there";
    EXPECT_EQ(memberKeys(members, n).front(), "000001/2");
    const auto idx000300 = entry17("000300", 1);
    EXPECT_EQ(quote_block_index_block_id1(idx000300.data()), 1300);
    const auto board880471 = entry17("880471", 1);
    EXPECT_EQ(quote_block_index_block_id1(board880471.data()), 880471);
    const SymbolLinks& links = linksOf("600150", 1);
    EXPECT_EQ(std::string(links.block_name(0)), "电子");
    EXPECT_EQ(std::string(links.block_name(2)), "新能源");
    EXPECT_TRUE(linksOf("600003", 1).margin);
    EXPECT_EQ(linksOf("600015", 1).rating, "减持");
    EXPECT_EQ(quote_margin_is("600003", 1), 1);
}

// The server stops with an error, before serving, when the files cannot be
// written; with standard input closed a server that did start would stop
// at once with status 0.
TEST(DemoFilesOption, AFolderThatCannotBeMadeStopsTheServer)
{
    RUN_IN_OWN_PROCESS();
    TempDir dir{"pelmar-demo-"};
    ASSERT_FALSE(dir.path().empty());
    const std::string blocker = dir.path() + "/file";
    std::ofstream(blocker) << "x";
    const std::string program = std::string(TARVOLIN_BIN_DIR) + "/quoteserver";
    const std::string target = blocker + "/data";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::freopen("/dev/null", "r", stdin);
        std::freopen("/dev/null", "w", stdout);
        ::execl(program.c_str(), program.c_str(), "0", "--write-files", target.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "expected the failure status 1";
    EXPECT_FALSE(std::filesystem::exists(target + "/board.json"));
}
