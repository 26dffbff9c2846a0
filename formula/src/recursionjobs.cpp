// The loops that wait (FormulaContext::PendingJob), run when a later step
// reads a result: every waiting loop goes through the bars block by block,
// and groups of up to four recursions advance interleaved in one loop so that
// their bar-to-bar chains overlap; each bar is computed exactly as by a call
// that runs at once.

#include <algorithm>
#include <cstdint>

#include <emmintrin.h>

#include "formulacontext.h"
#include "widevectors.h"
#include "windowkernels.h"

#if FML_WIDE_VECTORS
#include <immintrin.h>
#endif

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

// Whether no lane of N reads a bar that another (or itself) writes.
template <int N>
inline bool lanesApart(const Lane* const* lanes, uint32_t count)
{
    bool apart = true;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j)
            apart = apart && !sharesBars(lanes[i]->x, lanes[j]->out, count);
    return apart;
}

// Bars [p, e) of N lanes (N >= 2) one step each, bar by bar, for lanes whose
// data and results overlap.
template <int N>
inline void stepLanes(Lane& l0, Lane& l1, Lane& l2, Lane& l3, uint32_t p, uint32_t e)
{
    for (uint32_t t = p; t < e; ++t) {
        stepLane(l0, t);
        stepLane(l1, t);
        if (N > 2)
            stepLane(l2, t);
        if (N > 3)
            stepLane(l3, t);
    }
}

// The end of a piece [p, e) that N lanes went through together, from the
// lanes' last states ys and whether each lane's candidates all lay within
// [2^-100, 2^101) in magnitude: a lane takes its last state when they did
// (each one qualified); otherwise its piece is done again by linearStep from its
// first state y0. A candidate that is not finite leaves every later state of
// the piece not finite (NaN stays NaN, infinity stays infinite or turns NaN),
// so the last state shows what the maximum may have dropped.
template <int N>
inline void settlePiece(Lane* const* lanes, const double* ys, const bool* within, const double* y0, uint32_t p,
                        uint32_t e)
{
    for (int k = 0; k < N; ++k) {
        Lane& q = *lanes[k];
        q.y = ys[k];
        if (__builtin_expect(within[k] && ys[k] == ys[k], 1))
            continue;
        q.y = y0[k];
        for (uint32_t t = p; t < e; ++t)
            stepLane(q, t);
    }
}

// The N lanes' states back in their loops, count bars on.
template <int N>
inline void storeLanes(RecursionLoop* const* m, const Lane& l0, const Lane& l1, const Lane& l2, const Lane& l3,
                       uint32_t count)
{
    const double y[4] = {l0.y, l1.y, l2.y, l3.y};
    for (int k = 0; k < N; ++k) {
        m[k]->y = y[k];
        m[k]->next += count;
    }
}

