// The nine array functions of the indicator plug-in, numbered 1 to 9 in its
// table. Each reads and writes only the count floats of its arrays; a count
// below the function's minimum leaves everything unchanged.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace ostrilug {

// Float to int32 by truncation toward zero, saturating at the int32 limits; NaN gives 0.
inline int32_t truncToInt(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0f)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// 1: out[i - a[i]] := 1 for every bar whose back distance stays within the series.
void tdxMarkBack(int count, float* out, float* a, float* b, float* c);
// 2: marks segment ends 1 and 2 alternately, 3 where a short follow-on segment was folded in.
void tdxSegmentEnds(int count, float* out, float* a, float* b, float* c);
// 3: pairs each mark 1 with the next mark 2 and writes the higher b of the two on both.
void tdxPairHigh(int count, float* out, float* a, float* b, float* c);
// 4: as 3 with the lower b and without passing marks 3 through.
void tdxPairLow(int count, float* out, float* a, float* b, float* c);
// 5: turn codes (1 top, 2 bottom) of the merged bars of high a and low b.
void tdxMergedTurns(int count, float* out, float* a, float* b, float* c);
// 6: merged high of high a and low b.
void tdxMergedHigh(int count, float* out, float* a, float* b, float* c);
// 7: merged low of high a and low b.
void tdxMergedLow(int count, float* out, float* a, float* b, float* c);
// 8: rebuilds the process-wide set of ten series from high a and low b.
void tdxFillSeriesSet(int count, float* out, float* a, float* b, float* c);
// 9: copies series a[0] (0-9) of the set into out.
void tdxSeriesFromSet(int count, float* out, float* a, float* b, float* c);

}  // namespace ostrilug
