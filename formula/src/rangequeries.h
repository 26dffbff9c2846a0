// Queries over windows whose bounds move freely from bar to bar (a period
// given as a series, N past the bar index, the whole history), each in a cost
// that does not grow with the window:
// - BestStack: the oldest best value of any window ending at the current bar
//   (hhv, llv and their distances), by binary search in a monotonic stack;
// - RankSweep: how many values of each window lie below a bound and their sum
//   (hod, lod, avedev), offline over a Fenwick tree of value ranks;
// - RankSelect: the T-th value of any window in a rank order and the oldest bar
//   holding it (findhigh, findlow and their distances), by a wavelet matrix.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scratchpool.h"

namespace rangequeries {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Bars of a series pushed in ascending order; keeps those that no later bar
// beats strictly (Cmp::better), so the kept values run from best to worst and,
// among equal values, the oldest comes first. The best value of the window
// [from, current bar] is then the first kept bar at or after from, which is
// also the oldest bar holding it. NaN values are never kept.
template <typename Cmp>
class BestStack {
public:
    explicit BestStack(std::size_t capacity) : bars_(capacity) {}

    void push(const float* x, uint32_t i)
    {
        const float v = x[i];
        if (std::isnan(v))
            return;
        while (size_ > 0 && Cmp::better(v, x[bars_[size_ - 1]]))
            --size_;
        bars_[size_++] = i;
    }

