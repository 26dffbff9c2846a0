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
        compare("HHVBARS series N" + tag, call(builtinHhvbars, {asSeries(d), constantSeries(d, n)}), hb, d.first, exact);
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
        compare("SMA series N" + tag, call(builtinSma, {asSeries(d), constantSeries(d, n), lit(1)}), sma, d.first, rtol);
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
        const float a = std::uniform_real_distribution<float>(0.0f, 4000.0f)(rng) *
                        (round % 3 == 0 ? 1000.0f : 1.0f);
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
