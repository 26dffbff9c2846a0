// Compiling one operation of the postfix stream into a step of a context.
#pragma once

#include "fml.h"
#include "formulacontext.h"

// Appends the step of one operation to ctx's code. Ops above 6, op 6 with draw
// kind 4 or above 11 append nothing. Op 5 with a name the VM's table does not
// hold (or a context without a VM) throws std::out_of_range. A null name or
// record is compiled as the empty name.
void compileOperation(FormulaContext* ctx, int op, const FMLOpValue* value);
