#pragma once

#include "b2c.h"
#include "b2cstream.h"

namespace b2c {

// One decoded frame: the record, header and body cell that the delivered
// _B2CMessage points into. It owns the decoder's share of the body stream;
// a callee that keeps the body takes its own share with b2c_stream_ref.
// Not copyable or movable: the message points into it.
class DecodedFrame {
public:
    DecodedFrame() = default;
    DecodedFrame(const DecodedFrame&) = delete;
    DecodedFrame& operator=(const DecodedFrame&) = delete;

    int kind = B2C_MESSAGE_RAW;  // B2C_MESSAGE_AUTH, _QUOTE or _RAW
    _B2CAuthMsg auth{};          // kind AUTH
    _B2CQuoteMsg quote{};        // kind QUOTE; payload is set by message()
    _B2CStream body;             // kinds QUOTE (payload) and RAW (whole body)

    // The message record to hand to a message callback; valid while this lives.
    _B2CMessage message(_B2CConnection* connection);
};

}  // namespace b2c
