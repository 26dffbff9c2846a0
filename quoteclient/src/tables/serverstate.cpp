#include "serverstate.h"

bool ServerState::apply(const QuoteMarketState* entries, size_t n)
{
    bool changed = false;
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < n; ++i) {
        const QuoteMarketState& e = entries[i];
        const auto it = markets_.find(static_cast<int8_t>(e.market));
        if (it == markets_.end()) {
            markets_.emplace(static_cast<int8_t>(e.market), e);
            continue;
        }
        if (it->second.date != e.date)
            changed = true;
        it->second = e;
    }
    return changed;
}

bool ServerState::get(uint8_t market, QuoteMarketState* out) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = markets_.find(static_cast<int8_t>(market));
    if (it == markets_.end())
        return false;
    if (out)
        *out = it->second;
    return true;
}
