#include "quotetables.h"

#include <mutex>
#include <shared_mutex>

#include "blockstore.h"
#include "margintable.h"
#include "ratingtable.h"
#include "tablelock.h"

// Engine thread.
void QuoteTables::after_code_table(SymbolTable& symbols)
{
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    after_code_table_locked(symbols);
}

void QuoteTables::after_code_table_locked(SymbolTable& symbols)
{
    BlockStore::instance().link_index_symbols_locked(symbols);
    MarginTable::instance().apply_locked(symbols);
    RatingTable::instance().apply_locked(symbols);
}
