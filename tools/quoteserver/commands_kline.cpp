// Command 0x44: K-line bars. Every code has 1000 bars of history in every
// cycle, ending at 2026-12-08 (day bars on weekdays; 1, 5, 15, 30 and 60
// minute bars back from 15:00; week, month and quarter bars at 15:00).
// Request: code 6; u8 market; u8 period; int32 packed local time (-1: the
// newest bars); int32 count; u8 k; k field ids. With time -1 the newest
// `count` bars are sent; with a time and count 0 the bars from that time on;
// with a time and a count, `count` bars ending at that time. Full-form answer
// (version 1), values as compressed differences; state 2 while older bars
// remain. Answers for the newest bars carry word 1, so the request stays
// pending and is sent again (from the newest cached bar) after a new login;
// answers for older bars (load more) carry word 0 and end the request.
#include <cmath>

#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"
#include "syntheticmarket.h"

namespace {

constexpr int kHistory = 1000;

int64_t days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

void civil_from_days(int64_t z, int* y, int* m, int* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

struct BarTime {
    int y, m, d, hh, mm;
    int64_t key() const { return ((static_cast<int64_t>(y) * 100 + m) * 100 + d) * 10000 + hh * 100 + mm; }
    uint32_t packed() const {
        return (static_cast<uint32_t>(y) << 20) | (static_cast<uint32_t>(m) << 16) | (static_cast<uint32_t>(d) << 11) |
               (static_cast<uint32_t>(hh) << 6) | static_cast<uint32_t>(mm);
    }
};

// Time of bar j (0 the newest) of a period.
BarTime bar_time(uint8_t period, int j) {
    BarTime t{};
    const int64_t last = days_from_civil(2026, 12, 8);
    if (period >= 34 && period <= 38) {
        static const int kStep[] = {1, 5, 15, 30, 60};
        const int64_t minutes = last * 1440 + 15 * 60 - static_cast<int64_t>(j) * kStep[period - 34];
        civil_from_days(minutes / 1440, &t.y, &t.m, &t.d);
        t.hh = static_cast<int>(minutes % 1440 / 60);
        t.mm = static_cast<int>(minutes % 60);
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
        civil_from_days(last - 4 - 7 * static_cast<int64_t>(j), &t.y, &t.m, &t.d);
        t.hh = 15;
        return t;
    }
    // Days: weekdays back from 2026-12-08.
    int64_t day = last;
    for (int k = 0; k < j;) {
        --day;
        const int64_t weekday = (day + 4) % 7;  // 0 Sunday
        if (weekday != 0 && weekday != 6) ++k;
    }
    civil_from_days(day, &t.y, &t.m, &t.d);
    return t;
}

int64_t decimal_of(uint8_t period, const BarTime& t) {
    return (period >= 34 && period <= 38) ? t.key() : t.key() / 10000;
}

// Price of bar j in cents.
int64_t close_of(const SyntheticCode& c, int j) {
    const double base = SyntheticMarket::instance().pre_close(c) / 100.0;
    return std::llround(base * (1.0 + 0.1 * std::sin(0.05 * j + c.index)));
}

void answer_kline(QuoteServer& server, const Request& request) {
    BodyReader in(request.body);
    const std::string code = in.text(6);
    const uint8_t market = in.u8();
    const uint8_t period = in.u8();
    const uint32_t time = static_cast<uint32_t>(in.i32());
    const int32_t count = in.i32();
    const uint8_t k = in.u8();
    std::vector<uint8_t> ids;
    for (int i = 0; i < k && in.ok(); ++i) ids.push_back(in.u8());
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
        while (j < kHistory && bar_time(period, j).key() > asked.key()) ++j;
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
    for (uint8_t id : ids) body.u8(id);
    body.i16(static_cast<int16_t>(n));
    int64_t last[11] = {};
    auto put = [&body](int64_t v) {
        // Compressed int64: 7 bits a byte, most significant first, 0x80 on the last.
        const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        int bytes = 1;
        while (bytes < 9 && mag > (uint64_t{1} << (7 * bytes - 1)) - 1) ++bytes;
        for (int i = bytes - 1; i >= 0; --i) {
            uint8_t b = static_cast<uint8_t>((static_cast<uint64_t>(v) >> (7 * i)) & 0x7F);
            body.u8(i == 0 ? static_cast<uint8_t>(b | 0x80) : b);
        }
    };
    for (int j = to; j >= from && n > 0; --j) {
        const BarTime t = bar_time(period, j);
        const int64_t close = close_of(*c, j), open = close_of(*c, j + 1);
        const int64_t volume = 10000 + (j * 7919) % 5000;
        for (uint8_t id : ids) {
            int64_t v;
            switch (id) {
            case 1: v = t.packed(); break;
            case 10: v = decimal_of(period, t); break;
            case 2: v = open; break;
            case 3: v = std::max(open, close) + 5; break;
            case 4: v = std::min(open, close) - 5; break;
            case 5: v = close; break;
            case 6: v = volume * close; break;
            case 7: v = volume; break;
            case 8: v = (open + close) / 2; break;
            default: continue;  // carries nothing
            }
            put(v - last[id]);
            last[id] = v;
        }
    }
    const uint16_t word = (time != 0xFFFFFFFFu && count > 0) ? 0 : 1;
    server.reply(request.connection, 0x44, request.request_id, word, body.data());
}

const CommandRegistration registration(0x44, &answer_kline);

}  // namespace
