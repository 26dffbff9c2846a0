#include "formulas/formula.h"

#include <locale>
#include <sstream>

namespace formula {

void setStaticLiteral(FormulaContext* ctx, const char* name, float value)
{
    FormulaArgument* arg = fml_get_static_argument(ctx, name);
    fml_argument_literal(arg, 1);
    fml_argument_data(arg, 1)[0] = value;
}

Formula::Formula(int type_, std::string name_, FormulaContext* ctx)
    : type(type_), name(std::move(name_)), ctx_(ctx, fml_ctx_release)
{}

void Formula::updateTitle()
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << name << '(';
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (i)
            out << ',';
        out << params[i].value;
    }
    out << ')';
    title = out.str();
}

void Formula::applyParams()
{
    FormulaContext* ctx = ctx_.get();
    if (!ctx)
        return;
    for (const FormulaParam& p : params)
        setStaticLiteral(ctx, p.name.c_str(), p.value);
}

}  // namespace formula
