// Each fast path (constant window: block sums, block extremes, moments,
// recursions in double, prefix counts, stacks) against a straightforward loop
// over the same rules, on random series with markers, a random first valid
// bar and windows from one bar to longer than the data. The same builtin is
// also run with the period as a series (the direct per-bar path) and must agree.

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "builtintestutil.h"

using namespace builtintest;

namespace {

struct Data {
    std::vector<float> v;
    uint32_t first = 0;
    uint32_t end() const { return static_cast<uint32_t>(v.size()); }
};

uint32_t winFrom(const Data& d, uint32_t i, uint32_t k)
{
    if (k == 0)
        return d.first;
    const int64_t from = static_cast<int64_t>(i) - static_cast<int64_t>(k) + 1;
    return static_cast<uint32_t>(std::max<int64_t>(from, d.first));
}

Data randomData(std::mt19937& rng, bool integers)
{
    Data d;
    const uint32_t n = std::uniform_int_distribution<uint32_t>(0, 1500)(rng);
    d.first = n ? std::uniform_int_distribution<uint32_t>(0, std::min<uint32_t>(n, 40))(rng) : 0;
    const uint32_t leading = std::uniform_int_distribution<uint32_t>(0, 3)(rng) == 0 ? 5 : 0;
    std::uniform_real_distribution<float> step(-2.0f, 2.0f);
    std::uniform_int_distribution<int> pct(0, 99);
    float p = 100.0f;
    d.v.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        p += step(rng);
        float v = integers ? std::round(p) : p;
        if (pct(rng) < 2 || (i >= d.first && i < d.first + leading))
            v = INF;
        d.v[i] = v;
    }
    return d;
}

uint32_t randomPeriod(std::mt19937& rng)
{
    static const uint32_t choices[] = {0, 1, 2, 3, 5, 20, 64, 250, 2000};
    return choices[std::uniform_int_distribution<std::size_t>(0, 8)(rng)];
}

ArgumentPtr asSeries(const Data& d)
{
    return series(d.v, d.first);
}

ArgumentPtr constantSeries(const Data& d, float n)
{
    return series(std::vector<float>(d.v.size(), n), 0);
}

// Compares bars [first, end); tol(i) gives the allowed absolute difference.
void compare(const std::string& what, const ArgumentPtr& got, const std::vector<float>& want, uint32_t first,
             const std::function<double(uint32_t)>& tol)
{
    ASSERT_TRUE(got) << what << ": the builtin failed";
    ASSERT_GE(got->values.size(), want.size()) << what;
    for (uint32_t i = first; i < want.size(); ++i) {
        const float g = got->values[i];
        const float e = want[i];
        if (std::isnan(e) || std::isinf(e) || std::isnan(g) || std::isinf(g)) {
            ASSERT_TRUE((std::isnan(e) && std::isnan(g)) || g == e)
                << what << " bar " << i << ": expected " << e << ", got " << g;
        } else {
            ASSERT_NEAR(g, e, tol(i)) << what << " bar " << i;
        }
    }
}

double exact(uint32_t)
{
    return 0.0;
}

// One float rounding of a sum of the window's magnitudes.
std::function<double(uint32_t)> sumTolerance(const Data& d, uint32_t k, double scale = 1.0)
{
    return [&d, k, scale](uint32_t i) {
        double mag = 0.0;
        for (uint32_t j = winFrom(d, i, k); j <= i; ++j)
            mag += std::fabs(d.v[j]);
        return 4.0 * 1.2e-7 * mag * scale + 1e-6;
    };
}

}  // namespace

