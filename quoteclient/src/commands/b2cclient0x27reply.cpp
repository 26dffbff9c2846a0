#include "b2cclient0x27reply.h"

#include "minuteseriesparser.h"
#include "realtimerowparser.h"

// Engine thread.
bool B2CClient0x27Reply::parse()
{
    ReplyReader in(payload());
    RealTimeRowParser::read_identity_and_price(in, record_.code_info, record_.price);
    record_.value1 = record_.value2 = in.i64();
    const int16_t n = in.i16();
    return MinuteSeriesParser::read_series(in, n, true, record_, points_, reply_);
}
