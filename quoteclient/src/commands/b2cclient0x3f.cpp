#include "b2cclient0x3f.h"

#include "b2cclientsmarttipreply.h"
#include "context.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0x3f::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    ContextSettings s;
    if (!requestbody::settings_with(header, base, &ContextSettings::blocks, kCommand, &s))
        return false;
    requestbody::i64(header.payload, s.blocks.front());
    requestbody::i16(header.payload, s.page.count);
    requestbody::options(header.payload, B2CClientSmartTipReply::kOptions, sizeof B2CClientSmartTipReply::kOptions);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x3f::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClientSmartTipReply>(header);
}
