// RealTimeTable: the running row table of a 0x20 subscription. Each answer's
// rows are merged by (market, code): a known row is replaced whole but keeps
// the identity part and symbol link it had; a new row is linked to the symbol
// table and appended. Rows an answer does not carry stay as they were.
// Only the engine thread changes a table.
#ifndef PELMAR_REALTIMETABLE_H
#define PELMAR_REALTIMETABLE_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "quote.h"

class SymbolTable;

class RealTimeTable {
public:
    std::vector<QuoteRealTimeMarket>& rows() { return rows_; }
    const std::vector<QuoteRealTimeMarket>& rows() const { return rows_; }

    // Engine thread. `symbols` may be null (no linking).
    void merge(const std::vector<QuoteRealTimeMarket>& incoming, SymbolTable* symbols);
    // Engine thread: stable local sort, then the index follows the rows.
    void sort(uint16_t field, uint8_t direction);

    // Links rows with a code to their symbol records, creating missing records
    // from the row's identity. Takes the table lock itself.
    static void link_symbols(QuoteRealTimeMarket* rows, std::size_t n, SymbolTable* symbols);

private:
    static std::string key_of(const QuoteRealTimeMarket& row);
    void reindex();

    std::vector<QuoteRealTimeMarket> rows_;
    std::unordered_map<std::string, std::size_t> index_;
};

#endif
