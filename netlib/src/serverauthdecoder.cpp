#include "serverauthdecoder.h"

#include "moduobuffer.h"
#include "normaldecoder.h"

namespace b2c {

DecodeStatus ServerAuthDecoder::decodeOne(ModuoBuffer& in, DecodedFrame& out) const
{
    uint32_t length = 0;
    unsigned char type = 0;
    if (!FrameFormat::peekHeader(in, length, type))
        return DecodeStatus::NeedMore;
    if (length == 0 && type == FrameFormat::kTypeHeartbeat) {
        in.retrieve(FrameFormat::kHeaderSize);
        return DecodeStatus::Skipped;
    }
    if (type != FrameFormat::kTypeData || (length != kAnswerLength && length != kAnswerWithIdLength)) {
        return DecodeStatus::Fatal;
    }
    if (in.readableBytes() < uint64_t{FrameFormat::kHeaderSize} + length)
        return DecodeStatus::NeedMore;
    in.retrieve(FrameFormat::kHeaderSize + 1);  // header and the kind byte, not examined
    startRecord(out, B2C_AUTH_ANSWER);
    in.read(out.auth.key, kAnswerBytes, true);
    if (length == kAnswerWithIdLength) {
        out.auth.kind = B2C_AUTH_ANSWER_ID;
        uint32_t high = 0;
        uint32_t low = 0;
        in.readValue(high, true);
        in.readValue(low, true);
        out.auth.id[0] = low;
        out.auth.id[1] = high;
        in.read(out.auth.extra, kExtraBytes, true);
    }
    return DecodeStatus::Decoded;
}

const FrameDecoder& ServerAuthDecoder::next() const
{
    return NormalDecoder::instance();
}

}  // namespace b2c
