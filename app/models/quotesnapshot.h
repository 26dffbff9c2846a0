// QuoteSnapshot: one stock's last bars (K-lines or minute line) and quote
// record, copied out of the library's delivery so that they can be handed on
// later in the same form (a chart takes them as if they had just arrived).
#pragma once

#include <vector>

#include "quote.h"

class QuoteSnapshot {
public:
    QuoteSnapshot() = default;
    // The records point into the snapshot's own storage.
    QuoteSnapshot(const QuoteSnapshot&) = delete;
    QuoteSnapshot& operator=(const QuoteSnapshot&) = delete;

    // GUI thread, during the library's delivery. A record without points
    // leaves the bars held as they were.
    void takeKLine(const QuoteKPoints& k);
    void takeMinute(const QuoteMinPoints& m);
    void takePrice(const QuoteRealTimeMarket& rt);

    // The copies, or null when none came.
    const QuoteKPoints* kLine() const { return kPoints_.empty() ? nullptr : &kLine_; }
    const QuoteMinPoints* minute() const { return minPoints_.empty() ? nullptr : &minute_; }
    const QuoteRealTimeMarket* price() const { return hasPrice_ ? &price_ : nullptr; }

private:
    std::vector<QuoteKPoint> kPoints_;
    QuoteKPoints kLine_{};
    std::vector<QuoteMinPoint> minPoints_;
    QuoteMinAxis axis_{};
    QuoteMinPoints minute_{};
    QuoteRealTimeMarket price_{};
    bool hasPrice_ = false;
};
