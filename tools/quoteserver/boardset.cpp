#include "boardset.h"

#include <algorithm>
#include <functional>

#include "syntheticmarket.h"

namespace {

std::string shanghai(int i)
{
    return SyntheticMarket::stock_code(1, i);
}
std::string shenzhen(int j)
{
    return SyntheticMarket::stock_code(2, j);
}

BoardRule range(uint8_t market, std::string start, std::string end)
{
    return BoardRule{"range", market, std::move(start), std::move(end), {}};
}

int stocks_of(uint8_t market)
{
    return market == 1 ? SyntheticMarket::size().shanghai() : SyntheticMarket::size().shenzhen();
}

// A "list" rule of the stocks of a market whose position satisfies pred.
BoardRule list(uint8_t market, const std::function<bool(int)>& pred)
{
    std::string value;
    std::vector<std::string> listed;
    for (int position = 0; position < stocks_of(market); ++position) {
        if (!pred(position))
            continue;
        if (!value.empty())
            value += ',';
        listed.push_back(SyntheticMarket::stock_code(market, position));
        value += listed.back();
    }
    std::sort(listed.begin(), listed.end());
    return BoardRule{"list", market, std::move(value), {}, std::move(listed)};
}

// A fixed pseudo-random choice of about one stock in a hundred for concept k.
bool in_concept(int k, int position)
{
    uint64_t x = (static_cast<uint64_t>(k) << 32) ^ static_cast<uint64_t>(position) ^ 0xC0FFEEULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return (x ^ (x >> 31)) % 100 == 0;
}

// The boards the real-sized market adds after the small market's own.
void add_real_sized_boards(std::vector<Board>& out)
{
    const char* const firsts[10][2] = {{"电子", "DZ"}, {"化工", "HG"}, {"机械", "JX"}, {"医疗", "YL"}, {"食品", "SP"},
                                       {"交运", "JY"}, {"建材", "JC"}, {"电力", "DL"}, {"通信", "TX"}, {"传媒", "CM"}};
    const char* const seconds[10][2] = {{"制造", "ZZ"}, {"服务", "FW"}, {"设备", "SB"}, {"材料", "CL"}, {"元件", "YJ"},
                                        {"零售", "LS"}, {"工程", "GC"}, {"科技", "KJ"}, {"应用", "YY"}, {"综合", "ZH"}};
    for (int k = 5; k < 100; ++k) {
        const int a = k % 10, b = k / 10;
        auto cut = [k](uint8_t market) {
            const int n = stocks_of(market);
            return range(market, SyntheticMarket::stock_code(market, k * n / 100),
                         SyntheticMarket::stock_code(market, (k + 1) * n / 100 - 1));
        };
        out.push_back({880471 + k,
                       std::string(firsts[a][0]) + seconds[b][0],
                       "行业板块",
                       {cut(1), cut(2)},
                       std::string(firsts[a][1]) + seconds[b][1]});
    }
    const char* const regions[27][2] = {
        {"天津", "TJ"}, {"重庆", "CQ"},    {"河北", "HB"},   {"山西", "SX"}, {"辽宁", "LN"}, {"吉林", "JL"},
        {"江苏", "JS"}, {"安徽", "AH"},    {"福建", "FJ"},   {"江西", "JX"}, {"山东", "SD"}, {"河南", "HN"},
        {"湖北", "HB"}, {"湖南", "HN"},    {"海南", "HN"},   {"四川", "SC"}, {"贵州", "GZ"}, {"云南", "YN"},
        {"陕西", "SX"}, {"甘肃", "GS"},    {"青海", "QH"},   {"广西", "GX"}, {"宁夏", "NX"}, {"新疆", "XJ"},
        {"西藏", "XZ"}, {"内蒙古", "NMG"}, {"黑龙江", "HLJ"}};
    for (int k = 4; k < 31; ++k)
        out.push_back({880201 + k,
                       regions[k - 4][0],
                       "地区板块",
                       {list(1, [k](int i) { return i % 31 == k; }), list(2, [k](int j) { return j % 31 == k; })},
                       regions[k - 4][1]});
    const char* const heads[20][2] = {{"智能", "ZN"}, {"数字", "SZ"}, {"绿色", "LS"}, {"量子", "LZ"}, {"储能", "CN"},
                                      {"氢能", "QN"}, {"低空", "DK"}, {"算力", "SL"}, {"卫星", "WX"}, {"海洋", "HY"},
                                      {"生物", "SW"}, {"光伏", "GF"}, {"风电", "FD"}, {"机器", "JQ"}, {"信创", "XC"},
                                      {"军工", "JG"}, {"基因", "JY"}, {"物联", "WL"}, {"元宇", "YY"}, {"跨境", "KJ"}};
    const char* const tails[19][2] = {{"应用", "YY"}, {"制造", "ZZ"}, {"材料", "CL"}, {"设备", "SB"}, {"服务", "FW"},
                                      {"网络", "WL"}, {"平台", "PT"}, {"芯片", "XP"}, {"终端", "ZD"}, {"电池", "DC"},
                                      {"软件", "RJ"}, {"医疗", "YL"}, {"汽车", "QC"}, {"能源", "NY"}, {"安全", "AQ"},
                                      {"支付", "ZF"}, {"物流", "WL"}, {"金融", "JR"}, {"消费", "XF"}};
    for (int k = 3; k < 369; ++k) {
        const int a = k % 20, b = (k / 20) % 19;
        out.push_back(
            {885001 + k,
             std::string(heads[a][0]) + tails[b][0],
             "概念板块",
             {list(1, [k](int i) { return in_concept(k, i); }), list(2, [k](int j) { return in_concept(k, j); })},
             std::string(heads[a][1]) + tails[b][1]});
    }
}

std::vector<Board> make_boards()
{
    std::vector<Board> out;
    const MarketSize& size = SyntheticMarket::size();
    std::vector<BoardRule> shanghai_a{range(1, shanghai(0), "605999")};
    if (size.shanghai_star > 0)
        shanghai_a.push_back(range(1, "688000", "688999"));
    std::vector<BoardRule> all_a = shanghai_a;
    all_a.push_back(range(2, shenzhen(0), "300999"));
    out.push_back({1101, "全部A股", "沪深两市全部A股", all_a, {}});
    out.push_back({1102, "上证A股", "上海证券交易所A股", shanghai_a, {}});
    out.push_back({1103, "深证A股", "深圳证券交易所A股", {range(2, shenzhen(0), "300999")}, {}});
    out.push_back({1106,
                   "创业板",
                   "创业板指数成份",
                   {range(2, shenzhen(size.shenzhen_main), shenzhen(size.shenzhen() - 1))},
                   {}});
    out.push_back(
        {1110, "沪深市场", "全部证券与指数", {range(1, "000000", "999999"), range(2, "000000", "999999")}, {}});
    // About 300 stocks: 60 and 40 of the small market, 180 and 120 of the real-sized one.
    const int sh300 = size.real ? 180 : 60, sz300 = size.real ? 120 : 40;
    out.push_back({1300,
                   "沪深300",
                   "沪深300指数成份",
                   {range(1, shanghai(0), shanghai(sh300 - 1)), range(2, shenzhen(0), shenzhen(sz300 - 1))},
                   {}});

    // Industries: each market cut into five consecutive code ranges.
    const char* const industries[5][2] = {
        {"银行", "YH"}, {"证券", "ZQ"}, {"医药", "YY"}, {"电子", "DZ"}, {"汽车", "QC"}};
    int shanghaiCuts[6] = {0, 40, 80, 120, 160, 200};
    int shenzhenCuts[6] = {0, 29, 59, 89, 119, 150};
    if (size.real)  // the first five of a hundred industries
        for (int k = 0; k < 6; ++k) {
            shanghaiCuts[k] = k * size.shanghai() / 100;
            shenzhenCuts[k] = k * size.shenzhen() / 100;
        }
    for (int k = 0; k < 5; ++k)
        out.push_back({880471 + k,
                       industries[k][0],
                       "行业板块",
                       {range(1, shanghai(shanghaiCuts[k]), shanghai(shanghaiCuts[k + 1] - 1)),
                        range(2, shenzhen(shenzhenCuts[k]), shenzhen(shenzhenCuts[k + 1] - 1))},
                       industries[k][1]});

    // Regions: listed codes, position modulo 4.
    const char* const regions[4][2] = {{"北京", "BJ"}, {"上海", "SH"}, {"广东", "GD"}, {"浙江", "ZJ"}};
    for (int k = 0; k < 4; ++k)
        out.push_back({880201 + k,
                       regions[k][0],
                       "地区板块",
                       {list(1, [k](int i) { return i % 4 == k; }), list(2, [k](int j) { return j % 4 == k; })},
                       regions[k][1]});

    // Concepts, overlapping one another.
    out.push_back({885001,
                   "人工智能",
                   "概念板块",
                   {list(1, [](int i) { return i % 10 == 0; }), list(2, [](int j) { return j % 10 == 0; })},
                   "RGZN"});
    out.push_back({885002,
                   "新能源",
                   "概念板块",
                   {range(1, shanghai(150), shanghai(199)), range(2, shenzhen(139), shenzhen(149))},
                   "XNY"});
    out.push_back({885003, "芯片", "概念板块", {list(1, [](int i) { return i % 7 == 3; })}, "XP"});
    if (size.real)
        add_real_sized_boards(out);
    return out;
}

std::vector<BoardIndexGroup> make_index_groups()
{
    // A board quoted by the index of its own id, named and spelled as the board.
    auto own_index = [](const Board& b) { return BoardIndexItem{b.id, std::to_string(b.id), b.name, b.pinyin}; };
    std::vector<BoardIndexGroup> out;
    out.push_back(
        {1001, "上证系列指数", 1, {{1102, "1A0001", "上证指数", "SZZS"}, {1300, "000300", "沪深300", "HS300"}}});
    out.push_back(
        {1002, "深证系列指数", 2, {{1103, "399001", "深证成指", "SZCZ"}, {1106, "399006", "创业板指", "CYBZ"}}});
    BoardIndexGroup industry{1012, "行业板块", 1, {}};
    BoardIndexGroup region{1010, "地区板块", 1, {}};
    for (const Board& b : BoardSet::boards()) {
        if (b.desc == industry.name)
            industry.items.push_back(own_index(b));
        if (b.desc == region.name)
            region.items.push_back(own_index(b));
    }
    out.push_back(industry);
    out.push_back(region);
    // Concepts in an order of their own: a stock takes the name of the first
    // concept here that holds it.
    BoardIndexGroup concepts{1016, "概念板块", 1, {}};
    for (const int64_t id : {885002, 885001, 885003})
        concepts.items.push_back(own_index(*BoardSet::find(id)));
    for (const Board& b : BoardSet::boards())
        if (b.desc == concepts.name && b.id > 885003)
            concepts.items.push_back(own_index(b));
    out.push_back(concepts);
    return out;
}

}  // namespace

