// The loops of the constant-parameter recursive averages, run when a step
// reads a result: independent recursions advance two at a time so that their
// bar-to-bar chains overlap, each bar computed exactly as alone.

#include "formulacontext.h"
#include "windowkernels.h"

namespace windowkernels {

namespace {

using Job = FormulaContext::PendingRecursion;

// Bars [at, until) of one recursion, keeping the states after the last two bars.
void runAlone(Job& j, uint32_t& at, uint32_t until)
{
    const float* x = j.input->values.data();
    float* out = j.result->values.data();
    double y = j.y;
    for (uint32_t i = at; i < until; ++i) {
        linearStep(j.a, j.b, x[i], y, out[i]);
        if (i + 2 >= j.end)
            j.keep[i + 2 - j.end] = y;
    }
    j.y = y;
    at = until;
}

// The bars of both before their last two, interleaved, then the rest of each.
void runPair(Job& p, Job& q)
{
    uint32_t i = p.start, j = q.start;
    const uint32_t np = p.end >= i + 2 ? p.end - 2 - i : 0;
    const uint32_t nq = q.end >= j + 2 ? q.end - 2 - j : 0;
    const uint32_t both = std::min(np, nq);
    if (both != 0) {
        const float* xp = p.input->values.data() + i;
        const float* xq = q.input->values.data() + j;
        float* op = p.result->values.data() + i;
        float* oq = q.result->values.data() + j;
        const double ap = p.a, bp = p.b, aq = q.a, bq = q.b;
        double yp = p.y, yq = q.y;
        for (uint32_t t = 0; t < both; ++t) {
            linearStep(ap, bp, xp[t], yp, op[t]);
            linearStep(aq, bq, xq[t], yq, oq[t]);
        }
        p.y = yp;
        q.y = yq;
        i += both;
        j += both;
    }
    runAlone(p, i, p.end);
    runAlone(q, j, q.end);
}

// The carried states of a result whose loop ran (as resumableRecursion leaves them).
void finish(Job& j)
{
    FormulaArgument& r = *j.result;
    if (j.resumed && j.start >= j.end)
        return;  // nothing recomputed: the carried states stand
    bool known = j.end >= j.first + 2 && j.end >= 2;
    if (known && j.end - 2 < j.start) {
        if (j.resumed && j.end - 2 + 1 == j.start)
            j.keep[0] = j.before;
        else
            known = false;
    }
    r.carriedEnd = known ? j.end : 0u;
    r.carried[0] = j.keep[0];
    r.carried[1] = j.keep[1];
}

}  // namespace

void runRecursions(Job* jobs, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 1 < n; i += 2)
        runPair(jobs[i], jobs[i + 1]);
    if (i < n) {
        uint32_t at = jobs[i].start;
        runAlone(jobs[i], at, jobs[i].end);
    }
    for (std::size_t k = 0; k < n; ++k)
        finish(jobs[k]);
}

}  // namespace windowkernels

void FormulaContext::runPending()
{
    if (pending.empty())
        return;
    windowkernels::runRecursions(pending.data(), pending.size());
    pending.clear();
}
