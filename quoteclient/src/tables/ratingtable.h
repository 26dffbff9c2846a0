// RatingTable: the rating text of each stock code (stock_rating.json), copied
// into every symbol record of that code text, in any market. One per process;
// it lives until unload. Guarded by quote_tables_mutex(); methods ending in
// _locked expect the caller to hold it.
#ifndef PELMAR_RATINGTABLE_H
#define PELMAR_RATINGTABLE_H

#include <cstddef>
#include <map>
#include <string>

class SymbolTable;

class RatingTable {
public:
    using Map = std::map<std::string, std::string, std::less<>>;

    static RatingTable& instance();

    // Caller's thread. Replaces the map with the parsed list and copies the
    // ratings into the symbols; true when the new map is not empty. A text that
    // does not parse leaves the previous map and the texts as they are and
    // gives false.
    bool load(const char* text, std::size_t length, SymbolTable& symbols);
    // Sets every record's rating text from the map (empty when it has none).
    void apply_locked(SymbolTable& symbols) const;
    std::size_t size_locked() const { return ratings_.size(); }

    // Parses stock_rating.json; for a code listed twice the first rating
    // counts. Throws ajson::exception.
    static Map parse(const char* text, std::size_t length);

private:
    Map ratings_;
};

#endif
