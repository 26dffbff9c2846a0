// First decoder of a client connection: the server's challenge, a data frame
// of length 25 (kind byte 0x04 and 24 key bytes), delivered as a login record
// of kind 0. Any other frame in front of it, a heartbeat included, is fatal:
// the server writes nothing before its challenge.
// Then ClientAuthResultDecoder takes over.
#pragma once

#include "logindecoder.h"

namespace b2c {

class ClientAuthKeyDecoder : public LoginDecoder<ClientAuthKeyDecoder> {
public:
    static constexpr uint32_t kBodyLength = 25;
    static constexpr uint32_t kKeyBytes = 24;

    DecodeStatus decodeOne(ModuoBuffer& in, DecodedFrame& out) const override;
    const FrameDecoder& next() const override;
};

}  // namespace b2c
