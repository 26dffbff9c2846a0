#include "symbolindex.h"

#include <cstring>

#include "symboltable.h"

SymbolIndex::SymbolIndex(const SymbolTable& table)
{
    const std::size_t n = table.size_locked();
    records_.reserve(n);
    codes_.reserve(n);
    markets_.reserve(n);
    std::size_t capacity = 16;
    std::size_t bits = 4;
    while (capacity < 2 * n) {
        capacity *= 2;
        ++bits;
    }
    slots_.resize(capacity);
    shift_ = 64 - bits;

    table.for_each_locked([&](SymbolRecord& record) {
        const uint32_t i = static_cast<uint32_t>(records_.size());
        const std::size_t length = strnlen(record.code_info.code, sizeof record.code_info.code);
        const std::string_view code(record.code_info.code, length);
        const uint8_t market = record.code_info.market;
        records_.push_back(&record);
        codes_.push_back(code);
        markets_.push_back(market);
        lengths_[market] |= 1u << length;
        for (unsigned char c : code)
            bytes_[market][c >> 6] |= uint64_t{1} << (c & 63);
        by_market_[market].push_back(i);
        if (length <= kMaxPackedLength) {
            const uint64_t packed = pack(code);
            std::size_t s = slot_of(packed, length, market);
            // Keys are unique in the table, so the probe ends at an empty slot.
            while (slots_[s].index_plus_one != 0)
                s = (s + 1) & (slots_.size() - 1);
            slots_[s] = Slot{packed, i + 1, market, static_cast<uint8_t>(length)};
        } else {
            std::string key(code);
            key.push_back(static_cast<char>(market));
            long_codes_.emplace(std::move(key), i);
        }
    });
}

uint64_t SymbolIndex::pack(std::string_view code)
{
    uint64_t packed = 0;
    for (unsigned char c : code)
        packed = (packed << 8) | c;
    return packed;
}

std::size_t SymbolIndex::slot_of(uint64_t packed, std::size_t length, uint8_t market) const
{
    uint64_t h = packed * 0x9E3779B97F4A7C15ull;
    h ^= (uint64_t{market} << 8 | length) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 31;
    h *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h >> shift_);
}

uint32_t SymbolIndex::find_packed(uint64_t packed, std::size_t length, uint8_t market) const
{
    std::size_t s = slot_of(packed, length, market);
    while (true) {
        const Slot& slot = slots_[s];
        if (slot.index_plus_one == 0)
            return npos;
        if (slot.packed == packed && slot.length == length && slot.market == market)
            return slot.index_plus_one - 1;
        s = (s + 1) & (slots_.size() - 1);
    }
}

uint32_t SymbolIndex::find(std::string_view code, uint8_t market) const
{
    if (code.size() <= kMaxPackedLength)
        return find_packed(pack(code), code.size(), market);
    if (code.size() > kMaxCodeLength)
        return npos;
    char key[kMaxCodeLength + 1];
    std::memcpy(key, code.data(), code.size());
    key[code.size()] = static_cast<char>(market);
    const auto it = long_codes_.find(std::string_view(key, code.size() + 1));
    return it == long_codes_.end() ? npos : it->second;
}
