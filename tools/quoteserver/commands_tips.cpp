// Commands 0x3F (smart tips of a block) and 0x48 (smart tips of listed codes).
// Answer: u8 k; k option bytes; int16 n; n rows {identity block; int8 kind;
// int32 time hhmmss; 16 bytes text}, oldest first, at most the page count.
#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"
#include "syntheticmarket.h"

namespace {

void answer_tips(QuoteServer& server, const Request& request, uint8_t command,
                 const std::vector<const SyntheticCode*>& codes, int count)
{
    BodyWriter body;
    body.u8(0);
    const int n = codes.empty() ? 0 : std::min(count < 0 ? 0 : count, 100);
    body.i16(static_cast<int16_t>(n));
    for (int i = 0; i < n; ++i) {
        const SyntheticCode& c = *codes[static_cast<size_t>(i) % codes.size()];
        const int minutes = 9 * 60 + 30 + i;
        SyntheticMarket::write_identity(body, c);
        body.u8(static_cast<uint8_t>(1 + i % 20)).i32(minutes / 60 * 10000 + minutes % 60 * 100);
        body.text(std::to_string(100 + i) + "手", 16);
    }
    server.reply(request.connection, command, request.request_id, 0, body.data());
}

void answer_block_tips(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const int64_t block = in.i64();
    const int16_t count = in.i16();
    if (!in.ok()) {
        server.reply_error(request.connection, request.request_id, -2, "bad tips request");
        return;
    }
    answer_tips(server, request, 0x3F, SyntheticMarket::instance().block(block), count);
}

void answer_code_tips(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const int16_t n = in.i16();
    std::vector<const SyntheticCode*> codes;
    for (int i = 0; i < n && in.ok(); ++i) {
        const std::string code = in.text(6);
        const uint8_t market = in.u8();
        if (const SyntheticCode* c = SyntheticMarket::instance().find(code, market))
            codes.push_back(c);
    }
    const int16_t count = in.i16();
    if (!in.ok()) {
        server.reply_error(request.connection, request.request_id, -2, "bad tips request");
        return;
    }
    answer_tips(server, request, 0x48, codes, count);
}

const CommandRegistration block_registration(0x3F, &answer_block_tips);
const CommandRegistration code_registration(0x48, &answer_code_tips);

}  // namespace