// count bars of each of the N recursions from its next bar on, interleaved
// (named lanes, so that every state stays in a register). Pieces go as
// linearRun's do: without the test of the candidates, each lane's piece
// done again by linearStep if a value of it falls outside the checked range.
template <int N>
void advanceTogether(RecursionLoop* const* m, uint32_t count, FormulaContext::SlicedJobs* between)
{
    Lane l[4] = {laneOf(*m[0]), laneOf(*m[1]), laneOf(*m[N > 2 ? 2 : 1]), laneOf(*m[N > 3 ? 3 : 1])};
    const Lane* checked[4] = {&l[0], &l[1], &l[2], &l[3]};
    const bool apart = lanesApart<N>(checked, count);
    Lane l0 = l[0], l1 = l[1], l2 = l[2], l3 = l[3];
    for (uint32_t p = 0; p < count; p += kCheckedRun) {
        const uint32_t e = std::min(count, p + kCheckedRun);
        if (!apart) {
            stepLanes<N>(l0, l1, l2, l3, p, e);
            continue;
        }
        const double y0[4] = {l0.y, l1.y, l2.y, l3.y};
        // Lanes in pairs, two doubles per vector: the same operations on
        // each lane as plainLane's, half the instructions. With three lanes
        // the fourth holds 1 throughout (a = 1, b = 0) and is not stored.
        // Each lane's smallest and largest magnitude are kept as it goes:
        // the loop waits on its chains and has room for them.
        const __m128d a01 = _mm_set_pd(l1.a, l0.a), b01 = _mm_set_pd(l1.b, l0.b);
        const __m128d a23 = _mm_set_pd(N > 3 ? l3.a : 1.0, l2.a), b23 = _mm_set_pd(N > 3 ? l3.b : 0.0, l2.b);
        __m128d y01 = _mm_set_pd(l1.y, l0.y), y23 = _mm_set_pd(N > 3 ? l3.y : 1.0, l2.y);
        const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
        __m128d hi01 = _mm_setzero_pd(), hi23 = hi01;
        __m128d lo01 = _mm_set1_pd(1.0), lo23 = lo01;
        for (uint32_t t = p; t < e;) {
            const uint32_t slice = between ? std::min(e, t + FormulaContext::SlicedJobs::kSlice) : e;
            for (; t < slice; ++t) {
                // Every lane's data before any lane's result: a store followed
                // by a load 4 KiB (or a multiple) apart stalls the load, and the
                // series' arrays tend to lie at one offset within their pages.
                const __m128 x01 = _mm_unpacklo_ps(_mm_load_ss(l0.x + t), _mm_load_ss(l1.x + t));
                const __m128 x23 =
                    N > 3 ? _mm_unpacklo_ps(_mm_load_ss(l2.x + t), _mm_load_ss(l3.x + t)) : _mm_load_ss(l2.x + t);
                y01 = _mm_add_pd(_mm_mul_pd(a01, y01), _mm_mul_pd(b01, _mm_cvtps_pd(x01)));
                const __m128 f01 = _mm_cvtpd_ps(y01);
                _mm_store_ss(l0.out + t, f01);
                _mm_store_ss(l1.out + t, _mm_shuffle_ps(f01, f01, 1));
                const __m128d m01 = _mm_and_pd(y01, magnitude);
                hi01 = _mm_max_pd(hi01, m01);
                lo01 = _mm_min_pd(lo01, m01);
                if (N > 2) {
                    y23 = _mm_add_pd(_mm_mul_pd(a23, y23), _mm_mul_pd(b23, _mm_cvtps_pd(x23)));
                    const __m128 f23 = _mm_cvtpd_ps(y23);
                    _mm_store_ss(l2.out + t, f23);
                    if (N > 3)
                        _mm_store_ss(l3.out + t, _mm_shuffle_ps(f23, f23, 1));
                    const __m128d m23 = _mm_and_pd(y23, magnitude);
                    hi23 = _mm_max_pd(hi23, m23);
                    lo23 = _mm_min_pd(lo23, m23);
                }
            }
            if (between)
                between->step();
        }
        double ys[4], his[4], los[4];
        _mm_storeu_pd(ys, y01);
        _mm_storeu_pd(ys + 2, y23);
        _mm_storeu_pd(his, hi01);
        _mm_storeu_pd(his + 2, hi23);
        _mm_storeu_pd(los, lo01);
        _mm_storeu_pd(los + 2, lo23);
        bool within[4];
        for (int k = 0; k < 4; ++k)
            within[k] = his[k] < 0x1p101 && los[k] >= 0x1p-100;
        Lane* lanes[4] = {&l0, &l1, &l2, &l3};
        settlePiece<N>(lanes, ys, within, y0, p, e);
    }
    storeLanes<N>(m, l0, l1, l2, l3, count);
}

// Asks for the cache line of out that bar t + kAhead lies in (for writing):
// the results go to arrays long enough to miss every cache, and a store that
// misses holds its place in the store buffer until its line comes. 128 bars
// ahead (a thousand cycles of the chains) measured best of 128, 256 and 512.
constexpr uint32_t kAhead = 128;
inline void prefetchAhead(const float* out, uint32_t t)
{
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(out) + (t + kAhead) * sizeof(float)),
                       1);
}

