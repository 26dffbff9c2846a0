// First decoder of a connection accepted by a server: the client's login
// answer, a data frame of length 33 (kind byte and 32 answer bytes, delivered
// as a login record of kind 1) or 57 (the same followed by a big-endian 64-bit
// id and 16 extra bytes, kind 2). Exactly one frame is decoded by its length
// field; bytes after it stay for NormalDecoder, which takes over. Heartbeats in
// front of it are skipped; any other frame is fatal.
#pragma once

#include "logindecoder.h"

namespace b2c {

class ServerAuthDecoder : public LoginDecoder<ServerAuthDecoder> {
public:
    static constexpr uint32_t kAnswerLength = 33;
    static constexpr uint32_t kAnswerWithIdLength = 57;
    static constexpr uint32_t kAnswerBytes = 32;
    static constexpr uint32_t kExtraBytes = 16;

    DecodeStatus decodeOne(ModuoBuffer& in, DecodedFrame& out) const override;
    const FrameDecoder& next() const override;
};

}  // namespace b2c
