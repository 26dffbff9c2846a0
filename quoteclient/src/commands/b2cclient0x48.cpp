#include "b2cclient0x48.h"

#include "b2cclientsmarttipreply.h"
#include "context.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0x48::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    ContextSettings s;
    if (!requestbody::settings_with(header, base, &ContextSettings::codes, kCommand, &s))
        return false;
    requestbody::code_list(header.payload, s.codes);
    requestbody::i16(header.payload, s.page.count);
    requestbody::options(header.payload, B2CClientSmartTipReply::kOptions, sizeof B2CClientSmartTipReply::kOptions);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x48::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClientSmartTipReply>(header);
}
