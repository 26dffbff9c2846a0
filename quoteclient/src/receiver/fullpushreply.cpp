#include "fullpushreply.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "saturatingcast.h"
#include "symboltable.h"
#include "tablelock.h"

FullPushReply::FullPushReply(std::vector<platform::RealtimeReport> records, std::weak_ptr<ContextBase> service,
                             SymbolTable* symbols)
    : records_(std::move(records)), symbols_table_(symbols)
{
    context_ = std::move(service);
}

// Engine thread.
void FullPushReply::process()
{
    symbols_.clear();
    if (symbols_table_) {
        const std::vector<SymbolRecord*> updated = apply(records_, *symbols_table_);
        symbols_.assign(updated.begin(), updated.end());
    }
    reply_.header_word = 0;
    reply_.kind = QUOTE_REPLY_RECEIVER;
    reply_.count = static_cast<int32_t>(symbols_.size());
    reply_.data = symbols_.empty() ? nullptr : symbols_.data();
}

std::vector<SymbolRecord*> FullPushReply::apply(const std::vector<platform::RealtimeReport>& records,
                                                SymbolTable& table)
{
    std::vector<SymbolRecord*> updated;
    updated.reserve(records.size());
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    for (const platform::RealtimeReport& r : records) {
        const uint8_t market = r.market == platform::kReceiverMarketShanghai ? 1 : 2;
        // The code field is read within its width only.
        SymbolRecord* symbol = table.find_locked(SymbolTable::make_key(r.code, sizeof r.code, market));
        if (!symbol)
            continue;
        update_row(r, symbol->realtime);
        updated.push_back(symbol);
    }
    return updated;
}

void FullPushReply::update_row(const platform::RealtimeReport& r, QuoteRealTimeMarket& row)
{
    row.timestamp = static_cast<int64_t>(static_cast<uint32_t>(r.time));
    row.pre_close = r.pre_close;
    row.open = r.open;
    row.high = r.high;
    row.low = r.low;
    row.close = r.close;
    // The total volume only grows within a day; a smaller one starts a new
    // day, whose whole volume is then the current volume.
    const int64_t volume = tarvolin::saturatingCast<int64_t>(r.volume);
    row.cur_vol = row.vol >= 0 && volume >= row.vol ? volume - row.vol : volume;
    row.vol = volume;
    row.sum = static_cast<double>(r.amount);
    for (int i = 0; i < 3; ++i) {
        row.buy_price[i] = r.bid_price[i];
        row.buy_vol[i] = tarvolin::saturatingCast<int64_t>(r.bid_volume[i]);
        row.sell_price[i] = r.ask_price[i];
        row.sell_vol[i] = tarvolin::saturatingCast<int64_t>(r.ask_volume[i]);
    }
    row.buy_price[3] = r.bid_price4;
    row.buy_vol[3] = tarvolin::saturatingCast<int64_t>(r.bid_volume4);
    row.sell_price[3] = r.ask_price4;
    row.sell_vol[3] = tarvolin::saturatingCast<int64_t>(r.ask_volume4);
    row.buy_price[4] = r.bid_price5;
    row.buy_vol[4] = tarvolin::saturatingCast<int64_t>(r.bid_volume5);
    row.sell_price[4] = r.ask_price5;
    row.sell_vol[4] = tarvolin::saturatingCast<int64_t>(r.ask_volume5);
    row.rf_value = r.close - r.pre_close;
    row.rf_rate = r.close / r.pre_close - 1.0f;
}
