// Whole-array scans in SSE2 (the x86-64 baseline), four floats per step:
// whether every value is finite, and the maximum and minimum of the values
// other than the two markers.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include <emmintrin.h>

namespace simdscan {

// True when every value of x[0, n) is finite.
inline bool allFinite(const float* x, std::size_t n)
{
    std::size_t i = 0;
    __m128 bad = _mm_setzero_ps();
    for (; i + 8 <= n; i += 8) {
        const __m128 a = _mm_loadu_ps(x + i);
        const __m128 b = _mm_loadu_ps(x + i + 4);
        // v - v is 0 for a finite v and NaN otherwise; NaN is unordered with itself.
        bad = _mm_or_ps(bad, _mm_cmpunord_ps(_mm_sub_ps(a, a), _mm_sub_ps(b, b)));
    }
    bool ok = _mm_movemask_ps(bad) == 0;
    for (; i < n; ++i)
        ok &= (x[i] - x[i]) == 0.0f;
    return ok;
}

// True when every value of x[0, n) has a magnitude within [2^-99, 2^100)
// (no zero, no marker, nothing that is not finite): the floats of doubles
// whose own magnitudes lie within [2^-100, 2^101). Compares the bits of the
// magnitudes, which order like the values (NaN's above infinity's).
inline bool magnitudesWithin(const float* x, std::size_t n)
{
    constexpr int32_t kLow = (127 - 99) << 23;    // 2^-99
    constexpr int32_t kHigh = (127 + 100) << 23;  // 2^100
    const __m128i mask = _mm_set1_epi32(0x7FFFFFFF);
    const __m128i below = _mm_set1_epi32(kLow - 1);
    const __m128i high = _mm_set1_epi32(kHigh);
    __m128i out = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i m = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)), mask);
        const __m128i ok = _mm_and_si128(_mm_cmpgt_epi32(m, below), _mm_cmpgt_epi32(high, m));
        out = _mm_or_si128(out, _mm_xor_si128(ok, _mm_set1_epi32(-1)));
    }
    bool within = _mm_movemask_epi8(out) == 0;
    for (; i < n; ++i) {
        const float m = std::fabs(x[i]);
        within &= m >= 0x1p-99f && m < 0x1p100f;
    }
    return within;
}

// True when x[0, n) holds the value m (compared as floats).
inline bool holds(const float* x, std::size_t n, float m)
{
    std::size_t i = 0;
    const __m128 mm = _mm_set1_ps(m);
    __m128 hit = _mm_setzero_ps();
    for (; i + 4 <= n; i += 4)
        hit = _mm_or_ps(hit, _mm_cmpeq_ps(_mm_loadu_ps(x + i), mm));
    bool any = _mm_movemask_ps(hit) != 0;
    for (; i < n; ++i)
        any |= x[i] == m;
    return any;
}

// out[i] := 1 where b[i-1] > a[i-1] and a[i] > b[i], else 0, for i in
// [from, to) with from >= 1: a crossing of a over b.
inline void crossings(const float* a, const float* b, float* out, std::size_t from, std::size_t to)
{
    std::size_t i = from;
    const __m128 one = _mm_set1_ps(1.0f);
    for (; i + 4 <= to; i += 4) {
        const __m128 was = _mm_cmpgt_ps(_mm_loadu_ps(b + i - 1), _mm_loadu_ps(a + i - 1));
        const __m128 now = _mm_cmpgt_ps(_mm_loadu_ps(a + i), _mm_loadu_ps(b + i));
        _mm_storeu_ps(out + i, _mm_and_ps(_mm_and_ps(was, now), one));
    }
    for (; i < to; ++i)
        out[i] = (b[i - 1] > a[i - 1] && a[i] > b[i]) ? 1.0f : 0.0f;
}

// out[i] := how many of x[i - k + 1 .. i] (cut at first; k = 0: all of
// x[first .. i]) equal 1, for i in [first, end). The counts are carried in
// floats, exact while they stay below 2^24; callers keep end - first below.
inline void windowOnes(const float* x, float* out, std::size_t first, std::size_t end, std::size_t k)
{
    std::size_t i = first;
    float c = 0.0f;
    const std::size_t ramp = (k == 0 || end - first <= k) ? (k == 0 ? first : end) : first + k;
    for (; i < ramp; ++i) {
        c += x[i] == 1.0f ? 1.0f : 0.0f;
        out[i] = c;
    }
    const __m128 one = _mm_set1_ps(1.0f);
    __m128 carry = _mm_set1_ps(c);
    for (; i + 4 <= end; i += 4) {
        __m128 d = _mm_and_ps(_mm_cmpeq_ps(_mm_loadu_ps(x + i), one), one);
        if (k != 0)
            d = _mm_sub_ps(d, _mm_and_ps(_mm_cmpeq_ps(_mm_loadu_ps(x + i - k), one), one));
        // Prefix sums within the four lanes, then the count carried in.
        d = _mm_add_ps(d, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(d), 4)));
        d = _mm_add_ps(d, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(d), 8)));
        d = _mm_add_ps(d, carry);
        _mm_storeu_ps(out + i, d);
        carry = _mm_shuffle_ps(d, d, 0xFF);
    }
    c = _mm_cvtss_f32(carry);
    for (; i < end; ++i) {
        c += x[i] == 1.0f ? 1.0f : 0.0f;
        if (k != 0)
            c -= x[i - k] == 1.0f ? 1.0f : 0.0f;
        out[i] = c;
    }
}

// Widens *hi and *lo by the values of x[0, n) that are neither marker a nor
// marker b; NaN values are skipped, and a NaN already in *hi or *lo stays.
inline void maxMinSkipping(const float* x, std::size_t n, float a, float b, float* hi, float* lo)
{
    std::size_t i = 0;
    const std::size_t whole = n & ~std::size_t(3);  // bars the four-lane loop takes
    if (whole != 0) {
        const __m128 ma = _mm_set1_ps(a), mb = _mm_set1_ps(b);
        const __m128 low = _mm_set1_ps(-INFINITY), high = _mm_set1_ps(INFINITY);
        // maxps / minps return the second operand when either is NaN, so the
        // running extremes go second: a NaN value never replaces them.
        __m128 h = _mm_set1_ps(*hi), l = _mm_set1_ps(*lo);
        for (; i < whole; i += 4) {
            const __m128 v = _mm_loadu_ps(x + i);
            const __m128 marker = _mm_or_ps(_mm_cmpeq_ps(v, ma), _mm_cmpeq_ps(v, mb));
            const __m128 forMax = _mm_or_ps(_mm_and_ps(marker, low), _mm_andnot_ps(marker, v));
            const __m128 forMin = _mm_or_ps(_mm_and_ps(marker, high), _mm_andnot_ps(marker, v));
            h = _mm_max_ps(forMax, h);
            l = _mm_min_ps(forMin, l);
        }
        alignas(16) float hs[4], ls[4];
        _mm_store_ps(hs, h);
        _mm_store_ps(ls, l);
        float rh = *hi, rl = *lo;
        for (int t = 0; t < 4; ++t) {
            rh = hs[t] > rh ? hs[t] : rh;
            rl = ls[t] < rl ? ls[t] : rl;
        }
        *hi = rh;
        *lo = rl;
    }
    float rh = *hi, rl = *lo;
    for (; i < n; ++i) {
        const float v = x[i];
        const bool take = v != a && v != b;
        rh = (take && v > rh) ? v : rh;
        rl = (take && v < rl) ? v : rl;
    }
    *hi = rh;
    *lo = rl;
}

}  // namespace simdscan
