// SymbolRecord: one listed symbol of the symbol table. It starts with its
// QuoteCodeInfo (the exported quote_symbol_code_info returns the record's own
// address as one), holds its real-time part, whose symbol link points at the
// record's links, and the links that blocks, margin, ratings and dividends
// fill in. A record is created once per key and never moved or removed while
// the library is loaded. Guarded by quote_tables_mutex().
#ifndef PELMAR_SYMBOLRECORD_H
#define PELMAR_SYMBOLRECORD_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "quote.h"

class Block;

// One dividend or rights event of a symbol, with its adjustment factors.
struct DividendEvent {
    int64_t time = 0;
    double bonus_ratio = 0;
    double rights_ratio = 0;
    double rights_price = 0;
    double cash_dividend = 0;
    double forward_factor = 0;
    double forward_sum = 0;
    double backward_factor = 0;
    double backward_sum = 0;
};

// What a real-time row's symbol link points at. It begins with the block
// names the program reads through the link (first member, no virtual
// functions: the link is also the address of the whole).
struct SymbolLinks {
    QuoteSymbolNames names{"", "", ""};  // groups 1012, 1010, 1016; interned texts
    int64_t index_block_id = 0;          // 0 = none
    std::vector<Block*> blocks;          // blocks whose rules match the symbol
    bool blocks_computed = false;
    std::string rating;
    bool margin = false;
    std::vector<DividendEvent> dividends;  // newest first, as the server lists them

    // The name of slot 0 (1012), 1 (1010) or 2 (1016).
    const char* block_name(std::size_t slot) const;
    void set_block_name(std::size_t slot, const char* interned);
    // The one lasting copy of a name: texts handed out through the link stay
    // valid however often the names are worked out again.
    static const char* intern(const std::string& name);
};

struct SymbolRecord {
    QuoteCodeInfo code_info;       // first: the record's address is its code info
    QuoteRealTimeMarket realtime;  // written only by the outside receiver's data
    SymbolLinks links;

    explicit SymbolRecord(const QuoteCodeInfo& info);
};

#endif
