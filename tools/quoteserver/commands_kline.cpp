// Command 0x44: K-line bars. Every code has 1000 bars of history in every
// cycle, ending at 2026-12-08 (day bars on the trading days, the same days
// as the real-time rows and minute series; 1, 5, 15, 30 and 60
// minute bars over the trading minutes of those days, made from their minute
// series, the newest ending at 15:00 with today's live price; week, month and
// quarter bars at 15:00).
// Request: code 6; u8 market; u8 period; int32 packed local time (-1: the
// newest bars); int32 count; u8 k; k field ids. With time -1 the newest
// `count` bars are sent; with a time and count 0 the bars from that time on;
// with a time and a count, `count` bars ending at that time. Full-form answer
// (version 1), values as compressed differences; state 2 while older bars
// remain. Answers for the newest bars carry word 1, so the request stays
// pending and is sent again (from the newest cached bar) after a new login;
// answers for older bars (load more) carry word 0 and end the request. The
// newest bar of a day or intraday cycle is then sent again every second.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"
#include "syntheticmarket.h"
#include "tradingcalendar.h"

namespace {

constexpr int kHistory = TradingCalendar::kDays;

struct BarTime {
    int y, m, d, hh, mm;
    int64_t key() const { return ((static_cast<int64_t>(y) * 100 + m) * 100 + d) * 10000 + hh * 100 + mm; }
    uint32_t packed() const
    {
        return (static_cast<uint32_t>(y) << 20) | (static_cast<uint32_t>(m) << 16) | (static_cast<uint32_t>(d) << 11) |
               (static_cast<uint32_t>(hh) << 6) | static_cast<uint32_t>(mm);
    }
};

constexpr int kStep[] = {1, 5, 15, 30, 60};

// Time of bar j (0 the newest) of a period.
BarTime bar_time(uint8_t period, int j)
{
    BarTime t{};
    const int64_t last = TradingCalendar::last_day();
    auto set_date = [&t](int64_t day) {
        const CivilDate c = TradingCalendar::civil_from_days(day);
        t.y = c.y;
        t.m = c.m;
        t.d = c.d;
    };
    if (period >= 34 && period <= 38) {
        // Bar k of a day ends at the trading minute (k + 1) * step after
        // 09:30, the morning's 120 minutes first, then the afternoon's.
        const int step = kStep[period - 34], per_day = 240 / step;
        set_date(TradingCalendar::day(j / per_day));
        const int end = 240 - (j % per_day) * step;
        const int minute = end <= 120 ? 9 * 60 + 30 + end : 13 * 60 + (end - 120);
        t.hh = minute / 60;
        t.mm = minute % 60;
        return t;
    }
    if (period == 40 || period == 41) {
        const int months = 2026 * 12 + 11 - j * (period == 40 ? 1 : 3);
        t.y = months / 12;
        t.m = months % 12 + 1;
        t.d = 1;
        t.hh = 15;
        return t;
    }
    if (period == 39) {
        // Fridays back from the one before 2026-12-08 (a Tuesday).
        set_date(last - 4 - 7 * static_cast<int64_t>(j));
        t.hh = 15;
        return t;
    }
    // Days: the trading days back from 2026-12-08.
    set_date(TradingCalendar::day(j));
    return t;
}

int64_t decimal_of(uint8_t period, const BarTime& t)
{
    return (period >= 34 && period <= 38) ? t.key() : t.key() / 10000;
}

// Bar j of a cycle (0 the newest), prices in cents.
struct Bar {
    int64_t open, high, low, close, volume, amount;
};

// Bar j of an intraday cycle, made from the minute series of its day: the
// day's first two minute points make the first one-minute bar (the opening
// minute and the next), each later point one bar.
Bar intraday_bar(const SyntheticCode& c, uint8_t period, int j,
                 std::vector<std::pair<int, SyntheticMarket::MinuteSeries>>& days)
{
    const int step = kStep[period - 34], per_day = 240 / step, day = j / per_day;
    const SyntheticMarket::MinuteSeries* series = nullptr;
    for (const auto& d : days)
        if (d.first == day)
            series = &d.second;
    if (!series) {
        days.emplace_back(day, SyntheticMarket::instance().minutes(c, day));
        series = &days.back().second;
    }
    const int last = 240 - (j % per_day) * step;  // points 1..240, point 0 joins the first bar
    const int first = last - step + 1 == 1 ? 0 : last - step + 1;
    Bar b{(*series)[static_cast<size_t>(first)].price / 100, 0, INT64_MAX, 0, 0, 0};
    for (int t = first; t <= last; ++t) {
        const SyntheticMinute& m = (*series)[static_cast<size_t>(t)];
        b.high = std::max<int64_t>(b.high, m.price / 100);
        b.low = std::min<int64_t>(b.low, m.price / 100);
        b.close = m.price / 100;
        b.volume += m.volume;
        b.amount += m.amount;
    }
    return b;
}

Bar bar_of(const SyntheticCode& c, uint8_t period, int j,
           std::vector<std::pair<int, SyntheticMarket::MinuteSeries>>& days)
{
    const SyntheticMarket& m = SyntheticMarket::instance();
    if (period == 33) {  // the market's trading days, as the quotes and minute series tell them
        const SyntheticDay d = m.day(c, j);
        return {d.open / 100, d.high / 100, d.low / 100, d.close / 100, d.volume, d.amount};
    }
    if (period >= 34 && period <= 38)
        return intraday_bar(c, period, j, days);
    auto close_of = [&c, &m](int k) {
        return std::llround(m.pre_close(c) / 100.0 * (1.0 + 0.1 * std::sin(0.05 * k + c.index)));
    };
    const int64_t close = close_of(j), open = close_of(j + 1), volume = 10000 + (j * 7919) % 5000;
    return {open, std::max(open, close) + 5, std::min(open, close) - 5, close, volume, volume * close};
}

// Compressed int64: 7 bits a byte, most significant first, 0x80 on the last.
void put_compressed(BodyWriter& body, int64_t v)
{
    const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    int bytes = 1;
    while (bytes < 9 && mag > (uint64_t{1} << (7 * bytes - 1)) - 1)
        ++bytes;
    for (int i = bytes - 1; i >= 0; --i) {
        uint8_t b = static_cast<uint8_t>((static_cast<uint64_t>(v) >> (7 * i)) & 0x7F);
        body.u8(i == 0 ? static_cast<uint8_t>(b | 0x80) : b);
    }
}

// The bar's turnover rate in percent with two decimals (the extra field, 8):
// its volume against the tradable shares.
int64_t turnover_of(const SyntheticCode& c, const Bar& b)
{
    return c.float_shares > 0
               ? std::llround(static_cast<double>(b.volume) * 10000.0 / static_cast<double>(c.float_shares))
               : 0;
}

// The values of one bar for the asked field ids, as differences to `last`.
void put_bar(BodyWriter& body, const SyntheticCode& c, uint8_t period, int j, const Bar& b,
             const std::vector<uint8_t>& ids, int64_t* last)
{
    const BarTime t = bar_time(period, j);
    for (uint8_t id : ids) {
        int64_t v;
        switch (id) {
        case 1:
            v = t.packed();
            break;
        case 10:
            v = decimal_of(period, t);
            break;
        case 2:
            v = b.open;
            break;
        case 3:
            v = b.high;
            break;
        case 4:
            v = b.low;
            break;
        case 5:
            v = b.close;
            break;
        case 6:
            v = b.amount;
            break;
        case 7:
            v = b.volume;
            break;
        case 8:
            v = turnover_of(c, b);
            break;
        default:
            continue;  // carries nothing
        }
        put_compressed(body, v - last[id]);
        last[id] = v;
    }
}

// While a request for the newest bars of a day or intraday cycle lasts, its
// newest bar is looked at every second and, when the market moved it, sent
// in the short form (header version 2), its close at the live price of the
// moment, so that an open K-line chart follows the quotes.
constexpr int kBarPushMs = 1000;

std::vector<uint8_t> newest_bar(const SyntheticCode& c, uint8_t period, const std::vector<uint8_t>& ids)
{
    std::vector<std::pair<int, SyntheticMarket::MinuteSeries>> days;
    BodyWriter body;
    body.u8(0).u8(static_cast<uint8_t>(ids.size()));
    for (uint8_t f : ids)
        body.u8(f);
    body.i16(1).u8(0);
    int64_t last[11] = {};
    put_bar(body, c, period, 0, bar_of(c, period, 0, days), ids, last);
    return body.data();
}

void push_newest_bar(QuoteServer& server, _B2CConnection* conn, uint16_t id, const SyntheticCode* c, uint8_t period,
                     std::vector<uint8_t> ids, std::vector<uint8_t> sent)
{
    if (!server.subscribed(conn, id))
        return;
    std::vector<uint8_t> now = newest_bar(*c, period, ids);
    if (now != sent && !server.reply(conn, 0x44, id, 1, now, false, 2))
        return;
    server.scheduler().post_after(kBarPushMs, [&server, conn, id, c, period, ids, now] {
        push_newest_bar(server, conn, id, c, period, ids, now);
    });
}

void answer_kline(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const std::string code = in.text(6);
    const uint8_t market = in.u8();
    const uint8_t period = in.u8();
    const uint32_t time = static_cast<uint32_t>(in.i32());
    const int32_t count = in.i32();
    const uint8_t k = in.u8();
    std::vector<uint8_t> ids;
    for (int i = 0; i < k && in.ok(); ++i)
        ids.push_back(in.u8());
    const SyntheticCode* c = in.ok() ? SyntheticMarket::instance().find(code, market) : nullptr;
    if (!c || period < 33 || period > 41) {
        server.reply_error(request.connection, request.request_id, -3, "unknown code or cycle");
        return;
    }
    // The bars to send: j from `from` (newest of them) to `to` (oldest), inclusive.
    int from = 0, to = -1;
    if (time == 0xFFFFFFFFu) {
        to = std::min(count, kHistory) - 1;
    } else {
        const BarTime asked{static_cast<int>(time >> 20), static_cast<int>((time >> 16) & 0xF),
                            static_cast<int>((time >> 11) & 0x1F), static_cast<int>((time >> 6) & 0x1F),
                            static_cast<int>(time & 0x3F)};
        int j = 0;
        while (j < kHistory && bar_time(period, j).key() > asked.key())
            ++j;
        if (count <= 0) {
            to = std::min(j, kHistory - 1);
        } else {
            from = j;
            to = std::min(j + count - 1, kHistory - 1);
        }
    }
    const int n = from > to ? 0 : to - from + 1;
    BodyWriter body;
    SyntheticMarket::write_identity(body, *c);
    body.u8(period).u8(to + 1 < kHistory ? 2 : 1).u8(static_cast<uint8_t>(ids.size()));
    for (uint8_t id : ids)
        body.u8(id);
    body.i16(static_cast<int16_t>(n));
    int64_t last[11] = {};
    std::vector<std::pair<int, SyntheticMarket::MinuteSeries>> days;  // minute series met so far
    for (int j = to; j >= from && n > 0; --j)
        put_bar(body, *c, period, j, bar_of(*c, period, j, days), ids, last);
    const uint16_t word = (time != 0xFFFFFFFFu && count > 0) ? 0 : 1;
    const bool follows = word == 1 && period <= 38;
    if (follows)
        server.subscribe(request.connection, request.request_id, 0x44);
    if (!server.reply(request.connection, 0x44, request.request_id, word, body.data()) || !follows)
        return;
    _B2CConnection* conn = request.connection;
    const uint16_t id = request.request_id;
    std::vector<uint8_t> sent = newest_bar(*c, period, ids);
    server.scheduler().post_after(kBarPushMs, [&server, conn, id, c, period, ids, sent] {
        push_newest_bar(server, conn, id, c, period, ids, sent);
    });
}

const CommandRegistration registration(0x44, &answer_kline);

}  // namespace