TEST(BuiltinRandomized, MovingSumsAndCounts)
{
    std::mt19937 rng(20261208);
    for (int round = 0; round < 60; ++round) {
        const Data d = randomData(rng, false);
        const uint32_t k = randomPeriod(rng);
        const float n = static_cast<float>(k);
        const std::string tag = " (round " + std::to_string(round) + ", N " + std::to_string(k) + ", first " +
                                std::to_string(d.first) + ", bars " + std::to_string(d.v.size()) + ")";
        // MA: n = max(1, N); bars before n - 1 have no value.
        std::vector<float> ma(d.v.size(), 0.0f), sum(d.v.size(), 0.0f), count(d.v.size(), 0.0f);
        const uint32_t km = std::max<uint32_t>(k, 1);
        for (uint32_t i = d.first; i < d.end(); ++i) {
            double s = 0.0;
            for (uint32_t j = winFrom(d, i, km); j <= i; ++j)
                s += d.v[j];
            ma[i] = i + 1 >= km ? static_cast<float>(s / (i - winFrom(d, i, km) + 1)) : INF;
            double t = 0.0;
            uint32_t c = 0;
            for (uint32_t j = winFrom(d, i, k); j <= i; ++j) {
                t += d.v[j];
                c += d.v[j] == 1.0f ? 1 : 0;
            }
            sum[i] = static_cast<float>(t);
            count[i] = static_cast<float>(c);
        }
        std::vector<float> wma(d.v.size(), 0.0f);
        for (uint32_t i = d.first; i < d.end(); ++i) {
            const uint32_t from = winFrom(d, i, km);
            double num = 0.0, den = 0.0;
            for (uint32_t j = from; j <= i; ++j) {
                num += static_cast<double>(j - from + 1) * d.v[j];
                den += j - from + 1;
            }
            wma[i] = i + 1 >= km ? static_cast<float>(num / den) : INF;
        }
        compare("WMA" + tag, call(builtinWma, {asSeries(d), lit(n)}), wma, d.first, sumTolerance(d, km, 1.0 / km));
        compare("MA" + tag, call(builtinMa, {asSeries(d), lit(n)}), ma, d.first, sumTolerance(d, km, 1.0 / km));
        compare("MA series N" + tag, call(builtinMa, {asSeries(d), constantSeries(d, n)}), ma, d.first,
                sumTolerance(d, km, 1.0 / km));
        if (k != 0) {
            compare("SUM" + tag, call(builtinSum, {asSeries(d), lit(n)}), sum, d.first, sumTolerance(d, k));
            compare("SUM series N" + tag, call(builtinSum, {asSeries(d), constantSeries(d, n)}), sum, d.first,
                    sumTolerance(d, k));
        }
        Data ones = d;
        for (float& v : ones.v)
            v = std::isinf(v) ? 2.0f : (std::fmod(std::fabs(v), 2.0f) < 1.0f ? 1.0f : 0.0f);
        std::vector<float> cnt(d.v.size(), 0.0f);
        for (uint32_t i = d.first; i < d.end(); ++i) {
            uint32_t c = 0;
            for (uint32_t j = winFrom(d, i, k); j <= i; ++j)
                c += ones.v[j] == 1.0f ? 1 : 0;
            cnt[i] = static_cast<float>(c);
        }
        compare("COUNT" + tag, call(builtinCount, {asSeries(ones), lit(n)}), cnt, d.first, exact);
    }
}

TEST(BuiltinRandomized, WindowExtremes)
{
    std::mt19937 rng(8);
    for (int round = 0; round < 60; ++round) {
        const Data d = randomData(rng, true);
        const uint32_t k = randomPeriod(rng);
        const float n = static_cast<float>(k);
        const std::string tag = " (round " + std::to_string(round) + ", N " + std::to_string(k) + ")";
        std::vector<float> hhv(d.v.size(), 0.0f), llv(hhv), hb(hhv), lb(hhv);
        bool haveHigh = false, haveLow = false;
        float allHigh = 0, allLow = 0;
        for (uint32_t i = d.first; i < d.end(); ++i) {
            if (!std::isinf(d.v[i])) {
                allHigh = haveHigh ? std::max(allHigh, d.v[i]) : d.v[i];
                allLow = haveLow ? std::min(allLow, d.v[i]) : d.v[i];
                haveHigh = haveLow = true;
            }
            const uint32_t from = winFrom(d, i, k);
            uint32_t hi = from, lo = from;
            for (uint32_t j = from; j <= i; ++j) {
                if (d.v[j] > d.v[hi])
                    hi = j;
                if (d.v[j] < d.v[lo])
                    lo = j;
            }
            hhv[i] = k == 0 ? (haveHigh ? allHigh : INF) : d.v[hi];
            llv[i] = k == 0 ? (haveLow ? allLow : INF) : d.v[lo];
            hb[i] = static_cast<float>(i - hi);
            lb[i] = static_cast<float>(i - lo);
        }
        compare("HHV" + tag, call(builtinHhv, {asSeries(d), lit(n)}), hhv, d.first, exact);
        compare("LLV" + tag, call(builtinLlv, {asSeries(d), lit(n)}), llv, d.first, exact);
        compare("HHV series N" + tag, call(builtinHhv, {asSeries(d), constantSeries(d, n)}), hhv, d.first, exact);
        compare("LLV series N" + tag, call(builtinLlv, {asSeries(d), constantSeries(d, n)}), llv, d.first, exact);
        compare("HHVBARS" + tag, call(builtinHhvbars, {asSeries(d), lit(n)}), hb, d.first, exact);
        compare("LLVBARS" + tag, call(builtinLlvbars, {asSeries(d), lit(n)}), lb, d.first, exact);
        compare("HHVBARS series N" + tag, call(builtinHhvbars, {asSeries(d), constantSeries(d, n)}), hb, d.first,
                exact);
        // Ranks: bars of the window at least as high / as low as the current one.
        std::vector<float> hod(d.v.size(), 0.0f), lod(hod);
        for (uint32_t i = d.first; i < d.end(); ++i) {
            uint32_t above = 0, below = 0;
            const uint32_t kh = k == 0 ? 0 : k;
            for (uint32_t j = winFrom(d, i, kh); j <= i; ++j) {
                above += d.v[j] >= d.v[i] ? 1 : 0;
                below += d.v[i] >= d.v[j] ? 1 : 0;
            }
            hod[i] = static_cast<float>(above);
            lod[i] = static_cast<float>(below);
        }
        compare("HOD" + tag, call(builtinHod, {asSeries(d), lit(n)}), hod, d.first, exact);
        compare("LOD" + tag, call(builtinLod, {asSeries(d), lit(n)}), lod, d.first, exact);
        compare("HOD series N" + tag, call(builtinHod, {asSeries(d), constantSeries(d, n)}), hod, d.first, exact);
        // Runs before each bar.
        std::vector<float> low(d.v.size(), 0.0f), top(low);
        for (uint32_t i = d.first + 1; i < d.end(); ++i) {
            low[i] = static_cast<float>(i);
            for (uint32_t j = i; j-- > d.first;) {
                if (d.v[i] >= d.v[j]) {
                    low[i] = static_cast<float>(i - j - 1);
                    break;
                }
            }
            top[i] = static_cast<float>(i);
            for (uint32_t j = i; j-- > d.first;) {
                if (d.v[j] >= d.v[i]) {
                    top[i] = static_cast<float>(i - j - 1);
                    break;
                }
            }
        }
        compare("LOWRANGE" + tag, call(builtinLowrange, {asSeries(d)}), low, d.first, exact);
        compare("TOPRANGE" + tag, call(builtinToprange, {asSeries(d)}), top, d.first, exact);
    }
}

