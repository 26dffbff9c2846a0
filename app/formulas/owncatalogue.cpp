// The system's own indicator catalogue.
#include "formulas/formulaservice.h"

namespace formula {

void registerOwnFormulas(FormulaService& service)
{
    (void)service;
}

}  // namespace formula
