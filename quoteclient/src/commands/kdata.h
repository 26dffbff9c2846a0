// KData: what a K-line context client keeps: the symbol's identity as the last
// full answer reported it, its state flag (kStateMoreAvailable allows loading
// more), the price scale, the bar cache (ascending by time) and the load-more flag.
//
// The cache is changed by replies on the engine thread and read by request
// bodies (caller's thread, loop thread on re-sends) and by refresh; the mutex
// guards everything but `loading`, which is atomic.
#ifndef PELMAR_KDATA_H
#define PELMAR_KDATA_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "quote.h"

class KData {
public:
    // The state flag of a full answer that has older bars to load.
    static constexpr uint8_t kStateMoreAvailable = 2;

    explicit KData(uint8_t period) : period_(period) {}

    // Merges bars (ascending by time) into the cache; a bar whose time is
    // already cached replaces the cached one.
    void merge(const std::vector<QuoteKPoint>& bars);
    // The merge rule itself.
    static void merge_into(std::vector<QuoteKPoint>& cache, const std::vector<QuoteKPoint>& bars);

    // What a full answer reports about the symbol.
    void set_info(const QuoteCodeInfo& info, uint8_t period, uint8_t state, float scale);
    float scale() const;
    uint8_t period() const;
    uint8_t state() const;
    // The last full answer said older bars can be loaded.
    bool more_available() const { return state() == kStateMoreAvailable; }

    bool empty() const;
    std::size_t size() const;
    // Times of the oldest and newest cached bars; false when empty.
    bool oldest_time(int64_t* out) const;
    bool newest_time(int64_t* out) const;
    std::vector<QuoteKPoint> copy() const;

    std::atomic<bool> loading{false};

private:
    mutable std::mutex mutex_;  // guards the members below
    QuoteCodeInfo info_{};
    uint8_t period_ = 0;
    uint8_t state_ = 0;
    float scale_ = 1;
    std::vector<QuoteKPoint> cache_;
};

#endif
