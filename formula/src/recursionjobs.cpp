// The loops that wait (FormulaContext::PendingJob), run when a later step
// reads a result: every waiting loop goes through the bars block by block in
// the order of the calls, and two independent recursions advance interleaved
// so that their bar-to-bar chains overlap; each bar is computed exactly as by
// a call that runs at once.

#include <algorithm>
#include <cstdint>

#include "formulacontext.h"
#include "windowkernels.h"

namespace windowkernels {

void RecursionJob::seekFirst(uint32_t e0)
{
    float* out = result->values.data();
    const uint32_t hi = std::min(e0, end);
    uint32_t i = next;
    while (i < hi && !isQualifying(x[i]))
        out[i++] = kInvalidValue;
    next = i;
    if (i < hi) {
        found = true;
        first = start = i;
        y = before = static_cast<double>(x[i]);
    }
}

void RecursionJob::advance(uint32_t to)
{
    float* out = result->values.data();
    double s = y;
    for (uint32_t i = next; i < to; ++i) {
        linearStep(a, b, x[i], s, out[i]);
        if (i + 2 >= end)
            keep[i + 2 - end] = s;
    }
    y = s;
    next = std::max(next, to);
}

void RecursionJob::run(uint32_t b0, uint32_t e0)
{
    if (follows)
        return;
    const uint32_t hi = std::min(e0, end);
    if (!found)
        seekFirst(hi);
    RecursionJob* q = partner;
    if (q) {
        const uint32_t qhi = std::min(e0, q->end);
        if (!q->found)
            q->seekFirst(qhi);
        // Both bar by bar up to their last two bars, which keep the states.
        const uint32_t pLimit = std::min(hi, end >= 2 ? end - 2 : 0u);
        const uint32_t qLimit = std::min(qhi, q->end >= 2 ? q->end - 2 : 0u);
        if (found && q->found && next < pLimit && q->next < qLimit) {
            const uint32_t both = std::min(pLimit - next, qLimit - q->next);
            const float* xp = x + next;
            const float* xq = q->x + q->next;
            float* op = result->values.data() + next;
            float* oq = q->result->values.data() + q->next;
            const double ap = a, bp = b, aq = q->a, bq = q->b;
            double yp = y, yq = q->y;
            for (uint32_t t = 0; t < both; ++t) {
                linearStep(ap, bp, xp[t], yp, op[t]);
                linearStep(aq, bq, xq[t], yq, oq[t]);
            }
            y = yp;
            q->y = yq;
            next += both;
            q->next += both;
        }
        if (q->found)
            q->advance(qhi);
    }
    if (found)
        advance(hi);
    (void)b0;
}

void RecursionJob::finish()
{
    if (!found)
        first = start = end;  // no qualifying bar: markers throughout
    FormulaArgument& r = *result;
    r.changedFrom = std::min(r.changedFrom, start);
    if (resumed && start >= end)
        return;  // nothing recomputed: the carried states stand
    bool known = end >= first + 2 && end >= 2;
    if (known && end - 2 < start) {
        if (resumed && end - 2 + 1 == start)
            keep[0] = before;
        else
            known = false;
    }
    r.carriedEnd = known ? end : 0u;
    r.carried[0] = keep[0];
    r.carried[1] = keep[1];
}

}  // namespace windowkernels

namespace {

// Bars per block of the waiting loops: the blocks of every loop stay in the
// first-level cache between one loop and the next.
constexpr uint32_t kPendingBlock = 256;

}  // namespace

void FormulaContext::runPending()
{
    using windowkernels::RecursionJob;
    const std::size_t n = pending.size();
    if (n == 0)
        return;
    // deps[j]: the jobs j reads, directly or through others (n <= 64).
    uint64_t deps[kMostPending] = {};
    RecursionJob* rec[kMostPending] = {};
    uint32_t lo = kUnboundedEnd, hi = 0;
    for (std::size_t j = 0; j < n; ++j) {
        PendingJob& job = *pending[j];
        for (const ArgumentPtr& in : job.inputs) {
            for (std::size_t i = 0; in && i < j; ++i)
                if (pending[i]->result == in)
                    deps[j] |= deps[i] | (uint64_t(1) << i);
        }
        rec[j] = dynamic_cast<RecursionJob*>(&job);
        lo = std::min(lo, job.from);
        hi = std::max(hi, job.end);
    }
    // Pairs of recursions that do not read each other: the later one runs
    // both when no loop between reads the earlier, else the earlier runs both
    // when the later reads no loop from the earlier on.
    for (std::size_t i = 0; i < n; ++i) {
        if (!rec[i] || rec[i]->partner || rec[i]->follows)
            continue;
        for (std::size_t j = i + 1; j < n; ++j) {
            if (!rec[j] || rec[j]->partner || rec[j]->follows || (deps[j] >> i & 1))
                continue;
            bool laterLeads = true;
            for (std::size_t m = i + 1; m < j && laterLeads; ++m)
                laterLeads = !(deps[m] >> i & 1);
            const uint64_t fromI = (j - i >= 64 ? ~uint64_t(0) : ((uint64_t(1) << (j - i)) - 1)) << i;
            const bool earlierLeads = (deps[j] & fromI) == 0;
            if (!laterLeads && !earlierLeads)
                continue;
            RecursionJob* lead = laterLeads ? rec[j] : rec[i];
            RecursionJob* other = laterLeads ? rec[i] : rec[j];
            lead->partner = other;
            other->follows = true;
            break;
        }
    }
    for (uint64_t b = lo; b < hi; b += kPendingBlock) {
        const uint32_t e = static_cast<uint32_t>(std::min<uint64_t>(hi, b + kPendingBlock));
        for (std::size_t j = 0; j < n; ++j)
            pending[j]->run(static_cast<uint32_t>(b), e);
    }
    for (std::size_t j = 0; j < n; ++j)
        pending[j]->finish();
    pending.clear();
}
