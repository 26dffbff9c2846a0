#include "b2cclient0x37.h"

#include "b2cclient0x37reply.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0x37::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    return requestbody::first_code_only(header, base, kCommand);
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x37::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x37Reply>(header, engine_);
}