TEST(BuiltinRandomized, StandardDeviationAndVariance)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 60; ++round) {
        const Data d = randomData(rng, false);
        const uint32_t k = std::max<uint32_t>(randomPeriod(rng), 1);
        const float n = static_cast<float>(k);
        const std::string tag = " (round " + std::to_string(round) + ", N " + std::to_string(k) + ")";
        std::vector<float> sd(d.v.size(), 0.0f), var(d.v.size(), INF);
        for (uint32_t i = d.first; i < d.end(); ++i) {
            const uint32_t from = winFrom(d, i, k);
            double s = 0.0;
            bool finite = true;
            for (uint32_t j = from; j <= i; ++j) {
                finite = finite && std::isfinite(d.v[j]);
                s += d.v[j];
            }
            const uint32_t c = i - from + 1;
            float v = INF;
            if (finite && c >= 2) {
                const double mean = s / c;
                double m2 = 0.0;
                for (uint32_t j = from; j <= i; ++j)
                    m2 += (d.v[j] - mean) * (d.v[j] - mean);
                v = static_cast<float>(m2 / (c - 1));
            }
            sd[i] = i + 1 >= k ? (std::isinf(v) ? INF : std::sqrt(v)) : INF;
            var[i] = i + 1 >= k ? v : INF;
        }
        auto tol = [&d, k](uint32_t i) {
            double mag = 0.0;
            for (uint32_t j = winFrom(d, i, k); j <= i; ++j)
                mag = std::max(mag, std::fabs(static_cast<double>(d.v[j]) - d.v[i]));
            return 1e-4 * (mag + 1.0);
        };
        compare("STD" + tag, call(builtinStd, {asSeries(d), lit(n)}), sd, d.first, tol);
        compare("STD series N" + tag, call(builtinStd, {asSeries(d), constantSeries(d, n)}), sd, d.first, tol);
        auto vtol = [&tol](uint32_t i) { return 100.0 * tol(i) * tol(i) * 1e4 + 1e-3; };
        compare("VAR" + tag, call(builtinVar, {asSeries(d), lit(n)}), var, d.first, vtol);
    }
}

