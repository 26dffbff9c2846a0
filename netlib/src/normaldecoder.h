// The decoder of a logged-in connection. Data frames are delivered as quote
// messages (kind byte 0x02 or 0x33, not followed by the gzip magic, with the
// 8-byte header split off; the payload is the rest) or as raw streams holding
// the whole body, kind byte included (every other kind byte, gzip bodies, and
// quote frames too short for a header). Non-data frames (heartbeats) are
// consumed whole and skipped. A data frame of length 0 cannot hold its kind
// byte and is fatal, as is a length beyond FrameFormat::kMaxBody; both are
// refused before anything is consumed or allocated.
#pragma once

#include "framedecoder.h"

namespace b2c {

class NormalDecoder : public FrameDecoder {
public:
    DecodeStatus decodeOne(ModuoBuffer& in, DecodedFrame& out) const override;
    const FrameDecoder& next() const override { return *this; }
    bool deliversWhenClosed() const override { return false; }

    static const NormalDecoder& instance();
};

}  // namespace b2c
