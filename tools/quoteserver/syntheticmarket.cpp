#include "syntheticmarket.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "boardset.h"

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
    auto add = [this](std::string code, std::string name, std::string pinyin, uint8_t market, uint8_t type) {
        SyntheticCode c;
        c.code = std::move(code);
        c.name = std::move(name);
        c.pinyin = std::move(pinyin);
        c.market = market;
        c.type = type;
        c.index = static_cast<int>(codes_.size());
        codes_.push_back(std::move(c));
    };
    add("000001", "上证指数", "SZZS", 1, 1);
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
}

const SyntheticCode* SyntheticMarket::find(const std::string& code, uint8_t market) const {
    for (const SyntheticCode& c : codes_)
        if (c.market == market && c.code == code) return &c;
    return nullptr;
}

int32_t SyntheticMarket::pre_close(const SyntheticCode& c) const {
    return c.type == 1 ? 30000000 + 1000000 * c.index : 50000 + 10000 * (c.index % 50) + 100 * (c.index % 7);
}

int32_t SyntheticMarket::price(const SyntheticCode& c) const {
    const double move = 0.03 * std::sin(0.7 * static_cast<double>(tick_) + c.index);
    return static_cast<int32_t>(std::lround(pre_close(c) * (1.0 + move) / 100.0) * 100);
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
    auto key = [this, field](const SyntheticCode* c) -> double {
        switch (field) {
        case 8: return price(*c);
        case 34: return static_cast<double>(price(*c) - pre_close(*c)) / pre_close(*c);
        case 9: return static_cast<double>(1000 * (c->index + 1));
        default: return -static_cast<double>(c->index);
        }
    };
    std::stable_sort(list.begin(), list.end(), [&](const SyntheticCode* a, const SyntheticCode* b) {
        return direction == 0 ? key(a) > key(b) : key(a) < key(b);
    });
}

void SyntheticMarket::write_identity(BodyWriter& out, const SyntheticCode& c) {
    out.text(c.code, 6).text(c.name, 24).u8(2).u8(c.market).u8(c.type);
}

void SyntheticMarket::write_row(BodyWriter& out, const SyntheticCode& c, const std::vector<uint16_t>& fields) const {
    const int32_t now = price(c), pre = pre_close(c);
    const int64_t volume = 100000 * (c.index + 1) + 1000 * tick_;
    for (const uint16_t id : fields) {
        if (id >= 12 && id <= 31) {
            const int level = (id - 12) / 4;
            switch ((id - 12) % 4) {
            case 0: out.i32(now + 100 * (level + 1)); break;
            case 1: out.i32(now - 100 * (level + 1)); break;
            default: out.i64(100 * (level + 1) + c.index); break;
            }
            continue;
        }
        switch (id) {
        case 0: write_identity(out, c); break;
        case 1: out.text(c.code, 6).u8(c.market); break;
        case 2: out.i32(20261208); break;
        case 3: out.i32(static_cast<int32_t>(93000 + (tick_ % 30))); break;
        case 4: out.i32(pre); break;
        case 5: out.i32(pre + 100); break;
        case 6: out.i32(std::max(now, pre) + 200); break;
        case 7: out.i32(std::min(now, pre) - 200); break;
        case 8: out.i32(now); break;
        case 9: out.i64(volume); break;
        case 10: out.i64(100 + tick_); break;
        case 11: out.i64(volume * now / 10000); break;
        case 33: out.i32(100 + c.index); break;
        // Rates are fractions (x 10000 on the wire): 0.0050 is 0.50 %.
        case 34: out.i32(static_cast<int32_t>((static_cast<int64_t>(now) - pre) * 10000 / pre)); break;
        case 35: out.i32(now - pre); break;
        case 32: case 39: case 43: case 46: case 49: case 50: case 306: case 351: case 1015:
            out.i64(volume / 2 + id);
            break;
        case 36: out.i32(static_cast<int32_t>((static_cast<int64_t>(now) - pre) * 2000 / pre)); break;  // 5-minute rate
        case 37: out.i32(50 + 7 * c.index % 300); break;                        // turnover rate
        case 38: out.i32(((37 * c.index) % 200 - 100) * 1000); break;           // order ratio, in percent
        case 40: out.i32(10000 * (8 + c.index % 40)); break;                    // price-earnings ratio
        case 41: {                                                               // amplitude
            const int64_t high = std::max(now, pre) + 200, low = std::min(now, pre) - 200;
            out.i32(static_cast<int32_t>((high - low) * 10000 / pre));
            break;
        }
        case 42: out.i32((now + pre) / 2); break;                              // average price
        case 44: out.i32((pre * 11 / 10 + 50) / 100 * 100); break;             // limit up: +10 %, to the cent
        case 45: out.i32((pre * 9 / 10 + 50) / 100 * 100); break;              // limit down: -10 %
        case 58: out.i32(static_cast<int32_t>((static_cast<int64_t>(now) - pre) * 500 / pre)); break;  // speed
        case 348: out.i32(10000 * (2 + c.index % 8)); break;                   // net assets per share
        case 350: out.i32(1000 * (1 + c.index % 15)); break;                   // earnings per share
        case 1001: case 1002: case 1003: case 1016: out.i16(static_cast<int16_t>(id - 1000)); break;
        default: break;  // carries nothing
        }
    }
}
