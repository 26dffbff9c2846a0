#include "b2cclient0x05reply.h"

#include <mutex>
#include <shared_mutex>

#include "b2cclient0x05.h"
#include "b2cservice.h"
#include "quotetables.h"
#include "realtimerowparser.h"
#include "replyreader.h"
#include "tablelock.h"

// Engine thread.
bool B2CClient0x05Reply::parse()
{
    ReplyReader in(payload());
    const int16_t length = in.i16();
    if (length % 5 != 0 || !in.count_fits(length, 1))
        return false;
    std::vector<B2CClient0x05::Stamp> stamps(static_cast<std::size_t>(length / 5));
    for (auto& s : stamps) {
        s.market = in.u8();
        s.stamp = in.i32();
    }
    const int16_t n = in.i16();
    if (!in.count_fits(n, 39))
        return false;
    records_.assign(static_cast<std::size_t>(n), QuoteCodeInfo{});
    for (QuoteCodeInfo& r : records_) {
        in.u8();
        r.market = in.u8();
        r.type = in.u8();
        in.text(r.code, sizeof r.code, 6);
        in.text(r.name, sizeof r.name, 24);
        in.text(r.pinyin, sizeof r.pinyin, 6);
        RealTimeRowParser::clean_text(r.code, sizeof r.code);
        RealTimeRowParser::clean_text(r.name, sizeof r.name);
        RealTimeRowParser::clean_text(r.pinyin, sizeof r.pinyin);
    }
    if (!in.ok())
        return false;

    B2CClient0x05::set_stamps(std::move(stamps));
    if (engine_) {
        {
            std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
            SymbolTable& table = engine_->symbols();
            for (const QuoteCodeInfo& r : records_)
                if (r.code[0] != '\0')
                    table.insert_locked(r);
            // The new symbols take their index blocks, margin marks and ratings.
            QuoteTables::after_code_table_locked(table);
        }
    }
    // Then the outside real-time receiver starts (when the engine gave it a host).
    if (engine_)
        engine_->start_receiver();
    reply_.kind = QUOTE_REPLY_CODE_TABLE;
    reply_.count = static_cast<int32_t>(records_.size());
    reply_.data = records_.empty() ? nullptr : records_.data();
    return true;
}
