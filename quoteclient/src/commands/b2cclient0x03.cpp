#include "b2cclient0x03.h"

#include "b2cclient0x03reply.h"
#include "b2cservice.h"

// Sending thread.
bool B2CClient0x03::build_body(_B2CQuoteMsg& header, ContextBase&)
{
    header.command = B2CService::kCommandServerState;
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x03::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x03Reply>(header, engine_);
}
