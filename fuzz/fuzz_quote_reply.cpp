// The reply framework on arbitrary answers. Byte 0 picks the form:
//   bit 1 clear: plain answer; bit 0 picks the reply (clear: error answer
//     0x10, set: server-state answer 0x03), byte 1 is the header version and
//     the rest the body;
//   bit 1 set: the rest is a raw message body as the network hands over a
//     compressed answer (kind byte 0x02/0x33, gzip of header and body); what
//     unpacks is parsed by the reply its command selects.
// Every answer must give either its own kind with a payload within the reply
// or an error reply with a terminated text; nothing may read past the body.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "b2cclient0x03reply.h"
#include "b2cerrorreply.h"
#include "b2cservice.h"
#include "quote.h"

namespace {

void check(B2CBasicReply& reply, size_t size)
{
    reply.process();
    const QuoteReply* r = reply.reply();
    if (r->kind == QUOTE_REPLY_ERROR) {
        const QuoteErrorInfo* e = static_cast<const QuoteErrorInfo*>(r->data);
        if (!e || !e->text || r->count != 0)
            __builtin_trap();
        volatile size_t n = std::strlen(e->text);
        (void)n;
    } else if (r->kind == QUOTE_REPLY_MARKET_STATE) {
        if (r->count < 0 || r->count > 255 || (size != 0 && static_cast<size_t>(r->count) * 6 > size))
            __builtin_trap();
        const QuoteMarketState* m = static_cast<const QuoteMarketState*>(r->data);
        volatile int64_t sum = 0;
        for (int32_t i = 0; i < r->count; ++i)
            sum += m[i].date + m[i].market + m[i].state;
    } else {
        __builtin_trap();
    }
}

std::unique_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header)
{
    if (header.command == 0x10)
        return std::make_unique<B2CErrorReply>(header);
    if (header.command == 0x03)
        return std::make_unique<B2CClient0x03Reply>(header, nullptr);
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    if (data[0] & 2) {
        _B2CStream* raw = b2c_stream_create(static_cast<unsigned>(size));
        b2c_stream_append_bytes(raw, data + 1, static_cast<unsigned>(size - 1));
        _B2CQuoteMsg header{};
        _B2CStream* inflated = B2CService::unpack_compressed(raw, &header);
        b2c_stream_release(raw);
        if (inflated) {
            if (header.payload != inflated)
                __builtin_trap();
            std::unique_ptr<B2CBasicReply> reply = make_reply(header);
            b2c_stream_release(inflated);  // the reply keeps its own share
            if (reply)
                check(*reply, 0);
        }
        return 0;
    }
    _B2CQuoteMsg header{};
    header.version = data[1];
    header.kind = 5;
    header.flag = 1;
    header.request_id = 1;
    header.command = (data[0] & 1) ? 0x03 : 0x10;
    header.word = (data[0] & 1) ? 1 : 0;
    header.payload = b2c_stream_create(static_cast<unsigned>(size));
    if (size > 2)
        b2c_stream_append_bytes(header.payload, data + 2, static_cast<unsigned>(size - 2));
    std::unique_ptr<B2CBasicReply> reply = make_reply(header);
    b2c_stream_release(header.payload);
    check(*reply, size);
    return 0;
}
