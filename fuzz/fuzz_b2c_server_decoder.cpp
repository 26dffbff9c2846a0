// The server side's decoder path: the login answer decoder, then the normal
// decoder, over arbitrary bytes fed in arbitrary chunk sizes. Nothing is read
// outside the input, and the same messages come out whatever the chunking.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "moduobuffer.h"
#include "serverauthdecoder.h"

namespace {

// Runs a server connection's decode loop; returns a digest of what was delivered.
std::string decodeAll(const uint8_t* data, size_t size, const std::vector<size_t>& chunks) {
    b2c::ModuoBuffer input(1024);
    const b2c::FrameDecoder* decoder = &b2c::ServerAuthDecoder::instance();
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
                const auto* rec = static_cast<const _B2CAuthMsg*>(msg.data);
                digest += std::to_string(rec->kind) + ":" + std::to_string(rec->id[0]) + ":" + std::to_string(rec->id[1]);
                digest.append(reinterpret_cast<const char*>(rec->key), 32);
                digest.append(reinterpret_cast<const char*>(rec->extra), 16);
            } else {
                _B2CStream* s = msg.kind == B2C_MESSAGE_QUOTE ? static_cast<_B2CQuoteMsg*>(msg.data)->payload
                                                               : static_cast<_B2CStream*>(msg.data);
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
    // First byte: the chunk pattern; the rest is the wire input.
    std::vector<size_t> chunks;
    for (unsigned i = 0; i < 4; ++i) chunks.push_back(1 + ((data[0] >> (i + 1)) & 0x7) * (i + 1) * 3);
    const std::string whole = decodeAll(data + 1, size - 1, {size});
    const std::string bytewise = decodeAll(data + 1, size - 1, {1});
    const std::string chunked = decodeAll(data + 1, size - 1, chunks);
    if (whole != bytewise || whole != chunked) abort();
    return 0;
}
