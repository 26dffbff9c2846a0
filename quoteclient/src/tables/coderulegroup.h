// CodeRuleGroup: the rules of one block in file order; a code matches when any
// of them matches. A group without rules matches nothing.
#ifndef PELMAR_CODERULEGROUP_H
#define PELMAR_CODERULEGROUP_H

#include <memory>
#include <vector>

#include "basiccoderule.h"

class CodeRuleGroup : public BasicCodeRule {
public:
    void add(std::unique_ptr<BasicCodeRule> rule);
    std::size_t size() const { return rules_.size(); }

    bool match(std::string_view code, uint8_t market) const override;
    void for_each_match(const SymbolIndex& index, const std::function<void(uint32_t)>& fn) const override;

private:
    std::vector<std::unique_ptr<BasicCodeRule>> rules_;
};

#endif
