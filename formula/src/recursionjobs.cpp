// The loops that wait (FormulaContext::PendingJob), run when a later step
// reads a result: every waiting loop goes through the bars block by block,
// and groups of up to four recursions advance interleaved in one loop so that
// their bar-to-bar chains overlap; each bar is computed exactly as by a call
// that runs at once.

#include <algorithm>
#include <cstdint>

#include "formulacontext.h"
#include "windowkernels.h"

namespace windowkernels {

namespace {

// One recursion of a group as locals of the interleaved loop.
struct Lane {
    const float* x;
    float* out;
    double a, b, y;
};

inline Lane laneOf(const RecursionLoop& l)
{
    return {l.x + l.next, l.out + l.next, l.a, l.b, l.y};
}

inline void stepLane(Lane& l, uint32_t t)
{
    linearStep(l.a, l.b, l.x[t], l.y, l.out[t]);
}

inline void plainLane(Lane& l, float xt, uint32_t t)
{
    l.y = l.a * l.y + l.b * xt;
    l.out[t] = static_cast<float>(l.y);
}

// count bars of each of the N recursions from its next bar on, interleaved
// (named lanes, so that every state stays in a register). Pieces go as
// linearRun's do: without the test of the candidates, each lane's piece
// done again by linearStep if a value of it falls outside the checked range.
template <int N>
void advanceTogether(RecursionLoop* const* m, uint32_t count)
{
    Lane l[4] = {laneOf(*m[0]), laneOf(*m[1]), laneOf(*m[N > 2 ? 2 : 1]), laneOf(*m[N > 3 ? 3 : 1])};
    bool apart = true;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j)
            apart = apart && !sharesBars(l[i].x, l[j].out, count);
    Lane l0 = l[0], l1 = l[1], l2 = l[2], l3 = l[3];
    for (uint32_t p = 0; p < count; p += kCheckedRun) {
        const uint32_t e = std::min(count, p + kCheckedRun);
        if (!apart) {
            for (uint32_t t = p; t < e; ++t) {
                stepLane(l0, t);
                stepLane(l1, t);
                if (N > 2)
                    stepLane(l2, t);
                if (N > 3)
                    stepLane(l3, t);
            }
            continue;
        }
        const double y0[4] = {l0.y, l1.y, l2.y, l3.y};
        for (uint32_t t = p; t < e; ++t) {
            // Every lane's data before any lane's result: a store followed
            // by a load 4 KiB (or a multiple) apart stalls the load, and the
            // series' arrays tend to lie at one offset within their pages.
            const float x0 = l0.x[t], x1 = l1.x[t], x2 = N > 2 ? l2.x[t] : 0.0f, x3 = N > 3 ? l3.x[t] : 0.0f;
            plainLane(l0, x0, t);
            plainLane(l1, x1, t);
            if (N > 2)
                plainLane(l2, x2, t);
            if (N > 3)
                plainLane(l3, x3, t);
        }
        Lane* lanes[4] = {&l0, &l1, &l2, &l3};
        for (int k = 0; k < N; ++k) {
            Lane& q = *lanes[k];
            if (__builtin_expect(simdscan::magnitudesWithin(q.out + p, e - p), 1))
                continue;
            q.y = y0[k];
            for (uint32_t t = p; t < e; ++t)
                stepLane(q, t);
        }
    }
    const double y[4] = {l0.y, l1.y, l2.y, l3.y};
    for (int k = 0; k < N; ++k) {
        m[k]->y = y[k];
        m[k]->next += count;
    }
}

}  // namespace

