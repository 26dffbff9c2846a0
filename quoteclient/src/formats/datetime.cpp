#include "datetime.h"

#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unordered_map>

namespace {

int clampInt(int64_t v)
{
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

int64_t callMktime(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second)
{
    std::tm tm{};
    tm.tm_year = static_cast<int>(year - 1900);
    tm.tm_mon = clampInt(month - 1);
    tm.tm_mday = clampInt(day);
    tm.tm_hour = clampInt(hour);
    tm.tm_min = clampInt(minute);
    tm.tm_sec = clampInt(second);
    tm.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&tm));
}

// Days from 1970-01-01 to a proleptic Gregorian date (month 1..12).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int64_t daysInMonth(int64_t y, int64_t m)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// Local midnights by day, per thread. mktime reads the zone afresh at every
// call (a file check each time), which a reply of thousands of bars felt;
// a day's midnight is looked up once instead. The entries are dropped when
// TZ changes and once a minute, so a zone changed on the machine is seen.
struct MidnightCache {
    static constexpr int64_t kNoShortcut = INT64_MIN;  // the day has a clock change
    std::string zone;
    bool zoneSet = false;
    std::time_t checkedAt = 0;
    std::unordered_map<int64_t, int64_t> midnight;

    // Drops the entries when the zone may have changed.
    void refresh()
    {
        const char* tz = std::getenv("TZ");
        const std::time_t now = std::time(nullptr);
        const bool same = (tz != nullptr) == zoneSet && (!tz || zone == tz) && now - checkedAt < 60 && now >= checkedAt;
        if (same)
            return;
        zoneSet = tz != nullptr;
        zone = tz ? tz : "";
        checkedAt = now;
        midnight.clear();
    }
};

// Seconds of a local time whose fields are all in their usual range, through
// the day's cached midnight; INT64_MIN when the day has a clock change.
int64_t fromLocalDay(int64_t year, int64_t month, int64_t day, int64_t secondOfDay)
{
    thread_local MidnightCache cache;
    cache.refresh();
    if (cache.midnight.size() > 100000)
        cache.midnight.clear();
    const int64_t key = daysFromCivil(year, month, day);
    auto it = cache.midnight.find(key);
    if (it == cache.midnight.end()) {
        const int64_t start = callMktime(year, month, day, 0, 0, 0);
        const int64_t end = callMktime(year, month, day, 23, 59, 59);
        const int64_t value = start != -1 && end - start == 86399 ? start : MidnightCache::kNoShortcut;
        it = cache.midnight.emplace(key, value).first;
    }
    return it->second == MidnightCache::kNoShortcut ? MidnightCache::kNoShortcut : it->second + secondOfDay;
}

}  // namespace

int64_t DateTime::fromLocal(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second)
{
    // Years far outside what the calendar can hold would overflow the broken-down
    // fields; they have no meaning in quote data.
    if (year < -1000000 || year > 1000000)
        return -1;
    // The usual case, fields in range on a day without a clock change, goes
    // through the day's midnight; the calendar normalises everything else.
    if (year >= 1900 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month) &&
        hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59) {
        const int64_t t = fromLocalDay(year, month, day, hour * 3600 + minute * 60 + second);
        if (t != MidnightCache::kNoShortcut)
            return t;
    }
    return callMktime(year, month, day, hour, minute, second);
}

uint32_t DateTime::pack(int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return 0;
    uint32_t year = static_cast<uint32_t>(tm.tm_year + 1900);
    return (year << 20) | (static_cast<uint32_t>(tm.tm_mon + 1) << 16) | (static_cast<uint32_t>(tm.tm_mday) << 11) |
           (static_cast<uint32_t>(tm.tm_hour) << 6) | static_cast<uint32_t>(tm.tm_min);
}

int64_t DateTime::unpack(uint32_t packed)
{
    return fromLocal(packed >> 20, (packed >> 16) & 0xF, (packed >> 11) & 0x1F, (packed >> 6) & 0x1F, packed & 0x3F, 0);
}

int64_t DateTime::decimal(int64_t value)
{
    if (value <= 240000)  // hhmmss on 1 January 1970, negative values included
        return fromLocal(1970, 1, 1, value / 10000, value / 100 % 100, value % 100);
    if (value <= 99991231LL)
        return fromLocal(value / 10000, value / 100 % 100, value % 100, 0, 0, 0);
    if (value <= 999912312400LL) {
        int64_t date = value / 10000;
        return fromLocal(date / 10000, date / 100 % 100, date % 100, value / 100 % 100, value % 100, 0);
    }
    int64_t date = value / 1000000;
    return fromLocal(date / 10000, date / 100 % 100, date % 100, value / 10000 % 100, value / 100 % 100, value % 100);
}