#if FML_WIDE_VECTORS
// advanceTogether for three or four lanes in one 256-bit vector of doubles:
// per lane the same operations as plainLane's (a product of the state, a
// product of the data, their sum, narrowed to float), a third of the
// instructions of the pairs. A fourth lane that is not used holds 1 (a = 1,
// b = 0, data 0) and is not stored.
template <int N>
FML_WIDE void advanceTogetherWide(RecursionLoop* const* m, uint32_t count, FormulaContext::SlicedJobs* between)
{
    static_assert(N == 3 || N == 4, "three or four lanes");
    Lane l0 = laneOf(*m[0]), l1 = laneOf(*m[1]), l2 = laneOf(*m[2]), l3 = laneOf(*m[N > 3 ? 3 : 2]);
    const Lane* lanes[4] = {&l0, &l1, &l2, &l3};
    const bool apart = lanesApart<N>(lanes, count);
    const __m256d a = _mm256_set_pd(N > 3 ? l3.a : 1.0, l2.a, l1.a, l0.a);
    const __m256d b = _mm256_set_pd(N > 3 ? l3.b : 0.0, l2.b, l1.b, l0.b);
    // A state's magnitude lies within [2^-100, 2^101) exactly when the upper
    // half of its bits, shifted left by one (no sign), minus 2^-100's lies
    // below 2^101's minus 2^-100's as an unsigned number (both bounds have no
    // lower bits; NaN and infinity lie above): one shift, one subtraction and
    // one running unsigned maximum per bar (on every 32-bit half: the lower
    // halves' are not read).
    constexpr uint32_t kLeast = 0x39B00000u << 1, kBeyond = 0x46400000u << 1;  // 2^-100, 2^101
    const __m256i least = _mm256_set1_epi32(static_cast<int>(kLeast));
    for (uint32_t p = 0; p < count; p += kCheckedRun) {
        const uint32_t e = std::min(count, p + kCheckedRun);
        if (!apart) {
            stepLanes<N>(l0, l1, l2, l3, p, e);
            continue;
        }
        const double y0[4] = {l0.y, l1.y, l2.y, l3.y};
        __m256d y = _mm256_set_pd(N > 3 ? l3.y : 1.0, l2.y, l1.y, l0.y);
        __m256i off = _mm256_setzero_si256();  // the largest distance above 2^-100 so far
        const auto check = [&](__m256d s) FML_WIDE {
            off = _mm256_max_epu32(off, _mm256_sub_epi32(_mm256_slli_epi32(_mm256_castpd_si256(s), 1), least));
        };
        const float* x0 = l0.x;
        const float* x1 = l1.x;
        const float* x2 = l2.x;
        const float* x3 = l3.x;
        // Four bars at a time: each lane's four data in one load, turned into
        // one vector per bar, and each lane's four results turned back into
        // one store, instead of moving single floats in and out per bar.
        // Software-pipelined: the states of four bars are narrowed, checked
        // and stored only after the next four bars' steps, so that in the
        // program's order the chain's multiply and add come before the work
        // on their results and take the ports first when both are ready.
        const uint32_t e4 = p + ((e - p) & ~3u);
        uint32_t t = p;
        while (t < e4) {
            const uint32_t slice = between ? std::min(e4, t + FormulaContext::SlicedJobs::kSlice) : e4;
            __m256d q0, q1, q2, q3;  // the states after bars t - 4 to t - 1
            const auto steps = [&](uint32_t at, __m256d& s0, __m256d& s1, __m256d& s2, __m256d& s3) FML_WIDE {
                __m128 r0 = _mm_loadu_ps(x0 + at), r1 = _mm_loadu_ps(x1 + at), r2 = _mm_loadu_ps(x2 + at);
                __m128 r3 = N > 3 ? _mm_loadu_ps(x3 + at) : _mm_setzero_ps();
                _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
                s0 = y = _mm256_add_pd(_mm256_mul_pd(a, y), _mm256_mul_pd(b, _mm256_cvtps_pd(r0)));
                s1 = y = _mm256_add_pd(_mm256_mul_pd(a, y), _mm256_mul_pd(b, _mm256_cvtps_pd(r1)));
                s2 = y = _mm256_add_pd(_mm256_mul_pd(a, y), _mm256_mul_pd(b, _mm256_cvtps_pd(r2)));
                s3 = y = _mm256_add_pd(_mm256_mul_pd(a, y), _mm256_mul_pd(b, _mm256_cvtps_pd(r3)));
            };
            const auto results = [&](uint32_t at, __m256d s0, __m256d s1, __m256d s2, __m256d s3) FML_WIDE {
                check(s0);
                check(s1);
                check(s2);
                check(s3);
                __m128 f0 = _mm256_cvtpd_ps(s0), f1 = _mm256_cvtpd_ps(s1);
                __m128 f2 = _mm256_cvtpd_ps(s2), f3 = _mm256_cvtpd_ps(s3);
                _MM_TRANSPOSE4_PS(f0, f1, f2, f3);
                _mm_storeu_ps(l0.out + at, f0);
                _mm_storeu_ps(l1.out + at, f1);
                _mm_storeu_ps(l2.out + at, f2);
                if (N > 3)
                    _mm_storeu_ps(l3.out + at, f3);
                if ((at & 15) == 0) {
                    prefetchAhead(l0.out, at);
                    prefetchAhead(l1.out, at);
                    prefetchAhead(l2.out, at);
                    if (N > 3)
                        prefetchAhead(l3.out, at);
                }
            };
            // The empty asm keeps the compiler from moving the work on the
            // earlier four states back among the steps (no instruction).
            __m256d n0, n1, n2, n3;  // the states after the next four bars
            steps(t, q0, q1, q2, q3);
            t += 4;
            for (; t + 8 <= slice; t += 8) {  // eight bars: q and n swap roles
                steps(t, n0, n1, n2, n3);
                asm("" : "+x"(q0), "+x"(q1), "+x"(q2), "+x"(q3) : "x"(n3));
                results(t - 4, q0, q1, q2, q3);
                steps(t + 4, q0, q1, q2, q3);
                asm("" : "+x"(n0), "+x"(n1), "+x"(n2), "+x"(n3) : "x"(q3));
                results(t, n0, n1, n2, n3);
            }
            if (t < slice) {
                steps(t, n0, n1, n2, n3);
                asm("" : "+x"(q0), "+x"(q1), "+x"(q2), "+x"(q3) : "x"(n3));
                results(t - 4, q0, q1, q2, q3);
                q0 = n0;
                q1 = n1;
                q2 = n2;
                q3 = n3;
                t += 4;
            }
            results(t - 4, q0, q1, q2, q3);
            if (between)
                between->step();
        }
        for (; t < e; ++t) {
            // Every lane's data before any lane's result (see advanceTogether).
            const __m128 x = N > 3 ? _mm_setr_ps(x0[t], x1[t], x2[t], x3[t]) : _mm_setr_ps(x0[t], x1[t], x2[t], 0.0f);
            y = _mm256_add_pd(_mm256_mul_pd(a, y), _mm256_mul_pd(b, _mm256_cvtps_pd(x)));
            const __m128 f = _mm256_cvtpd_ps(y);
            _mm_store_ss(l0.out + t, f);
            _mm_store_ss(l1.out + t, _mm_movehdup_ps(f));
            _mm_store_ss(l2.out + t, _mm_movehl_ps(f, f));
            if (N > 3)
                _mm_store_ss(l3.out + t, _mm_shuffle_ps(f, f, 3));
            check(y);
        }
        double ys[4];
        uint32_t offs[8];
        _mm256_storeu_pd(ys, y);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(offs), off);
        bool within[4];
        for (int k = 0; k < 4; ++k)
            within[k] = offs[2 * k + 1] < kBeyond - kLeast;
        Lane* each[4] = {&l0, &l1, &l2, &l3};
        settlePiece<N>(each, ys, within, y0, p, e);
    }
    storeLanes<N>(m, l0, l1, l2, l3, count);
}
#endif

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
            advanceTogether<2>(m, both, between);
