// KBarDecoder: the bars of a K-line answer. Every value is a compressed int64
// holding the difference to the same field of the previous bar; one running
// sum per field id starts at zero for each answer. Field ids: 1 time (packed
// date-time in the low 32 bits, periods above 38), 10 time (decimal
// date-time, periods up to 38), 3/2/4/5 high/open/low/close and 8 a further
// price (sum ÷ scale), 7 volume and 6 amount (the sums); other ids carry
// nothing. Each bar after the first gets the close of the bar before it.
#ifndef PELMAR_KBARDECODER_H
#define PELMAR_KBARDECODER_H

#include <cstdint>
#include <vector>

#include "b2c.h"
#include "quote.h"

class KBarDecoder {
public:
    // True for the ids that carry a value.
    static bool carries_value(uint8_t id);

    // Decodes up to `count` bars from `in`. Stops at the first value that
    // cannot be read and keeps only whole bars. Returns the bars decoded.
    static std::size_t decode(_B2CStream* in, const std::vector<uint8_t>& ids, int count, uint8_t period, float scale,
                              std::vector<QuoteKPoint>& bars);
};

#endif
