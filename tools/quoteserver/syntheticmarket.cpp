#include "syntheticmarket.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "boardset.h"

namespace {

// A fixed value in [0, 1) for a code, a day, a minute and a stream of values.
double unit(int index, int day, int minute, uint64_t stream) {
    uint64_t x = (static_cast<uint64_t>(index) << 40) ^ (static_cast<uint64_t>(static_cast<uint32_t>(day)) << 12) ^
                 static_cast<uint64_t>(minute) ^ (stream << 58);
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) * 0x1.0p-53;
}

// A price in 1/10000 to the cent, never below one cent.
int32_t to_cent(double v) { return static_cast<int32_t>(std::max(1L, std::lround(v / 100.0)) * 100); }

}  // namespace

std::string SyntheticMarket::stock_code(uint8_t market, int position) {
    char code[16];
    std::snprintf(code, sizeof code, "%06d", market == 1 ? 600000 + position : 1 + position);
    return code;
}

SyntheticMarket& SyntheticMarket::instance() {
    static SyntheticMarket market;
    return market;
}

SyntheticMarket::SyntheticMarket() {
    auto add = [this](std::string code, std::string name, std::string pinyin, uint8_t market, uint8_t type,
                      int32_t base = 0) {
        SyntheticCode c;
        c.code = std::move(code);
        c.name = std::move(name);
        c.pinyin = std::move(pinyin);
        c.market = market;
        c.type = type;
        c.index = static_cast<int>(codes_.size());
        c.base = base ? base
                 : type == 1 ? 30000000 + 1000000 * c.index
                             : 50000 + 10000 * (c.index % 50) + 100 * (c.index % 7);
        codes_.push_back(std::move(c));
    };
    add("1A0001", "上证指数", "SZZS", 1, 1);
    add("000300", "沪深300", "HS300", 1, 1);
    add("399001", "深证成指", "SZCZ", 2, 1);
    add("399006", "创业板指", "CYBZ", 2, 1);
    char name[32], pinyin[8];
    for (int i = 0; i < kShanghaiStocks; ++i) {
        std::snprintf(name, sizeof name, "沪市%03d", i);
        std::snprintf(pinyin, sizeof pinyin, "HS%03d", i);
        add(stock_code(1, i), name, pinyin, 1, 2);
    }
    for (int j = 0; j < kShenzhenStocks; ++j) {
        std::snprintf(name, sizeof name, "深市%03d", j);
        std::snprintf(pinyin, sizeof pinyin, "SS%03d", j);
        add(stock_code(2, j), name, pinyin, 2, 2);
    }
    // The board indices, so that every index code of board.json links to its
    // block; the market indices above are there already.
    for (const BoardIndexGroup& group : BoardSet::index_groups())
        for (const BoardIndexItem& item : group.items)
            if (!find(item.code, group.market)) add(item.code, item.name, item.pinyin, group.market, 1);
    // The other two indices of the program's index strip, quoting no block.
    add("399005", "中小板指", "ZXBZ", 2, 1, 65000000);
    add("1A0004", "A股指数", "AGZS", 1, 1, 31500000);
}

const SyntheticCode* SyntheticMarket::find(const std::string& code, uint8_t market) const {
    for (const SyntheticCode& c : codes_)
        if (c.market == market && c.code == code) return &c;
    return nullptr;
}

int32_t SyntheticMarket::price(const SyntheticCode& c) const {
    // The day's move of this code (up to 3 %, what tick 0 shows) with a small
    // swing of the live price around it, so quotes move between pushes while
    // charts fetched earlier stay within a few tenths of a percent of them.
    const double day = 0.03 * std::sin(static_cast<double>(c.index));
    const double swing = 0.002 * (std::sin(0.7 * static_cast<double>(tick_) + c.index) - std::sin(c.index));
    return to_cent(c.base * (1.0 + day + swing));
}

