// Functions 5 to 7: turns, high and low of the merged bars.
#include "mergedbars.h"

#include <algorithm>

#include "tdxfunctions.h"

namespace ostrilug {

namespace {

enum class MergedSeries { Turns, High, Low };

void mergeBars(int count, float* out, const float* high, const float* low, MergedSeries what)
{
    if (count <= 0 || !out || !high || !low)
        return;
    BarRange prev{high[0], low[0]};       // merged bar i - 1
    BarRange direction{high[0], low[0]};  // merged bar before the last turn
    BarRange previous{high[0], low[0]};   // merged bar before the last independent bar
    bool newBar = false;
    for (int i = 1; i < count; ++i) {
        const float h = high[i];
        const float l = low[i];
        BarRange cur;
        if (!contained(prev, h, l)) {
            cur = {h, l};
            newBar = true;
        } else if (direction.high < h && direction.low < l) {
            cur = {std::max(h, prev.high), std::max(l, prev.low)};
        } else {
            cur = {std::min(h, prev.high), std::min(l, prev.low)};
        }
        const int turn = turnAt(i, prev, h, l, previous);
        if (turn != 0) {
            direction = prev;
            if (what == MergedSeries::Turns)
                out[i] = float(turn);
        }
        if (newBar) {
            previous = prev;
            newBar = false;
        }
        if (what == MergedSeries::High)
            out[i] = cur.high;
        if (what == MergedSeries::Low)
            out[i] = cur.low;
        prev = cur;
    }
}

}  // namespace

void tdxMergedTurns(int count, float* out, float* a, float* b, float*)
{
    mergeBars(count, out, a, b, MergedSeries::Turns);
}

void tdxMergedHigh(int count, float* out, float* a, float* b, float*)
{
    mergeBars(count, out, a, b, MergedSeries::High);
}

void tdxMergedLow(int count, float* out, float* a, float* b, float*)
{
    mergeBars(count, out, a, b, MergedSeries::Low);
}

}  // namespace ostrilug
