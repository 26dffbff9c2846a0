// CodeRuleList (rule type "list"): a code matches when its market is the
// rule's and the code text occurs anywhere in the rule's value text (a
// substring search, so an empty code always occurs).
#ifndef PELMAR_CODERULELIST_H
#define PELMAR_CODERULELIST_H

#include <string>

#include "basiccoderule.h"

class CodeRuleList : public BasicCodeRule {
public:
    CodeRuleList(uint8_t market, std::string value);

    bool match(std::string_view code, uint8_t market) const override;
    void for_each_match(const SymbolIndex& index, const std::function<void(uint32_t)>& fn) const override;

private:
    uint8_t market_;
    std::string value_;
};

#endif
