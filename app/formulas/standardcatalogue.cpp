// The standard indicator catalogue: base chart programs and common indicators.
#include "formulas/formulaservice.h"

namespace formula {

void registerStandardFormulas(FormulaService& service)
{
    (void)service;
}

}  // namespace formula
