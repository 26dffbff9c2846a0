// The three client decoders over arbitrary bytes fed in arbitrary chunk
// sizes: they never read outside the input, never allocate for a refused
// frame, and deliver the same messages whatever the chunking.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "clientauthkeydecoder.h"
#include "moduobuffer.h"
#include "normaldecoder.h"

namespace {

// Runs the decode loop of a connection; returns a digest of what was delivered.
std::string decodeAll(const uint8_t* data, size_t size, const std::vector<size_t>& chunks, bool startLoggedIn) {
    b2c::ModuoBuffer input(1024);
    const b2c::FrameDecoder* decoder = startLoggedIn ? static_cast<const b2c::FrameDecoder*>(&b2c::NormalDecoder::instance())
                                                     : &b2c::ClientAuthKeyDecoder::instance();
    std::string digest;
    size_t at = 0, k = 0;
    while (at < size) {
        const size_t n = std::min(chunks[k++ % chunks.size()], size - at);
        input.append(data + at, n);
        at += n;
        for (;;) {
            b2c::DecodedFrame f;
            const b2c::FrameDecoder& d = *decoder;
            const b2c::DecodeStatus st = d.decodeOne(input, f);
            if (st == b2c::DecodeStatus::NeedMore) break;
            if (st == b2c::DecodeStatus::Fatal) return digest + "|fatal";
            if (st == b2c::DecodeStatus::Skipped) continue;
            _B2CMessage msg = f.message(nullptr);
            digest += "|" + std::to_string(msg.kind) + ":";
            if (msg.kind == B2C_MESSAGE_AUTH) {
                digest.append(reinterpret_cast<const char*>(static_cast<_B2CAuthMsg*>(msg.data)->key), 32);
            } else {
                _B2CStream* s = msg.kind == B2C_MESSAGE_QUOTE ? static_cast<_B2CQuoteMsg*>(msg.data)->payload
                                                               : static_cast<_B2CStream*>(msg.data);
                if (msg.kind == B2C_MESSAGE_QUOTE) digest += std::to_string(static_cast<_B2CQuoteMsg*>(msg.data)->request_id);
                digest.append(s->buffer->peek(), s->buffer->readableBytes());
            }
            decoder = &d.next();
        }
    }
    return digest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // First byte: start decoder and chunk pattern; the rest is the wire input.
    const bool loggedIn = data[0] & 1;
    std::vector<size_t> chunks;
    for (unsigned i = 0; i < 4; ++i) chunks.push_back(1 + ((data[0] >> (i + 1)) & 0x7) * (i + 1) * 3);
    const std::string whole = decodeAll(data + 1, size - 1, {size}, loggedIn);
    const std::string bytewise = decodeAll(data + 1, size - 1, {1}, loggedIn);
    const std::string chunked = decodeAll(data + 1, size - 1, chunks, loggedIn);
    if (whole != bytewise || whole != chunked) abort();
    return 0;
}
