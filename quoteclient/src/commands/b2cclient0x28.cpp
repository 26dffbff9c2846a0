#include "b2cclient0x28.h"

#include "b2cclient0x28reply.h"
#include "context.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0X28::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    ContextSettings s;
    if (!requestbody::settings_with(header, base, &ContextSettings::blocks, kCommand, &s))
        return false;
    _B2CStream* out = header.payload;
    requestbody::i64(out, s.blocks.front());
    requestbody::i32(out, s.page.first);
    requestbody::ranked_page_tail(out, s);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0X28::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0X28Reply>(header, engine_);
}
