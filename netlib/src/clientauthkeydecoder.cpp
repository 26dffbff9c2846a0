#include "clientauthkeydecoder.h"

#include "clientauthresultdecoder.h"
#include "moduobuffer.h"

namespace b2c {

DecodeStatus ClientAuthKeyDecoder::decodeOne(ModuoBuffer& in, DecodedFrame& out) const
{
    const DecodeStatus st = FrameFormat::startLoginFrame(in, kBodyLength);
    if (st != DecodeStatus::Decoded)
        return st;
    startRecord(out, B2C_AUTH_CHALLENGE);
    in.read(out.auth.key, kKeyBytes, true);
    return DecodeStatus::Decoded;
}

const FrameDecoder& ClientAuthKeyDecoder::next() const
{
    return ClientAuthResultDecoder::instance();
}

}  // namespace b2c
