#include "formulas/formulaservice.h"

namespace formula {

FormulaService& FormulaService::instance()
{
    static FormulaService service;
    return service;
}

std::shared_ptr<BasicFormulaFactory> FormulaService::addFormula(std::shared_ptr<BasicFormulaFactory> entry)
{
    formulas_.push_back(std::move(entry));
    return formulas_.back();
}

void FormulaService::addGroup(std::shared_ptr<Group> group)
{
    groups_.push_back(std::move(group));
}

std::shared_ptr<BasicFormulaFactory> FormulaService::find(const std::string& name) const
{
    for (const auto& f : formulas_)
        if (f->displayName == name)
            return f;
    return nullptr;
}

std::vector<std::shared_ptr<BasicFormulaFactory>> FormulaService::findByType(int mask) const
{
    std::vector<std::shared_ptr<BasicFormulaFactory>> out;
    for (const auto& f : formulas_)
        if ((f->type & 0xff & mask) != 0)
            out.push_back(f);
    return out;
}

std::shared_ptr<FormulaService::Group> FormulaService::findGroup(const std::string& name) const
{
    for (const auto& g : groups_)
        if (g->name == name)
            return g;
    return nullptr;
}

void loadFormulaParams(const std::string& path)
{
    FormulaService::instance().loadParams(path);
}

}  // namespace formula
