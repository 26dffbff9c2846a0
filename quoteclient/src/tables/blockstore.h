// BlockStore: every block loaded from board.json, the index groups that tie
// blocks to the index symbols quoting them, and the links between blocks and
// symbol-table records. One per process; it lives until unload.
//
// Guarded by quote_tables_mutex() together with the symbol table. Methods
// ending in _locked expect the caller to hold it unique; load() takes it
// itself. A block replaced by a later load is kept (never freed), so member
// arrays, symbol block lists and index links that point at it stay valid.
// Arrays handed out stay valid until the next successful load even when they
// are worked out again in the meantime.
#ifndef PELMAR_BLOCKSTORE_H
#define PELMAR_BLOCKSTORE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "block.h"
#include "symbolindex.h"

class SymbolTable;
struct SymbolRecord;
struct BoardFile;

class BlockStore {
public:
    // Index groups whose matching block name each symbol record carries, in
    // the order of the record's block-name texts.
    static constexpr int64_t kNamedGroups[3] = {1012, 1010, 1016};

    static BlockStore& instance();

    // Caller's thread. Parses board.json and builds blocks, rules and index
    // groups, then links index symbols. False when the text does not parse;
    // the store is then unchanged.
    bool load(const char* text, std::size_t length, SymbolTable& symbols);

    // The lookups behind the exports; each takes the lock itself. The arrays
    // are null with a count of 0 when empty or when the key, record or id is
    // unknown.
    // The blocks whose rules take in the symbol of a table key.
    Block* const* blocks_of(const std::string& key, SymbolTable& symbols, std::size_t* count);
    // The same for a record of the symbol table.
    Block* const* blocks_of(SymbolRecord& record, std::size_t* count);
    // The member records of a block.
    SymbolRecord* const* members(int64_t id, const SymbolTable& symbols, std::size_t* count);
    // For a context's first code (a table key): one 17-byte code entry (16
    // bytes of code text, market byte last) per block of the symbol, in the
    // order of its block list, that has an index symbol. Empty for an unknown
    // symbol.
    std::vector<std::array<char, 17>> index_entries_of(const std::string& key, SymbolTable& symbols);
    // The id of the block whose index symbol has this key, 0 when none.
    int64_t index_block_id(const std::string& key, const SymbolTable& symbols) const;

    // Sets each indexed block's index symbol and each index symbol's index
    // block id, and the block-name texts of the named groups on every record.
    // Runs after each load and after each code-table download.
    void link_index_symbols_locked(SymbolTable& symbols);

    // The member records of a block, or null for an unknown id.
    const std::vector<SymbolRecord*>* members_locked(int64_t id, const SymbolTable& symbols);
    // The blocks whose rules take the record in, in ascending id order.
    const std::vector<Block*>& blocks_of_locked(SymbolRecord& record);
    // The current block under an id, or null.
    Block* find_locked(int64_t id) const;
    std::size_t size_locked() const { return blocks_.size(); }

private:
    struct IndexGroup {
        int64_t id = 0;
        std::string name;
        std::vector<std::shared_ptr<Block>> blocks;  // in index-item order
    };

    void build_locked(BoardFile& file, SymbolTable& symbols);
    // The symbol index for matching rules against the whole table, rebuilt
    // when the table has grown (records never move or go away).
    const SymbolIndex& index_locked(const SymbolTable& symbols);

    std::map<int64_t, std::shared_ptr<Block>> blocks_;
    std::map<int64_t, IndexGroup> groups_;
    // Blocks replaced by a later load: kept for the process's life.
    std::vector<std::shared_ptr<Block>> replaced_;
    // Arrays handed out and since worked out again: freed at the next load.
    std::vector<std::vector<SymbolRecord*>> retired_members_;
    std::vector<std::vector<Block*>> retired_lists_;
    std::unique_ptr<SymbolIndex> index_;
};

#endif