int32_t SyntheticMarket::close(const SyntheticCode& c, int j) const {
    if (j <= 0) return price(c);
    // Zero at day 1, so that day closes at the base.
    const double drift = std::sin(0.05 * j + c.index) - std::sin(0.05 + c.index);
    return to_cent(c.base * (1.0 + 0.1 * drift));
}

int32_t SyntheticMarket::open(const SyntheticCode& c, int j) const {
    return to_cent(close(c, j + 1) * (1.0 + 0.004 * std::sin(1.7 * j + 0.3 * c.index + 1.0)));
}

int64_t SyntheticMarket::volume(const SyntheticCode& c, int j) const {
    // Lots of 100 shares: growing with the position in the table (so volume
    // ranks as the table does), the same day factor for every code.
    const double lots = c.type == 1 ? 200000.0 + 100.0 * c.index : 20.0 + c.index;
    return 100 * std::llround(360.0 * lots * (0.7 + 0.6 * unit(0, j, 0, 1)));
}

SyntheticMarket::MinuteSeries SyntheticMarket::minutes(const SyntheticCode& c, int j) const {
    constexpr int kLast = kMinutes - 1;
    // Price: a random walk w with steps in [-1, 1), bent to end where it
    // started (w_t - t/240 w_240), around the line from the open to the close.
    // Volume: the day's volume shared out by weights heavier at both ends of
    // the day and in the opening minute, in whole lots.
    std::array<double, kMinutes> walk{}, weight{};
    double weights = 0;
    for (int t = 0; t < kMinutes; ++t) {
        if (t > 0) walk[t] = walk[t - 1] + 2.0 * unit(c.index, j, t, 0) - 1.0;
        const double edge = (t - kLast / 2) / (kLast / 2.0);
        weight[t] = (1.0 + 1.5 * edge * edge) * (t == 0 ? 3.0 : 1.0) * (0.6 + 0.8 * unit(c.index, j, t, 2));
        weights += weight[t];
    }
    const double first = open(c, j), last = close(c, j), amplitude = 0.0015 * close(c, j + 1);
    const double lots = static_cast<double>(volume(c, j) / 100);
    MinuteSeries out;
    double share = 0, volume_sum = 0, price_volume = 0;
    int64_t lots_before = 0;
    for (int t = 0; t < kMinutes; ++t) {
        const double f = static_cast<double>(t) / kLast;
        SyntheticMinute& m = out[static_cast<size_t>(t)];
        m.price = to_cent(first + (last - first) * f + amplitude * (walk[t] - f * walk[kLast]));
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

SyntheticDay SyntheticMarket::day(const SyntheticCode& c, int j) const {
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

std::vector<const SyntheticCode*> SyntheticMarket::category(int category) const {
    std::vector<const SyntheticCode*> out;
    for (const SyntheticCode& c : codes_) {
        if (c.type != 2) continue;
        if (category == 1 && c.market != 1) continue;
        if (category == 2 && c.market != 2) continue;
        out.push_back(&c);
    }
    return out;
}

std::vector<const SyntheticCode*> SyntheticMarket::block(int64_t block) const {
    return BoardSet::members(block, codes_);
}

void SyntheticMarket::sort(std::vector<const SyntheticCode*>& list, uint16_t field, uint8_t direction) const {
    if (direction > 1) return;
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
    for (size_t i = 0; i < keyed.size(); ++i) list[i] = keyed[i].second;
}

void SyntheticMarket::write_identity(BodyWriter& out, const SyntheticCode& c) {
    out.text(c.code, 6).text(c.name, 24).u8(2).u8(c.market).u8(c.type);
}

// An index row's market breadth: the stocks of its market that are up, flat
// and down at the current prices.
SyntheticMarket::Breadth SyntheticMarket::breadth(uint8_t market) const {
    Breadth out;
    for (const SyntheticCode& s : codes_) {
        if (s.type != 2 || s.market != market) continue;
        const int32_t now = price(s), pre = pre_close(s);
        out.up += now > pre;
        out.flat += now == pre;
        out.down += now < pre;
    }
    return out;
}

int SyntheticMarket::value_width(uint16_t id) {
    if (id >= 12 && id <= 31) return (id - 12) % 4 < 2 ? 4 : 8;  // order book: prices, volumes
    switch (id) {
    case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 33: case 34: case 35: case 36: case 37: case 38:
    case 40: case 41: case 42: case 44: case 45: case 58: case 348: case 350:
        return 4;
    case 9: case 10: case 11: case 32: case 39: case 43: case 46: case 49: case 50: case 306: case 351: case 1015:
        return 8;
    case 1001: case 1002: case 1003: case 1016:
        return 2;
    default:
        return 0;  // carries nothing
    }
}

int64_t SyntheticMarket::value(const SyntheticCode& c, const SyntheticDay& today, uint16_t id,
                               std::optional<Breadth>* breadth_cache) const {
    const int64_t now = today.close, pre = today.pre_close;
    if (id >= 12 && id <= 31) {
        const int level = (id - 12) / 4;
        switch ((id - 12) % 4) {
        case 0: return now + 100 * (level + 1);
        case 1: return now - 100 * (level + 1);
        default: return 100 * (level + 1) + c.index;
        }
    }
    switch (id) {
    case 2: return 20261208;
    case 3: return 93000 + (tick_ % 30);
    case 4: return pre;
    case 5: return today.open;
    case 6: return today.high;
    case 7: return today.low;
    case 8: return now;
    case 9: return today.volume;
    case 10: return 100 + tick_;
    case 11: return today.amount;
    case 33: return 100 + c.index;
    // Rates are fractions (x 10000 on the wire): 0.0050 is 0.50 %.
    case 34: return (now - pre) * 10000 / pre;
    case 35: return now - pre;
    case 32: case 39: case 43: case 46: case 49: case 50: case 306: case 351: case 1015:
        return today.volume / 2 + id;
    case 36: return (now - pre) * 2000 / pre;                       // 5-minute rate
    case 37: return 50 + 7 * c.index % 300;                         // turnover rate
    case 38: return ((37 * c.index) % 200 - 100) * 1000;            // order ratio, in percent
    case 40: return 10000 * (8 + c.index % 40);                     // price-earnings ratio
    case 41: return (int64_t{today.high} - today.low) * 10000 / pre; // amplitude
    case 42: return today.average;                                  // average price
    case 44: return (pre * 11 / 10 + 50) / 100 * 100;               // limit up: +10 %, to the cent
    case 45: return (pre * 9 / 10 + 50) / 100 * 100;                // limit down: -10 %
    case 58: return (now - pre) * 500 / pre;                        // speed
    case 348: return 10000 * (2 + c.index % 8);                     // net assets per share
    case 350: return 1000 * (1 + c.index % 15);                     // earnings per share
    case 1001: case 1002: case 1003: case 1016: {
        if (c.type != 1) return id - 1000;
        std::optional<Breadth> local;
        std::optional<Breadth>& cached = breadth_cache ? *breadth_cache : local;
        if (!cached) cached = breadth(c.market);
        const Breadth& b = *cached;
        return id == 1001 ? b.up : id == 1002 ? b.flat : id == 1003 ? b.down : b.up + b.flat + b.down;
    }
    default: return 0;
    }
}

void SyntheticMarket::write_row(BodyWriter& out, const SyntheticCode& c, const std::vector<uint16_t>& fields) const {
    const SyntheticDay today = day(c, 0);
    std::optional<Breadth> breadth_of_index;  // counted once, for the first breadth field
    for (const uint16_t id : fields) {
        switch (id) {
        case 0: write_identity(out, c); continue;
        case 1: out.text(c.code, 6).u8(c.market); continue;
        default: break;
        }
        const int64_t v = value(c, today, id, &breadth_of_index);
        switch (value_width(id)) {
        case 2: out.i16(static_cast<int16_t>(v)); break;
        case 4: out.i32(static_cast<int32_t>(v)); break;
        case 8: out.i64(v); break;
        default: break;  // carries nothing
        }
    }
}
