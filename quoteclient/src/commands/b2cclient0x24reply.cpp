#include "b2cclient0x24reply.h"

#include "minuteseriesparser.h"
#include "realtimerowparser.h"

bool B2CClient0x24Reply::parse_rest(ReplyReader& in, bool replace_zero)
{
    const int64_t first = in.i64();
    const int64_t second = in.i64();
    record_.value1 = second;
    record_.value2 = first;
    record_.value3 = in.i16();
    const int16_t n = in.i16();
    return MinuteSeriesParser::read_series(in, n, replace_zero, record_, points_, reply_);
}

// Engine thread.
bool B2CClient0x24Reply::parse()
{
    ReplyReader in(payload());
    RealTimeRowParser::read_identity_and_price(in, record_.code_info, record_.price);
    if (!parse_rest(in, true))
        return false;
    if (cache_)
        cache_->price = record_.price;
    return true;
}

// Engine thread.
bool B2CClient0x24Reply::parse_other()
{
    ReplyReader in(payload());
    record_.price = cache_ ? cache_->price : 0.0f;
    return parse_rest(in, false);
}
