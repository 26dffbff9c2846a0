#include "symboltable.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "tablelock.h"

std::string SymbolTable::make_key(const char* code, size_t max_len, uint8_t market)
{
    const size_t n = code ? strnlen(code, max_len) : 0;
    std::string key;
    key.reserve(n + 1);
    key.assign(code ? code : "", n);
    key.push_back(static_cast<char>(market));
    return key;
}

std::string SymbolTable::make_key(const QuoteCodeInfo& info)
{
    return make_key(info.code, sizeof(info.code), info.market);
}

std::string SymbolTable::make_key_entry17(const void* entry)
{
    const char* bytes = static_cast<const char*>(entry);
    return make_key(bytes, 16, static_cast<uint8_t>(bytes[16]));
}

SymbolRecord* SymbolTable::find_locked(const std::string& key) const
{
    const auto it = records_.find(key);
    return it == records_.end() ? nullptr : it->second.get();
}

SymbolRecord* SymbolTable::insert_locked(const QuoteCodeInfo& info, bool* inserted)
{
    std::string key = make_key(info);
    auto it = records_.find(key);
    const bool fresh = it == records_.end();
    if (fresh)
        it = records_.emplace(std::move(key), std::make_unique<SymbolRecord>(info)).first;
    if (inserted)
        *inserted = fresh;
    return it->second.get();
}

// Caller's thread.
void SymbolTable::load(const QuoteCodeInfo* records, size_t n)
{
    if (!records || n == 0)
        return;
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    for (size_t i = 0; i < n; ++i)
        insert_locked(records[i]);
}

SymbolRecord* SymbolTable::find(const char* code, int market) const
{
    if (!code || strnlen(code, 17) > 16)
        return nullptr;
    const std::string key = make_key(code, 16, static_cast<uint8_t>(market));
    std::shared_lock<std::shared_mutex> lock(quote_tables_mutex());
    return find_locked(key);
}
