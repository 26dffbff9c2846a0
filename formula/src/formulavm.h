// A virtual machine: its own function table (the builtins, the host's
// registered functions and plug-in functions) and one shared context whose
// names every context of the machine can read.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "ciless.h"
#include "fml.h"
#include "formulacontext.h"

// Function name to function object, ordered without regard to ASCII case.
using FormulaFunctionMap = std::map<std::string, FormulaFunction, CiLess>;

struct FormulaVM {
    std::shared_ptr<FormulaContext> shared;  // its VM field stays empty
    std::shared_ptr<FormulaFunctionMap> functions;

    // A new machine: a table filled with the builtins and a new shared context.
    FormulaVM();

    // Adds a host function under a name the table does not hold (returns
    // false, leaving the existing entry, when it does).
    bool registerFunction(const std::string& name, FormulaFunction fn);

    // The function of that name; throws std::out_of_range when absent.
    const FormulaFunction& function(const std::string& name) const;
};

// A table holding the builtins (first registration of a name wins).
std::shared_ptr<FormulaFunctionMap> makeBuiltinTable();

// The function object of a host function registered with fml_vm_reg_fn: pops
// nargs values, calls cb with [result, first argument, ..., last argument],
// pushes the result whatever cb returned, and succeeds only when cb returns 1.
// Too few values on the stack fail the step before cb is called.
FormulaFunction makeHostFunction(FormulaVM* vm, void* user, const std::string& name, FMLFunctionCallback cb, int nargs);
