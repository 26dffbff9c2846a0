#include "formulas/basicformulafactory.h"

namespace formula {

BasicFormulaFactory::BasicFormulaFactory(int type_, std::string displayName_, std::string code_,
                                         std::string description_, std::vector<FormulaParam> params_)
    : type(type_), code(std::move(code_)), codeCopy(code), displayName(std::move(displayName_)),
      description(std::move(description_)), params(std::move(params_)), defaultParams(params)
{}

BasicFormulaFactory::~BasicFormulaFactory() = default;

LocalFormula::LocalFormula(int type_, const std::string& name, std::string description_,
                           std::vector<FormulaParam> params_, FormulaBuildFn build_)
    : BasicFormulaFactory(type_, name, name, std::move(description_), std::move(params_)), build(build_)
{}

LocalFormula::LocalFormula(int type_, const std::string& shortCode, std::string displayName_, std::string groupCode_,
                           std::string description_, std::vector<FormulaParam> params_, FormulaBuildFn build_)
    : BasicFormulaFactory(type_, std::move(displayName_), shortCode, std::move(description_), std::move(params_)),
      build(build_)
{
    groupCode = std::move(groupCode_);
}

// GUI thread. A program that cannot be built on vm gives no instance.
std::shared_ptr<Formula> LocalFormula::create(FormulaVM* vm)
{
    FormulaContext* ctx = build ? build(vm) : nullptr;
    if (!ctx)
        return nullptr;
    auto instance = std::make_shared<Formula>(type, displayName, ctx);
    instance->params = params;
    instance->updateTitle();
    instance->applyParams();
    return instance;
}

}  // namespace formula
