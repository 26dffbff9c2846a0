// SymbolIndex: a snapshot of the symbol table for matching many code rules at
// once. Symbols are numbered in key order; codes of up to 8 bytes are found by
// their packed bytes in an open-addressing table, longer ones by text. Built
// and used while the caller holds quote_tables_mutex(); it holds pointers to
// the table's records, which never move.
#ifndef PELMAR_SYMBOLINDEX_H
#define PELMAR_SYMBOLINDEX_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class SymbolTable;
struct SymbolRecord;

class SymbolIndex {
public:
    static constexpr uint32_t npos = UINT32_MAX;
    static constexpr std::size_t kMaxCodeLength = 16;
    static constexpr std::size_t kMaxPackedLength = 8;

    explicit SymbolIndex(const SymbolTable& table);

    std::size_t size() const { return records_.size(); }
    SymbolRecord* record(uint32_t i) const { return records_[i]; }
    std::string_view code(uint32_t i) const { return codes_[i]; }
    uint8_t market(uint32_t i) const { return markets_[i]; }

    // Bit L is set when some code of the market is L bytes long.
    uint32_t lengths(uint8_t market) const { return lengths_[market]; }
    // True when some code of the market holds the byte.
    bool byte_used(uint8_t market, unsigned char c) const { return (bytes_[market][c >> 6] >> (c & 63)) & 1; }
    // The symbols of one market, in key order.
    const std::vector<uint32_t>& in_market(uint8_t market) const { return by_market_[market]; }

    // The symbol with this code and market, or npos.
    uint32_t find(std::string_view code, uint8_t market) const;
    // The same for a code of `length` <= 8 bytes packed big-endian into an integer.
    uint32_t find_packed(uint64_t packed, std::size_t length, uint8_t market) const;

    static uint64_t pack(std::string_view code);

private:
    struct Slot {
        uint64_t packed = 0;
        uint32_t index_plus_one = 0;  // 0 = empty
        uint8_t market = 0;
        uint8_t length = 0;
    };

    std::size_t slot_of(uint64_t packed, std::size_t length, uint8_t market) const;

    std::vector<SymbolRecord*> records_;
    std::vector<std::string_view> codes_;  // point into the records' code fields
    std::vector<uint8_t> markets_;
    uint32_t lengths_[256] = {};
    uint64_t bytes_[256][4] = {};
    std::vector<uint32_t> by_market_[256];
    std::vector<Slot> slots_;
    std::size_t shift_ = 64;
    std::map<std::string, uint32_t, std::less<>> long_codes_;  // code text + market byte
};

#endif
