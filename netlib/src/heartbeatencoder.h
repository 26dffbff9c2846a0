// The heartbeat frame: the five bytes 00 00 00 00 00 (length 0, type 0).
#pragma once

#include "frameencoder.h"

namespace b2c {

class HeartbeatEncoder : public FrameEncoder {
public:
    size_t ranges(ByteRange out[kMaxRanges]) const override;
    // One shared instance serves every connection.
    static FrameProducer shared();
};

}  // namespace b2c
