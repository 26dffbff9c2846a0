// CodeCache: what a subscribed per-code command keeps between answers: the
// reference price and identity of its last version-1 answer, which later
// answers of other versions leave out. Written and read by the replies on the
// engine thread only; an empty identity and price 0 until the first answer.
#ifndef PELMAR_CODECACHE_H
#define PELMAR_CODECACHE_H

#include "quote.h"

struct CodeCache {
    float price = 0;
    QuoteCodeInfo code_info{};
};

#endif
