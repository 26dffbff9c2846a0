#include "realtimerowparser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "datetime.h"

namespace {

// Fixed point on the wire: prices and rates are int32 scaled by 10000.
inline float price(int32_t v)
{
    return static_cast<float>(v) / 10000.0f;
}

// The kind of value a field id carries in a row.
enum class Wire { None, Identity, CodeMarket, Int16, Int32, Int64 };

Wire wire_of(uint16_t id)
{
    switch (id) {
    case 0:
        return Wire::Identity;
    case 1:
        return Wire::CodeMarket;
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
        return Wire::Int32;
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
        return Wire::Int64;
    case 1001:
    case 1002:
    case 1003:
    case 1016:
        return Wire::Int16;
    default:
        break;
    }
    if (id >= 12 && id <= 31) {
        // Order book: per level a sell price, a buy price (int32), a sell and a
        // buy volume (int64).
        return ((id - 12) % 4) < 2 ? Wire::Int32 : Wire::Int64;
    }
    return Wire::None;
}

// Order-book slot of ids 12..31: level 0..4 and which of the four values.
inline int book_level(uint16_t id)
{
    return (id - 12) / 4;
}
inline int book_slot(uint16_t id)
{
    return (id - 12) % 4;
}

}  // namespace

uint32_t RealTimeRowParser::field_size(uint16_t id)
{
    switch (wire_of(id)) {
    case Wire::Identity:
        return 33;
    case Wire::CodeMarket:
        return 7;
    case Wire::Int16:
        return 2;
    case Wire::Int32:
        return 4;
    case Wire::Int64:
        return 8;
    case Wire::None:
        break;
    }
    return 0;
}

bool RealTimeRowParser::read_fields(ReplyReader& in, std::vector<uint16_t>& ids)
{
    ids.clear();
    const int16_t m = in.i16();
    if (!in.count_fits(m, 2))
        return false;
    ids.resize(static_cast<std::size_t>(m));
    for (auto& id : ids)
        id = static_cast<uint16_t>(in.i16());
    return in.ok();
}

void RealTimeRowParser::clean_text(char* s, std::size_t cap)
{
    const std::size_t n = strnlen(s, cap);
    if (n < cap)
        std::memset(s + n, 0, cap - n);
}

bool RealTimeRowParser::read_identity(ReplyReader& in, QuoteCodeInfo& info)
{
    in.text(info.code, sizeof info.code, 6);
    in.text(info.name, sizeof info.name, 24);
    clean_text(info.code, sizeof info.code);
    clean_text(info.name, sizeof info.name);
    info.decimal = in.u8();
    info.market = in.u8();
    info.type = in.u8();
    return in.ok();
}

bool RealTimeRowParser::read_identity_and_price(ReplyReader& in, QuoteCodeInfo& info, float& price)
{
    read_identity(in, info);
    price = static_cast<float>(in.i32()) / 10000.0f;
    return in.ok();
}

bool RealTimeRowParser::read_row(ReplyReader& in, const std::vector<uint16_t>& ids, QuoteRealTimeMarket& r,
                                 TimeMemo* memo)
{
    bool dated = false;
    int32_t date = 0, time = 0;
    for (const uint16_t id : ids) {
        switch (wire_of(id)) {
        case Wire::None:
            continue;
        case Wire::Identity:
            read_identity(in, r.code_info);
            continue;
        case Wire::CodeMarket:
            in.text(r.code_info.code, sizeof r.code_info.code, 6);
            clean_text(r.code_info.code, sizeof r.code_info.code);
            r.code_info.market = in.u8();
            continue;
        case Wire::Int16: {
            const int16_t v = in.i16();
            switch (id) {
            case 1001:
                r.rise_count = v;
                break;
            case 1002:
                r.flat_count = v;
                break;
            case 1003:
                r.fall_count = v;
                break;
            default:
                r.all_count = v;
                break;
            }
            continue;
        }
        case Wire::Int64: {
            const int64_t v = in.i64();
            if (id >= 12 && id <= 31) {
                (book_slot(id) == 2 ? r.sell_vol : r.buy_vol)[book_level(id)] = v;
                continue;
            }
            switch (id) {
            case 9:
                r.vol = v;
                break;
            case 10:
                r.cur_vol = v;
                break;
            case 11:
                r.sum = static_cast<double>(v);
                break;
            case 32:
                r.red_vol = v;
                break;
            case 39:
                r.committee_diff = v;
                break;
            case 43:
                r.d5_avg_vol = v;
                break;
            case 46:
                r.green_vol = v;
                break;
            case 49:
                r.total_buy = v;
                break;
            case 50:
                r.total_sell = v;
                break;
            case 306:
                r.total_shares = v;
                break;
            case 351:
                r.float_shares = v;
                break;
            default:
                r.block_id = v;
                break;  // 1015
            }
            continue;
        }
        case Wire::Int32: {
            const int32_t v = in.i32();
            if (id >= 12 && id <= 31) {
                (book_slot(id) == 0 ? r.sell_price : r.buy_price)[book_level(id)] = price(v);
                continue;
            }
            switch (id) {
            case 2:
                date = v;
                dated = true;
                break;
            case 3:
                time = v;
                break;
            case 4:
                r.pre_close = price(v);
                break;
            case 5:
                r.open = price(v);
                break;
            case 6:
                r.high = price(v);
                break;
            case 7:
                r.low = price(v);
                break;
            case 8:
                r.close = price(v);
                break;
            case 33:
                r.vol_rate = static_cast<float>(v) / 100.0f;
                break;
            case 34:
                r.rf_rate = price(v);
                break;
            case 35:
                r.rf_value = price(v);
                break;
            case 36:
                r.m5_rf_rate = price(v);
                break;
            case 37:
                r.swap = price(v);
                break;
            case 38:
                r.committee = price(v);
                break;
            case 40:
                r.pe = price(v);
                break;
            case 41:
                r.amplitude = price(v);
                break;
            case 42:
                r.avg_price = price(v);
                break;
            case 44:
                r.rise_limit = price(v);
                break;
            case 45:
                r.fall_limit = price(v);
                break;
            case 58:
                r.speed = price(v);
                break;
            case 348:
                r.ps_net_asset = price(v);
                break;
            default:
                r.eps = price(v);
                break;  // 350
            }
            continue;
        }
        }
    }
    if (!in.ok())
        return false;
    // A row without a date has no time of its own.
    if (!dated) {
        r.timestamp = -1;
    } else if (memo && memo->valid && memo->date == date && memo->time == time) {
        r.timestamp = memo->seconds;
    } else {
        r.timestamp =
            DateTime::fromLocal(date / 10000, date / 100 % 100, date % 100, time / 10000, time / 100 % 100, time % 100);
        if (memo)
            *memo = TimeMemo{date, time, r.timestamp, true};
    }
    return true;
}