TEST(BuiltinRandomized, RecursionsAndReferences)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 60; ++round) {
        const Data d = randomData(rng, false);
        const float n = static_cast<float>(std::max<uint32_t>(randomPeriod(rng), 1));
        const std::string tag = " (round " + std::to_string(round) + ", N " + std::to_string(n) + ")";
        std::vector<float> ema(d.v.size(), 0.0f), sma(ema), ref(ema);
        uint32_t k = d.first;
        while (k < d.end() && std::isinf(d.v[k]))
            ++k;
        for (uint32_t i = d.first; i < k; ++i)
            ema[i] = sma[i] = INF;
        float ye = k < d.end() ? d.v[k] : 0.0f;
        float ys = ye;
        for (uint32_t i = k; i < d.end(); ++i) {
            const float ce = ((n - 1.0f) * ye + (d.v[i] + d.v[i])) / (n + 1.0f);
            if (!std::isinf(ce))
                ye = ce;
            ema[i] = ye;
            const float cs = ((n - 1.0f) * ys + d.v[i] * 1.0f) / n;
            if (!std::isinf(cs))
                ys = cs;
            sma[i] = ys;
        }
        // A recursion's rounding differences are damped by the weight, so
        // they stay within a few float roundings of the value.
        auto rtol = [&ema](uint32_t i) { return 2e-5 * (std::fabs(ema[i]) + 1.0); };
        compare("EMA" + tag, call(builtinEma, {asSeries(d), lit(n)}), ema, d.first, rtol);
        compare("EMA series N" + tag, call(builtinEma, {asSeries(d), constantSeries(d, n)}), ema, d.first, rtol);
        compare("SMA" + tag, call(builtinSma, {asSeries(d), lit(n), lit(1)}), sma, d.first, rtol);
        compare("SMA series N" + tag, call(builtinSma, {asSeries(d), constantSeries(d, n), lit(1)}), sma, d.first,
                rtol);
        const uint32_t back = static_cast<uint32_t>(n);
        for (uint32_t i = d.first; i < d.end(); ++i)
            ref[i] = i >= d.first + back ? d.v[i - back] : (d.v.empty() ? 0.0f : d.v[d.first]);
        compare("REF" + tag, call(builtinRef, {asSeries(d), lit(n)}), ref, d.first, exact);
        compare("REF series N" + tag, call(builtinRef, {asSeries(d), constantSeries(d, n)}), ref, d.first, exact);
    }
}

TEST(BuiltinRandomized, SumbarsAgainstBackwardSums)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 60; ++round) {
        Data d = randomData(rng, false);
        // Volumes: nonnegative, with markers now and then.
        for (float& v : d.v)
            v = std::isinf(v) ? v : std::fabs(v - 100.0f) * 10.0f;
        const float a = std::uniform_real_distribution<float>(0.0f, 4000.0f)(rng) * (round % 3 == 0 ? 1000.0f : 1.0f);
        std::vector<float> want(d.v.size(), 0.0f);
        for (uint32_t j = d.first + 1; j < d.end(); ++j) {
            float s = 0.0f;
            want[j] = static_cast<float>(j);
            for (uint32_t k = j + 1; k-- > 0;) {
                s += d.v[k];
                if (s >= a) {
                    want[j] = k == j ? 0.0f : (k == 0 ? static_cast<float>(j) : static_cast<float>(j - k + 1));
                    break;
                }
            }
        }
        compare("SUMBARS round " + std::to_string(round), call(builtinSumbars, {asSeries(d), lit(a)}), want,
                d.first + 1, exact);
    }
}

TEST(BuiltinRandomized, ProductsEventsAndSpans)
{
    std::mt19937 rng(4242);
    for (int round = 0; round < 60; ++round) {
        Data d = randomData(rng, true);
        const uint32_t k = randomPeriod(rng);
        const float n = static_cast<float>(k);
        const std::string tag = " (round " + std::to_string(round) + ", N " + std::to_string(k) + ")";
        // MULAR over factors near 1; bars before the first qualifying one have no value.
        Data f = d;
        for (float& v : f.v)
            v = std::isinf(v) ? v : 1.0f + (v - 100.0f) / 1000.0f;
        std::vector<float> mular(f.v.size(), 0.0f);
        uint32_t start = f.first;
        while (start < f.end() && std::isinf(f.v[start]))
            ++start;
        for (uint32_t i = f.first; i < f.end(); ++i) {
            double p = 1.0;
            for (uint32_t j = winFrom(f, i, k); j <= i; ++j)
                p *= f.v[j];
            mular[i] = i < start ? INF : static_cast<float>(p);
        }
        compare("MULAR" + tag, call(builtinMular, {asSeries(f), lit(n)}), mular, f.first,
                [&mular](uint32_t i) { return 1e-5 * std::fabs(mular[i]) + 1e-7; });
        compare("MULAR series N" + tag, call(builtinMular, {asSeries(f), constantSeries(f, n)}), mular, f.first,
                [&mular](uint32_t i) { return 1e-5 * std::fabs(mular[i]) + 1e-7; });
        // BARSSINCEN on a sparse condition; LAST over spans of it.
        Data c = d;
        for (float& v : c.v)
            v = std::isinf(v) ? v : (static_cast<int>(std::fabs(v)) % 5 == 0 ? 1.0f : 0.0f);
        std::vector<float> since(c.v.size(), 0.0f), last(c.v.size(), 0.0f);
        uint32_t s = c.first;
        while (s < c.end() && !(c.v[s] != 0.0f && !std::isinf(c.v[s])))
            ++s;
        if (s == c.end())
            s = c.first;
        const int32_t back = static_cast<int32_t>(std::min<uint32_t>(k, 30));
        for (uint32_t i = c.first; i < c.end(); ++i) {
            if (i >= s) {
                for (uint32_t j = winFrom(c, i, k); j <= i; ++j) {
                    if (c.v[j] != 0.0f) {
                        since[i] = static_cast<float>(i - j);
                        break;
                    }
                }
            }
            const int64_t from = static_cast<int64_t>(i) - back, to = static_cast<int64_t>(i) - 1;
            bool held = from >= c.first && to >= 0;
            for (int64_t j = from; held && j <= to; ++j)
                held = c.v[j] != 0.0f && !std::isinf(c.v[j]);
            last[i] = held ? 1.0f : 0.0f;
        }
        compare("BARSSINCEN" + tag, call(builtinBarssincen, {asSeries(c), lit(n)}), since, c.first, exact);
        compare("LAST" + tag, call(builtinLast, {asSeries(c), lit(static_cast<float>(back)), lit(1)}), last, c.first,
                exact);
    }
}