void RecursionJob::run(uint32_t b0, uint32_t e0)
{
    if (follows)
        return;
    if (followers == 0) {
        const uint32_t hi = std::min(e0, loop.end);
        if (!loop.found)
            loop.seekFirst(hi);
        if (loop.found)
            loop.advance(hi);
        return;
    }
    RecursionLoop* m[kMostInGroup];
    uint32_t hi[kMostInGroup];
    const int n = followers + 1;
    for (int k = 0; k < followers; ++k) {
        m[k] = &group[k]->loop;
        hi[k] = std::min(group[k]->windowEnd, m[k]->end);
    }
    m[followers] = &loop;
    hi[followers] = std::min(e0, loop.end);
    // Every member bar by bar up to its last two bars (which keep the states).
    uint32_t both = kUnboundedEnd;
    for (int k = 0; k < n; ++k) {
        if (!m[k]->found)
            m[k]->seekFirst(hi[k]);
        const uint32_t limit = std::min(hi[k], m[k]->end >= 2 ? m[k]->end - 2 : 0u);
        both = (m[k]->found && m[k]->next < limit) ? std::min(both, limit - m[k]->next) : 0u;
    }
    if (both != 0) {
        if (n == 2)
            advanceTogether<2>(m, both);
        else if (n == 3)
            advanceTogether<3>(m, both);
        else
            advanceTogether<4>(m, both);
    }
    for (int k = 0; k < n; ++k)
        if (m[k]->found)
            m[k]->advance(hi[k]);
    (void)b0;
}

}  // namespace windowkernels

namespace {

// Bars per block of the waiting loops: the blocks of every loop stay in the
// first-level cache between one loop and the next.
constexpr uint32_t kPendingBlock = 256;

}  // namespace

void FormulaContext::runWaitingLoops()
{
    using windowkernels::RecursionJob;
    const std::size_t n = pending.size();
    // level[j]: how many recursions lie on the longest path of loops that j
    // reads. A loop of level L takes the block t - L in round t, so that a
    // recursion and the recursions it reads advance in one loop (on blocks
    // one apart); every loop it reads has written that block by then.
    uint32_t level[kMostPending] = {};
    RecursionJob* rec[kMostPending] = {};
    uint32_t lo = kUnboundedEnd, hi = 0, top = 0;
    for (std::size_t j = 0; j < n; ++j) {
        PendingJob& job = *pending[j];
        for (const ArgumentPtr& in : job.inputs) {
            for (std::size_t i = 0; in && i < j; ++i)
                if (pending[i]->result == in)
                    level[j] = std::max(level[j], level[i] + (rec[i] ? 1u : 0u));
        }
        rec[j] = dynamic_cast<RecursionJob*>(&job);
        top = std::max(top, level[j]);
        lo = std::min(lo, job.from);
        hi = std::max(hi, job.end);
    }
    // The order of each round: by level, then as called.
    std::size_t order[kMostPending];
    std::size_t count = 0;
    for (uint32_t l = 0; l <= top; ++l)
        for (std::size_t j = 0; j < n; ++j)
            if (level[j] == l)
                order[count++] = j;
    // Groups of recursions in that order; the last of each leads.
    RecursionJob* gathered[RecursionJob::kMostInGroup];
    int inGroup = 0;
    for (std::size_t k = 0; k <= count; ++k) {
        RecursionJob* r = k < count ? rec[order[k]] : nullptr;
        if (r)
            gathered[inGroup++] = r;
        if (inGroup == RecursionJob::kMostInGroup || (k == count && inGroup > 0)) {
            RecursionJob* lead = gathered[inGroup - 1];
            for (int g = 0; g + 1 < inGroup; ++g) {
                lead->group[g] = gathered[g];
                gathered[g]->follows = true;
            }
            lead->followers = inGroup - 1;
            inGroup = 0;
        }
    }
    const uint64_t blocks = hi > lo ? (static_cast<uint64_t>(hi) - lo + kPendingBlock - 1) / kPendingBlock : 0;
    for (uint64_t t = 0; t < blocks + top; ++t) {
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t j = order[k];
            uint32_t b = 0, e = 0;  // no block this round
            if (t >= level[j] && t - level[j] < blocks) {
                const uint64_t at = lo + (t - level[j]) * kPendingBlock;
                b = static_cast<uint32_t>(at);
                e = static_cast<uint32_t>(std::min<uint64_t>(hi, at + kPendingBlock));
            }
            if (rec[j] && rec[j]->follows) {
                rec[j]->windowBegin = b;
                rec[j]->windowEnd = e;
                continue;
            }
            if (e > b || (rec[j] && rec[j]->followers > 0))
                pending[j]->run(b, e);
        }
    }
    for (std::size_t j = 0; j < n; ++j)
        pending[j]->finish();
    pending.clear();
}
