#include "b2cclient0x26reply.h"

#include "context.h"
#include "datetime.h"
#include "realtimerowparser.h"

bool B2CClient0x26Reply::parse_entries(ReplyReader& in) {
    record_.total = in.i32();
    const int16_t n = in.i16();
    if (!in.count_fits(n, 21)) return false;
    entries_.assign(static_cast<std::size_t>(n), QuoteDetailPoint{});
    for (QuoteDetailPoint& e : entries_) {
        e.price = static_cast<float>(in.i32()) / 10000.0f;
        e.volume = in.i64();
        const int32_t time = in.i32();
        e.value = in.i32();
        e.flag = in.i8();
        if (!in.ok()) return false;
        e.time = DateTime::decimal(time);
    }
    if (auto ctx = context_of(context_.lock())) ctx->set_total(record_.total);
    record_.count = static_cast<int32_t>(entries_.size());
    record_.entries = entries_.empty() ? nullptr : entries_.data();
    reply_.kind = QUOTE_REPLY_DETAIL;
    reply_.count = 1;
    reply_.data = &record_;
    return true;
}

// Engine thread.
bool B2CClient0x26Reply::parse() {
    ReplyReader in(payload());
    RealTimeRowParser::read_identity_and_price(in, record_.code_info, record_.price);
    if (!parse_entries(in)) return false;
    if (cache_) {
        cache_->price = record_.price;
        cache_->code_info = record_.code_info;
    }
    return true;
}

// Engine thread.
bool B2CClient0x26Reply::parse_other() {
    ReplyReader in(payload());
    if (cache_) {
        record_.price = cache_->price;
        record_.code_info = cache_->code_info;
    }
    return parse_entries(in);
}
