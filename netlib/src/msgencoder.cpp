#include "msgencoder.h"

#include <cstring>
#include <stdexcept>

#include "b2cstream.h"
#include "frameformat.h"

namespace b2c {

namespace {
constexpr uint64_t kHeaderBufferSize = 1024;
constexpr unsigned char kTypeData = 1;
}  // namespace

MsgEncoder::MsgEncoder(const _B2CMessage& msg) : kind_(msg.kind), header_(kHeaderBufferSize)
{
    if (msg.data == nullptr)
        throw std::invalid_argument("message without data");
    if (kind_ == B2C_MESSAGE_AUTH) {
        header_.appendValue<uint8_t>(kKindLogin);
        appendLoginRecord(*static_cast<const _B2CAuthMsg*>(msg.data));
    } else if (kind_ == B2C_MESSAGE_QUOTE) {
        const auto& q = *static_cast<const _B2CQuoteMsg*>(msg.data);
        if (q.payload != nullptr)
            payload_ = q.payload->buffer;
        header_.appendValue<uint8_t>(kKindQuote);
        header_.appendValue<uint8_t>(q.version);
        header_.appendValue<uint16_t>(q.word);
        header_.appendValue<uint8_t>(q.kind);
        header_.appendValue<uint8_t>(q.command);
        header_.appendValue<uint8_t>(q.flag);
        header_.appendValue<uint16_t>(q.request_id);
    } else {
        payload_ = static_cast<const _B2CStream*>(msg.data)->buffer;
        // The body's first byte is its kind: an empty body is an empty data
        // frame, which a receiver takes for bad input and closes on.
        if (!payload_ || payload_->readableBytes() == 0)
            throw std::invalid_argument("empty raw message");
    }
    if (payload_)
        payloadSize_ = payload_->readableBytes();
    writeFrameHeader(uint64_t{header_.readableBytes()} + payloadSize_);
}

void MsgEncoder::appendLoginRecord(const _B2CAuthMsg& rec)
{
    switch (rec.kind) {
    case B2C_AUTH_CHALLENGE:
        header_.append(rec.key, 24);
        break;
    case B2C_AUTH_ANSWER:
        header_.append(rec.key, 32);
        break;
    case B2C_AUTH_ANSWER_ID:
        header_.append(rec.key, 32);
        header_.appendValue<uint32_t>(rec.id[1]);  // high word first
        header_.appendValue<uint32_t>(rec.id[0]);
        header_.append(rec.extra, 16);
        break;
    case B2C_AUTH_RESULT: {
        int32_t result;
        std::memcpy(&result, rec.key, sizeof result);
        header_.appendValue<int32_t>(result);
        break;
    }
    default:
        break;  // an unknown record kind has no content
    }
}

void MsgEncoder::writeFrameHeader(uint64_t bodyLength)
{
    // A receiver closes on a frame longer than the cap: never send one.
    if (bodyLength > FrameFormat::kMaxBody)
        throw std::length_error("frame body beyond the cap");
    const unsigned char type = kTypeData;
    const uint32_t len = static_cast<uint32_t>(bodyLength);
    const unsigned char be[4] = {static_cast<unsigned char>(len >> 24), static_cast<unsigned char>(len >> 16),
                                 static_cast<unsigned char>(len >> 8), static_cast<unsigned char>(len)};
    header_.prepend(&type, 1);
    header_.prepend(be, 4);
}

size_t MsgEncoder::ranges(ByteRange out[kMaxRanges]) const
{
    out[0] = ByteRange{header_.peek(), header_.readableBytes()};
    if (!payload_ || payloadSize_ == 0)
        return 1;
    // The payload must not change once sent; should it have been consumed
    // anyway, never read past what it still holds.
    const uint32_t size = payload_->readableBytes() < payloadSize_ ? payload_->readableBytes() : payloadSize_;
    out[1] = ByteRange{payload_->peek(), size};
    return 2;
}

FrameProducer MsgEncoder::make(const _B2CMessage& msg)
{
    if (msg.data == nullptr)
        return nullptr;
    try {
        return std::make_shared<const MsgEncoder>(msg);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace b2c
