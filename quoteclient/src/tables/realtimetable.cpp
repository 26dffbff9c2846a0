#include "realtimetable.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "realtimerowparser.h"
#include "symboltable.h"
#include "tablelock.h"

std::string RealTimeTable::key_of(const QuoteRealTimeMarket& row)
{
    return SymbolTable::make_key(row.code_info.code, sizeof row.code_info.code, row.code_info.market);
}

void RealTimeTable::link_symbols(QuoteRealTimeMarket* rows, std::size_t n, SymbolTable* symbols)
{
    if (!symbols || n == 0)
        return;
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    for (std::size_t i = 0; i < n; ++i) {
        QuoteRealTimeMarket& row = rows[i];
        if (!RealTimeRowParser::has_code(row))
            continue;  // nothing to key a record by
        SymbolRecord* record = symbols->insert_locked(row.code_info);
        row.symbol = record ? &record->links : nullptr;
    }
}

void RealTimeTable::merge(const std::vector<QuoteRealTimeMarket>& incoming, SymbolTable* symbols)
{
    const std::size_t first_new = rows_.size();
    for (const QuoteRealTimeMarket& row : incoming) {
        std::string key = key_of(row);
        auto it = index_.find(key);
        if (it != index_.end()) {
            QuoteRealTimeMarket& stored = rows_[it->second];
            const QuoteCodeInfo identity = stored.code_info;
            void* link = stored.symbol;
            stored = row;
            stored.code_info = identity;
            stored.symbol = link;
        } else {
            index_.emplace(std::move(key), rows_.size());
            rows_.push_back(row);
        }
    }
    link_symbols(rows_.data() + first_new, rows_.size() - first_new, symbols);
}

void RealTimeTable::sort(uint16_t field, uint8_t direction)
{
    if (direction > 1 || rows_.size() < 2)
        return;
    RealTimeRowParser::sort(rows_.data(), rows_.size(), field, direction);
    reindex();
}

void RealTimeTable::reindex()
{
    index_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        index_.emplace(key_of(rows_[i]), i);
}
