// Command 0x05: the code table. Request: int16 byte length of the stamp list,
// then {u8 market; int32 stamp} entries. Answer: the stamp list (markets 1
// and 2 with stamp 20261208), int16 n, then n records {u8 0; u8 market;
// u8 type; code 6; name 24; pinyin 6}.
#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"
#include "syntheticmarket.h"

namespace {

void answer_code_table(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const int16_t length = in.i16();
    if (!in.ok() || length < 0 || length % 5 != 0) {
        server.reply_error(request.connection, request.request_id, -2, "bad stamp list");
        return;
    }
    const auto& codes = SyntheticMarket::instance().codes();
    BodyWriter body;
    body.i16(10).u8(1).i32(20261208).u8(2).i32(20261208);
    body.i16(static_cast<int16_t>(codes.size()));
    for (const SyntheticCode& c : codes)
        body.u8(0).u8(c.market).u8(c.type).text(c.code, 6).text(c.name, 24).text(c.pinyin, 6);
    server.reply(request.connection, 0x05, request.request_id, 0, body.data());
}

const CommandRegistration registration(0x05, &answer_code_table);

}  // namespace
