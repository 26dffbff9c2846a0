// CodeRuleRange (rule type "range"): a code matches when its market is the
// rule's and start <= code <= end, comparing bytes as unsigned values with the
// shorter text first on a common prefix (so "00050" lies between "000001" and
// "000999").
#ifndef PELMAR_CODERULERANGE_H
#define PELMAR_CODERULERANGE_H

#include <string>

#include "basiccoderule.h"

class CodeRuleRange : public BasicCodeRule {
public:
    CodeRuleRange(uint8_t market, std::string start, std::string end);

    bool match(std::string_view code, uint8_t market) const override;
    void for_each_match(const SymbolIndex& index, const std::function<void(uint32_t)>& fn) const override;

private:
    uint8_t market_;
    std::string start_;
    std::string end_;
};

#endif
