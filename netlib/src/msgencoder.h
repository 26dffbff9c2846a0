// MsgEncoder: one outgoing _B2CMessage framed for sending.
//
// Kind 0 (login record): 0x04 and the record's content by record kind
// (challenge: 24 key bytes; answer: 32; answer with identity: 32, id as a
// big-endian int64, 16 extra bytes; result: big-endian int32).
// Kind 1 (quote message): 0x02, the 8-byte quote header, then the payload.
// Other kinds: data is a stream whose readable bytes are the whole body.
//
// The header and any in-buffer body sit in a small buffer with the frame
// header written in front; a payload stream is shared, not copied, and its
// readable count is taken when the encoder is built.
#pragma once

#include <memory>

#include "b2c.h"
#include "frameencoder.h"
#include "moduobuffer.h"

namespace b2c {

class MsgEncoder : public FrameEncoder {
public:
    // Body kind bytes.
    static constexpr unsigned char kKindLogin = 0x04;
    static constexpr unsigned char kKindQuote = 0x02;

    // Frames `msg`. Throws std::invalid_argument when the message has no data
    // that its kind needs (a raw stream with no readable byte included),
    // std::length_error when the body passes FrameFormat::kMaxBody.
    explicit MsgEncoder(const _B2CMessage& msg);

    size_t ranges(ByteRange out[kMaxRanges]) const override;
    bool isLoginRecord() const override { return kind_ == B2C_MESSAGE_AUTH; }

    // Convenience for the send path: null on a malformed message.
    static FrameProducer make(const _B2CMessage& msg);

private:
    void appendLoginRecord(const _B2CAuthMsg& rec);
    void writeFrameHeader(uint64_t bodyLength);

    int kind_;
    ModuoBuffer header_;
    std::shared_ptr<ModuoBuffer> payload_;
    uint32_t payloadSize_ = 0;
};

}  // namespace b2c
