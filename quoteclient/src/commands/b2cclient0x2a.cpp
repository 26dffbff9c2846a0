#include "b2cclient0x2a.h"

#include "b2cclient0x2areply.h"
#include "context.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0X2A::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    ContextSettings s;
    if (!requestbody::settings_with(header, base, &ContextSettings::categories, kCommand, &s))
        return false;
    _B2CStream* out = header.payload;
    requestbody::i16(out, s.categories.front());
    requestbody::i16(out, s.page.first);
    requestbody::ranked_page_tail(out, s);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0X2A::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0X2AReply>(header);
}
