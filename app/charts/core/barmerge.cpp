#include "charts/core/barmerge.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// Every time stamp of e (ascending) is one of n's (ascending).
bool coversTimes(const std::vector<ChartBar>& n, const std::vector<ChartBar>& e)
{
    std::size_t j = 0;
    for (const ChartBar& b : e) {
        while (j < n.size() && n[j].time < b.time)
            ++j;
        if (j == n.size() || n[j].time != b.time)
            return false;
        ++j;
    }
    return true;
}

// When each bar of n (ascending) has a bar of e with its time stamp, and n
// is short against e, those bars of e are overwritten with n's and true is
// returned; otherwise e stays as it was and false is returned.
bool replaceHeldTimes(std::vector<ChartBar>& e, const std::vector<ChartBar>& n)
{
    if (n.size() > 16 || n.size() * 64 > e.size())
        return false;
    std::size_t at[16];
    auto from = e.begin();
    for (std::size_t k = 0; k < n.size(); ++k) {
        from = std::lower_bound(from, e.end(), n[k].time, [](const ChartBar& b, int32_t t) { return b.time < t; });
        if (from == e.end() || from->time != n[k].time || (k > 0 && std::size_t(from - e.begin()) <= at[k - 1]))
            return false;
        at[k] = std::size_t(from - e.begin());
    }
    for (std::size_t k = 0; k < n.size(); ++k)
        e[at[k]] = n[k];
    return true;
}

}  // namespace

void mergeBars(std::vector<ChartBar>& e, std::vector<ChartBar>&& n)
{
    if (e.empty()) {
        e = std::move(n);
        return;
    }
    if (n.empty())
        return;
    const int32_t nFirst = n.front().time, nLast = n.back().time;
    const int32_t eFirst = e.front().time, eLast = e.back().time;
    if (nFirst < eLast) {
        if (nFirst <= eFirst && eLast <= nLast && n.size() >= e.size() && coversTimes(n, e)) {
            // The whole series again (a live record): the merge would give n.
            e.swap(n);
        } else if (eFirst < nLast && replaceHeldTimes(e, n)) {
            // Every new bar replaced the held one of its time stamp in place
            // (a pushed correction): what the ordered merge below would give.
        } else if (eFirst < nLast) {
            // Overlap: one ordered merge; on equal time stamps the new bar replaces the held one.
            std::vector<ChartBar> out;
            out.reserve(e.size() + n.size());
            auto a = n.begin(), b = e.begin();
            while (a != n.end() && b != e.end()) {
                if (b->time < a->time) {
                    out.push_back(*b++);
                } else {
                    if (b->time == a->time)
                        ++b;
                    out.push_back(*a++);
                }
            }
            out.insert(out.end(), a, n.end());
            out.insert(out.end(), b, e.end());
            e.swap(out);
        } else if (eFirst == nLast && n.size() == 1) {
            e.front() = n.front();
        } else {
            // Older history goes in front.
            const std::size_t skip = eFirst == nLast ? 1 : 0;
            n.reserve(n.size() + e.size() - skip);
            n.insert(n.end(), e.begin() + std::ptrdiff_t(skip), e.end());
            e.swap(n);
        }
    } else if (nFirst == eLast) {
        if (n.size() == 1) {
            e.back() = n.front();
        } else {
            e.pop_back();
            e.insert(e.end(), std::make_move_iterator(n.begin()), std::make_move_iterator(n.end()));
        }
    } else {
        e.insert(e.end(), std::make_move_iterator(n.begin()), std::make_move_iterator(n.end()));
    }
}

int firstChangedBar(const std::vector<ChartBar>& was, const std::vector<ChartBar>& now)
{
    const std::size_t n = std::min(was.size(), now.size());
    constexpr std::size_t kBlock = 256;
    std::size_t i = 0;
    while (i < n) {
        const std::size_t len = std::min(kBlock, n - i);
        if (std::memcmp(&was[i], &now[i], len * sizeof(ChartBar)) != 0) {
            while (std::memcmp(&was[i], &now[i], sizeof(ChartBar)) == 0)
                ++i;
            return int(i);
        }
        i += len;
    }
    return int(n);
}

void recomputePreviousClose(std::vector<ChartBar>& bars)
{
    float prev = bars.empty() ? 0.0f : bars.front().close;
    for (ChartBar& b : bars) {
        b.preClose = prev;
        prev = b.close;
    }
}

void alignToBase(const std::vector<ChartBar>& base, const std::vector<ChartBar>& overlay, std::vector<ChartBar>& out)
{
    out.assign(base.size(), fillerBar());
    std::size_t j = 0;
    for (std::size_t i = 0; i < base.size() && j < overlay.size(); ++i) {
        const int32_t t = base[i].time;
        while (j < overlay.size() && overlay[j].time < t)
            ++j;
        if (j < overlay.size() && overlay[j].time == t)
            out[i] = overlay[j++];
    }
}

void followKLineRange(ChartRange& r, int oldCount, int newCount, bool reset, int showNumber)
{
    // A layer that held no bars has no window to keep: its first bars are
    // placed like a reset.
    if (reset || oldCount <= 0) {
        r.begin = std::max(0, newCount - showNumber);
        r.end = std::max(0, newCount - 1);
        r.crosshair = r.end;
        return;
    }
    const int d = newCount - oldCount;
    if (d > 0) {
        r.begin = std::max(0, r.begin + d);
        r.crosshair += d;
        r.end = std::max(0, std::min(newCount - 1, r.end + d));
    }
    r.crosshair = std::max(r.begin, std::min(r.crosshair, r.end));
}

void followMinuteRange(ChartRange& r, int count, int showNumber, bool crosshairShown)
{
    r.begin = std::max(0, count - showNumber);
    r.end = std::max(0, count - 1);
    if (!(crosshairShown && r.crosshair != -1))
        r.crosshair = r.end;
}
