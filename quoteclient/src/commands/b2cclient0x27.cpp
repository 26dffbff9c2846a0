#include "b2cclient0x27.h"

#include "b2cclient0x27reply.h"
#include "context.h"
#include "datetime.h"
#include "minuteseriesparser.h"
#include "requestbody.h"

// Sending thread.
bool B2CClient0x27::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    ContextSettings s;
    if (!requestbody::settings_with(header, base, &ContextSettings::codes, kCommand, &s))
        return false;
    _B2CStream* out = header.payload;
    requestbody::code(out, s.codes.front());
    requestbody::i32(out, s.time_start == 0 ? -1 : static_cast<int32_t>(DateTime::pack(s.time_start)));
    requestbody::i32(out, s.page.count);
    requestbody::options(out, MinuteSeriesParser::kOptions, sizeof MinuteSeriesParser::kOptions);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x27::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x27Reply>(header);
}
