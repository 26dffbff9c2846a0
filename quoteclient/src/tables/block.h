// Block: one sector, concept or index board, defined by code rules rather than
// by a member list. Its members are worked out lazily against the symbol
// table. Crosses the C interface as an opaque pointer. Every field after
// construction is guarded by quote_tables_mutex().
#ifndef PELMAR_BLOCK_H
#define PELMAR_BLOCK_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "coderulegroup.h"

struct SymbolRecord;

class Block {
public:
    Block(int64_t id, std::string name, std::string desc, std::shared_ptr<const CodeRuleGroup> rule);

    // True when the block's rules take the symbol in.
    bool match(const SymbolRecord& record) const;

    const int64_t id;
    const std::string name;
    const std::string desc;
    const std::shared_ptr<const CodeRuleGroup> rule;

    // The index item that names this block: its group's id (0 = none), the
    // index symbol's code (16 bytes, NUL-padded when shorter) and market.
    int64_t index_group_id = 0;
    char index_code[16] = {};
    uint8_t index_market = 0;
    // The symbol-table record of the index code, once linked.
    SymbolRecord* index_symbol = nullptr;

    // Member records in key order, computed on first request and again when
    // the symbol table has grown since (members_generation holds the table's
    // size at the computation; records are never removed).
    std::vector<SymbolRecord*> members;
    bool members_computed = false;
    std::size_t members_generation = 0;
};

#endif
