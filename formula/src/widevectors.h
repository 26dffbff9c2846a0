// Whether the engine's hottest loops may use 256-bit vectors (AVX and AVX2,
// never FMA: a fused multiply-add rounds once where the engine rounds twice,
// which would change the bits). The loops that have such a variant compute
// every bar with the same operations in the same order as the baseline
// (SSE2) ones, so both give the same bits; the wide ones only do more bars
// or lanes per instruction.
#pragma once

#if defined(__GNUC__) && defined(__x86_64__)
#define FML_WIDE_VECTORS 1
// A function compiled for the wide vectors; called only when wideVectors().
#define FML_WIDE __attribute__((target("avx2")))
#else
#define FML_WIDE_VECTORS 0
#define FML_WIDE
#endif

namespace widevectors {

// True when the processor and the system run AVX2 code and no test asked for
// the baseline loops.
bool enabled() noexcept;

// Tests: false makes every loop take its baseline variant, true restores the
// processor's choice. Not for use while a run is going on.
void force(bool wide) noexcept;

}  // namespace widevectors
