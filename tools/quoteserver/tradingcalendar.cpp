#include "tradingcalendar.h"

namespace {

// Weekdays counted from Monday 1970-01-05 (day 4): the weekday ordinal of a
// Monday-to-Friday date, and its inverse. Dates are after 1970.
int64_t ordinal(int64_t z)
{
    return (z - 4) / 7 * 5 + (z - 4) % 7;
}
int64_t from_ordinal(int64_t b)
{
    return 4 + b / 5 * 7 + b % 5;
}
bool weekday(int64_t z)
{
    return (z - 4) % 7 < 5;
}

}  // namespace

int64_t TradingCalendar::days_from_civil(int y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

CivilDate TradingCalendar::civil_from_days(int64_t z)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilDate c;
    c.d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.y = static_cast<int>(yoe + era * 400 + (c.m <= 2));
    return c;
}

int64_t TradingCalendar::last_day()
{
    return days_from_civil(2026, 12, 8);
}

int64_t TradingCalendar::day(int j)
{
    return from_ordinal(ordinal(last_day()) - j);
}

int TradingCalendar::index_of(int y, int m, int d)
{
    if (y < 1971 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return -1;
    const int64_t z = days_from_civil(y, m, d);
    const CivilDate back = civil_from_days(z);
    if (back.y != y || back.m != m || back.d != d || !weekday(z))
        return -1;  // 2026-02-30, weekends
    const int64_t j = ordinal(last_day()) - ordinal(z);
    return j < 0 || j >= kDays ? -1 : static_cast<int>(j);
}
