#include "blockstore.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "ajson.h"
#include "boardfile.h"
#include "coderulelist.h"
#include "coderulerange.h"
#include "symbolindex.h"
#include "symboltable.h"
#include "tablelock.h"

constexpr int64_t BlockStore::kNamedGroups[3];

BlockStore& BlockStore::instance()
{
    static BlockStore store;
    return store;
}

// Caller's thread.
bool BlockStore::load(const char* text, std::size_t length, SymbolTable& symbols)
{
    // Parse without the lock: the reader touches nothing shared.
    BoardFile file;
    try {
        ajson::parse(file, text, length);
    } catch (const ajson::exception&) {
        return false;
    }
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    build_locked(file, symbols);
    link_index_symbols_locked(symbols);
    return true;
}

void BlockStore::build_locked(BoardFile& file, SymbolTable& symbols)
{
    // Arrays retired since the previous load have now outlived it.
    retired_members_.clear();
    retired_lists_.clear();

    // The first index item (groups in file order, items in order) naming each board.
    struct IndexRef {
        const IndexItemRecord* item;
        const IndexGroupRecord* group;
    };
    std::unordered_map<int64_t, IndexRef> firstItem;
    for (const IndexGroupRecord& group : file.boardIndex)
        for (const IndexItemRecord& item : group.index)
            firstItem.emplace(item.boardid, IndexRef{&item, &group});

    for (BoardRecord& board : file.boardset.board) {
        auto rule = std::make_shared<CodeRuleGroup>();
        for (BoardRuleRecord& r : board.codeRules) {
            const uint8_t market = static_cast<uint8_t>(r.market);
            if (r.type == "list")
                rule->add(std::make_unique<CodeRuleList>(market, std::move(r.value)));
            else if (r.type == "range")
                rule->add(std::make_unique<CodeRuleRange>(market, std::move(r.start), std::move(r.end)));
            // Any other type is dropped; the board still becomes a block.
        }
        auto block = std::make_shared<Block>(board.id, std::move(board.name), std::move(board.desc), std::move(rule));
        const auto ref = firstItem.find(board.id);
        if (ref != firstItem.end()) {
            block->index_group_id = ref->second.group->id;
            const std::string& code = ref->second.item->code;
            std::memcpy(block->index_code, code.data(), std::min(code.size(), sizeof block->index_code));
            block->index_market = static_cast<uint8_t>(ref->second.group->marketid);
        }
        auto& slot = blocks_[block->id];
        if (slot)
            replaced_.push_back(std::move(slot));
        slot = std::move(block);
    }

    for (const IndexGroupRecord& group : file.boardIndex) {
        IndexGroup& entry = groups_[group.id];
        entry.id = group.id;
        entry.name = group.name;
        for (const IndexItemRecord& item : group.index) {
            const auto it = blocks_.find(item.boardid);
            if (it != blocks_.end())
                entry.blocks.push_back(it->second);
        }
    }

    // The blocks changed: every symbol's block list is worked out again on its
    // next request. The old arrays stay readable until the next load.
    symbols.for_each_locked([this](SymbolRecord& record) {
        SymbolLinks& links = record.links;
        if (links.blocks_computed) {
            retired_lists_.push_back(std::move(links.blocks));
            links.blocks.clear();
            links.blocks_computed = false;
        }
    });
}

void BlockStore::link_index_symbols_locked(SymbolTable& symbols)
{
    if (symbols.size_locked() == 0)
        return;
    for (auto& entry : blocks_) {
        Block& block = *entry.second;
        if (block.index_group_id == 0)
            continue;
        const std::string key = SymbolTable::make_key(block.index_code, sizeof block.index_code, block.index_market);
        SymbolRecord* record = symbols.find_locked(key);
        if (!record)
            continue;
        block.index_symbol = record;
        record->links.index_block_id = block.id;  // ascending ids: the larger id wins
    }

    bool anyGroup = false;
    for (int64_t g : kNamedGroups)
        anyGroup = anyGroup || groups_.count(g) != 0;
    if (!anyGroup)
        return;

    // Match the rules of each group's blocks against all symbols at once: each
    // symbol takes the name of the first block, in group order, that matches.
    const SymbolIndex& index = index_locked(symbols);
    std::vector<const char*> names(index.size());
    for (std::size_t slot = 0; slot < 3; ++slot) {
        const auto group = groups_.find(kNamedGroups[slot]);
        if (group == groups_.end())
            continue;  // its texts stay as they are
        std::fill(names.begin(), names.end(), nullptr);
        for (const auto& block : group->second.blocks) {
            const char* name = SymbolLinks::intern(block->name);
            block->rule->for_each_match(index, [&names, name](uint32_t i) {
                if (!names[i])
                    names[i] = name;
            });
        }
        for (uint32_t i = 0; i < index.size(); ++i)
            index.record(i)->links.set_block_name(slot, names[i] ? names[i] : "");
    }
}

