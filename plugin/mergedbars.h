// Bar merging shared by functions 5 to 8: a bar whose range contains, or is
// contained by, the previous merged bar is merged into it.
#pragma once

namespace ostrilug {

struct BarRange {
    float high;
    float low;
};

// Bar (h, l) and the previous merged bar prev contain one another.
inline bool contained(BarRange prev, float h, float l)
{
    return (prev.high >= h && prev.low <= l) || (prev.high <= h && prev.low >= l);
}

// Turn test of bar i (high h, low l) against the reference ref, prev being the
// merged bar i - 1: 2 for a bottom at prev, 1 for a top, else 0; 0 for i <= 1.
inline int turnAt(int i, BarRange prev, float h, float l, BarRange ref)
{
    if (i <= 1)
        return 0;
    if (prev.high < h && prev.low < l && prev.high < ref.high && prev.low < ref.low)
        return 2;
    if (prev.high > h && prev.low > l && prev.high > ref.high && prev.low > ref.low)
        return 1;
    return 0;
}

}  // namespace ostrilug
