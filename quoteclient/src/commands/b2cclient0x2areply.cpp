#include "b2cclient0x2areply.h"

#include "context.h"
#include "realtimerowparser.h"
#include "replyreader.h"

void B2CClient0X2AReply::finish(int32_t total)
{
    if (auto ctx = context_of(context_.lock())) {
        ctx->set_total(total);
        if (ctx->option() & kOptionLocalSort) {
            const ContextSort sort = ctx->sort();
            RealTimeRowParser::sort(rows_.data(), rows_.size(), sort.field, sort.direction);
        }
    }
    reply_.kind = QUOTE_REPLY_REALTIME;
    reply_.count = static_cast<int32_t>(rows_.size());
    reply_.data = rows_.empty() ? nullptr : rows_.data();
}

// Engine thread.
bool B2CClient0X2AReply::parse()
{
    ReplyReader in(payload());
    const int16_t total = in.i16();
    std::vector<uint16_t> ids;
    if (!RealTimeRowParser::read_fields(in, ids) || !RealTimeRowParser::read_rows(in, ids, rows_))
        return false;
    finish(total);
    return true;
}
