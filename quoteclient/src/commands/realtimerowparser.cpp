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
    case QUOTE_FIELD_IDENTITY:
        return Wire::Identity;
    case QUOTE_FIELD_CODE:
        return Wire::CodeMarket;
    case QUOTE_FIELD_DATE:
    case QUOTE_FIELD_TIME:
    case QUOTE_FIELD_PRE_CLOSE:
    case QUOTE_FIELD_OPEN:
    case QUOTE_FIELD_HIGH:
    case QUOTE_FIELD_LOW:
    case QUOTE_FIELD_CLOSE:
    case QUOTE_FIELD_VOLUME_RATIO:
    case QUOTE_FIELD_RISE_RATE:
    case QUOTE_FIELD_RISE_VALUE:
    case QUOTE_FIELD_RATE_5MIN:
    case QUOTE_FIELD_SWAP:
    case QUOTE_FIELD_ORDER_RATIO:
    case QUOTE_FIELD_PE:
    case QUOTE_FIELD_AMPLITUDE:
    case QUOTE_FIELD_AVG_PRICE:
    case QUOTE_FIELD_RISE_LIMIT:
    case QUOTE_FIELD_FALL_LIMIT:
    case QUOTE_FIELD_SPEED:
    case QUOTE_FIELD_NET_ASSET_PS:
    case QUOTE_FIELD_EPS:
        return Wire::Int32;
    case QUOTE_FIELD_VOLUME:
    case QUOTE_FIELD_CUR_VOLUME:
    case QUOTE_FIELD_AMOUNT:
    case QUOTE_FIELD_RED_VOLUME:
    case QUOTE_FIELD_ORDER_DIFF:
    case QUOTE_FIELD_D5_AVG_VOLUME:
    case QUOTE_FIELD_GREEN_VOLUME:
    case QUOTE_FIELD_TOTAL_BUY:
    case QUOTE_FIELD_TOTAL_SELL:
    case QUOTE_FIELD_TOTAL_SHARES:
    case QUOTE_FIELD_FLOAT_SHARES:
    case QUOTE_FIELD_BLOCK_ID:
        return Wire::Int64;
    case QUOTE_FIELD_RISE_COUNT:
    case QUOTE_FIELD_FLAT_COUNT:
    case QUOTE_FIELD_FALL_COUNT:
    case QUOTE_FIELD_ALL_COUNT:
        return Wire::Int16;
    default:
        break;
    }
    if (id >= QUOTE_FIELD_BOOK_FIRST && id <= QUOTE_FIELD_BOOK_LAST) {
        // Order book: per level a sell price, a buy price (int32), a sell and a
        // buy volume (int64).
        return ((id - QUOTE_FIELD_BOOK_FIRST) % 4) < 2 ? Wire::Int32 : Wire::Int64;
    }
    return Wire::None;
}

