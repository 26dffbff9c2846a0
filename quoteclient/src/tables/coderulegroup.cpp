#include "coderulegroup.h"

void CodeRuleGroup::add(std::unique_ptr<BasicCodeRule> rule)
{
    if (rule)
        rules_.push_back(std::move(rule));
}

bool CodeRuleGroup::match(std::string_view code, uint8_t market) const
{
    for (const auto& rule : rules_)
        if (rule->match(code, market))
            return true;
    return false;
}

void CodeRuleGroup::for_each_match(const SymbolIndex& index, const std::function<void(uint32_t)>& fn) const
{
    for (const auto& rule : rules_)
        rule->for_each_match(index, fn);
}
