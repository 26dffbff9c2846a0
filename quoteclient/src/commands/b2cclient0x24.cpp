#include "b2cclient0x24.h"

#include "b2cclient0x24reply.h"
#include "context.h"
#include "minuteseriesparser.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0x24::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    CodeEntry code;
    ContextPage page;
    if (!requestbody::first_code_and_page(header, base, kCommand, &code, &page))
        return false;
    _B2CStream* out = header.payload;
    requestbody::code(out, code);
    requestbody::i16(out, page.first);
    requestbody::options(out, MinuteSeriesParser::kOptions, sizeof MinuteSeriesParser::kOptions);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x24::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x24Reply>(header, cache());
}
