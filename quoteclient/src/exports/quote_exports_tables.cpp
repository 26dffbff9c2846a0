// The exported block, margin and rating functions: argument checks, one call
// into the table, the result converted. Nothing is thrown across.
#include <cstddef>

#include "b2cservice.h"
#include "blockstore.h"
#include "margintable.h"
#include "quote.h"
#include "ratingtable.h"
#include "symboltable.h"

namespace {

SymbolTable& symbols()
{
    return B2CService::instance().symbols();
}

// The opaque arrays of the C interface: block and symbol record pointers.
void** asOpaque(Block* const* list)
{
    return reinterpret_cast<void**>(const_cast<Block**>(list));
}
void** asOpaque(SymbolRecord* const* list)
{
    return reinterpret_cast<void**>(const_cast<SymbolRecord**>(list));
}

int blockList(const std::string& key, void*** blocks)
{
    std::size_t count = 0;
    *blocks = asOpaque(BlockStore::instance().blocks_of(key, symbols(), &count));
    return static_cast<int>(count);
}

}  // namespace

extern "C" {

QUOTE_API int64_t quote_block_index_block_id(const QuoteCodeInfo* code)
{
    if (!code)
        return 0;
    try {
        return BlockStore::instance().index_block_id(SymbolTable::make_key(*code), symbols());
    } catch (...) {
        return 0;
    }
}

QUOTE_API int64_t quote_block_index_block_id1(const void* entry17)
{
    if (!entry17)
        return 0;
    try {
        return BlockStore::instance().index_block_id(SymbolTable::make_key_entry17(entry17), symbols());
    } catch (...) {
        return 0;
    }
}

QUOTE_API int quote_block_list_by_code(const QuoteCodeInfo* code, void*** blocks)
{
    if (!blocks)
        return 0;
    *blocks = nullptr;
    if (!code)
        return 0;
    try {
        return blockList(SymbolTable::make_key(*code), blocks);
    } catch (...) {
        *blocks = nullptr;
        return 0;
    }
}

QUOTE_API int quote_block_list_by_code1(const void* entry17, void*** blocks)
{
    if (!blocks)
        return 0;
    *blocks = nullptr;
    if (!entry17)
        return 0;
    try {
        return blockList(SymbolTable::make_key_entry17(entry17), blocks);
    } catch (...) {
        *blocks = nullptr;
        return 0;
    }
}

QUOTE_API int quote_block_load(const char* json, int length)
{
    if (!json || length <= 0)
        return 0;
    try {
        return BlockStore::instance().load(json, static_cast<std::size_t>(length), symbols()) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

QUOTE_API void** quote_block_symbol_list(int64_t block_id, int* n)
{
    std::size_t count = 0;
    void** list = nullptr;
    try {
        list = asOpaque(BlockStore::instance().members(block_id, symbols(), &count));
    } catch (...) {
        list = nullptr;
        count = 0;
    }
    if (n)
        *n = static_cast<int>(count);
    return list;
}

QUOTE_API void** quote_symbol_block_list(const void* symbol, int* n)
{
    std::size_t count = 0;
    void** list = nullptr;
    if (symbol) {
        try {
            // The symbol is a record handed out by quote_symbol_find.
            SymbolRecord& record = *static_cast<SymbolRecord*>(const_cast<void*>(symbol));
            list = asOpaque(BlockStore::instance().blocks_of(record, &count));
        } catch (...) {
            list = nullptr;
            count = 0;
        }
    }
    if (n)
        *n = static_cast<int>(count);
    return list;
}

QUOTE_API int quote_margin_is(const char* code, int type)
{
    if (!code)
        return 0;
    try {
        return MarginTable::instance().contains(code, type) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

QUOTE_API int quote_margin_load(const char* text, int length)
{
    if (!text || length < 0)
        return 0;
    try {
        return MarginTable::instance().load(text, static_cast<std::size_t>(length), symbols()) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

QUOTE_API int quote_rating_load(const char* json, int length)
{
    if (!json || length < 0)
        return 0;
    try {
        return RatingTable::instance().load(json, static_cast<std::size_t>(length), symbols()) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
