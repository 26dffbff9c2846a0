#include "syntheticmarket.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "boardset.h"

namespace {

// A fixed value in [0, 1) for a code, a day, a minute and a stream of values.
double unit(int index, int day, int minute, uint64_t stream)
{
    uint64_t x = (static_cast<uint64_t>(index) << 40) ^ (static_cast<uint64_t>(static_cast<uint32_t>(day)) << 12) ^
                 static_cast<uint64_t>(minute) ^ (stream << 58) ^ (SyntheticMarket::kSeed << 20);
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) * 0x1.0p-53;
}

// A price in 1/10000 to the cent, never below one cent.
int32_t to_cent(double v)
{
    return static_cast<int32_t>(std::max(1L, std::lround(v / 100.0)) * 100);
}

// Streams of unit(): one per kind of made-up value.
enum Stream : uint64_t {
    kWalk = 0,
    kDayVolume = 1,
    kMinuteWeight = 2,
    kPrice = 3,
    kMove = 4,
    kCap = 5,
    kFloat = 6,
    kTurnover = 7,
    kBook = 8,
    kOuter = 9,
    kHistory = 10,
    kValuation = 11,
    kTrend = 12,
};

// Invented company names: a two-character stem, unique per stock, and a
// word of the stock's industry (the five industry blocks cut each market
// into these position ranges). Each character comes with its initial.
struct Syllable {
    const char* text;
    char initial;
};
constexpr Syllable kFirst[20] = {{"岚", 'L'}, {"澄", 'C'}, {"翊", 'Y'}, {"珂", 'K'}, {"瀚", 'H'},
                                 {"昕", 'X'}, {"璟", 'J'}, {"沅", 'Y'}, {"霁", 'J'}, {"铖", 'C'},
                                 {"琨", 'K'}, {"嵘", 'R'}, {"栩", 'X'}, {"淇", 'Q'}, {"煜", 'Y'},
                                 {"骁", 'X'}, {"洺", 'M'}, {"钰", 'Y'}, {"璞", 'P'}, {"旻", 'M'}};
constexpr Syllable kSecond[20] = {{"峰", 'F'}, {"川", 'C'}, {"泽", 'Z'}, {"禾", 'H'}, {"源", 'Y'},
                                  {"达", 'D'}, {"瑞", 'R'}, {"弘", 'H'}, {"拓", 'T'}, {"宸", 'C'},
                                  {"朗", 'L'}, {"睿", 'R'}, {"晟", 'S'}, {"航", 'H'}, {"邦", 'B'},
                                  {"誉", 'Y'}, {"恒", 'H'}, {"润", 'R'}, {"鑫", 'X'}, {"祥", 'X'}};
struct Word {
    const char* text;
    const char* initials;
};
constexpr Word kIndustryWords[5][3] = {
    {{"银行", "YH"}, {"农商", "NS"}, {"信托", "XT"}}, {{"证券", "ZQ"}, {"投资", "TZ"}, {"资本", "ZB"}},
    {{"医药", "YY"}, {"药业", "YY"}, {"生物", "SW"}}, {{"电子", "DZ"}, {"科技", "KJ"}, {"光电", "GD"}},
    {{"汽车", "QC"}, {"动力", "DL"}, {"汽配", "QP"}},
};
// The first position of each industry range (as BoardSet cuts them).
int industry_of(uint8_t market, int position)
{
    const MarketSize& size = SyntheticMarket::size();
    if (size.real)
        return std::min(4, position * 5 / (market == 1 ? size.shanghai() : size.shenzhen()));
    static const int kShanghai[5] = {0, 40, 80, 120, 160}, kShenzhen[5] = {0, 29, 59, 89, 119};
    const int* cuts = market == 1 ? kShanghai : kShenzhen;
    int k = 0;
    while (k < 4 && position >= cuts[k + 1])
        ++k;
    return k;
}

