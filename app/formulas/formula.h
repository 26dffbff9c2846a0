// One indicator instance on one chart, and the parameter record it carries.
#ifndef TARVOLIN_FORMULAS_FORMULA_H
#define TARVOLIN_FORMULAS_FORMULA_H

#include <memory>
#include <string>
#include <vector>

#include "fml.h"

namespace formula {

// One indicator parameter. The catalogue never clamps value to [min, max];
// both are carried for the parameter editor.
struct FormulaParam {
    std::string name;  // the name under which the program reads the value
    float value = 0.0f;
    float min = 0.0f;
    float max = 0.0f;
};

// Compiles one catalogue program into a fresh context of vm. Returns null when
// the program cannot be built on vm (a function it calls is not registered).
using FormulaBuildFn = FormulaContext* (*)(FormulaVM* vm);

// Sets ctx's static argument name to the literal value (created when absent).
void setStaticLiteral(FormulaContext* ctx, const char* name, float value);

// A live indicator: the entry's program compiled into a context of one chart's
// virtual machine, with a snapshot of the entry's parameter values.
class Formula {
public:
    // Takes ownership of ctx (released with fml_ctx_release).
    Formula(int type, std::string name, FormulaContext* ctx);

    int type = 0;
    std::string title;  // "MACD(12,9,26)", rebuilt by updateTitle
    std::string name;   // the entry's display name
    std::vector<FormulaParam> params;

    FormulaContext* context() const { return ctx_.get(); }

    // GUI thread. title := name "(" values joined by "," ")".
    void updateTitle();
    // GUI thread. Writes every parameter into the context as a literal static argument.
    void applyParams();

private:
    std::unique_ptr<FormulaContext, void (*)(FormulaContext*)> ctx_;
};

}  // namespace formula

#endif
