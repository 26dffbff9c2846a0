// DividendAdjuster: adjusts the four prices (high, open, low, close) of a run
// of bars for dividend and rights events, as the option bits ask: bit 1 no
// adjustment, else bit 2 forward, else bit 4 backward. Events are listed
// newest first, with their cumulative factors.
//
// Forward: a bar takes the factors of the oldest event dated after it; bars
// on or after the newest event stay. Backward: a bar takes the factors of the
// newest event dated on or before it; bars before the oldest event stay. Both
// walks step over every event between two bars, so weekly and monthly bars
// are adjusted by the right event.
#ifndef PELMAR_DIVIDENDADJUSTER_H
#define PELMAR_DIVIDENDADJUSTER_H

#include <cstddef>

#include "quote.h"

struct DividendEvent;
class Context;
class SymbolTable;

class DividendAdjuster {
public:
    static void adjust(QuoteKPoint* bars, std::size_t n, const DividendEvent* events, std::size_t count, int option);

    // Adjusts by the dividends the symbol table holds for the context's first
    // code and by its option bits; nothing for an unknown symbol.
    static void adjust_for(QuoteKPoint* bars, std::size_t n, const Context& context, SymbolTable* symbols);
};

#endif