    // The oldest best bar of [from, last pushed bar], kNone when it holds no
    // number.
    uint32_t bestFrom(uint32_t from) const
    {
        const uint32_t* b = bars_.data();
        if (size_ == 0)
            return kNone;
        if (b[0] >= from)
            return b[0];
        const uint32_t* it = std::lower_bound(b, b + size_, from);
        return it == b + size_ ? kNone : *it;
    }

private:
    ScratchVector<uint32_t> bars_;
    std::size_t size_ = 0;
};

// Dense ranks of values (kNone: no rank) per bar, and one value of each rank.
struct Ranks {
    ScratchVector<uint32_t> rank;  // per bar from first
    ScratchVector<float> sorted;   // one value per rank, in rank order
};

// Order keys of floats as unsigned integers: ascending keys follow the
// ascending values, -0 and +0 share a key, and every NaN takes the one key
// kNaNKey above all numbers.
constexpr uint32_t kNaNKey = 0xFFFFFFFFu;

inline uint32_t ascendingKey(float v)
{
    if (std::isnan(v))
        return kNaNKey;
    v += 0.0f;  // -0 becomes +0
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

// Descending values, NaN still last.
inline uint32_t descendingKey(float v)
{
    const uint32_t k = ascendingKey(v);
    return k == kNaNKey ? k : ~k;
}

// Dense ranks of the values of x[first, end) in the order of key(value);
// values whose key is skip take no rank (kNone). Equal keys share a rank, and
// sorted[r] is a value of rank r. A radix sort of (key, bar) pairs: O(bars).
template <typename Key>
void rankValues(const float* x, uint32_t first, uint32_t end, Key key, uint32_t skip, Ranks& out)
{
    const std::size_t n = end > first ? end - first : 0;
    out.rank.assign(n, kNone);
    out.sorted.clear();
    ScratchVector<uint64_t> items, spare;
    items.reserve(n);
    for (std::size_t j = 0; j < n; ++j) {
        const uint32_t k = key(x[first + j]);
        if (k != skip)
            items.push_back((static_cast<uint64_t>(k) << 32) | j);
    }
    spare.resize(items.size());
    // Three passes of 11 bits over the key (bits 32 to 64).
    for (int shift = 32; shift < 64; shift += 11) {
        std::size_t count[2049] = {};
        for (uint64_t v : items)
            ++count[((v >> shift) & 2047u) + 1];
        for (std::size_t d = 0; d < 2048; ++d)
            count[d + 1] += count[d];
        for (uint64_t v : items)
            spare[count[(v >> shift) & 2047u]++] = v;
        items.swap(spare);
    }
    out.sorted.reserve(items.size());
    uint64_t prev = 0;
    for (std::size_t t = 0; t < items.size(); ++t) {
        const uint64_t v = items[t];
        const uint32_t j = static_cast<uint32_t>(v);
        if (t == 0 || (v >> 32) != (prev >> 32))
            out.sorted.push_back(x[first + j]);
        out.rank[j] = static_cast<uint32_t>(out.sorted.size() - 1);
        prev = v;
    }
}

// std::lower_bound of t over the ascending values s[0, n) (the first index
// whose value is not below t), searched outward from guess: a bound that
// moves little from bar to bar (a window's mean) costs a few steps instead
// of log n unpredictable ones.
inline uint32_t lowerBoundFrom(const float* s, uint32_t n, double t, uint32_t guess)
{
    uint32_t lo = 0, hi = n;  // the answer lies in [lo, hi]
    if (guess > n)
        guess = n;
    if (guess < n && s[guess] < t) {
        lo = guess + 1;
        for (uint64_t step = 1;; step *= 2) {
            const uint64_t probe = lo + step - 1;
            if (probe >= n) {
                hi = n;
                break;
            }
            if (!(s[probe] < t)) {
                hi = static_cast<uint32_t>(probe);
                break;
            }
            lo = static_cast<uint32_t>(probe + 1);
        }
    } else {
        hi = guess;
        for (uint64_t step = 1;; step *= 2) {
            if (hi < step) {
                lo = 0;
                break;
            }
            const uint32_t probe = static_cast<uint32_t>(hi - step);
            if (s[probe] < t) {
                lo = probe + 1;
                break;
            }
            hi = probe;
        }
    }
    return static_cast<uint32_t>(std::lower_bound(s + lo, s + hi, t, [](float v, double b) { return v < b; }) - s);
}

// Offline answers for windows [from_i, i] of bars i in [first, end): how many
// ranked values of the window have a rank below limit_i, the sum of their
// weights, and how many ranked values the window holds. Each window is the
// difference of two prefixes, read while one sweep adds the bars to a Fenwick
// tree of ranks: O(bars log bars) whatever the windows.
class RankSweep {
public:
    struct Answer {
        uint32_t below = 0;   // ranked values with rank < limit
        double sum = 0.0;     // their weights
        uint32_t ranked = 0;  // ranked values in the window
        uint32_t from = 0;    // the window's first bar
    };

    // ranks[i - first] (kNone: not ranked), weights[i - first] (may be null),
    // m ranks. window(i, from, limit) returns false for a bar that asks
    // nothing, else sets from (first <= from <= i) and limit; emit(i, answer).
    template <typename Window, typename Emit>
    void run(const uint32_t* ranks, const double* weights, std::size_t m, uint32_t first, uint32_t end, Window window,
             Emit emit)
    {
        if (end <= first)
            return;
        const std::size_t n = end - first;
        from_.resize(n);
        limit_.resize(n);
        head_.assign(n, kNone);  // queries to subtract at bar first + p
        next_.resize(n);
        early_.resize(n);
        for (uint32_t i = first; i < end; ++i) {
            uint32_t from = 0, limit = 0;
            const std::size_t q = i - first;
            if (!window(i, from, limit)) {
                from_[q] = kNone;
                continue;
            }
            from_[q] = from;
            limit_[q] = limit;
            early_[q] = Answer();
            if (from > first) {
                const std::size_t at = from - 1 - first;
                next_[q] = head_[at];
                head_[at] = static_cast<uint32_t>(q);
            }
        }
        count_.assign(m + 1, 0);
        sum_.assign(weights ? m + 1 : 0, 0.0);
        uint32_t added = 0;
        for (uint32_t p = first; p < end; ++p) {
            const std::size_t at = p - first;
            const uint32_t r = ranks[at];
            if (r != kNone) {
                ++added;
                for (std::size_t t = r + 1; t <= m; t += t & (~t + 1))
                    ++count_[t];
                if (weights) {
                    const double w = weights[at];
                    for (std::size_t t = r + 1; t <= m; t += t & (~t + 1))
                        sum_[t] += w;
                }
            }
            for (uint32_t q = head_[at]; q != kNone; q = next_[q]) {
                early_[q] = prefix(limit_[q], weights != nullptr);
                early_[q].ranked = added;
            }
            if (from_[at] == kNone)
                continue;
            Answer a = prefix(limit_[at], weights != nullptr);
            a.below -= early_[at].below;
            a.sum -= early_[at].sum;
            a.ranked = added - early_[at].ranked;
            a.from = from_[at];
            emit(p, a);
        }
    }

private:
    Answer prefix(std::size_t limit, bool sums) const
    {
        Answer a;
        for (std::size_t t = limit; t > 0; t -= t & (~t + 1)) {
            a.below += count_[t];
            if (sums)
                a.sum += sum_[t];
        }
        return a;
    }

    ScratchVector<uint32_t> from_, limit_, head_, next_, count_;
    ScratchVector<Answer> early_;
    ScratchVector<double> sum_;
};

// The k-th smallest rank (k from 0) of any span of a sequence of ranks, in
// O(log ranks) per query: a wavelet matrix, one bit vector per bit of the
// rank from the highest, each with counts of set bits per 64-bit word.
class RankSelect {
public:
    void build(const uint32_t* ranks, std::size_t n, std::size_t m)
    {
        n_ = n;
        levels_ = 1;
        while ((std::size_t{1} << levels_) < m)
            ++levels_;
        words_ = n / 64 + 1;
        words.assign(static_cast<std::size_t>(levels_) * words_, Word());
        zeros_.assign(static_cast<std::size_t>(levels_), 0);
        cur_.assign(ranks, ranks + n);
        tmp_.resize(n);
        for (int l = 0; l < levels_; ++l) {
            const int bit = levels_ - 1 - l;
            Word* w = &words[static_cast<std::size_t>(l) * words_];
            std::size_t z = 0;
            for (std::size_t i = 0; i < n; ++i) {
                if ((cur_[i] >> bit) & 1u)
                    w[i / 64].bits |= uint64_t{1} << (i % 64);
                else
                    ++z;
            }
            uint32_t acc = 0;
            for (std::size_t t = 0; t < words_; ++t) {
                w[t].ones = acc;
                acc += popcount(w[t].bits);
            }
            zeros_[static_cast<std::size_t>(l)] = z;
            // Stable split: zeros first, then ones.
            std::size_t zi = 0, oi = z;
            for (std::size_t i = 0; i < n; ++i) {
                if ((cur_[i] >> bit) & 1u)
                    tmp_[oi++] = cur_[i];
                else
                    tmp_[zi++] = cur_[i];
            }
            cur_.swap(tmp_);
        }
    }

    // The k-th smallest rank of positions [lo, hi) (k < hi - lo).
    uint32_t kth(std::size_t lo, std::size_t hi, std::size_t k) const
    {
        uint32_t r = 0;
        for (int l = 0; l < levels_; ++l) {
            const std::size_t zl = lo - onesBefore(l, lo);
            const std::size_t zh = hi - onesBefore(l, hi);
            r <<= 1;
            if (k < zh - zl) {
                lo = zl;
                hi = zh;
            } else {
                k -= zh - zl;
                const std::size_t z = zeros_[static_cast<std::size_t>(l)];
                lo = z + (lo - zl);
                hi = z + (hi - zh);
                r |= 1u;
            }
        }
        return r;
    }

private:
    static uint32_t popcount(uint64_t w)
    {
        w = w - ((w >> 1) & 0x5555555555555555ull);
        w = (w & 0x3333333333333333ull) + ((w >> 2) & 0x3333333333333333ull);
        w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Full;
        return static_cast<uint32_t>((w * 0x0101010101010101ull) >> 56);
    }

    std::size_t onesBefore(int l, std::size_t i) const
    {
        const Word& w = words[static_cast<std::size_t>(l) * words_ + i / 64];
        const uint64_t mask = (i % 64) ? (w.bits & ((uint64_t{1} << (i % 64)) - 1)) : 0;
        return w.ones + popcount(mask);
    }

    // 64 bits of a level and the set bits before them, side by side.
    struct Word {
        uint64_t bits = 0;
        uint64_t ones = 0;
    };

    std::size_t n_ = 0, words_ = 0;
    int levels_ = 0;
    ScratchVector<Word> words;
    ScratchVector<std::size_t> zeros_;
    ScratchVector<uint32_t> cur_, tmp_;
};

// Counts of ranks over a window that moves by adding and removing bars, with
// the k-th smallest rank found by descending the Fenwick tree: a window that
// slides by a bar costs O(log ranks).
class RankWindow {
public:
    void reset(std::size_t m)
    {
        m_ = m;
        tree_.assign(m + 1, 0);
        top_ = 1;
        while (top_ * 2 <= m)
            top_ *= 2;
    }
    void add(uint32_t r, int32_t delta)
    {
        for (std::size_t t = r + 1; t <= m_; t += t & (~t + 1))
            tree_[t] = static_cast<uint32_t>(static_cast<int64_t>(tree_[t]) + delta);
    }
    // The k-th smallest rank held (k from 0, below the number held).
    uint32_t kth(std::size_t k) const
    {
        std::size_t pos = 0;
        for (std::size_t step = top_; step > 0; step /= 2) {
            if (pos + step <= m_ && tree_[pos + step] <= k) {
                pos += step;
                k -= tree_[pos];
            }
        }
        return static_cast<uint32_t>(pos);
    }

private:
    std::size_t m_ = 0, top_ = 1;
    ScratchVector<uint32_t> tree_;
};

// Positions grouped by rank, ascending within each rank: the oldest bar at or
// after from that holds rank r, by binary search.
class RankPositions {
public:
    void build(const uint32_t* ranks, std::size_t n, std::size_t m)
    {
        start_.assign(m + 1, 0);
        for (std::size_t i = 0; i < n; ++i)
            ++start_[ranks[i] + 1];
        for (std::size_t r = 0; r < m; ++r)
            start_[r + 1] += start_[r];
        pos_.resize(n);
        fill_.assign(start_.begin(), start_.end() - 1);
        for (std::size_t i = 0; i < n; ++i)
            pos_[fill_[ranks[i]]++] = static_cast<uint32_t>(i);
    }

    // The first position >= from holding rank r (kNone when none).
    uint32_t firstFrom(uint32_t r, uint32_t from) const
    {
        const uint32_t* b = pos_.data() + start_[r];
        const uint32_t* e = pos_.data() + start_[r + 1];
        const uint32_t* it = std::lower_bound(b, e, from);
        return it == e ? kNone : *it;
    }

private:
    ScratchVector<uint32_t> start_, fill_, pos_;
};

}  // namespace rangequeries
