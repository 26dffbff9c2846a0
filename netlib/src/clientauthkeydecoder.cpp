#include "clientauthkeydecoder.h"

#include "clientauthresultdecoder.h"
#include "moduobuffer.h"

namespace b2c {

DecodeStatus ClientAuthKeyDecoder::decodeOne(ModuoBuffer& in, DecodedFrame& out) const {
    const DecodeStatus st = FrameFormat::startLoginFrame(in, kBodyLength);
    if (st != DecodeStatus::Decoded) return st;
    out.kind = B2C_MESSAGE_AUTH;
    out.auth = _B2CAuthMsg{};
    out.auth.kind = B2C_AUTH_CHALLENGE;
    in.read(out.auth.key, kKeyBytes, true);
    return DecodeStatus::Decoded;
}

const FrameDecoder& ClientAuthKeyDecoder::next() const { return ClientAuthResultDecoder::instance(); }

const ClientAuthKeyDecoder& ClientAuthKeyDecoder::instance() {
    static const ClientAuthKeyDecoder decoder;
    return decoder;
}

}  // namespace b2c
