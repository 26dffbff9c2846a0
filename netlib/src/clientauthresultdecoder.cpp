#include "clientauthresultdecoder.h"

#include <cstring>

#include "moduobuffer.h"
#include "normaldecoder.h"

namespace b2c {

DecodeStatus ClientAuthResultDecoder::decodeOne(ModuoBuffer& in, DecodedFrame& out) const
{
    const DecodeStatus st = FrameFormat::startLoginFrame(in, kBodyLength);
    if (st != DecodeStatus::Decoded)
        return st;
    int32_t result = 0;
    in.readValue(result, true);
    startRecord(out, B2C_AUTH_RESULT);
    std::memcpy(out.auth.key, &result, sizeof result);
    return DecodeStatus::Decoded;
}

const FrameDecoder& ClientAuthResultDecoder::next() const
{
    return NormalDecoder::instance();
}

}  // namespace b2c
