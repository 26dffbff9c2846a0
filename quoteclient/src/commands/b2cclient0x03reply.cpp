#include "b2cclient0x03reply.h"

#include "b2cservice.h"
#include "datetime.h"
#include "replyreader.h"

// Engine thread.
bool B2CClient0x03Reply::parse()
{
    ReplyReader in(payload());
    const uint8_t n = in.u8();
    if (!in.count_fits(n, 6))
        return false;
    entries_.resize(n);
    for (QuoteMarketState& e : entries_) {
        e.market = in.u8();
        e.date = DateTime::decimal(in.i32());
        e.state = in.u8();
    }
    if (!in.ok())
        return false;
    if (engine_) {
        date_changed_ = engine_->server_state().apply(entries_.data(), entries_.size());
        if (date_changed_)
            engine_->post_task([engine = engine_] { engine->close_connection(); });
    }
    reply_.kind = QUOTE_REPLY_MARKET_STATE;
    reply_.count = static_cast<int32_t>(entries_.size());
    reply_.data = entries_.empty() ? nullptr : entries_.data();
    return true;
}