bool BoardRule::matches(const std::string& code, uint8_t code_market) const
{
    if (code_market != market)
        return false;
    if (type == "list") {
        if (!listed.empty())
            return std::binary_search(listed.begin(), listed.end(), code);
        return a.find(code) != std::string::npos;
    }
    if (type == "range")
        return a <= code && code <= b;  // std::string compares bytes as unsigned
    return false;
}

bool Board::matches(const std::string& code, uint8_t market) const
{
    for (const BoardRule& r : rules)
        if (r.matches(code, market))
            return true;
    return false;
}

const std::vector<Board>& BoardSet::boards()
{
    static const std::vector<Board> boards = make_boards();
    return boards;
}

const std::vector<BoardIndexGroup>& BoardSet::index_groups()
{
    static const std::vector<BoardIndexGroup> groups = make_index_groups();
    return groups;
}

const Board* BoardSet::find(int64_t id)
{
    static const std::vector<std::pair<int64_t, const Board*>> by_id = [] {
        std::vector<std::pair<int64_t, const Board*>> out;
        for (const Board& b : boards())
            out.emplace_back(b.id, &b);
        std::sort(out.begin(), out.end());
        return out;
    }();
    const auto it =
        std::lower_bound(by_id.begin(), by_id.end(), std::make_pair(id, static_cast<const Board*>(nullptr)));
    return it != by_id.end() && it->first == id ? it->second : nullptr;
}

std::vector<const SyntheticCode*> BoardSet::members(int64_t id, const std::vector<SyntheticCode>& codes)
{
    std::vector<const SyntheticCode*> out;
    const Board* board = find(id);
    if (!board)
        return out;
    for (const SyntheticCode& c : codes)
        if (board->matches(c.code, c.market))
            out.push_back(&c);
    return out;
}
