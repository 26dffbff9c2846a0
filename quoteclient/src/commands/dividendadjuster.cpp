#include "dividendadjuster.h"

#include <mutex>
#include <shared_mutex>
#include <vector>

#include "context.h"
#include "symbolrecord.h"
#include "symboltable.h"
#include "tablelock.h"

namespace {

inline void apply(QuoteKPoint& bar, double factor, double sum)
{
    bar.high = static_cast<float>(bar.high * factor + sum);
    bar.open = static_cast<float>(bar.open * factor + sum);
    bar.low = static_cast<float>(bar.low * factor + sum);
    bar.close = static_cast<float>(bar.close * factor + sum);
}

}  // namespace

void DividendAdjuster::adjust(QuoteKPoint* bars, std::size_t n, const DividendEvent* events, std::size_t count,
                              int option)
{
    if (n == 0 || count == 0 || (option & kOptionNoAdjust))
        return;
    if (option & kOptionForward) {
        // The oldest event dated after the first bar (events are newest first).
        std::ptrdiff_t e = -1;
        for (std::size_t i = count; i-- > 0;) {
            if (events[i].time > bars[0].time) {
                e = static_cast<std::ptrdiff_t>(i);
                break;
            }
        }
        if (e < 0)
            return;
        for (std::size_t b = 0; b < n; ++b) {
            while (e >= 0 && events[e].time <= bars[b].time)
                --e;
            if (e < 0)
                break;
            apply(bars[b], events[e].forward_factor, events[e].forward_sum);
        }
        return;
    }
    if (option & kOptionBackward) {
        // The newest event dated on or before the last bar.
        std::size_t e = 0;
        while (e < count && events[e].time > bars[n - 1].time)
            ++e;
        if (e == count)
            return;
        for (std::size_t b = n; b-- > 0;) {
            // A bar dated on the event's day is on its far side: it is adjusted.
            while (e < count && bars[b].time < events[e].time)
                ++e;
            if (e == count)
                break;
            apply(bars[b], events[e].backward_factor, events[e].backward_sum);
        }
    }
}

void DividendAdjuster::adjust_for(QuoteKPoint* bars, std::size_t n, const Context& context, SymbolTable* symbols)
{
    if (n == 0 || !symbols)
        return;
    const int option = context.option();
    if ((option & kOptionNoAdjust) || !(option & (kOptionForward | kOptionBackward)))
        return;
    CodeEntry code;
    if (!context.first_code(&code))
        return;
    std::vector<DividendEvent> events;
    {
        std::shared_lock<std::shared_mutex> lock(quote_tables_mutex());
        const SymbolRecord* record = symbols->find_locked(SymbolTable::make_key_entry17(code.bytes.data()));
        if (!record)
            return;
        events = record->links.dividends;
    }
    adjust(bars, n, events.data(), events.size(), option);
}
