// DateTime: the two integer time forms of the quote protocol besides plain
// seconds. Times inside the library are signed 64-bit seconds; both forms are
// local time.
//
// Packed (32 bits): year << 20 | month << 16 | day << 11 | hour << 6 | minute.
// Decimal: the digits spell the time, read by the value's size:
//   0 .. 240000                    hhmmss on 1 January 1970
//   240001 .. 99991231             YYYYMMDD at 00:00
//   99991232 .. 999912312400       YYYYMMDDhhmm
//   above                          YYYYMMDDhhmmss
//   negative                       hhmmss (of the negative value)
#ifndef PELMAR_DATETIME_H
#define PELMAR_DATETIME_H

#include <cstdint>

class DateTime {
public:
    // Breaks `seconds` down in local time and packs it; the second is dropped.
    static uint32_t pack(int64_t seconds);
    // Seconds of a packed local date-time (second 0).
    static int64_t unpack(uint32_t packed);
    // Seconds of a decimal date-time.
    static int64_t decimal(int64_t value);
    // Seconds of a local calendar time. Fields out of their usual range are
    // normalised by the calendar (month 13 is January of the next year); a
    // year the calendar cannot represent gives -1.
    static int64_t fromLocal(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second);
};

#endif
