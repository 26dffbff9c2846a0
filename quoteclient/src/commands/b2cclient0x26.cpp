#include "b2cclient0x26.h"

#include "b2cclient0x26reply.h"
#include "context.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0x26::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    CodeEntry code;
    ContextPage page;
    if (!requestbody::first_code_and_page(header, base, kCommand, &code, &page))
        return false;
    requestbody::code(header.payload, code);
    requestbody::i32(header.payload, page.first);
    requestbody::i16(header.payload, page.count);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x26::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x26Reply>(header, cache());
}
