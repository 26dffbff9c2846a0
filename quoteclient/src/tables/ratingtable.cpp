#include "ratingtable.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string_view>
#include <vector>

#include "ajson.h"
#include "symboltable.h"
#include "tablelock.h"

namespace {

struct RatingRecord {
    std::string stockId;
    std::string rating;
    AJSON_FIELDS(stockId, rating)
};

struct RatingFile {
    std::vector<RatingRecord> ratingInfos;
    AJSON_FIELDS(ratingInfos)
};

}  // namespace

RatingTable& RatingTable::instance()
{
    static RatingTable table;
    return table;
}

RatingTable::Map RatingTable::parse(const char* text, std::size_t length)
{
    RatingFile file;
    ajson::parse(file, text, length);
    Map ratings;
    for (RatingRecord& r : file.ratingInfos)
        ratings.emplace(std::move(r.stockId), std::move(r.rating));  // keeps the first
    return ratings;
}

// Caller's thread.
bool RatingTable::load(const char* text, std::size_t length, SymbolTable& symbols)
{
    Map ratings;
    try {
        ratings = parse(text, length);
    } catch (const ajson::exception&) {
        return false;
    }
    std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
    ratings_.swap(ratings);
    apply_locked(symbols);
    return !ratings_.empty();
}

void RatingTable::apply_locked(SymbolTable& symbols) const
{
    // The text is copied into the record, so a later load cannot leave a
    // record pointing at a freed rating.
    symbols.for_each_locked([this](SymbolRecord& record) {
        const std::string_view code(record.code_info.code,
                                    strnlen(record.code_info.code, sizeof record.code_info.code));
        const auto it = ratings_.find(code);
        if (it != ratings_.end())
            record.links.rating = it->second;
        else
            record.links.rating.clear();
    });
}
