#include "margintable.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "ajson.h"
#include "symboltable.h"
#include "tablelock.h"

namespace {

struct MarginRecord {
    std::string tradingcode;
    AJSON_FIELDS(tradingcode)
};

}  // namespace

MarginTable& MarginTable::instance()
{
    static MarginTable table;
    return table;
}

std::set<std::string, std::less<>> MarginTable::parse(const char* text, std::size_t length)
{
    std::vector<MarginRecord> list;
    ajson::parse(list, text, length);
    std::set<std::string, std::less<>> codes;
    for (MarginRecord& r : list)
        codes.insert(std::move(r.tradingcode));
    return codes;
}

// Caller's thread.
bool MarginTable::load(const char* text, std::size_t length, SymbolTable& symbols)
{
    std::set<std::string, std::less<>> codes;
    try {
        codes = parse(text, length);
    } catch (const ajson::exception&) {
        return false;
    }
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    codes_.swap(codes);
    apply_locked(symbols);
    return !codes_.empty();
}

bool MarginTable::contains(const char* code, int type) const
{
    if (!code || (type != 1 && type != 2))
        return false;
    std::shared_lock<std::shared_mutex> lock(quote_tables_mutex());
    return codes_.find(std::string_view(code)) != codes_.end();
}

void MarginTable::apply_locked(SymbolTable& symbols) const
{
    symbols.for_each_locked([this](SymbolRecord& record) {
        const std::string_view code(record.code_info.code,
                                    strnlen(record.code_info.code, sizeof record.code_info.code));
        record.links.margin = codes_.find(code) != codes_.end();
    });
}
