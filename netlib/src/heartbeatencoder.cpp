#include "heartbeatencoder.h"

namespace b2c {

namespace {
const char kHeartbeatFrame[5] = {0, 0, 0, 0, 0};
}

size_t HeartbeatEncoder::ranges(ByteRange out[kMaxRanges]) const
{
    out[0] = ByteRange{kHeartbeatFrame, sizeof kHeartbeatFrame};
    return 1;
}

FrameProducer HeartbeatEncoder::shared()
{
    static const FrameProducer instance = std::make_shared<const HeartbeatEncoder>();
    return instance;
}

}  // namespace b2c