// ---- windows that move freely from bar to bar ----

namespace {

// The window rule written out: N truncated toward zero (NaN is 0); 0 and
// negatives reach back to the first valid bar, as does a window longer than
// the bars before it.
uint32_t freeFrom(uint32_t first, uint32_t i, float n)
{
    const double t = std::isnan(n) ? 0.0 : std::trunc(static_cast<double>(n));
    if (t <= 0.0 || t >= 2147483647.0)
        return first;
    const int64_t from = static_cast<int64_t>(i) - static_cast<int64_t>(t) + 1;
    return static_cast<uint32_t>(std::max<int64_t>(from, first));
}

// Periods that change every bar: a pick of hostile values per bar, bars since
// a random event plus one (the everyday idiom), or one bar past the index.
std::vector<float> freePeriods(std::mt19937& rng, std::size_t n, int regime)
{
    static const float picks[] = {0.0f, -3.0f, 0.5f, 1.0f, 2.0f, 3.7f, 7.0f, 20.0f, 300.0f, 5000.0f, INF, NAN, 1e9f};
    std::vector<float> p(n);
    uint32_t since = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (regime == 0) {
            p[i] = picks[std::uniform_int_distribution<std::size_t>(0, 12)(rng)];
        } else if (regime == 1) {
            since = std::uniform_int_distribution<int>(0, 40)(rng) == 0 ? 0 : since + 1;
            p[i] = static_cast<float>(since + 1);
        } else {
            p[i] = static_cast<float>(i + 2);
        }
    }
    return p;
}

}  // namespace

