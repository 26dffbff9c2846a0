// Exports whose modules are not built yet. Each fails cleanly: results are 0
// or NULL, out arguments are cleared, nothing is sent or stored. A module that
// is built removes its entries here and defines them in its own file.
#include "b2cservice.h"
#include "quote.h"

extern "C" {

} // extern "C"
