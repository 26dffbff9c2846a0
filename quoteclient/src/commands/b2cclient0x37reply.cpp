#include "b2cclient0x37reply.h"

#include <mutex>
#include <shared_mutex>

#include "b2cservice.h"
#include "datetime.h"
#include "realtimerowparser.h"
#include "replyreader.h"
#include "tablelock.h"

static_assert(sizeof(QuoteDividend) == sizeof(DividendEvent), "dividend records match");

void B2CClient0x37Reply::compute_factors(QuoteDividend* events, std::size_t n)
{
    // Forward, newest to oldest.
    double b = 1, s = 0;
    for (std::size_t i = 0; i < n; ++i) {
        QuoteDividend& e = events[i];
        const double d = 1 + e.rights_ratio + e.bonus_ratio;
        if (d > 0) {
            const double g = e.rights_price * e.rights_ratio - e.cash_dividend;
            s = s + g / d * b;
            b = b / d;
        }
        e.forward_sum = s;
        e.forward_factor = b;
    }
    // Backward, oldest to newest.
    double f = 1, t = 0;
    for (std::size_t i = n; i-- > 0;) {
        QuoteDividend& e = events[i];
        const double d = 1 + e.rights_ratio + e.bonus_ratio;
        if (d > 0) {
            const double g = e.rights_price * e.rights_ratio - e.cash_dividend;
            t = t - g * f;
            f = f * d;
        }
        e.backward_factor = f;
        e.backward_sum = t;
    }
}

// Engine thread.
bool B2CClient0x37Reply::parse()
{
    static const float kDivisors[] = {10.0f, 100.0f, 1000.0f, 10000.0f, 100000.0f};
    ReplyReader in(payload());
    RealTimeRowParser::read_identity(in, record_.code_info);
    const int16_t n = in.i16();
    if (!in.count_fits(n, 24))
        return false;
    // A decimal byte beyond the table takes its last divisor.
    const float divisor = kDivisors[record_.code_info.decimal < 4 ? record_.code_info.decimal : 4];
    events_.assign(static_cast<std::size_t>(n), QuoteDividend{});
    for (QuoteDividend& e : events_) {
        const int32_t date = in.i32();
        e.cash_dividend = static_cast<float>(in.i32()) / 100.0f;
        e.rights_price = static_cast<float>(in.i32()) / divisor;
        e.rights_ratio = static_cast<float>(in.i32()) / 100.0f;
        e.bonus_ratio = static_cast<float>(in.i32()) / 100.0f;
        in.i32();
        if (!in.ok())
            return false;
        e.time = DateTime::decimal(date);
    }
    compute_factors(events_.data(), events_.size());

    if (engine_ && record_.code_info.code[0] != '\0') {
        std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
        if (SymbolRecord* record = engine_->symbols().insert_locked(record_.code_info)) {
            auto& list = record->links.dividends;
            list.resize(events_.size());
            for (std::size_t i = 0; i < events_.size(); ++i) {
                const QuoteDividend& e = events_[i];
                list[i] =
                    DividendEvent{e.time,           e.bonus_ratio, e.rights_ratio,    e.rights_price, e.cash_dividend,
                                  e.forward_factor, e.forward_sum, e.backward_factor, e.backward_sum};
            }
        }
    }
    deliver_one(QUOTE_REPLY_DIVIDEND, record_, record_.events, events_);
    return true;
}
