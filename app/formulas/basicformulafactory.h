// One catalogue entry: an indicator's names, parameters and compiled program.
#ifndef TARVOLIN_FORMULAS_BASICFORMULAFACTORY_H
#define TARVOLIN_FORMULAS_BASICFORMULAFACTORY_H

#include <memory>
#include <string>
#include <vector>

#include "formulas/formula.h"

namespace formula {

class BasicFormulaFactory {
public:
    BasicFormulaFactory(int type, std::string displayName, std::string code, std::string description,
                        std::vector<FormulaParam> params);
    virtual ~BasicFormulaFactory();

    // GUI thread. A new instance compiled for vm, or empty when the program
    // cannot be built there (the chart then skips the slot).
    virtual std::shared_ptr<Formula> create(FormulaVM* vm) = 0;

    int type = 0;                             // list bits; only the low byte is tested
    std::string code;                         // indicator name, or the own entry's short code
    std::string codeCopy;                     // a second copy of code
    std::string displayName;                  // the key of every lookup
    std::string groupCode;                    // empty for standard entries
    std::string description;                  // "\r\n"-separated templates, "{}" = the value
    std::vector<FormulaParam> params;         // current values
    std::vector<FormulaParam> defaultParams;  // as constructed; never changed
};

// A catalogue entry whose program is a fixed build function.
class LocalFormula : public BasicFormulaFactory {
public:
    // Standard catalogue: code and display name are both name.
    LocalFormula(int type, const std::string& name, std::string description, std::vector<FormulaParam> params,
                 FormulaBuildFn build);
    // Own catalogue: short code, display name and group code.
    LocalFormula(int type, const std::string& shortCode, std::string displayName, std::string groupCode,
                 std::string description, std::vector<FormulaParam> params, FormulaBuildFn build);

    std::shared_ptr<Formula> create(FormulaVM* vm) override;

    FormulaBuildFn build = nullptr;
};

}  // namespace formula

#endif