const std::vector<SymbolRecord*>* BlockStore::members_locked(int64_t id, const SymbolTable& symbols)
{
    const auto it = blocks_.find(id);
    if (it == blocks_.end())
        return nullptr;
    Block& block = *it->second;
    const std::size_t generation = symbols.size_locked();
    if (block.members_computed && block.members_generation == generation)
        return &block.members;
    if (block.members_computed)
        retired_members_.push_back(std::move(block.members));
    block.members.clear();
    block.members_computed = true;
    block.members_generation = generation;
    // Symbol numbers follow key order, so sorted numbers give the members in
    // key order; a symbol found twice is listed once.
    const SymbolIndex& index = index_locked(symbols);
    std::vector<uint32_t> found;
    block.rule->for_each_match(index, [&found](uint32_t i) { found.push_back(i); });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    block.members.reserve(found.size());
    for (uint32_t i : found)
        block.members.push_back(index.record(i));
    return &block.members;
}

const SymbolIndex& BlockStore::index_locked(const SymbolTable& symbols)
{
    if (!index_ || index_->size() != symbols.size_locked())
        index_ = std::make_unique<SymbolIndex>(symbols);
    return *index_;
}

const std::vector<Block*>& BlockStore::blocks_of_locked(SymbolRecord& record)
{
    SymbolLinks& links = record.links;
    if (!links.blocks_computed) {
        links.blocks_computed = true;
        links.blocks.clear();
        for (const auto& entry : blocks_)
            if (entry.second->match(record))
                links.blocks.push_back(entry.second.get());
    }
    return links.blocks;
}

Block* BlockStore::find_locked(int64_t id) const
{
    const auto it = blocks_.find(id);
    return it == blocks_.end() ? nullptr : it->second.get();
}

Block* const* BlockStore::blocks_of(const std::string& key, SymbolTable& symbols, std::size_t* count)
{
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    *count = 0;
    SymbolRecord* record = symbols.find_locked(key);
    if (!record)
        return nullptr;
    const std::vector<Block*>& list = blocks_of_locked(*record);
    *count = list.size();
    return list.empty() ? nullptr : list.data();
}

Block* const* BlockStore::blocks_of(SymbolRecord& record, std::size_t* count)
{
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    const std::vector<Block*>& list = blocks_of_locked(record);
    *count = list.size();
    return list.empty() ? nullptr : list.data();
}

SymbolRecord* const* BlockStore::members(int64_t id, const SymbolTable& symbols, std::size_t* count)
{
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    const std::vector<SymbolRecord*>* list = members_locked(id, symbols);
    *count = list ? list->size() : 0;
    return list && !list->empty() ? list->data() : nullptr;
}

int64_t BlockStore::index_block_id(const std::string& key, const SymbolTable& symbols) const
{
    std::shared_lock<std::shared_mutex> lock(quote_tables_mutex());
    const SymbolRecord* record = symbols.find_locked(key);
    return record ? record->links.index_block_id : 0;
}

std::vector<std::array<char, 17>> BlockStore::index_entries_of(const std::string& key, SymbolTable& symbols)
{
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    std::vector<std::array<char, 17>> entries;
    SymbolRecord* record = symbols.find_locked(key);
    if (!record)
        return entries;
    for (const Block* block : blocks_of_locked(*record)) {
        if (!block->index_symbol)
            continue;
        std::array<char, 17> entry{};
        std::memcpy(entry.data(), block->index_symbol->code_info.code, 16);
        entry[16] = static_cast<char>(block->index_symbol->code_info.market);
        entries.push_back(entry);
    }
    return entries;
}
