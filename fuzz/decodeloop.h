// A connection's decode loop over fuzz input, shared by the decoder targets:
// feeds the bytes in the given chunk sizes, follows each decoder's successor,
// and returns a digest of every message delivered (or "|fatal" at the end).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "b2cstream.h"
#include "decodedframe.h"
#include "framedecoder.h"
#include "moduobuffer.h"

inline std::string decodeAll(const uint8_t* data, size_t size, const std::vector<size_t>& chunks,
                             const b2c::FrameDecoder* decoder)
{
    b2c::ModuoBuffer input(1024);
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
            if (st == b2c::DecodeStatus::NeedMore)
                break;
            if (st == b2c::DecodeStatus::Fatal)
                return digest + "|fatal";
            if (st == b2c::DecodeStatus::Skipped)
                continue;
            _B2CMessage msg = f.message(nullptr);
            digest += "|" + std::to_string(msg.kind) + ":";
            if (msg.kind == B2C_MESSAGE_AUTH) {
                const auto* rec = static_cast<const _B2CAuthMsg*>(msg.data);
                digest +=
                    std::to_string(rec->kind) + ":" + std::to_string(rec->id[0]) + ":" + std::to_string(rec->id[1]);
                digest.append(reinterpret_cast<const char*>(rec->key), sizeof rec->key);
                digest.append(reinterpret_cast<const char*>(rec->extra), sizeof rec->extra);
            } else {
                _B2CStream* s = static_cast<_B2CStream*>(msg.data);
                if (msg.kind == B2C_MESSAGE_QUOTE) {
                    const auto* q = static_cast<const _B2CQuoteMsg*>(msg.data);
                    digest += std::to_string(q->request_id) + ":";
                    s = q->payload;
                }
                digest.append(s->buffer->peek(), s->buffer->readableBytes());
            }
            decoder = &d.next();
        }
    }
    return digest;
}

// The first input byte picks a chunk pattern; the same messages must come out
// whether the rest arrives whole, a byte at a time, or in those chunks.
inline bool decodesAlikeInAnyChunking(const uint8_t* data, size_t size, const b2c::FrameDecoder* start)
{
    std::vector<size_t> chunks;
    for (unsigned i = 0; i < 4; ++i)
        chunks.push_back(1 + ((data[0] >> (i + 1)) & 0x7) * (i + 1) * 3);
    const std::string whole = decodeAll(data + 1, size - 1, {size}, start);
    const std::string bytewise = decodeAll(data + 1, size - 1, {1}, start);
    const std::string chunked = decodeAll(data + 1, size - 1, chunks, start);
    return whole == bytewise && whole == chunked;
}
