#include "b2cclient0x44.h"

#include "b2cclient0x44reply.h"
#include "context.h"
#include "datetime.h"
#include "requestbody.h"

constexpr uint8_t B2CClient0x44::kFieldIds[10];

int32_t B2CClient0x44::wire_time(int64_t seconds)
{
    return seconds == 0 ? -1 : static_cast<int32_t>(DateTime::pack(seconds));
}

bool B2CClient0x44::time_and_count(const ContextBase& base, int64_t* time, int32_t* count)
{
    const Context* ctx = dynamic_cast<const Context*>(&base);
    if (!ctx)
        return false;
    if (data_->newest_time(time)) {
        *count = 0;
    } else {
        *time = ctx->time_start();
        *count = ctx->page().count;
    }
    return true;
}

void B2CClient0x44::write_body(_B2CQuoteMsg& header, const CodeEntry& code, uint8_t period, int64_t time, int32_t count)
{
    header.command = kCommand;
    _B2CStream* out = header.payload;
    requestbody::code(out, code);
    requestbody::u8(out, period);
    requestbody::i32(out, wire_time(time));
    requestbody::i32(out, count);
    requestbody::options(out, kFieldIds, sizeof kFieldIds);
}

// Sending thread.
bool B2CClient0x44::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    Context* ctx = context_of(base);
    CodeEntry code;
    if (!ctx || !ctx->first_code(&code))
        return false;
    int64_t time = 0;
    int32_t count = 0;
    if (!time_and_count(base, &time, &count))
        return false;
    write_body(header, code, ctx->period(), time, count);
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x44::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x44Reply>(header, data_, false, engine_);
}