#if FML_WIDE_VECTORS
        else if (widevectors::enabled())
            n == 3 ? advanceTogetherWide<3>(m, both, between) : advanceTogetherWide<4>(m, both, between);
#endif
        else if (n == 3)
            advanceTogether<3>(m, both, between);
        else
            advanceTogether<4>(m, both, between);
    }
    for (int k = 0; k < n; ++k)
        if (m[k]->found)
            m[k]->advance(hi[k]);
    (void)b0;
}

}  // namespace windowkernels

// Out of line: called from inside the recursions' loops, which keep their
// states in registers around it.
__attribute__((noinline)) void FormulaContext::SlicedJobs::step()
{
    for (std::size_t i = 0; i < count; ++i) {
        if (at[i] < end[i]) {
            const uint32_t e = std::min(end[i], at[i] + kSlice);
            jobs[i]->run(at[i], e);
            at[i] = e;
            // The next slice's lines of the result, asked for now when it is
            // a whole slice: the group's slice in between is long enough for
            // them to come.
            const float* out = jobs[i]->result ? jobs[i]->result->values.data() : nullptr;
            if (out && end[i] - e >= kSlice) {
#pragma GCC unroll 8
                for (uint32_t k = 0; k < kSlice; k += 16)
                    __builtin_prefetch(out + e + k, 1);
            }
        }
    }
}