// Stocks with a day of their own, by market and position: marked ST (a
// leading '*' for those at risk of delisting), sealed at the limit up or
// down, and the one suspended stock.
// The real-sized market repeats the small one's pattern over its larger
// boards (ST names on the main boards only, as on the exchanges).
bool is_st(uint8_t market, int p)
{
    const MarketSize& size = SyntheticMarket::size();
    return market == 1 ? p < size.shanghai_main && p % 47 == 13 : p < size.shenzhen_main && p % 41 == 29;
}
bool is_star_st(uint8_t market, int p)
{
    return is_st(market, p) && p % 2 == 0;
}
int sealed_of(uint8_t market, int p)
{
    if (market == 1)
        return p % 53 == 18 ? 1 : p % 59 == 21 ? -1 : p == 107 ? 1 : 0;
    if (SyntheticMarket::size().real)
        return p % 37 == 11 ? 1 : p % 43 == 2 ? -1 : 0;
    return (p == 11 || p == 57 || p == 104 || p == 131) ? 1 : (p == 45 || p == 70 || p == 122) ? -1 : 0;
}
bool is_suspended(uint8_t market, int p)
{
    return market == 1 && p % 400 == 33;
}
// The science and growth boards move up to 20 % a day.
bool wide_limit(uint8_t market, int p)
{
    const MarketSize& size = SyntheticMarket::size();
    return market == 1 ? p >= size.shanghai_main : p >= size.shenzhen_main;
}

MarketSize& configured_size()
{
    static MarketSize size;
    return size;
}

std::string code_key(uint8_t market, const std::string& code)
{
    return static_cast<char>('0' + market) + code;
}

}  // namespace

bool MarketSize::by_name(const std::string& name, MarketSize* out)
{
    if (name == "small")
        *out = small();
    else if (name == "real")
        *out = real_sized();
    else
        return false;
    return true;
}

const MarketSize& SyntheticMarket::size()
{
    return configured_size();
}

void SyntheticMarket::configure(const MarketSize& size)
{
    configured_size() = size;
}

std::string SyntheticMarket::stock_code(uint8_t market, int position)
{
    const MarketSize& size = SyntheticMarket::size();
    char code[16];
    const int n = market == 1
                      ? (position < size.shanghai_main ? 600000 + position : 688001 + (position - size.shanghai_main))
                      : (position < size.shenzhen_main ? 1 + position : 300001 + (position - size.shenzhen_main));
    std::snprintf(code, sizeof code, "%06d", n);
    return code;
}

SyntheticMarket& SyntheticMarket::instance()
{
    static SyntheticMarket market;
    return market;
}

