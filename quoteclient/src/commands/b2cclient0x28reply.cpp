#include "b2cclient0x28reply.h"

#include "b2cservice.h"
#include "realtimerowparser.h"
#include "realtimetable.h"
#include "replyreader.h"

// Engine thread.
bool B2CClient0X28Reply::parse()
{
    ReplyReader in(payload());
    in.i64();  // the block id, echoed
    const int32_t total = in.i32();
    std::vector<uint16_t> ids;
    if (!RealTimeRowParser::read_fields(in, ids) || !RealTimeRowParser::read_rows(in, ids, rows_))
        return false;
    RealTimeTable::link_symbols(rows_.data(), rows_.size(), engine_ ? &engine_->symbols() : nullptr);
    finish(total);
    return true;
}
