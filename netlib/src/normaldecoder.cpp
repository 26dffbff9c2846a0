#include "normaldecoder.h"

#include <memory>
#include <new>

#include "moduobuffer.h"

namespace b2c {

namespace {

uint16_t be16(const unsigned char* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

}  // namespace

DecodeStatus NormalDecoder::decodeOne(ModuoBuffer& in, DecodedFrame& out) const
{
    uint32_t length = 0;
    unsigned char type = 0;
    if (!FrameFormat::peekHeader(in, length, type))
        return DecodeStatus::NeedMore;
    if (length > FrameFormat::kMaxBody)
        return DecodeStatus::Fatal;
    // A data frame carries at least its kind byte: an empty one is not part
    // of the protocol.
    if (type == FrameFormat::kTypeData && length == 0)
        return DecodeStatus::Fatal;
    if (in.readableBytes() < uint64_t{FrameFormat::kHeaderSize} + length)
        return DecodeStatus::NeedMore;
    if (type != FrameFormat::kTypeData) {
        // Nothing to deliver: drop the whole frame, body included.
        in.retrieve(uint64_t{FrameFormat::kHeaderSize} + length);
        return DecodeStatus::Skipped;
    }
    try {
        out.body.buffer = std::make_shared<ModuoBuffer>(length);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::Fatal;
    }
    in.retrieve(FrameFormat::kHeaderSize);

    const unsigned char* p = reinterpret_cast<const unsigned char*>(in.peek());
    const bool quoteKind = p[0] == FrameFormat::kKindQuote || p[0] == FrameFormat::kKindQuoteAlt;
    const bool gzipBody = length >= 3 && p[1] == 0x1F && p[2] == 0x8B;
    const uint32_t headerEnd = 1 + FrameFormat::kQuoteHeaderSize;
    if (quoteKind && !gzipBody && length >= headerEnd) {
        out.kind = B2C_MESSAGE_QUOTE;
        out.quote = _B2CQuoteMsg{};
        out.quote.version = p[1];
        out.quote.word = be16(p + 2);
        out.quote.kind = p[4];
        out.quote.command = p[5];
        out.quote.flag = p[6];
        out.quote.request_id = be16(p + 7);
        out.body.buffer->append(p + headerEnd, length - headerEnd);
    } else {
        // Raw: the whole body, kind byte first. A gzip quote message arrives
        // this way and is inflated by its receiver.
        out.kind = B2C_MESSAGE_RAW;
        out.body.buffer->append(p, length);
    }
    in.retrieve(length);
    return DecodeStatus::Decoded;
}

const NormalDecoder& NormalDecoder::instance()
{
    static const NormalDecoder decoder;
    return decoder;
}

}  // namespace b2c
