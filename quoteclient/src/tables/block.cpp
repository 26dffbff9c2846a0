#include "block.h"

#include <cstring>

#include "symbolrecord.h"

Block::Block(int64_t id_, std::string name_, std::string desc_, std::shared_ptr<const CodeRuleGroup> rule_)
    : id(id_), name(std::move(name_)), desc(std::move(desc_)), rule(std::move(rule_))
{}

bool Block::match(const SymbolRecord& record) const
{
    const QuoteCodeInfo& info = record.code_info;
    return rule->match(std::string_view(info.code, strnlen(info.code, sizeof info.code)), info.market);
}
