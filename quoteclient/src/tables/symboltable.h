// SymbolTable: every known symbol, keyed by its code text (up to the first NUL
// and at most 16 bytes) followed by one market byte; keys compare as byte
// strings. Records stay at stable addresses until the table is destroyed.
//
// The methods without "locked" in their name take quote_tables_mutex()
// themselves; the *_locked ones expect the caller to hold it (shared for
// find_locked, unique for insert_locked).
#ifndef PELMAR_SYMBOLTABLE_H
#define PELMAR_SYMBOLTABLE_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "quote.h"
#include "symbolrecord.h"

class SymbolTable {
public:
    // The key of a code field of at most max_len bytes (stops at the first NUL).
    static std::string make_key(const char* code, size_t max_len, uint8_t market);
    static std::string make_key(const QuoteCodeInfo& info);
    // A 17-byte code entry: 16 bytes of code text, market byte last.
    static std::string make_key_entry17(const void* entry);

    SymbolRecord* find_locked(const std::string& key) const;
    // Returns the record of info's key, inserting a copy of info when absent.
    SymbolRecord* insert_locked(const QuoteCodeInfo& info, bool* inserted = nullptr);
    size_t size_locked() const { return records_.size(); }

    // quote_code_load: n records; existing keys keep their record.
    void load(const QuoteCodeInfo* records, size_t n);
    // quote_symbol_find: code is a C text; longer than 16 bytes finds nothing.
    SymbolRecord* find(const char* code, int market) const;

    // Calls fn(record) for every record in key order; caller holds the lock.
    template <class Fn>
    void for_each_locked(Fn&& fn) const
    {
        for (const auto& entry : records_)
            fn(*entry.second);
    }

private:
    std::map<std::string, std::unique_ptr<SymbolRecord>> records_;
};

#endif
