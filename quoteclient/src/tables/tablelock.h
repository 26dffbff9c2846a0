// The one library-wide lock over the tables that the engine thread and the
// callers' threads share: the symbol table and the block, margin and rating
// tables. Readers take it shared, writers unique. Never held while a user
// callback runs, and never together with the engine or queue mutex.
#ifndef PELMAR_TABLELOCK_H
#define PELMAR_TABLELOCK_H

#include <shared_mutex>

std::shared_mutex& quote_tables_mutex();

#endif
