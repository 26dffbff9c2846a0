#include "kdata.h"

#include <algorithm>

void KData::merge_into(std::vector<QuoteKPoint>& cache, const std::vector<QuoteKPoint>& bars)
{
    if (bars.empty())
        return;
    if (cache.empty()) {
        cache = bars;
        return;
    }
    const int64_t new_first = bars.front().time, new_last = bars.back().time;
    const int64_t old_first = cache.front().time, old_last = cache.back().time;
    if (new_first >= old_last) {
        // At or after the end: the bar at the cached end is replaced.
        if (new_first == old_last)
            cache.pop_back();
        cache.insert(cache.end(), bars.begin(), bars.end());
        return;
    }
    if (new_last <= old_first) {
        // At or before the start: the bar at the cached start is replaced.
        const std::size_t skip = new_last == old_first ? 1 : 0;
        cache.insert(cache.begin() + static_cast<std::ptrdiff_t>(skip), bars.begin(), bars.end());
        if (skip)
            cache.erase(cache.begin());
        return;
    }
    // Overlapping: ordered merge, the new bar wins on equal times.
    std::vector<QuoteKPoint> out;
    out.reserve(cache.size() + bars.size());
    std::size_t i = 0, j = 0;
    while (i < cache.size() || j < bars.size()) {
        if (j == bars.size() || (i < cache.size() && cache[i].time < bars[j].time)) {
            out.push_back(cache[i++]);
        } else {
            if (i < cache.size() && cache[i].time == bars[j].time)
                ++i;
            out.push_back(bars[j++]);
        }
    }
    cache.swap(out);
}

// Engine thread.
void KData::merge(const std::vector<QuoteKPoint>& bars)
{
    std::lock_guard<std::mutex> lock(mutex_);
    merge_into(cache_, bars);
}

void KData::set_info(const QuoteCodeInfo& info, uint8_t period, uint8_t state, float scale)
{
    std::lock_guard<std::mutex> lock(mutex_);
    info_ = info;
    period_ = period;
    state_ = state;
    scale_ = scale;
}

float KData::scale() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return scale_;
}

uint8_t KData::period() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return period_;
}

uint8_t KData::state() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

bool KData::empty() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cache_.empty();
}

std::size_t KData::size() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cache_.size();
}

bool KData::oldest_time(int64_t* out) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (cache_.empty())
        return false;
    *out = cache_.front().time;
    return true;
}

bool KData::newest_time(int64_t* out) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (cache_.empty())
        return false;
    *out = cache_.back().time;
    return true;
}

std::vector<QuoteKPoint> KData::copy() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cache_;
}