TEST(BuiltinRandomized, FreeWindowsMatchPlainLoops)
{
    std::mt19937 rng(1301);
    for (int round = 0; round < 45; ++round) {
        const Data d = randomData(rng, round % 2 == 0);
        const int regime = round % 3;
        const std::vector<float> np = freePeriods(rng, d.v.size(), regime);
        const ArgumentPtr N = series(np, 0);
        const std::string tag = " (round " + std::to_string(round) + ", regime " + std::to_string(regime) + ")";
        const std::size_t bars = d.v.size();
        std::vector<float> hhv(bars, 0.0f), llv(hhv), hb(hhv), lb(hhv), hod(hhv), lod(hhv), ma(hhv), wma(hhv), sd(hhv),
            sum(hhv), cnt(hhv), dev(hhv);
        bool haveAll = false;
        float allHigh = 0, allLow = 0;
        for (uint32_t i = d.first; i < d.end(); ++i) {
            const float n = np[i];
            if (!std::isinf(d.v[i])) {
                allHigh = haveAll ? std::max(allHigh, d.v[i]) : d.v[i];
                allLow = haveAll ? std::min(allLow, d.v[i]) : d.v[i];
                haveAll = true;
            }
            // hhv / llv: +inf counts as one bar; a period below one bar takes
            // the history without +inf.
            const float n1 = std::isinf(n) ? 1.0f : n;
            const bool whole = !(std::trunc(n1) >= 1.0f);
            const uint32_t from = freeFrom(d.first, i, n1);
            uint32_t hi = from, lo = from;
            for (uint32_t j = from; j <= i; ++j) {
                hi = d.v[j] > d.v[hi] ? j : hi;
                lo = d.v[j] < d.v[lo] ? j : lo;
            }
            hhv[i] = whole ? (haveAll ? allHigh : INF) : d.v[hi];
            llv[i] = whole ? (haveAll ? allLow : INF) : d.v[lo];
            hb[i] = static_cast<float>(i - hi);
            lb[i] = static_cast<float>(i - lo);
            // hod / lod: +inf or a negative period is one bar (hod) or all (lod).
            const bool odd = std::isinf(n) || n < 0.0f;
            uint32_t above = 0, below = 0;
            for (uint32_t j = odd ? i : freeFrom(d.first, i, n); j <= i; ++j)
                above += d.v[j] >= d.v[i] ? 1 : 0;
            for (uint32_t j = odd ? d.first : freeFrom(d.first, i, n); j <= i; ++j)
                below += d.v[i] >= d.v[j] ? 1 : 0;
            hod[i] = static_cast<float>(above);
            lod[i] = static_cast<float>(below);
            // Averages: n at least one bar; no value before bar n - 1.
            const float na = n > 1.0f ? n : 1.0f;
            const bool reached = !(static_cast<float>(i) < na - 1.0f);
            const uint32_t af = freeFrom(d.first, i, na);
            double s = 0.0, w = 0.0, wsum = 0.0;
            bool finite = true;
            for (uint32_t j = af; j <= i; ++j) {
                s += d.v[j];
                w += static_cast<double>(j - af + 1) * d.v[j];
                wsum += j - af + 1;
                finite = finite && std::isfinite(d.v[j]);
            }
            const uint32_t c = i - af + 1;
            ma[i] = reached ? static_cast<float>(s / c) : INF;
            wma[i] = reached ? static_cast<float>(w / wsum) : INF;
            double m2 = 0.0, ad = 0.0;
            for (uint32_t j = af; j <= i; ++j) {
                m2 += (d.v[j] - s / c) * (d.v[j] - s / c);
                ad += std::fabs(d.v[j] - s / c);
            }
            sd[i] = (reached && finite && c >= 2) ? static_cast<float>(std::sqrt(m2 / (c - 1))) : INF;
            // avedev reads N itself (N = 0 is the whole history).
            const uint32_t vf = freeFrom(d.first, i, n);
            double vs = 0.0;
            bool vfin = true;
            for (uint32_t j = vf; j <= i; ++j) {
                vs += d.v[j];
                vfin = vfin && std::isfinite(d.v[j]);
            }
            double vd = 0.0;
            for (uint32_t j = vf; j <= i; ++j)
                vd += std::fabs(d.v[j] - vs / (i - vf + 1));
            const bool vreached = !(static_cast<float>(i) < n - 1.0f);
            dev[i] = (vreached && vfin) ? static_cast<float>(vd / (i - vf + 1)) : INF;
            // sum: a negative N is i + 1 bars.
            const uint32_t sf = n < 0.0f ? d.first : freeFrom(d.first, i, n);
            double t = 0.0;
            uint32_t ones = 0;
            for (uint32_t j = sf; j <= i; ++j)
                t += d.v[j];
            for (uint32_t j = freeFrom(d.first, i, n); j <= i; ++j)
                ones += std::fmod(std::fabs(d.v[j]), 2.0f) < 1.0f && !std::isinf(d.v[j]) ? 1 : 0;
            sum[i] = static_cast<float>(t);
            cnt[i] = static_cast<float>(ones);
        }
        compare("HHV" + tag, call(builtinHhv, {asSeries(d), N}), hhv, d.first, exact);
        compare("LLV" + tag, call(builtinLlv, {asSeries(d), N}), llv, d.first, exact);
        compare("HHVBARS" + tag, call(builtinHhvbars, {asSeries(d), N}), hb, d.first, exact);
        compare("LLVBARS" + tag, call(builtinLlvbars, {asSeries(d), N}), lb, d.first, exact);
        compare("HOD" + tag, call(builtinHod, {asSeries(d), N}), hod, d.first, exact);
        compare("LOD" + tag, call(builtinLod, {asSeries(d), N}), lod, d.first, exact);
        auto rel = [](const std::vector<float>& want) {
            return [&want](uint32_t i) { return 1e-5 * std::fabs(want[i]) + 1e-4; };
        };
        compare("MA" + tag, call(builtinMa, {asSeries(d), N}), ma, d.first, rel(ma));
        compare("WMA" + tag, call(builtinWma, {asSeries(d), N}), wma, d.first, rel(wma));
        compare("STD" + tag, call(builtinStd, {asSeries(d), N}), sd, d.first, rel(sd));
        compare("AVEDEV" + tag, call(builtinAvedev, {asSeries(d), N}), dev, d.first, rel(dev));
        compare("SUM" + tag, call(builtinSum, {asSeries(d), N}), sum, d.first, rel(sum));
        Data ones = d;
        for (float& v : ones.v)
            v = std::isinf(v) ? 2.0f : (std::fmod(std::fabs(v), 2.0f) < 1.0f ? 1.0f : 0.0f);
        compare("COUNT" + tag, call(builtinCount, {asSeries(ones), N}), cnt, d.first, exact);
    }
}

