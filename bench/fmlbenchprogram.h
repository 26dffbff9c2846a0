// What the formula benchmarks that compare the engine with another
// implementation share: a close series, a program run whole on it as a chart
// runs it after a stock switch, and the rank-tree mean absolute deviation.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "fml.h"
#include "fmlopchain.h"

namespace fmlbench {

// A random walk around 10 with steps of at most 0.05.
inline std::vector<float> prices(int n)
{
    std::vector<float> c(n);
    float p = 10.0f;
    uint32_t s = 12345;
    for (int i = 0; i < n; ++i) {
        s = s * 1664525u + 1013904223u;
        p += (float((s >> 8) & 0xFFFF) / 65535.0f - 0.5f) * 0.1f;
        c[i] = p;
    }
    return c;
}

struct Program : FmlOpChain<Program> {
    FormulaVM* vm = fml_vm_create();
    FormulaContext* ctx = fml_ctx_create(vm);
    Program() { chainTo(ctx); }
    ~Program()
    {
        fml_ctx_release(ctx);
        fml_vm_release(vm);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    static int supply(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
    {
        if ((name[0] | 0x20) != 'c' || name[1])
            return 0;
        const std::vector<float>& c = *static_cast<const std::vector<float>*>(user);
        float* p = fml_argument_data(arg, int(c.size()));
        std::copy(c.begin(), c.end(), p);
        fml_argument_rewritten_from(arg, 0);
        return 1;
    }
    // A whole run, as after a stock switch: a new context each time would
    // also compile; here the context is cleaned and its memory of the last
    // run dropped by a changed first bar. The close is handed over as the
    // chart does: its array of the last run comes back and is rewritten
    // whole (no zero-fill of a new array first).
    bool run(std::vector<float>& c)
    {
        c[0] = c[0] == 10.0f ? 10.5f : 10.0f;
        return runAsIs(c);
    }
    // A run on c as it stands.
    bool runAsIs(std::vector<float>& c)
    {
        fml_ctx_keep_series(ctx, 1);
        fml_ctx_clean(ctx);
        fml_ctx_data_length(ctx, int(c.size()));
        fml_ctx_miss_callback(ctx, &c, &Program::supply);
        return fml_vm_run(vm, ctx) == 1;
    }
    // The values of a variable the program assigned (null if none).
    const float* values(const char* name, int bars) const
    {
        FormulaArgument* a = fml_get_argument(ctx, name);
        return a && fml_argument_data_size(a) >= bars ? fml_argument_data_number(a) : nullptr;
    }
};

// Mean absolute deviation of the windows of n bars (0: the whole history)
// by a rank tree: the values ranked once by sorting, Fenwick trees of the
// count and the sum of the window's values by rank, and at each bar the
// values below the window's mean read from them:
// sum |x - m| = (m c_below - s_below) + (s_above - m c_above).
inline void rankTreeAvedev(const std::vector<float>& c, int n, std::vector<float>& out)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const std::size_t bars = c.size();
    std::vector<uint32_t> order(bars);
    for (std::size_t i = 0; i < bars; ++i)
        order[i] = uint32_t(i);
    std::sort(order.begin(), order.end(), [&c](uint32_t a, uint32_t b) { return c[a] < c[b]; });
    std::vector<float> sorted(bars);
    std::vector<uint32_t> rank(bars);
    for (std::size_t r = 0; r < bars; ++r) {
        sorted[r] = c[order[r]];
        rank[order[r]] = uint32_t(r);
    }
    std::vector<uint32_t> count(bars + 1, 0);
    std::vector<double> sum(bars + 1, 0.0);
    auto add = [&](uint32_t r, int d, double v) {
        for (std::size_t t = r + 1; t <= bars; t += t & (~t + 1)) {
            count[t] += uint32_t(d);
            sum[t] += v;
        }
    };
    double total = 0.0;
    for (std::size_t i = 0; i < bars; ++i) {
        add(rank[i], 1, c[i]);
        total += c[i];
        if (n > 0 && i >= std::size_t(n)) {
            add(rank[i - std::size_t(n)], -1, -double(c[i - std::size_t(n)]));
            total -= c[i - std::size_t(n)];
        }
        if (n > 0 && i + 1 < std::size_t(n)) {
            out[i] = kInf;
            continue;
        }
        const double w = double(n > 0 ? std::size_t(n) : i + 1);
        const double m = total / w;
        const std::size_t limit =
            std::size_t(std::lower_bound(sorted.begin(), sorted.end(), m, [](float v, double t) { return v < t; }) -
                        sorted.begin());
        uint32_t below = 0;
        double sb = 0.0;
        for (std::size_t t = limit; t > 0; t -= t & (~t + 1)) {
            below += count[t];
            sb += sum[t];
        }
        out[i] = float(std::max(0.0, (m * below - sb) + ((total - sb) - m * (w - below))) / w);
    }
}

}  // namespace fmlbench