// Order-book slot of the book ids: level 0..4 and which of the four values.
inline int book_level(uint16_t id)
{
    return (id - QUOTE_FIELD_BOOK_FIRST) / 4;
}
inline int book_slot(uint16_t id)
{
    return (id - QUOTE_FIELD_BOOK_FIRST) % 4;
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
            case QUOTE_FIELD_RISE_COUNT:
                r.rise_count = v;
                break;
            case QUOTE_FIELD_FLAT_COUNT:
                r.flat_count = v;
                break;
            case QUOTE_FIELD_FALL_COUNT:
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
            if (id >= QUOTE_FIELD_BOOK_FIRST && id <= QUOTE_FIELD_BOOK_LAST) {
                (book_slot(id) == 2 ? r.sell_vol : r.buy_vol)[book_level(id)] = v;
                continue;
            }
            switch (id) {
            case QUOTE_FIELD_VOLUME:
                r.vol = v;
                break;
            case QUOTE_FIELD_CUR_VOLUME:
                r.cur_vol = v;
                break;
            case QUOTE_FIELD_AMOUNT:
                r.sum = static_cast<double>(v);
                break;
            case QUOTE_FIELD_RED_VOLUME:
                r.red_vol = v;
                break;
            case QUOTE_FIELD_ORDER_DIFF:
                r.committee_diff = v;
                break;
            case QUOTE_FIELD_D5_AVG_VOLUME:
                r.d5_avg_vol = v;
                break;
            case QUOTE_FIELD_GREEN_VOLUME:
                r.green_vol = v;
                break;
            case QUOTE_FIELD_TOTAL_BUY:
                r.total_buy = v;
                break;
            case QUOTE_FIELD_TOTAL_SELL:
                r.total_sell = v;
                break;
            case QUOTE_FIELD_TOTAL_SHARES:
                r.total_shares = v;
                break;
            case QUOTE_FIELD_FLOAT_SHARES:
                r.float_shares = v;
                break;
            default:
                r.block_id = v;
                break;  // QUOTE_FIELD_BLOCK_ID
            }
            continue;
        }
        case Wire::Int32: {
            const int32_t v = in.i32();
            if (id >= QUOTE_FIELD_BOOK_FIRST && id <= QUOTE_FIELD_BOOK_LAST) {
                (book_slot(id) == 0 ? r.sell_price : r.buy_price)[book_level(id)] = price(v);
                continue;
            }
            switch (id) {
            case QUOTE_FIELD_DATE:
                date = v;
                dated = true;
                break;
            case QUOTE_FIELD_TIME:
                time = v;
                break;
            case QUOTE_FIELD_PRE_CLOSE:
                r.pre_close = price(v);
                break;
            case QUOTE_FIELD_OPEN:
                r.open = price(v);
                break;
            case QUOTE_FIELD_HIGH:
                r.high = price(v);
                break;
            case QUOTE_FIELD_LOW:
                r.low = price(v);
                break;
            case QUOTE_FIELD_CLOSE:
                r.close = price(v);
                break;
            case QUOTE_FIELD_VOLUME_RATIO:
                r.vol_rate = static_cast<float>(v) / 100.0f;
                break;
            case QUOTE_FIELD_RISE_RATE:
                r.rf_rate = price(v);
                break;
            case QUOTE_FIELD_RISE_VALUE:
                r.rf_value = price(v);
                break;
            case QUOTE_FIELD_RATE_5MIN:
                r.m5_rf_rate = price(v);
                break;
            case QUOTE_FIELD_SWAP:
                r.swap = price(v);
                break;
            case QUOTE_FIELD_ORDER_RATIO:
                r.committee = price(v);
                break;
            case QUOTE_FIELD_PE:
                r.pe = price(v);
                break;
            case QUOTE_FIELD_AMPLITUDE:
                r.amplitude = price(v);
                break;
            case QUOTE_FIELD_AVG_PRICE:
                r.avg_price = price(v);
                break;
            case QUOTE_FIELD_RISE_LIMIT:
                r.rise_limit = price(v);
                break;
            case QUOTE_FIELD_FALL_LIMIT:
                r.fall_limit = price(v);
                break;
            case QUOTE_FIELD_SPEED:
                r.speed = price(v);
                break;
            case QUOTE_FIELD_NET_ASSET_PS:
                r.ps_net_asset = price(v);
                break;
            default:
                r.eps = price(v);
                break;  // QUOTE_FIELD_EPS
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
    if (id >= QUOTE_FIELD_BOOK_FIRST && id <= QUOTE_FIELD_BOOK_LAST) {
        const int level = book_level(id);
        switch (book_slot(id)) {
        case QUOTE_FIELD_IDENTITY:
            return num(r.sell_price[level]);
        case QUOTE_FIELD_CODE:
            return num(r.buy_price[level]);
        case QUOTE_FIELD_DATE:
            return num(r.sell_vol[level]);
        default:
            return num(r.buy_vol[level]);
        }
    }
    switch (id) {
    case QUOTE_FIELD_PRE_CLOSE:
        return num(r.pre_close);
    case QUOTE_FIELD_OPEN:
        return num(r.open);
    case QUOTE_FIELD_HIGH:
        return num(r.high);
    case QUOTE_FIELD_LOW:
        return num(r.low);
    case QUOTE_FIELD_CLOSE:
        return num(r.close);
    case QUOTE_FIELD_VOLUME:
        return num(r.vol);
    case QUOTE_FIELD_CUR_VOLUME:
        return num(r.cur_vol);
    case QUOTE_FIELD_AMOUNT:
        return num(r.sum);
    case QUOTE_FIELD_RED_VOLUME:
        return num(r.red_vol);
    case QUOTE_FIELD_VOLUME_RATIO:
        return num(r.vol_rate);
    case QUOTE_FIELD_RISE_RATE:
        return num(r.rf_rate);
    case QUOTE_FIELD_RISE_VALUE:
        return num(r.rf_value);
    case QUOTE_FIELD_RATE_5MIN:
        return num(r.m5_rf_rate);
    case QUOTE_FIELD_SWAP:
        return num(r.swap);
    case QUOTE_FIELD_ORDER_RATIO:
        return num(r.committee);
    case QUOTE_FIELD_ORDER_DIFF:
        return num(r.committee_diff);
    case QUOTE_FIELD_PE:
        return num(r.pe);
    case QUOTE_FIELD_AMPLITUDE:
        return num(r.amplitude);
    case QUOTE_FIELD_AVG_PRICE:
        return num(r.avg_price);
    case QUOTE_FIELD_D5_AVG_VOLUME:
        return num(r.d5_avg_vol);
    case QUOTE_FIELD_RISE_LIMIT:
        return num(r.rise_limit);
    case QUOTE_FIELD_FALL_LIMIT:
        return num(r.fall_limit);
    case QUOTE_FIELD_GREEN_VOLUME:
        return num(r.green_vol);
    case QUOTE_FIELD_TOTAL_BUY:
        return num(r.total_buy);
    case QUOTE_FIELD_TOTAL_SELL:
        return num(r.total_sell);
    case QUOTE_FIELD_SPEED:
        return num(r.speed);
    case QUOTE_FIELD_TOTAL_SHARES:
        return num(r.total_shares);
    case QUOTE_FIELD_NET_ASSET_PS:
        return num(r.ps_net_asset);
    case QUOTE_FIELD_EPS:
        return num(r.eps);
    case QUOTE_FIELD_FLOAT_SHARES:
        return num(r.float_shares);
    case QUOTE_FIELD_RISE_COUNT:
        return num(r.rise_count);
    case QUOTE_FIELD_FLAT_COUNT:
        return num(r.flat_count);
    case QUOTE_FIELD_FALL_COUNT:
        return num(r.fall_count);
    case QUOTE_FIELD_BLOCK_ID:
        return num(r.block_id);
    case QUOTE_FIELD_ALL_COUNT:
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