TEST(BuiltinRandomized, RankedSearchesOverWideWindows)
{
    std::mt19937 rng(2718);
    for (int round = 0; round < 40; ++round) {
        const Data d = randomData(rng, true);  // integers: many equal values
        const std::size_t bars = d.v.size();
        std::vector<float> nv(bars), mv(bars), tv(bars);
        for (std::size_t i = 0; i < bars; ++i) {
            nv[i] = static_cast<float>(std::uniform_int_distribution<int>(0, 30)(rng));
            mv[i] = static_cast<float>(std::uniform_int_distribution<int>(-1, 400)(rng));
            tv[i] = static_cast<float>(std::uniform_int_distribution<int>(0, 60)(rng)) + 0.5f;
        }
        const std::string tag = " (round " + std::to_string(round) + ")";
        std::vector<float> fh(bars, 0.0f), fl(fh), fhb(fh), flb(fh);
        const uint32_t pre = static_cast<uint32_t>(std::min<float>(nv.empty() ? 0 : nv[0], bars));
        for (uint32_t i = d.first; i < d.end(); ++i) {
            fh[i] = fl[i] = fhb[i] = flb[i] = INF;
            const int64_t j = static_cast<int64_t>(i) - static_cast<int64_t>(nv[i]);
            if (i < pre || mv[i] == 0.0f || tv[i] < 1.0f || j < d.first || j >= d.end())
                continue;
            const uint32_t ws = freeFrom(d.first, static_cast<uint32_t>(j), mv[i]);
            std::vector<float> w(d.v.begin() + ws, d.v.begin() + j + 1);
            const std::size_t idx = static_cast<std::size_t>(std::min<float>(tv[i], w.size()) - 1.0f);
            std::vector<float> hi = w, lo = w;
            std::sort(hi.begin(), hi.end(), std::greater<float>());
            std::sort(lo.begin(), lo.end());
            fh[i] = hi[idx];
            fl[i] = lo[idx];
            fhb[i] = static_cast<float>(i - (ws + (std::find(w.begin(), w.end(), hi[idx]) - w.begin())));
            flb[i] = static_cast<float>(i - (ws + (std::find(w.begin(), w.end(), lo[idx]) - w.begin())));
        }
        const ArgumentPtr N = series(nv), M = series(mv), T = series(tv);
        compare("FINDHIGH" + tag, call(builtinFindhigh, {asSeries(d), N, M, T}), fh, d.first, exact);
        compare("FINDLOW" + tag, call(builtinFindlow, {asSeries(d), N, M, T}), fl, d.first, exact);
        compare("FINDHIGHBARS" + tag, call(builtinFindhighbars, {asSeries(d), N, M, T}), fhb, d.first, exact);
        compare("FINDLOWBARS" + tag, call(builtinFindlowbars, {asSeries(d), N, M, T}), flb, d.first, exact);
    }
}

TEST(BuiltinRandomized, SignedSumbarsAndLongBacksets)
{
    std::mt19937 rng(4711);
    for (int round = 0; round < 40; ++round) {
        Data d = randomData(rng, true);
        // Signed values around 0 with markers, a NaN now and then, -inf rarely.
        for (float& v : d.v) {
            const int p = std::uniform_int_distribution<int>(0, 199)(rng);
            v = p == 0 ? NAN : (p == 1 ? -INF : (std::isinf(v) ? v : v - 100.0f));
        }
        const float a = static_cast<float>(std::uniform_int_distribution<int>(-50, 200)(rng));
        std::vector<float> want(d.v.size(), 0.0f);
        for (uint32_t j = d.first + 1; j < d.end(); ++j) {
            double s = 0.0;
            want[j] = INF;
            for (uint32_t k = j + 1; k-- > 0;) {
                s += d.v[k];
                if (s >= a) {
                    want[j] = k == j ? 0.0f : (k == 0 ? static_cast<float>(j) : static_cast<float>(j - k + 1));
                    break;
                }
                if (k == 0 && a > s)
                    want[j] = static_cast<float>(j);
            }
        }
        compare("SUMBARS" + std::to_string(round), call(builtinSumbars, {asSeries(d), lit(a)}), want, d.first + 1,
                exact);
        // backset: every true bar sets itself and the N - 1 bars before it.
        std::vector<float> cond(d.v.size()), counts(d.v.size());
        for (std::size_t i = 0; i < cond.size(); ++i) {
            cond[i] = std::uniform_int_distribution<int>(0, 30)(rng) == 0 ? 1.0f : 0.0f;
            counts[i] = static_cast<float>(std::uniform_int_distribution<int>(-1, 3)(rng) * 400);
        }
        std::vector<float> back(cond.size(), 0.0f);
        for (uint32_t i = d.first; i < cond.size(); ++i) {
            if (cond[i] == 0.0f)
                continue;
            const float len = counts[i] <= 0.0f ? 1.0f : counts[i];
            for (uint32_t j = freeFrom(d.first, i, len); j <= i; ++j)
                back[j] = 1.0f;
        }
        compare("BACKSET" + std::to_string(round), call(builtinBackset, {series(cond, d.first), series(counts)}), back,
                d.first, exact);
    }
}

