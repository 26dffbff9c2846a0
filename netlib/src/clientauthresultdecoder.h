// Second decoder of a client connection: the login result, a data frame of
// length 5 (kind byte and a big-endian int32), delivered as a login record of
// kind 3 with the result in key[0..3] in host order. Any other frame in front
// of it, a heartbeat included, is fatal. Then NormalDecoder takes over.
#pragma once

#include "logindecoder.h"

namespace b2c {

class ClientAuthResultDecoder : public LoginDecoder<ClientAuthResultDecoder> {
public:
    static constexpr uint32_t kBodyLength = 5;

    DecodeStatus decodeOne(ModuoBuffer& in, DecodedFrame& out) const override;
    const FrameDecoder& next() const override;
};

}  // namespace b2c
