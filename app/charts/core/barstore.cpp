#include "charts/core/barstore.h"

#include <algorithm>
#include <cstring>

namespace {

bool sameBits(const ChartBar& a, const ChartBar& b)
{
    return std::memcmp(&a, &b, sizeof(ChartBar)) == 0;
}

// Previous closes of bars from..end from the close before from (bar 0: its own).
void previousClosesFrom(std::vector<ChartBar>& bars, std::size_t from)
{
    if (from >= bars.size())
        return;
    float prev = from == 0 ? bars.front().close : bars[from - 1].close;
    for (std::size_t i = from; i < bars.size(); ++i) {
        bars[i].preClose = prev;
        prev = bars[i].close;
    }
}

auto timeBefore = [](const ChartBar& b, int32_t t) { return b.time < t; };

}  // namespace

int pushBars(std::vector<ChartBar>& held, std::vector<ChartBar>&& record)
{
    if (record.empty())
        return int(held.size());
    if (held.empty()) {
        held = std::move(record);
        previousClosesFrom(held, 0);
        return 0;
    }
    const int32_t first = record.front().time;
    if (first >= held.back().time) {
        // The newest bars: the last one replaced, newer ones appended.
        const bool replaces = first == held.back().time;
        const std::size_t from = held.size() - (replaces ? 1 : 0);
        const ChartBar last = held.back();
        held.resize(from);
        held.insert(held.end(), record.begin(), record.end());
        previousClosesFrom(held, from);
        if (replaces && held.size() == from + 1 && sameBits(held[from], last))
            return int(held.size());  // the last bar again, unchanged
        return int(from);
    }
    // Older bars. A few that each land on a held time stamp replace those
    // bars in place (a pushed correction): only their own previous closes
    // and those of the bars after them change.
    constexpr std::size_t kInPlace = 16;
    if (record.size() <= kInPlace) {
        std::size_t at[kInPlace];
        auto it = held.begin();
        bool found = true;
        for (std::size_t k = 0; k < record.size() && found; ++k) {
            it = std::lower_bound(it, held.end(), record[k].time, timeBefore);
            found = it != held.end() && it->time == record[k].time;
            at[k] = std::size_t(it - held.begin());
            if (found)
                ++it;
        }
        if (found) {
            std::size_t changed = held.size();
            for (std::size_t k = 0; k < record.size(); ++k) {
                const std::size_t i = at[k];
                ChartBar b = record[k];
                b.preClose = i == 0 ? b.close : held[i - 1].close;
                if (sameBits(b, held[i]))
                    continue;
                changed = std::min(changed, i);
                held[i] = b;
                if (i + 1 < held.size())
                    held[i + 1].preClose = b.close;
            }
            return int(changed);
        }
    }
    // Merge from the first record bar's time on; the bars before it stay.
    const std::size_t p = std::size_t(std::lower_bound(held.begin(), held.end(), first, timeBefore) - held.begin());
    std::vector<ChartBar> tail;
    tail.reserve(held.size() - p + record.size());
    auto a = record.begin();
    auto b = held.begin() + std::ptrdiff_t(p);
    while (a != record.end() && b != held.end()) {
        if (b->time < a->time) {
            tail.push_back(*b++);
        } else {
            if (b->time == a->time)
                ++b;
            tail.push_back(*a++);
        }
    }
    tail.insert(tail.end(), a, record.end());
    tail.insert(tail.end(), b, held.end());
    float prev = p == 0 ? tail.front().close : held[p - 1].close;
    for (ChartBar& t : tail) {
        t.preClose = prev;
        prev = t.close;
    }
    std::size_t same = 0;
    const std::size_t common = std::min(tail.size(), held.size() - p);
    while (same < common && sameBits(tail[same], held[p + same]))
        ++same;
    // Nothing differs only when the merge added no bar either.
    const std::size_t changed = p + same;
    held.resize(p);
    held.insert(held.end(), tail.begin(), tail.end());
    return int(changed);
}
