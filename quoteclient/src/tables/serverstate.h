// ServerState: the last date and state byte the server pushed for each market
// (command 0x03). Ordered by the market byte as a signed byte; never cleared,
// so pushes after a reconnection compare with what was seen before it.
// Used on the engine thread; guarded by its own mutex for readers elsewhere.
#ifndef PELMAR_SERVERSTATE_H
#define PELMAR_SERVERSTATE_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>

#include "quote.h"

class ServerState {
public:
    // Stores every entry; true when a market already known got another date.
    bool apply(const QuoteMarketState* entries, size_t n);
    bool get(uint8_t market, QuoteMarketState* out) const;

private:
    mutable std::mutex mutex_;  // guards markets_
    std::map<int8_t, QuoteMarketState> markets_;
};

#endif