TEST(BuiltinRandomized, CovarianceAndCorrelationOverWideWindows)
{
    std::mt19937 rng(1618);
    for (int round = 0; round < 30; ++round) {
        const Data a = randomData(rng, false);
        Data b = a;
        b.first = std::uniform_int_distribution<uint32_t>(0, 30)(rng);
        for (float& v : b.v)
            v = std::isinf(v) ? v : 0.5f * v + std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
        static const uint32_t windows[] = {2, 5, 20, 250, 2000};
        const uint32_t k = windows[round % 5];
        auto mean = [k](const Data& d, uint32_t i) {
            if (i + 1 < k)
                return static_cast<double>(INF);
            double s = 0.0;
            for (uint32_t j = winFrom(d, i, k); j <= i; ++j)
                s += d.v[j];
            return static_cast<double>(static_cast<float>(s / (i - winFrom(d, i, k) + 1)));
        };
        std::vector<float> cov(a.v.size(), INF), cor(cov), var(cov);
        const uint32_t first = std::max(a.first, b.first);
        for (uint32_t i = std::max(first, k - 1); i < a.end(); ++i) {
            const double ma = mean(a, i), mb = mean(b, i);
            const uint32_t ws = std::max<uint32_t>(first, i + 1 >= k ? i + 1 - k : 0);
            double sxy = 0, sxx = 0, syy = 0;
            bool finite = std::isfinite(ma) && std::isfinite(mb);
            for (uint32_t j = ws; j <= i; ++j) {
                finite = finite && std::isfinite(a.v[j]) && std::isfinite(b.v[j]);
                sxy += (a.v[j] - ma) * (b.v[j] - mb);
                sxx += (a.v[j] - ma) * (a.v[j] - ma);
                syy += (b.v[j] - mb) * (b.v[j] - mb);
            }
            const double f = i - ws;
            if (!finite || f < 1)
                continue;
            cov[i] = static_cast<float>(sxy / f);
            if (sxx > 0 && syy > 0)
                cor[i] = static_cast<float>((sxy / f) / (std::sqrt(sxx / f) * std::sqrt(syy / f)));
        }
        // var with N as a series: the windows are N's first value long, the
        // mean at each bar is MA(X, N) there.
        for (uint32_t i = std::max(a.first, k - 1); i < a.end(); ++i) {
            const double m = mean(a, i);
            const uint32_t ws = winFrom(a, i, k);
            double s = 0.0;
            bool finite = std::isfinite(m);
            for (uint32_t j = ws; j <= i; ++j) {
                finite = finite && std::isfinite(a.v[j]);
                s += (a.v[j] - m) * (a.v[j] - m);
            }
            if (finite && i > ws)
                var[i] = static_cast<float>(s / (i - ws));
        }
        const std::string tag = " (round " + std::to_string(round) + ", N " + std::to_string(k) + ")";
        auto rel = [](const std::vector<float>& want, double floor) {
            return [&want, floor](uint32_t i) { return 1e-4 * std::fabs(want[i]) + floor; };
        };
        const float n = static_cast<float>(k);
        compare("COVAR" + tag, call(builtinCovar, {asSeries(a), asSeries(b), lit(n)}), cov, first, rel(cov, 1e-3));
        compare("RELATE" + tag, call(builtinRelate, {asSeries(a), asSeries(b), lit(n)}), cor, first, rel(cor, 1e-4));
        compare("VAR series N" + tag, call(builtinVar, {asSeries(a), constantSeries(a, n)}), var, a.first,
                rel(var, 1e-3));
    }
}
