// WireBytes: hand-built big-endian byte strings for request and reply bodies,
// with the compressed int64 written by its documented rule (7 bits a byte,
// most significant group first, 0x80 on the last byte, 0x40 of the first byte
// the sign). Also: a stream holding given bytes, the bytes a stream holds, and
// a fixed local time zone (UTC+8, no daylight saving) for date-time fields.
#ifndef PELMAR_TESTS_WIREBYTES_H
#define PELMAR_TESTS_WIREBYTES_H

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "b2c.h"

class WireBytes {
public:
    WireBytes& u8(unsigned v)
    {
        b_.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    WireBytes& i16(int v) { return be(static_cast<uint64_t>(static_cast<uint16_t>(v)), 2); }
    WireBytes& i32(int64_t v) { return be(static_cast<uint64_t>(static_cast<uint32_t>(v)), 4); }
    WireBytes& i64(int64_t v) { return be(static_cast<uint64_t>(v), 8); }
    // A text in a fixed field of n bytes, zero-padded.
    WireBytes& text(const std::string& s, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            b_.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
        return *this;
    }
    WireBytes& raw(const std::vector<uint8_t>& v)
    {
        b_.insert(b_.end(), v.begin(), v.end());
        return *this;
    }
    // Identity block: code 6, name 24, decimal, market, type.
    WireBytes& identity(const std::string& code, const std::string& name, unsigned decimal, unsigned market,
                        unsigned type)
    {
        return text(code, 6).text(name, 24).u8(decimal).u8(market).u8(type);
    }
    WireBytes& compressed(int64_t v)
    {
        const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        int n = 1;
        while (n < 9 && mag > (uint64_t{1} << (7 * n - 1)) - 1)
            ++n;
        for (int i = n - 1; i >= 0; --i) {
            uint8_t byte = static_cast<uint8_t>((static_cast<uint64_t>(v) >> (7 * i)) & 0x7F);
            if (i == 0)
                byte |= 0x80;
            b_.push_back(byte);
        }
        return *this;
    }

    const std::vector<uint8_t>& bytes() const { return b_; }
    size_t size() const { return b_.size(); }
    // The first n bytes only (to cut an answer short).
    std::vector<uint8_t> cut(size_t n) const { return std::vector<uint8_t>(b_.begin(), b_.begin() + n); }

private:
    WireBytes& be(uint64_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i)
            b_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    std::vector<uint8_t> b_;
};

// A new stream holding `bytes` (released by the caller).
inline _B2CStream* stream_of(const std::vector<uint8_t>& bytes)
{
    _B2CStream* s = b2c_stream_create(static_cast<unsigned>(bytes.size() + 16));
    if (!bytes.empty())
        b2c_stream_append_bytes(s, bytes.data(), static_cast<unsigned>(bytes.size()));
    return s;
}

inline std::vector<uint8_t> bytes_of(_B2CStream* s)
{
    const unsigned n = b2c_stream_readable_size(s);
    const uint8_t* p = reinterpret_cast<const uint8_t*>(b2c_stream_read_pos(s));
    return std::vector<uint8_t>(p, p + n);
}

// Fixes the local time zone to UTC+8 without daylight saving.
inline void use_china_time()
{
    setenv("TZ", "CST-8", 1);
    tzset();
}

// Seconds of a UTC+8 wall-clock time, by the civil-calendar day count.
inline int64_t china_seconds(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    // Days from 1970-01-01 (Howard Hinnant's days_from_civil).
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + hh * 3600 + mm * 60 + ss - 8 * 3600;
}

#endif
