#include "b2cclient0x26reply.h"

#include "context.h"
#include "datetime.h"

// Engine thread.
bool B2CClient0x26Reply::parse_body(ReplyReader& in)
{
    record_.total = in.i32();
    const int16_t n = in.i16();
    if (!in.count_fits(n, 21))
        return false;
    entries_.assign(static_cast<std::size_t>(n), QuoteDetailPoint{});
    for (QuoteDetailPoint& e : entries_) {
        e.price = static_cast<float>(in.i32()) / 10000.0f;
        e.volume = in.i64();
        const int32_t time = in.i32();
        e.value = in.i32();
        e.flag = in.i8();
        if (!in.ok())
            return false;
        e.time = DateTime::decimal(time);
    }
    if (auto ctx = context_of(context_.lock()))
        ctx->set_total(record_.total);
    deliver_one(QUOTE_REPLY_DETAIL, record_, record_.entries, entries_);
    return true;
}
