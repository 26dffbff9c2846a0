// BasicCodeRule: a test of whether a stock code in a market belongs to a block.
// Rules are immutable once built; a block's rule is shared by the block and
// every list that refers to it.
#ifndef PELMAR_BASICCODERULE_H
#define PELMAR_BASICCODERULE_H

#include <cstdint>
#include <functional>
#include <string_view>

class SymbolIndex;

class BasicCodeRule {
public:
    virtual ~BasicCodeRule() = default;

    // True when the code text (without terminator) in the market matches.
    virtual bool match(std::string_view code, uint8_t market) const = 0;

    // Calls fn with the index of every symbol of `index` that matches; a
    // symbol may be reported more than once. Gives the same answer as calling
    // match() on every symbol, in time proportional to the rule's own size.
    virtual void for_each_match(const SymbolIndex& index, const std::function<void(uint32_t)>& fn) const = 0;
};

#endif
