#include "datetime.h"

#include <climits>
#include <ctime>

namespace {

int clampInt(int64_t v)
{
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

} // namespace

int64_t DateTime::fromLocal(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second)
{
    // Years far outside what the calendar can hold would overflow the broken-down
    // fields; they have no meaning in quote data.
    if (year < -1000000 || year > 1000000)
        return -1;
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

uint32_t DateTime::pack(int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return 0;
    uint32_t year = static_cast<uint32_t>(tm.tm_year + 1900);
    return (year << 20) | (static_cast<uint32_t>(tm.tm_mon + 1) << 16) | (static_cast<uint32_t>(tm.tm_mday) << 11)
        | (static_cast<uint32_t>(tm.tm_hour) << 6) | static_cast<uint32_t>(tm.tm_min);
}

int64_t DateTime::unpack(uint32_t packed)
{
    return fromLocal(packed >> 20, (packed >> 16) & 0xF, (packed >> 11) & 0x1F, (packed >> 6) & 0x1F, packed & 0x3F, 0);
}

int64_t DateTime::decimal(int64_t value)
{
    if (value <= 240000) // hhmmss on 1 January 1970, negative values included
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