bool RealTimeRowParser::read_rows(ReplyReader& in, const std::vector<uint16_t>& ids,
                                  std::vector<QuoteRealTimeMarket>& rows)
{
    rows.clear();
    const int16_t r = in.i16();
    uint64_t row_bytes = 0;
    for (const uint16_t id : ids)
        row_bytes += field_size(id);
    if (row_bytes > UINT32_MAX || !in.count_fits(r, static_cast<unsigned>(row_bytes)))
        return in.fail(), false;
    rows.assign(static_cast<std::size_t>(r), QuoteRealTimeMarket{});
    TimeMemo memo;
    for (auto& row : rows) {
        if (!read_row(in, ids, row, &memo)) {
            rows.clear();
            return false;
        }
    }
    return true;
}

namespace {

// A row's sort key: a number, or the code text for ids without one.
struct Key {
    bool text;
    long double value;  // exact for every int64 and float
};

Key key_of(const QuoteRealTimeMarket& r, uint16_t id)
{
    auto num = [](long double v) { return Key{false, v}; };
    if (id >= 12 && id <= 31) {
        const int level = book_level(id);
        switch (book_slot(id)) {
        case 0:
            return num(r.sell_price[level]);
        case 1:
            return num(r.buy_price[level]);
        case 2:
            return num(r.sell_vol[level]);
        default:
            return num(r.buy_vol[level]);
        }
    }
    switch (id) {
    case 4:
        return num(r.pre_close);
    case 5:
        return num(r.open);
    case 6:
        return num(r.high);
    case 7:
        return num(r.low);
    case 8:
        return num(r.close);
    case 9:
        return num(r.vol);
    case 10:
        return num(r.cur_vol);
    case 11:
        return num(r.sum);
    case 32:
        return num(r.red_vol);
    case 33:
        return num(r.vol_rate);
    case 34:
        return num(r.rf_rate);
    case 35:
        return num(r.rf_value);
    case 36:
        return num(r.m5_rf_rate);
    case 37:
        return num(r.swap);
    case 38:
        return num(r.committee);
    case 39:
        return num(r.committee_diff);
    case 40:
        return num(r.pe);
    case 41:
        return num(r.amplitude);
    case 42:
        return num(r.avg_price);
    case 43:
        return num(r.d5_avg_vol);
    case 44:
        return num(r.rise_limit);
    case 45:
        return num(r.fall_limit);
    case 46:
        return num(r.green_vol);
    case 49:
        return num(r.total_buy);
    case 50:
        return num(r.total_sell);
    case 58:
        return num(r.speed);
    case 306:
        return num(r.total_shares);
    case 348:
        return num(r.ps_net_asset);
    case 350:
        return num(r.eps);
    case 351:
        return num(r.float_shares);
    case 1001:
        return num(r.rise_count);
    case 1002:
        return num(r.flat_count);
    case 1003:
        return num(r.fall_count);
    case 1015:
        return num(r.block_id);
    case 1016:
        return num(r.all_count);
    default:
        return Key{true, 0};
    }
}

int compare_code(const QuoteRealTimeMarket& a, const QuoteRealTimeMarket& b)
{
    const std::size_t la = strnlen(a.code_info.code, sizeof a.code_info.code);
    const std::size_t lb = strnlen(b.code_info.code, sizeof b.code_info.code);
    const int c = std::memcmp(a.code_info.code, b.code_info.code, std::min(la, lb));
    if (c != 0)
        return c;
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

}  // namespace

void RealTimeRowParser::sort(QuoteRealTimeMarket* rows, std::size_t n, uint16_t id, uint8_t direction)
{
    if (direction > 1 || n < 2)
        return;
    const bool descending = direction == 0;
    const bool by_code = key_of(rows[0], id).text;
    if (by_code) {
        std::stable_sort(rows, rows + n, [descending](const QuoteRealTimeMarket& a, const QuoteRealTimeMarket& b) {
            const int c = compare_code(a, b);
            return descending ? c > 0 : c < 0;
        });
        return;
    }
    std::stable_sort(rows, rows + n, [id, descending](const QuoteRealTimeMarket& a, const QuoteRealTimeMarket& b) {
        const long double ka = key_of(a, id).value, kb = key_of(b, id).value;
        if (std::isnan(ka) || std::isnan(kb))
            return !std::isnan(ka) && std::isnan(kb);  // NaN last
        return descending ? ka > kb : ka < kb;
    });
}
