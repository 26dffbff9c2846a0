#include "boardset.h"

#include <functional>

#include "syntheticmarket.h"

namespace {

std::string shanghai(int i) { return SyntheticMarket::stock_code(1, i); }
std::string shenzhen(int j) { return SyntheticMarket::stock_code(2, j); }

BoardRule range(uint8_t market, std::string start, std::string end) {
    return BoardRule{"range", market, std::move(start), std::move(end)};
}

// A "list" rule of the stocks of a market whose position satisfies pred.
BoardRule list(uint8_t market, const std::function<bool(int)>& pred) {
    const int stocks = market == 1 ? SyntheticMarket::kShanghaiStocks : SyntheticMarket::kShenzhenStocks;
    std::string value;
    for (int position = 0; position < stocks; ++position) {
        if (!pred(position)) continue;
        if (!value.empty()) value += ',';
        value += SyntheticMarket::stock_code(market, position);
    }
    return BoardRule{"list", market, std::move(value), {}};
}

std::vector<Board> make_boards() {
    std::vector<Board> out;
    out.push_back({1101, "全部A股", "沪深两市全部A股",
                   {range(1, shanghai(0), "605999"), range(2, shenzhen(0), "300999")}, {}});
    out.push_back({1102, "上证A股", "上海证券交易所A股", {range(1, shanghai(0), "605999")}, {}});
    out.push_back({1103, "深证A股", "深圳证券交易所A股", {range(2, shenzhen(0), "300999")}, {}});
    out.push_back({1106, "创业板", "创业板指数成份", {range(2, shenzhen(100), shenzhen(149))}, {}});
    out.push_back({1110, "沪深市场", "全部证券与指数",
                   {range(1, "000000", "999999"), range(2, "000000", "999999")}, {}});
    out.push_back({1300, "沪深300", "沪深300指数成份",
                   {range(1, shanghai(0), shanghai(59)), range(2, shenzhen(0), shenzhen(39))}, {}});

    // Industries: each market cut into five consecutive code ranges.
    const char* const industries[5][2] = {
        {"银行", "YH"}, {"证券", "ZQ"}, {"医药", "YY"}, {"电子", "DZ"}, {"汽车", "QC"}};
    const int shanghaiCuts[6] = {0, 40, 80, 120, 160, 200};
    const int shenzhenCuts[6] = {0, 29, 59, 89, 119, 150};
    for (int k = 0; k < 5; ++k)
        out.push_back({880471 + k, industries[k][0], "行业板块",
                       {range(1, shanghai(shanghaiCuts[k]), shanghai(shanghaiCuts[k + 1] - 1)),
                        range(2, shenzhen(shenzhenCuts[k]), shenzhen(shenzhenCuts[k + 1] - 1))},
                       industries[k][1]});

    // Regions: listed codes, position modulo 4.
    const char* const regions[4][2] = {{"北京", "BJ"}, {"上海", "SH"}, {"广东", "GD"}, {"浙江", "ZJ"}};
    for (int k = 0; k < 4; ++k)
        out.push_back({880201 + k, regions[k][0], "地区板块",
                       {list(1, [k](int i) { return i % 4 == k; }), list(2, [k](int j) { return j % 4 == k; })},
                       regions[k][1]});

    // Concepts, overlapping one another.
    out.push_back({885001, "人工智能", "概念板块",
                   {list(1, [](int i) { return i % 10 == 0; }), list(2, [](int j) { return j % 10 == 0; })},
                   "RGZN"});
    out.push_back({885002, "新能源", "概念板块",
                   {range(1, shanghai(150), shanghai(199)), range(2, shenzhen(139), shenzhen(149))}, "XNY"});
    out.push_back({885003, "芯片", "概念板块", {list(1, [](int i) { return i % 7 == 3; })}, "XP"});
    return out;
}

std::vector<BoardIndexGroup> make_index_groups() {
    // A board quoted by the index of its own id, named and spelled as the board.
    auto own_index = [](const Board& b) { return BoardIndexItem{b.id, std::to_string(b.id), b.name, b.pinyin}; };
    std::vector<BoardIndexGroup> out;
    out.push_back({1001, "上证系列指数", 1,
                   {{1102, "1A0001", "上证指数", "SZZS"}, {1300, "000300", "沪深300", "HS300"}}});
    out.push_back({1002, "深证系列指数", 2,
                   {{1103, "399001", "深证成指", "SZCZ"}, {1106, "399006", "创业板指", "CYBZ"}}});
    BoardIndexGroup industry{1012, "行业板块", 1, {}};
    BoardIndexGroup region{1010, "地区板块", 1, {}};
    for (const Board& b : BoardSet::boards()) {
        if (b.desc == industry.name) industry.items.push_back(own_index(b));
        if (b.desc == region.name) region.items.push_back(own_index(b));
    }
    out.push_back(industry);
    out.push_back(region);
    // Concepts in an order of their own: a stock takes the name of the first
    // concept here that holds it.
    BoardIndexGroup concepts{1016, "概念板块", 1, {}};
    for (const int64_t id : {885002, 885001, 885003}) concepts.items.push_back(own_index(*BoardSet::find(id)));
    out.push_back(concepts);
    return out;
}

}  // namespace

bool BoardRule::matches(const std::string& code, uint8_t code_market) const {
    if (code_market != market) return false;
    if (type == "list") return a.find(code) != std::string::npos;
    if (type == "range") return a <= code && code <= b;  // std::string compares bytes as unsigned
    return false;
}

bool Board::matches(const std::string& code, uint8_t market) const {
    for (const BoardRule& r : rules)
        if (r.matches(code, market)) return true;
    return false;
}

const std::vector<Board>& BoardSet::boards() {
    static const std::vector<Board> boards = make_boards();
    return boards;
}

const std::vector<BoardIndexGroup>& BoardSet::index_groups() {
    static const std::vector<BoardIndexGroup> groups = make_index_groups();
    return groups;
}

const Board* BoardSet::find(int64_t id) {
    for (const Board& b : boards())
        if (b.id == id) return &b;
    return nullptr;
}

std::vector<const SyntheticCode*> BoardSet::members(int64_t id, const std::vector<SyntheticCode>& codes) {
    std::vector<const SyntheticCode*> out;
    const Board* board = find(id);
    if (!board) return out;
    for (const SyntheticCode& c : codes)
        if (board->matches(c.code, c.market)) out.push_back(&c);
    return out;
}