void FormulaContext::SlicedJobs::rest()
{
    for (std::size_t i = 0; i < count; ++i)
        if (at[i] < end[i])
            jobs[i]->run(at[i], end[i]);
    count = 0;
}

namespace {

// Bars per block of the waiting loops: the blocks of every loop stay in the
// first-level cache between one loop and the next. Long blocks spread each
// round's own cost (the calls, the group's set-up) over more bars; the
// operator loops of a round with one recursion group go in slices between
// the group's (SlicedJobs), so they need not wait for its chains' end.
constexpr uint32_t kPendingBlock = 512;

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
    // A recursion that reads an element-wise loop lies a level behind it too,
    // so that within a round no recursion reads what a loop writes and no
    // loop reads what a recursion writes (see SlicedJobs).
    uint32_t lo = kUnboundedEnd, hi = 0, top = 0;
    for (std::size_t j = 0; j < n; ++j) {
        PendingJob& job = *pending[j];
        rec[j] = dynamic_cast<RecursionJob*>(&job);
        for (const ArgumentPtr& in : job.inputs) {
            for (std::size_t i = 0; in && i < j; ++i)
                if (pending[i]->result == in)
                    level[j] = std::max(level[j], level[i] + (rec[i] || rec[j] ? 1u : 0u));
        }
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
    // With one group holding every recursion, each round's element-wise
    // loops run between the group's slices of bars (SlicedJobs).
    int recursions = 0, leads = 0;
    RecursionJob* onlyLead = nullptr;
    for (std::size_t j = 0; j < n; ++j) {
        if (rec[j]) {
            ++recursions;
            if (rec[j]->followers > 0) {
                ++leads;
                onlyLead = rec[j];
            }
        }
    }
    const bool sliceRounds = leads == 1 && recursions == onlyLead->followers + 1;
    SlicedJobs sliced;
    const uint64_t blocks = hi > lo ? (static_cast<uint64_t>(hi) - lo + kPendingBlock - 1) / kPendingBlock : 0;
    for (uint64_t t = 0; t < blocks + top; ++t) {
        sliced.count = 0;
        uint32_t leadBegin = 0, leadEnd = 0;
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
            if (sliceRounds) {
                if (rec[j]) {
                    leadBegin = b;
                    leadEnd = e;
                } else if (e > b) {
                    sliced.jobs[sliced.count] = pending[j].get();
                    sliced.at[sliced.count] = b;
                    sliced.end[sliced.count++] = e;
                }
                continue;
            }
            if (e > b || (rec[j] && rec[j]->followers > 0))
                pending[j]->run(b, e);
        }
        if (sliceRounds) {
            onlyLead->between = sliced.count > 0 ? &sliced : nullptr;
            onlyLead->run(leadBegin, leadEnd);
            onlyLead->between = nullptr;
            sliced.rest();
        }
    }
    for (std::size_t j = 0; j < n; ++j)
        pending[j]->finish();
    pending.clear();
}
