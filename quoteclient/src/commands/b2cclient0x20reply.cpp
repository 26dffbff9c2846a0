#include "b2cclient0x20reply.h"

#include <algorithm>
#include <cstdint>

#include "b2cservice.h"
#include "context.h"
#include "realtimerowparser.h"
#include "replyreader.h"

void B2CClient0X20Reply::window(std::size_t size, int16_t page_first, int16_t page_count, std::size_t* first,
                                std::size_t* count)
{
    const std::size_t f = page_first < 0 ? 0 : static_cast<std::size_t>(page_first);
    // The count is compared unsigned: a negative one (a u16 page count above
    // 32767, e.g. 0xFFFF) asks for every row from the first.
    const std::size_t c = page_count < 0 ? SIZE_MAX : static_cast<std::size_t>(page_count);
    *first = f > size ? size : f;
    *count = std::min(size - *first, c);
}

// Engine thread.
bool B2CClient0X20Reply::parse()
{
    ReplyReader in(payload());
    std::vector<uint16_t> ids;
    std::vector<QuoteRealTimeMarket> rows;
    if (!RealTimeRowParser::read_fields(in, ids) || !RealTimeRowParser::read_rows(in, ids, rows))
        return false;
    if (!table_)
        table_ = std::make_shared<RealTimeTable>();
    table_->merge(rows, engine_ ? &engine_->symbols() : nullptr);

    auto& table = table_->rows();
    std::size_t first = 0, count = table.size();
    if (auto ctx = context_of(context_.lock())) {
        ctx->set_total(static_cast<int32_t>(table.size()));
        const int option = ctx->option();
        if (option & kOptionLocalSort) {
            const ContextSort sort = ctx->sort();
            table_->sort(sort.field, sort.direction);
        }
        if (option & kOptionWindow) {
            const ContextPage page = ctx->page();
            window(table.size(), page.first, page.count, &first, &count);
        }
    }
    reply_.kind = QUOTE_REPLY_REALTIME;
    reply_.count = static_cast<int32_t>(count);
    reply_.data = count ? table.data() + first : nullptr;
    return true;
}
