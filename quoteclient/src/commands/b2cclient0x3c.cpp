#include "b2cclient0x3c.h"

#include "b2cclient0x3creply.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0x3C::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    return requestbody::first_code_only(header, base, kCommand);
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x3C::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x3CReply>(header, cache());
}