SyntheticMarket::SyntheticMarket()
{
    auto add = [this](std::string code, std::string name, std::string pinyin, uint8_t market, uint8_t type,
                      int32_t base = 0) -> SyntheticCode& {
        SyntheticCode c;
        c.code = std::move(code);
        c.name = std::move(name);
        c.pinyin = std::move(pinyin);
        c.market = market;
        c.type = type;
        c.index = static_cast<int>(codes_.size());
        // The market indices from 3,000 points, the board indices 800 to 3,700.
        c.base = base ? base : c.index < 4 ? 30000000 + 1000000 * c.index : 8000000 + 1000000 * (c.index % 30);
        by_code_[code_key(c.market, c.code)] = c.index;
        codes_.push_back(std::move(c));
        return codes_.back();
    };
    add("1A0001", "上证指数", "SZZS", 1, 1);
    add("000300", "沪深300", "HS300", 1, 1);
    add("399001", "深证成指", "SZCZ", 2, 1);
    add("399006", "创业板指", "CYBZ", 2, 1);
    int stock = 0;  // position among all stocks, for the stem of the name
    auto add_stock = [&](uint8_t market, int p) {
        // A different pair for each of 400 stocks; past those a third
        // character keeps the names of a real-sized market apart.
        const int a = stock % 20, b = (stock / 20 + stock) % 20, c3 = stock / 400;
        ++stock;
        const int k = industry_of(market, p);
        const Word& word = kIndustryWords[k][(stock * 7) % 3];
        std::string name = std::string(kFirst[a].text) + kSecond[b].text;
        std::string pinyin{kFirst[a].initial, kSecond[b].initial};
        if (c3 > 0) {
            name += kFirst[(c3 - 1) % 20].text;
            pinyin += kFirst[(c3 - 1) % 20].initial;
        }
        const bool st = is_st(market, p);
        if (st) {
            name = (is_star_st(market, p) ? "*ST" : "ST") + name;
            pinyin = "ST" + pinyin;
        } else {
            name += word.text;
            pinyin += word.initials;
        }
        // Prices spread from about 1 to 2,000 yuan, most of them low.
        const double u = unit(stock, 0, 0, kPrice);
        const int32_t base = to_cent(10000.0 * std::exp(std::log(1.2) + std::pow(u, 1.8) * std::log(2000.0 / 1.2)));
        SyntheticCode& c = add(stock_code(market, p), name, pinyin, market, 2, base);
        c.limit = st ? 0.05 : wide_limit(market, p) ? 0.20 : 0.10;
        c.sealed = sealed_of(market, p);
        c.suspended = is_suspended(market, p);
        // Free stocks: mostly small moves, a few large ones, inside the limit.
        const double s = 2.0 * unit(c.index, 0, 0, kMove) - 1.0;
        c.move = c.suspended ? 0.0 : c.limit * 0.85 * s * std::fabs(s);
        // Total shares from 0.8 亿 to 200 亿, most of them few; the market
        // value follows from the price.
        const double shares = 0.8e8 * std::exp(std::pow(unit(c.index, 0, 0, kCap), 2.0) * std::log(250.0));
        c.total_shares = std::llround(shares / 10000.0) * 10000;
        c.float_shares = std::llround(c.total_shares * (0.35 + 0.65 * unit(c.index, 0, 0, kFloat)) / 100.0) * 100;
        c.turnover = 0.002 * std::exp(unit(c.index, 0, 0, kTurnover) * std::log(40.0));
        // Large and dear companies trade a smaller part of their shares: a
        // day's amount stays under about 300 亿 yuan.
        const double tradable_value = static_cast<double>(c.float_shares) * base / 10000.0;
        c.turnover = std::min(c.turnover, 3e10 * (0.3 + 0.7 * unit(c.index, 1, 0, kTurnover)) / tradable_value);
    };
    codes_.reserve(static_cast<size_t>(size().shanghai() + size().shenzhen()) + 1000);
    for (int i = 0; i < size().shanghai(); ++i)
        add_stock(1, i);
    for (int j = 0; j < size().shenzhen(); ++j)
        add_stock(2, j);
    // The board indices, so that every index code of board.json links to its
    // block; the market indices above are there already.
    for (const BoardIndexGroup& group : BoardSet::index_groups())
        for (const BoardIndexItem& item : group.items)
            if (!find(item.code, group.market))
                add(item.code, item.name, item.pinyin, group.market, 1);
    // The other two indices of the program's index strip, quoting no block.
    add("399005", "中小板指", "ZXBZ", 2, 1, 65000000);
    add("1A0004", "A股指数", "AGZS", 1, 1, 31500000);
    // A board index of its own id moves with the stocks of its board.
    for (const BoardIndexGroup& group : BoardSet::index_groups())
        for (const BoardIndexItem& item : group.items) {
            if (item.code != std::to_string(item.board))
                continue;
            const auto it = by_code_.find(code_key(group.market, item.code));
            if (it == by_code_.end())
                continue;
            SyntheticCode* index = &codes_[static_cast<size_t>(it->second)];
            index->members.clear();
            for (const SyntheticCode* m : BoardSet::members(item.board, codes_))
                if (m->type == 2)
                    index->members.push_back(m->index);
        }
}

const SyntheticCode* SyntheticMarket::find(const std::string& code, uint8_t market) const
{
    const auto it = by_code_.find(code_key(market, code));
    return it == by_code_.end() ? nullptr : &codes_[static_cast<size_t>(it->second)];
}

int32_t SyntheticMarket::rise_limit(const SyntheticCode& c) const
{
    return c.type == 2 ? to_cent(c.base * (1.0 + c.limit)) : 0;
}

int32_t SyntheticMarket::fall_limit(const SyntheticCode& c) const
{
    return c.type == 2 ? to_cent(c.base * (1.0 - c.limit)) : 0;
}

namespace {

// Where today's walk ends before the live swing: a stock by its own move or
// to its limit, a board index by the mean move of its stocks, another index
// by up to 1.5 %.
double day_target(const SyntheticCode& c, const std::vector<SyntheticCode>& codes)
{
    if (c.type != 2) {
        if (c.members.empty())
            return c.base * (1.0 + 0.015 * std::sin(1.0 + c.index));
        double moves = 0;
        for (const int m : c.members) {
            const SyntheticCode& s = codes[static_cast<size_t>(m)];
            moves += day_target(s, codes) / s.base - 1.0;
        }
        return c.base * (1.0 + moves / static_cast<double>(c.members.size()));
    }
    if (c.suspended)
        return c.base;
    if (c.sealed)
        return c.base * (1.0 + c.sealed * c.limit);
    return c.base * (1.0 + c.move);
}

}  // namespace

