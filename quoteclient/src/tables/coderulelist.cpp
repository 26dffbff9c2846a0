#include "coderulelist.h"

#include <string.h>

#include "symbolindex.h"

CodeRuleList::CodeRuleList(uint8_t market, std::string value) : market_(market), value_(std::move(value)) {}

bool CodeRuleList::match(std::string_view code, uint8_t market) const
{
    if (market != market_)
        return false;
    if (code.empty())
        return true;
    return memmem(value_.data(), value_.size(), code.data(), code.size()) != nullptr;
}

void CodeRuleList::for_each_match(const SymbolIndex& index, const std::function<void(uint32_t)>& fn) const
{
    // Look every substring of the value up among the codes of the lengths that
    // occur in the market, instead of searching the value once per symbol.
    const uint32_t lengths = index.lengths(market_);
    const std::size_t n = value_.size();
    for (std::size_t len = 0; len <= SymbolIndex::kMaxCodeLength; ++len) {
        if (!(lengths & (1u << len)) || len > n)
            continue;
        if (len == 0) {
            uint32_t i = index.find(std::string_view(), market_);
            if (i != SymbolIndex::npos)
                fn(i);
        } else if (len <= SymbolIndex::kMaxPackedLength) {
            const uint64_t mask = len == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * len)) - 1;
            uint64_t packed = 0;
            // Windows holding a byte that no code of the market holds (the
            // separators of a list) cannot match and are not looked up.
            std::size_t clean = 0;  // bytes since the last such byte
            for (std::size_t p = 0; p < n; ++p) {
                const unsigned char c = static_cast<unsigned char>(value_[p]);
                packed = ((packed << 8) | c) & mask;
                clean = index.byte_used(market_, c) ? clean + 1 : 0;
                if (clean < len)
                    continue;
                uint32_t i = index.find_packed(packed, len, market_);
                if (i != SymbolIndex::npos)
                    fn(i);
            }
        } else {
            const std::string_view value(value_);
            for (std::size_t p = 0; p + len <= n; ++p) {
                uint32_t i = index.find(value.substr(p, len), market_);
                if (i != SymbolIndex::npos)
                    fn(i);
            }
        }
    }
}
