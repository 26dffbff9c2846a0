// The frame on the wire (big-endian): length(4) = body bytes after the
// 5-byte header, type(1) = 1 data / 0 heartbeat, then the body, whose first
// byte is its kind. Constants, header reading and the decode results shared
// by the decoders.
#pragma once

#include <cstdint>

namespace b2c {

class ModuoBuffer;

enum class DecodeStatus { NeedMore, Skipped, Decoded, Fatal };

// Frame header and body kind constants.
struct FrameFormat {
    static constexpr uint32_t kHeaderSize = 5;       // length(4) + type(1)
    static constexpr uint32_t kMaxBody = 64u << 20;  // longer frames close the connection
    static constexpr unsigned char kTypeHeartbeat = 0;
    static constexpr unsigned char kTypeData = 1;
    static constexpr unsigned char kKindQuote = 0x02;
    static constexpr unsigned char kKindQuoteAlt = 0x33;  // received like 0x02
    static constexpr unsigned char kKindLogin = 0x04;
    static constexpr uint32_t kQuoteHeaderSize = 8;

    // Reads the frame header at the front of `in`; false when fewer than 5
    // bytes are readable. Consumes nothing.
    static bool peekHeader(const ModuoBuffer& in, uint32_t& length, unsigned char& type);

    // Common start of the login decoders, which expect one data frame whose
    // length field is exactly `bodyLength`: NeedMore until it is complete,
    // Fatal for any other frame (a heartbeat included), and Decoded after
    // consuming the frame header and the kind byte (which is not examined),
    // leaving bodyLength - 1 content bytes to read.
    static DecodeStatus startLoginFrame(ModuoBuffer& in, uint32_t bodyLength);
};

}  // namespace b2c