int32_t SyntheticMarket::price(const SyntheticCode& c) const
{
    // A board index: its previous close moved by the mean live change rate
    // of its stocks, so that it ranks among other boards as they do.
    if (c.type != 2 && !c.members.empty()) {
        double rates = 0;
        for (const int m : c.members) {
            const SyntheticCode& s = codes_[static_cast<size_t>(m)];
            rates += static_cast<double>(price(s)) / s.base - 1.0;
        }
        return to_cent(c.base * (1.0 + rates / static_cast<double>(c.members.size())));
    }
    // A small swing of the live price around the day's target, so quotes
    // move between pushes while charts fetched earlier stay within a few
    // tenths of a percent of them; zero at tick 0.
    const double target = day_target(c, codes_);
    if (c.type == 2 && (c.suspended || c.sealed))
        return to_cent(target);
    const double swing = 0.002 * (std::sin(0.7 * static_cast<double>(tick_) + c.index) - std::sin(c.index));
    int32_t p = to_cent(target * (1.0 + swing));
    if (c.type == 2)
        p = std::clamp(p, fall_limit(c), rise_limit(c));
    return p;
}

int32_t SyntheticMarket::close(const SyntheticCode& c, int j) const
{
    if (j <= 0)
        return price(c);
    // A slow trend of the code's own size and phase and a daily wobble,
    // both zero at day 1, so that day closes at the base.
    const double size = 0.08 + 0.3 * unit(c.index, 0, 0, kTrend), phase = 6.3 * unit(c.index, 1, 0, kTrend);
    const double trend = size * (std::sin(0.05 * j + phase) - std::sin(0.05 + phase));
    const double wobble = c.type == 2 ? 0.03 * (unit(c.index, j, 0, kHistory) - unit(c.index, 1, 0, kHistory)) : 0.0;
    return to_cent(c.base * std::max(0.2, 1.0 + trend + wobble));
}

int32_t SyntheticMarket::open(const SyntheticCode& c, int j) const
{
    return to_cent(close(c, j + 1) * (1.0 + 0.004 * std::sin(1.7 * j + 0.3 * c.index + 1.0)));
}

int64_t SyntheticMarket::volume(const SyntheticCode& c, int j) const
{
    const double day_factor = 0.7 + 0.6 * unit(c.type == 1 ? 0 : c.index, j, 0, kDayVolume);
    if (c.type == 1)
        return 100 * std::llround(360.0 * (200000.0 + 100.0 * c.index) * day_factor);
    if (j <= 0 && c.suspended)
        return 0;
    // Lots of 100 shares: the code's usual turnover of its tradable shares.
    const double lots = static_cast<double>(c.float_shares) * c.turnover * day_factor / 100.0;
    return 100 * std::max<int64_t>(1, std::llround(lots));
}

