// Helpers of the stream tests: bytes of a stream and readable hex for messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "b2c.h"

using Bytes = std::vector<uint8_t>;

// The readable bytes of a stream (not consumed).
inline Bytes readableBytes(_B2CStream* s)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(b2c_stream_read_pos(s));
    return Bytes(p, p + b2c_stream_readable_size(s));
}

inline std::string hex(const Bytes& b)
{
    std::string out;
    char cell[4];
    for (size_t i = 0; i < b.size(); ++i) {
        std::snprintf(cell, sizeof cell, i ? " %02X" : "%02X", b[i]);
        out += cell;
    }
    return out;
}

// A stream handle released at scope exit.
struct StreamDeleter {
    void operator()(_B2CStream* s) const { b2c_stream_release(s); }
};
using StreamPtr = std::unique_ptr<_B2CStream, StreamDeleter>;
inline StreamPtr makeStream(unsigned capacity = 16)
{
    return StreamPtr(b2c_stream_create(capacity));
}
