// MarginTable: the codes open to margin trading (stock_rzrq.json), answering
// quote_margin_is and marking every symbol record whose code text is listed,
// in any market. One per process; it lives until unload. Guarded by
// quote_tables_mutex(); methods ending in _locked expect the caller to hold it.
#ifndef PELMAR_MARGINTABLE_H
#define PELMAR_MARGINTABLE_H

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

class SymbolTable;

class MarginTable {
public:
    static MarginTable& instance();

    // Caller's thread. Replaces the set with the parsed list and marks the
    // symbols; true when the new set is not empty. A text that does not parse
    // leaves the previous set and the marks as they are and gives false.
    bool load(const char* text, std::size_t length, SymbolTable& symbols);
    // Any thread: true when type is 1 or 2 and the code is listed.
    bool contains(const char* code, int type) const;
    // Sets every record's margin mark from the set (an empty set clears them).
    void apply_locked(SymbolTable& symbols) const;

    // Parses stock_rzrq.json; throws ajson::exception.
    static std::set<std::string, std::less<>> parse(const char* text, std::size_t length);

private:
    std::set<std::string, std::less<>> codes_;
};

#endif
