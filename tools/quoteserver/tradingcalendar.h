// TradingCalendar: the trading days of the synthetic market, the 1000
// weekdays ending at 2026-12-08 (a Tuesday), without holidays. Day 0 is the
// last of them, day j the j-th weekday before it. Also the civil-date
// arithmetic (days since 1970-01-01) that the K-line cycles count with.
#ifndef QUOTESERVER_TRADINGCALENDAR_H
#define QUOTESERVER_TRADINGCALENDAR_H

#include <cstdint>

struct CivilDate {
    int y = 0, m = 0, d = 0;
    int64_t decimal() const { return (static_cast<int64_t>(y) * 100 + m) * 100 + d; }  // YYYYMMDD
};

class TradingCalendar {
public:
    static constexpr int kDays = 1000;

    static int64_t days_from_civil(int y, int m, int d);
    static CivilDate civil_from_days(int64_t z);

    // Days since 1970-01-01 of 2026-12-08.
    static int64_t last_day();
    // Days since 1970-01-01 of trading day j (any j >= 0, also beyond kDays).
    static int64_t day(int j);
    // The number j of the trading day on this date, or -1 when the date is no
    // trading day: not a real date, a Saturday or Sunday, after 2026-12-08 or
    // older than the kDays days of history.
    static int index_of(int y, int m, int d);
};

#endif
