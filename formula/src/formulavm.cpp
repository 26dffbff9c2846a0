#include "formulavm.h"

#include <stdexcept>

FormulaVM::FormulaVM() : shared(std::make_shared<FormulaContext>(nullptr)), functions(makeBuiltinTable()) {}

bool FormulaVM::registerFunction(const std::string& name, FormulaFunction fn)
{
    return functions->emplace(name, std::move(fn)).second;
}

const FormulaFunction& FormulaVM::function(const std::string& name) const
{
    return functions->at(name);
}

FormulaFunction makeHostFunction(FormulaVM* vm, void* user, const std::string& name, FMLFunctionCallback cb, int nargs)
{
    const std::size_t n = nargs > 0 ? static_cast<std::size_t>(nargs) : 0u;
    return [vm, user, name, cb, n](FormulaContext* ctx) -> bool {
        if (ctx->stack.size() < n)
            return false;
        std::vector<ArgumentPtr> held(n + 1);
        if (!ctx->popArgs(held.data() + 1, n))
            return false;
        held[0] = std::make_shared<FormulaArgument>();
        std::vector<FormulaArgument*> raw(n + 1);
        for (std::size_t i = 0; i <= n; ++i)
            raw[i] = held[i].get();
        const int rc = cb(user, vm, ctx, name.c_str(), raw.data(), static_cast<int>(n + 1));
        ctx->push(held[0]);
        return rc == 1;
    };
}
