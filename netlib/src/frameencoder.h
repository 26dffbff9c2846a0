// What a connection's send queue holds: something that yields the byte ranges
// of one frame, to be written in order with one gathered write.
//
// Frame on the wire (big-endian): length(4) = body bytes after the 5-byte
// header, type(1) = 1 data / 0 heartbeat, then the body (data frames only).
#pragma once

#include <cstddef>
#include <memory>

namespace b2c {

struct ByteRange {
    const char* data;
    size_t size;
};

class FrameEncoder {
public:
    static constexpr size_t kMaxRanges = 2;

    virtual ~FrameEncoder() = default;
    // Stores the frame's ranges in out[0..n) and returns n (1 or 2). The
    // ranges stay valid while the encoder lives and are the same on every call.
    virtual size_t ranges(ByteRange out[kMaxRanges]) const = 0;
    // True for a login record (a message of kind B2C_MESSAGE_AUTH), whatever
    // the bytes of other frames look like.
    virtual bool isLoginRecord() const { return false; }
};

// A frame producer as queued: shared, so that it may be posted between threads
// and kept by the write in progress.
using FrameProducer = std::shared_ptr<const FrameEncoder>;

}  // namespace b2c