SyntheticMarket::MinuteSeries SyntheticMarket::minutes(const SyntheticCode& c, int j) const
{
    constexpr int kLast = kMinutes - 1;
    MinuteSeries out;
    const int32_t pre = close(c, j + 1);
    if (j <= 0 && c.type == 2 && c.suspended) {  // no trade: the previous close all day
        for (SyntheticMinute& m : out)
            m = SyntheticMinute{pre, pre, 0, 0};
        return out;
    }
    // Price: a random walk w with steps in [-1, 1), bent to end where it
    // started (w_t - t/240 w_240), around the line from the open to the close,
    // kept inside the day's limits (a stock that reaches the limit of its
    // sealed side stays there). Today's last minute is the live price.
    // Volume: the day's volume shared out by weights heavier at both ends of
    // the day and in the opening minute, in whole lots.
    std::array<double, kMinutes> walk{}, weight{};
    double weights = 0;
    for (int t = 0; t < kMinutes; ++t) {
        if (t > 0)
            walk[t] = walk[t - 1] + 2.0 * unit(c.index, j, t, kWalk) - 1.0;
        const double edge = (t - kLast / 2) / (kLast / 2.0);
        weight[t] = (1.0 + 1.5 * edge * edge) * (t == 0 ? 3.0 : 1.0) * (0.6 + 0.8 * unit(c.index, j, t, kMinuteWeight));
        weights += weight[t];
    }
    const bool today = j <= 0;
    const double first = open(c, j), last = today ? day_target(c, codes_) : close(c, j), amplitude = 0.0015 * pre;
    const double limit = c.type == 2 ? c.limit : 1.0;
    const int32_t high_limit = c.type == 2 ? to_cent(pre * (1.0 + limit)) : INT32_MAX;
    const int32_t low_limit = c.type == 2 ? to_cent(pre * (1.0 - limit)) : 1;
    const int sealed = today && c.type == 2 ? c.sealed : 0;
    const double lots = static_cast<double>(volume(c, j) / 100);
    double share = 0, volume_sum = 0, price_volume = 0;
    int64_t lots_before = 0;
    bool at_limit = false;
    for (int t = 0; t < kMinutes; ++t) {
        const double f = static_cast<double>(t) / kLast;
        SyntheticMinute& m = out[static_cast<size_t>(t)];
        m.price = std::clamp(to_cent(first + (last - first) * f + amplitude * (walk[t] - f * walk[kLast])), low_limit,
                             high_limit);
        if (sealed) {
            at_limit = at_limit || m.price == (sealed > 0 ? high_limit : low_limit);
            if (at_limit)
                m.price = sealed > 0 ? high_limit : low_limit;
        }
        if (today && t == kLast)
            m.price = price(c);
        share += weight[t];
        const int64_t lots_now = t == kLast ? static_cast<int64_t>(lots) : std::llround(lots * share / weights);
        m.volume = 100 * (lots_now - lots_before);
        lots_before = lots_now;
        // An index has no price per share: its amount counts ten yuan a share.
        m.amount = c.type == 1 ? 10 * m.volume : std::llround(static_cast<double>(m.volume) * m.price / 10000.0);
        volume_sum += static_cast<double>(m.volume);
        price_volume += static_cast<double>(m.volume) * m.price;
        m.average = volume_sum > 0 ? static_cast<int32_t>(std::lround(price_volume / volume_sum)) : m.price;
    }
    return out;
}

SyntheticDay SyntheticMarket::day(const SyntheticCode& c, int j) const
{
    const MinuteSeries m = minutes(c, j);
    SyntheticDay d;
    d.pre_close = close(c, j + 1);
    d.open = m.front().price;
    d.close = m.back().price;
    d.average = m.back().average;
    d.high = d.low = d.open;
    for (const SyntheticMinute& x : m) {
        d.high = std::max(d.high, x.price);
        d.low = std::min(d.low, x.price);
        d.volume += x.volume;
        d.amount += x.amount;
    }
    return d;
}

std::vector<const SyntheticCode*> SyntheticMarket::category(int category) const
{
    std::vector<const SyntheticCode*> out;
    // The board categories list their index group's index codes: 1010
    // regions and 1016 concepts are the groups' own ids, 1011 industries
    // are index group 1012.
    const int group_id = category == 1011 ? 1012 : category;
    for (const BoardIndexGroup& group : BoardSet::index_groups()) {
        if (group.id != group_id)
            continue;
        for (const BoardIndexItem& item : group.items)
            if (const SyntheticCode* c = find(item.code, group.market))
                out.push_back(c);
        return out;
    }
    for (const SyntheticCode& c : codes_) {
        if (c.type != 2)
            continue;
        if (category == 1 && c.market != 1)
            continue;
        if (category == 2 && c.market != 2)
            continue;
        out.push_back(&c);
    }
    return out;
}

std::vector<const SyntheticCode*> SyntheticMarket::block(int64_t block) const
{
    return BoardSet::members(block, codes_);
}

