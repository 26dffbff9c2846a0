// Functions 1 to 4: marking bars a distance back, segment ends and their pairs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tdxfunctions.h"

namespace ostrilug {

void tdxMarkBack(int count, float* out, float* a, float*, float*)
{
    if (count <= 0 || !out || !a)
        return;
    for (int i = 0; i < count; ++i) {
        const int32_t k = truncToInt(a[i]);
        if (k >= 0 && k <= i)
            out[i - k] = 1.0f;
    }
}

namespace {
// Offset that folds a short follow-on segment end into the kept one before it.
constexpr int64_t kFolded = 100000;
// Placeholder for a plain mark in out until the marks are numbered.
constexpr float kPlainMark = -1.0f;
}  // namespace

// The list of segment starts and ends is thinned in place: an entry of 0 is a
// removed one (so bar 0 is never marked), an entry above kFolded marks a
// folded end at entry - kFolded. Plain marks are held apart from the mark 3
// until they are numbered, so a plain mark at bar 3 is numbered like any other.
void tdxSegmentEnds(int count, float* out, float* a, float*, float*)
{
    if (count <= 0 || !out || !a)
        return;
    std::fill(out, out + count, 0.0f);
    std::vector<int64_t> v;
    v.reserve(64);
    for (int i = 0; i < count; ++i) {
        const int32_t k = truncToInt(a[i]);
        if (k == 0)
            continue;
        v.push_back(int64_t(i) - int64_t(k));
        v.push_back(i);
    }

    auto nextNonZero = [&v](size_t from) {
        size_t t = from + 1;
        while (t < v.size() && v[t] == 0)
            ++t;
        return t;
    };
    // Entries behind the walk no longer change, so the last kept end before
    // position j is tracked as the walk passes them.
    size_t scanned = 1;
    size_t lastKept = 0;  // 0: none yet
    for (size_t j = 2; j < v.size(); ++j) {
        for (; scanned < j; ++scanned)
            if (v[scanned] > 0 && v[scanned] < kFolded)
                lastKept = scanned;
        const int64_t hi = lastKept ? v[lastKept] : 0;
        const int64_t lo = lastKept ? v[lastKept - 1] : 0;
        const int64_t cur = v[j];
        if ((cur < lo || cur > hi) && cur - hi >= 10) {
            const size_t t = nextNonZero(j);
            if (t < v.size())
                j = t;
        } else {
            v[j] = 0;
            const size_t t = nextNonZero(j);
            if (t < v.size()) {
                j = t;
                v[t] = v[t] - hi < 5 ? v[t] + kFolded : 0;
            }
        }
    }

    for (int64_t e : v) {
        if (e > kFolded) {
            if (e - kFolded < count)
                out[e - kFolded] = 3.0f;
        } else if (e > 0 && e < count) {
            out[e] = kPlainMark;
        }
    }
    int64_t counter = 1;
    for (int i = 0; i < count; ++i) {
        if (out[i] != kPlainMark)
            continue;
        out[i] = (counter % 2) ? 1.0f : 2.0f;
        ++counter;
    }
}

namespace {
// Pairs each mark 1 of a with the first later mark 2 and writes pick(b[i], b[j])
// on both bars; marks 3 are passed through when keepThrees is set.
template <typename Pick>
void pairMarks(int count, float* out, const float* a, const float* b, Pick pick, bool keepThrees)
{
    if (count <= 0 || !out || !a || !b)
        return;
    std::fill(out, out + count, 0.0f);
    bool twosLeft = true;  // once a search finds no 2, no later one will
    int i = 0;
    while (i < count) {
        const int32_t k = truncToInt(a[i]);
        if (k == 1 && twosLeft) {
            int j = i + 1;
            while (j < count && a[j] != 2.0f)
                ++j;
            if (j < count) {
                out[i] = out[j] = pick(b[i], b[j]);
                i = j + 1;
                continue;
            }
            twosLeft = false;
        } else if (k == 3 && keepThrees) {
            out[i] = 3.0f;
        }
        ++i;
    }
}
}  // namespace

void tdxPairHigh(int count, float* out, float* a, float* b, float*)
{
    pairMarks(
        count, out, a, b, [](float x, float y) { return std::max(x, y); }, true);
}

void tdxPairLow(int count, float* out, float* a, float* b, float*)
{
    pairMarks(
        count, out, a, b, [](float x, float y) { return std::min(x, y); }, false);
}

}  // namespace ostrilug
