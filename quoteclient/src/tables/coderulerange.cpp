#include "coderulerange.h"

#include "symbolindex.h"

CodeRuleRange::CodeRuleRange(uint8_t market, std::string start, std::string end)
    : market_(market), start_(std::move(start)), end_(std::move(end))
{}

bool CodeRuleRange::match(std::string_view code, uint8_t market) const
{
    // string_view compares through memcmp: unsigned bytes, shorter first.
    return market == market_ && std::string_view(start_) <= code && code <= std::string_view(end_);
}

void CodeRuleRange::for_each_match(const SymbolIndex& index, const std::function<void(uint32_t)>& fn) const
{
    for (uint32_t i : index.in_market(market_))
        if (match(index.code(i), market_))
            fn(i);
}