void SyntheticMarket::sort(std::vector<const SyntheticCode*>& list, uint16_t field, uint8_t direction) const
{
    if (direction > 1)
        return;
    // Direction 0 puts the larger key first, as the client's own page sort
    // does; the identity fields (0-3) and fields without a value compare the
    // code text bytewise, the others the value the row carries.
    if (field <= 3 || value_width(field) == 0) {
        std::stable_sort(list.begin(), list.end(), [direction](const SyntheticCode* a, const SyntheticCode* b) {
            return direction == 0 ? a->code > b->code : a->code < b->code;
        });
        return;
    }
    std::vector<std::pair<int64_t, const SyntheticCode*>> keyed;
    keyed.reserve(list.size());
    for (const SyntheticCode* c : list) {
        const SyntheticDay today = day(*c, 0);
        keyed.emplace_back(value(*c, today, field), c);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [direction](const auto& a, const auto& b) {
        return direction == 0 ? a.first > b.first : a.first < b.first;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        list[i] = keyed[i].second;
}

void SyntheticMarket::write_identity(BodyWriter& out, const SyntheticCode& c)
{
    out.text(c.code, 6).text(c.name, 24).u8(2).u8(c.market).u8(c.type);
}

// An index row's market breadth: the stocks of its market that are up, flat
// and down at the current prices.
SyntheticMarket::Breadth SyntheticMarket::breadth(uint8_t market) const
{
    Breadth out;
    for (const SyntheticCode& s : codes_) {
        if (s.type != 2 || s.market != market)
            continue;
        const int32_t now = price(s), pre = pre_close(s);
        out.up += now > pre;
        out.flat += now == pre;
        out.down += now < pre;
    }
    return out;
}

int SyntheticMarket::value_width(uint16_t id)
{
    if (id >= 12 && id <= 31)
        return (id - 12) % 4 < 2 ? 4 : 8;  // order book: prices, volumes
    switch (id) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 33:
    case 34:
    case 35:
    case 36:
    case 37:
    case 38:
    case 40:
    case 41:
    case 42:
    case 44:
    case 45:
    case 58:
    case 348:
    case 350:
        return 4;
    case 9:
    case 10:
    case 11:
    case 32:
    case 39:
    case 43:
    case 46:
    case 49:
    case 50:
    case 306:
    case 351:
    case 1015:
        return 8;
    case 1001:
    case 1002:
    case 1003:
    case 1016:
        return 2;
    default:
        return 0;  // carries nothing
    }
}

namespace {

// One side of a stock's order book at the current tick: five price levels
// a cent apart from the last price (none on the sell side of a stock sealed
// at its limit up, none on the buy side at its limit down, none at all for a
// suspended stock) and their volumes in whole lots.
struct BookSide {
    int64_t price[5] = {}, volume[5] = {};
    int64_t total = 0;
};

BookSide book_side(const SyntheticCode& c, int64_t now, int64_t tick, bool buy)
{
    BookSide side;
    if (c.type == 2 && (c.suspended || (buy ? c.sealed < 0 : c.sealed > 0)))
        return side;
    for (int level = 0; level < 5; ++level) {
        const int64_t p =
            buy ? now - 100 * level - (c.sealed > 0 ? 0 : 100) : now + 100 * (level + (c.sealed < 0 ? 0 : 1));
        if (p <= 0)
            break;
        // A sealed side carries a heavy queue at the limit.
        const double heavy = (c.sealed && level == 0) ? 50.0 : 1.0;
        const double lots =
            heavy * 5.0 *
            std::exp(unit(c.index, static_cast<int>(tick), level, kBook + (buy ? 16 : 0)) * std::log(400.0));
        side.price[level] = p;
        side.volume[level] = 100 * std::llround(lots);
        side.total += side.volume[level];
    }
    return side;
}

}  // namespace

int64_t SyntheticMarket::value(const SyntheticCode& c, const SyntheticDay& today, uint16_t id,
                               std::optional<Breadth>* breadth_cache) const
{
    const int64_t now = today.close, pre = today.pre_close;
    const bool stock = c.type == 2;
    if (id >= 12 && id <= 31) {
        const int level = (id - 12) / 4;
        if (!stock) {  // an index has no book: the old made-up ladder
            switch ((id - 12) % 4) {
            case 0:
                return now + 100 * (level + 1);
            case 1:
                return now - 100 * (level + 1);
            default:
                return 100 * (level + 1) + c.index;
            }
        }
        const bool buy = (id - 12) % 2 == 1;
        const BookSide side = book_side(c, now, tick_, buy);
        return (id - 12) % 4 < 2 ? side.price[level] : side.volume[level];
    }
    switch (id) {
    case 2:
        return 20261208;
    case 3:
        return 93000 + (tick_ % 30);
    case 4:
        return pre;
    case 5:
        return today.open;
    case 6:
        return today.high;
    case 7:
        return today.low;
    case 8:
        return now;
    case 9:
        return today.volume;
    case 10: {  // the last trade: part of the last minute's volume, in lots
        if (!stock)
            return 100 + tick_;
        const int64_t last = minutes(c, 0).back().volume / 100;
        return 100 * std::max<int64_t>(c.suspended ? 0 : 1,
                                       std::llround(last * unit(c.index, static_cast<int>(tick_), 0, kOuter) / 4));
    }
    case 11:
        return today.amount;
    case 33: {  // volume ratio (x 100): today's volume against the last five days'
        int64_t before = 0;
        for (int j = 1; j <= 5; ++j)
            before += volume(c, j);
        return before > 0 ? today.volume * 500 / before : 0;
    }
    // Rates are fractions (x 10000 on the wire): 0.0050 is 0.50 %.
    case 34:
        return (now - pre) * 10000 / pre;
    case 35:
        return now - pre;
    case 36:
    case 58: {  // the move over the last five minutes (36) and the last one (58)
        const MinuteSeries m = minutes(c, 0);
        const int64_t then = m[static_cast<size_t>(kMinutes - 1 - (id == 36 ? 5 : 1))].price;
        return then > 0 ? (now - then) * 10000 / then : 0;
    }
    case 37:  // turnover: of the tradable shares; an index's of its own making
        if (!stock)
            return std::llround(50.0 + 150.0 * unit(c.index, 0, 0, kTurnover));
        return c.float_shares > 0 ? today.volume * 10000 / c.float_shares : 0;
    case 38:
    case 39:
    case 49:
    case 50: {  // order ratio (a fraction), difference, totals
        if (!stock)
            return 0;  // an index has no order book
        const int64_t bought = book_side(c, now, tick_, true).total, sold = book_side(c, now, tick_, false).total;
        if (id == 38)
            return bought + sold > 0 ? (bought - sold) * 10000 / (bought + sold) : 0;
        if (id == 39)
            return bought - sold;
        return (id == 49 ? bought : sold) * 3;
    }
    case 32:
    case 46: {  // outer (bought at the ask) and inner volume
        int64_t percent = std::llround(30.0 + 40.0 * unit(c.index, 0, 0, kOuter));
        percent += percent == 50;  // never an even split
        const int64_t outer = today.volume / 100 * percent / 100 * 100;
        return id == 32 ? outer : today.volume - outer;
    }
    case 43: {  // the last five days' average volume a minute
        int64_t before = 0;
        for (int j = 1; j <= 5; ++j)
            before += volume(c, j);
        return before / 5 / (kMinutes - 1);
    }
    case 40:
        return stock ? std::llround(10000.0 * (6.0 + 84.0 * unit(c.index, 0, 0, kValuation))) : 0;  // P/E
    case 41:
        return (int64_t{today.high} - today.low) * 10000 / pre;  // amplitude
    case 42:
        return today.average;  // average price
    case 44:
        return stock ? rise_limit(c) : 0;
    case 45:
        return stock ? fall_limit(c) : 0;
    case 348:  // net assets a share: the price over a price-to-book of 0.6 to 8
        return stock ? std::llround(pre / (0.6 + 7.4 * unit(c.index, 1, 0, kValuation))) : 0;
    case 350:  // earnings a share: the price over the P/E
        return stock ? std::llround(pre / (6.0 + 84.0 * unit(c.index, 0, 0, kValuation))) : 0;
    case 306:
        return stock ? c.total_shares : today.volume / 2 + id;
    case 351:
        return stock ? c.float_shares : today.volume / 2 + id;
    case 1015:
        return today.volume / 2 + id;
    case 1001:
    case 1002:
    case 1003:
    case 1016: {
        if (c.type != 1)
            return id - 1000;
        std::optional<Breadth> local;
        std::optional<Breadth>& cached = breadth_cache ? *breadth_cache : local;
        if (!cached)
            cached = breadth(c.market);
        const Breadth& b = *cached;
        return id == 1001 ? b.up : id == 1002 ? b.flat : id == 1003 ? b.down : b.up + b.flat + b.down;
    }
    default:
        return 0;
    }
}

void SyntheticMarket::write_row(BodyWriter& out, const SyntheticCode& c, const std::vector<uint16_t>& fields) const
{
    const SyntheticDay today = day(c, 0);
    std::optional<Breadth> breadth_of_index;  // counted once, for the first breadth field
    for (const uint16_t id : fields) {
        switch (id) {
        case 0:
            write_identity(out, c);
            continue;
        case 1:
            out.text(c.code, 6).u8(c.market);
            continue;
        default:
            break;
        }
        const int64_t v = value(c, today, id, &breadth_of_index);
        switch (value_width(id)) {
        case 2:
            out.i16(static_cast<int16_t>(v));
            break;
        case 4:
            out.i32(static_cast<int32_t>(v));
            break;
        case 8:
            out.i64(v);
            break;
        default:
            break;  // carries nothing
        }
    }
}
