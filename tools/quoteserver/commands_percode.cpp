// Commands about one code: 0x26 (tick details; a negative first row asks for
// the last rows of the day), 0x3C (volume by price level),
// 0x27 (the minute series of a trading day, none for other days) and 0x24
// (today's minute series, sent again when the market moved it, word 1; with
// the minute-append option only its changed tail, flagged as continuing),
// 0x37 (dividend events). The others answer once (word 0, header version 1);
// an unknown code gets an error answer.
#include <algorithm>
#include <memory>

#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"
#include "syntheticmarket.h"
#include "tradingcalendar.h"

namespace {

const SyntheticCode* read_code(QuoteServer& server, const Request& request, BodyReader& in)
{
    const std::string code = in.text(6);
    const uint8_t market = in.u8();
    const SyntheticCode* c = in.ok() ? SyntheticMarket::instance().find(code, market) : nullptr;
    if (!c)
        server.reply_error(request.connection, request.request_id, -3, "unknown code");
    return c;
}

// Today's trades, twenty a minute over the minute walk (none for a
// suspended stock): each at its minute's price, sharing out its volume in
// whole lots, bought ('B') when the price rose and sold ('S') when it fell.
void answer_detail(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const SyntheticCode* c = read_code(server, request, in);
    if (!c)
        return;
    int32_t first = in.i32();
    const int16_t count = in.i16();
    constexpr int kPerMinute = 20;
    const SyntheticMarket& m = SyntheticMarket::instance();
    const int32_t total = c->type == 2 && c->suspended ? 0 : kPerMinute * (SyntheticMarket::kMinutes - 1);
    if (first < 0)
        first = std::max(0, total - std::max<int>(0, count));  // a negative first row asks for the day's last rows
    BodyWriter body;
    SyntheticMarket::write_identity(body, *c);
    body.i32(m.pre_close(*c)).i32(total);
    const int n = first < 0 || first >= total ? 0 : std::min<int>(count < 0 ? 0 : count, total - first);
    body.i16(static_cast<int16_t>(n));
    const SyntheticMarket::MinuteSeries series = n > 0 ? m.minutes(*c, 0) : SyntheticMarket::MinuteSeries{};
    for (int i = 0; i < n; ++i) {
        const int k = first + i;
        const int point = 1 + k / kPerMinute;  // the minute the trade closes in
        const SyntheticMinute& now = series[static_cast<size_t>(point)];
        const int32_t before = series[static_cast<size_t>(point - 1)].price;
        const int minute = point <= 120 ? 9 * 60 + 30 + point - 1 : 13 * 60 + (point - 121);
        const int seconds = minute * 60 + 3 * (k % kPerMinute);
        const int64_t lots = std::max<int64_t>(1, now.volume / 100 / kPerMinute + (k * 7) % 5 - 2);
        const char side = now.price > before ? 'B' : now.price < before ? 'S' : (k % 2 ? 'B' : 'S');
        body.i32(now.price)
            .i64(100 * lots)
            .i32(seconds / 3600 * 10000 + seconds / 60 % 60 * 100 + seconds % 60)
            .i32(k)
            .u8(static_cast<uint8_t>(side));
    }
    server.reply(request.connection, 0x26, request.request_id, 0, body.data());
}

void answer_price_levels(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const SyntheticCode* c = read_code(server, request, in);
    if (!c)
        return;
    const SyntheticMarket& m = SyntheticMarket::instance();
    BodyWriter body;
    SyntheticMarket::write_identity(body, *c);
    body.i32(m.pre_close(*c)).i64(45 * 100);
    body.i16(9);
    for (int i = 0; i < 9; ++i)  // volumes 100..900 add up to 4500
        body.i32(m.pre_close(*c) - 400 + 100 * i).i64(100 * (i + 1)).i64(50 * i);
    server.reply(request.connection, 0x3C, request.request_id, 0, body.data());
}

// The minute points of trading day j (none for j < 0) from point `from` on,
// with the values of the echoed options: price and average (1/10000), the
// minute's own volume (option 3) and amount (option 2), its number, and its
// time YYYYMMDDhhmm.
void write_points(BodyWriter& body, const SyntheticCode& c, const std::vector<uint8_t>& options, int j, int from = 0)
{
    const int n = j < 0 ? 0 : SyntheticMarket::kMinutes - std::max(0, std::min(from, SyntheticMarket::kMinutes));
    body.i16(static_cast<int16_t>(n)).u8(static_cast<uint8_t>(options.size()));
    for (uint8_t o : options)
        body.u8(o);
    if (n == 0)
        return;
    const SyntheticMarket::MinuteSeries series = SyntheticMarket::instance().minutes(c, j);
    const int64_t date = TradingCalendar::civil_from_days(TradingCalendar::day(j)).decimal();
    for (int i = SyntheticMarket::kMinutes - n; i < SyntheticMarket::kMinutes; ++i) {
        const SyntheticMinute& m = series[static_cast<size_t>(i)];
        const int minutes = i <= 120 ? 9 * 60 + 30 + i : 13 * 60 + (i - 121);
        for (uint8_t o : options) {
            switch (o) {
            case 1:
                body.i32(m.price);
                break;
            case 2:
                body.i64(m.amount);
                break;
            case 3:
                body.i64(m.volume);
                break;
            case 4:
                body.i32(m.average);
                break;
            case 7:
                body.i16(static_cast<int16_t>(i));
                break;
            case 9:
                body.i64(date * 10000 + minutes / 60 * 100 + minutes % 60);
                break;
            case 5:
            case 6:
            case 8:
                body.i64(1000 * (i + 1) + o);
                break;
            default:
                break;
            }
        }
    }
}

std::vector<uint8_t> read_options(BodyReader& in)
{
    const uint8_t k = in.u8();
    std::vector<uint8_t> options;
    for (int i = 0; i < k && in.ok(); ++i)
        options.push_back(in.u8());
    return options;
}

void answer_minute_by_date(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const SyntheticCode* c = read_code(server, request, in);
    if (!c)
        return;
    const uint32_t time = static_cast<uint32_t>(in.i32());  // packed local date-time, -1 for today
    in.i32();                                               // page count: one day is sent
    const std::vector<uint8_t> options = read_options(in);
    // A day without trading (or not a date at all) has no points.
    const int j = time == 0xFFFFFFFFu ? 0
                                      : TradingCalendar::index_of(static_cast<int>(time >> 20), (time >> 16) & 0xF,
                                                                  (time >> 11) & 0x1F);
    BodyWriter body;
    SyntheticMarket::write_identity(body, *c);
    // The int64 is the append flag: 0, the whole day.
    body.i32(SyntheticMarket::instance().close(*c, j < 0 ? 1 : j + 1)).i64(0);
    write_points(body, *c, options, j);
    server.reply(request.connection, 0x27, request.request_id, 0, body.data());
}

// Today's series from point `from` on (0: whole). The answer's second int64
// is the append flag: set when the points continue the series already sent.
// Scheduler thread.
std::vector<uint8_t> today_series(const SyntheticCode& c, int16_t index, const std::vector<uint8_t>& options,
                                  int from = 0)
{
    BodyWriter body;
    SyntheticMarket::write_identity(body, c);
    body.i32(SyntheticMarket::instance().pre_close(c)).i64(index).i64(from > 0 ? 1 : 0).i16(index);
    write_points(body, c, options, 0, from);
    return body.data();
}

// The first minute whose values differ between the two series (the count of
// minutes when none does).
int first_changed_minute(const SyntheticMarket::MinuteSeries& a, const SyntheticMarket::MinuteSeries& b)
{
    for (int i = 0; i < SyntheticMarket::kMinutes; ++i) {
        const SyntheticMinute& x = a[static_cast<size_t>(i)];
        const SyntheticMinute& y = b[static_cast<size_t>(i)];
        if (x.price != y.price || x.average != y.average || x.volume != y.volume || x.amount != y.amount)
            return i;
    }
    return SyntheticMarket::kMinutes;
}

// While the request lasts, today's series is looked at every second and,
// when the market moved it (with the list pushes), sent again, its last
// minute at the live price of the moment, so that an open minute chart
// follows the quotes: whole, or with the minute-append option only from the
// first changed minute on (the first answer is always whole).
constexpr int kSeriesPushMs = 1000;

void push_minutes(QuoteServer& server, _B2CConnection* conn, uint16_t id, const SyntheticCode* c, int16_t index,
                  std::vector<uint8_t> options, std::shared_ptr<const SyntheticMarket::MinuteSeries> sent)
{
    if (!server.subscribed(conn, id))
        return;
    auto now = std::make_shared<const SyntheticMarket::MinuteSeries>(SyntheticMarket::instance().minutes(*c, 0));
    const int from = sent ? first_changed_minute(*sent, *now) : 0;
    if (from < SyntheticMarket::kMinutes) {
        const int tail = sent && server.options().minute_append ? from : 0;
        if (!server.reply(conn, 0x24, id, 1, today_series(*c, index, options, tail)))
            return;
    }
    server.scheduler().post_after(kSeriesPushMs, [&server, conn, id, c, index, options, now] {
        push_minutes(server, conn, id, c, index, options, now);
    });
}

void answer_minute_by_index(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const SyntheticCode* c = read_code(server, request, in);
    if (!c)
        return;
    const int16_t index = in.i16();
    const std::vector<uint8_t> options = read_options(in);
    server.subscribe(request.connection, request.request_id, 0x24);
    // Nothing sent yet: the first look answers at once.
    push_minutes(server, request.connection, request.request_id, c, index, options, nullptr);
}

void answer_dividends(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const SyntheticCode* c = read_code(server, request, in);
    if (!c)
        return;
    BodyWriter body;
    SyntheticMarket::write_identity(body, *c);
    if (c->type != 2) {
        body.i16(0);
    } else {
        // Newest first: cash 0.30 on 2025-06-16; 5 bonus shares per 10 on 2024-06-17.
        body.i16(2);
        body.i32(20250616).i32(30).i32(0).i32(0).i32(0).i32(0);
        body.i32(20240617).i32(0).i32(0).i32(0).i32(50).i32(0);
    }
    server.reply(request.connection, 0x37, request.request_id, 0, body.data());
}

const CommandRegistration detail_registration(0x26, &answer_detail);
const CommandRegistration levels_registration(0x3C, &answer_price_levels);
const CommandRegistration minute_registration(0x27, &answer_minute_by_date);
const CommandRegistration minute_index_registration(0x24, &answer_minute_by_index);
const CommandRegistration dividend_registration(0x37, &answer_dividends);

}  // namespace
