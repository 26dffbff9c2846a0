// Command 0x03: the server-state subscription. The answer (and every push)
// is u8 n, then n times {u8 market; int32 date yyyymmdd; u8 state}.
#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"

namespace {

void answer_server_state(QuoteServer& server, const Request& request)
{
    if (request.word == 0)
        server.subscribe(request.connection, request.request_id, 0x03);
    const std::vector<MarketState> markets = server.markets();
    BodyWriter body;
    body.u8(static_cast<uint8_t>(markets.size()));
    for (const MarketState& m : markets)
        body.u8(m.market).i32(m.date).u8(m.state);
    server.reply(request.connection, 0x03, request.request_id, 1, body.data());
}

const CommandRegistration registration(0x03, &answer_server_state);

}  // namespace
