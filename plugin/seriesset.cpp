// Functions 8 and 9: the process-wide set of ten series built from the merged
// bars (turns, strokes and alternating marks) and read back one at a time.
#include <algorithm>
#include <array>
#include <cfloat>
#include <vector>

#include "mergedbars.h"
#include "tdxfunctions.h"

namespace ostrilug {

namespace {

// S0..S9: rebuilt whole by function 8, read by function 9. The formula engine
// calls the plug-in from one thread only, so the set has no lock.
std::array<std::vector<float>, 10> seriesSet;

// Index of the last bar c <= from with series[c] == key, or -1.
int lastBarEqual(const float* series, int from, float key)
{
    for (int c = from; c >= 0; --c)
        if (series[c] == key)
            return c;
    return -1;
}

}  // namespace

void tdxFillSeriesSet(int count, float* out, float* a, float* b, float*)
{
    if (count < 2 || !out || !a || !b)
        return;
    const float* H = a;
    const float* L = b;
    const float E = out[0];
    for (auto& s : seriesSet)
        s.assign(size_t(count), E);
    auto& S0 = seriesSet[0];
    auto& S1 = seriesSet[1];
    auto& S2 = seriesSet[2];
    auto& S3 = seriesSet[3];
    auto& S4 = seriesSet[4];
    auto& S5 = seriesSet[5];
    auto& S6 = seriesSet[6];
    auto& S7 = seriesSet[7];
    auto& S8 = seriesSet[8];
    auto& S9 = seriesSet[9];
    S1[0] = H[0];
    S2[0] = L[0];

    const BarRange first{H[0], L[0]};
    BarRange previous = first, top = first, prevTop = first, bot = first, prevBot = first;
    int dir = 2;
    bool newBar = false;
    int stroke = 2;
    int lastStroke = 0;
    for (int i = 1; i < count; ++i) {
        const BarRange prev{S1[i - 1], S2[i - 1]};
        if (contained(prev, H[i], L[i])) {
            if (dir == 2) {
                S1[i] = std::max(H[i], prev.high);
                S2[i] = std::max(L[i], prev.low);
            } else {
                S1[i] = std::min(H[i], prev.high);
                S2[i] = std::min(L[i], prev.low);
            }
        } else {
            S1[i] = H[i];
            S2[i] = L[i];
            newBar = true;
        }
        const int turn = turnAt(i, prev, H[i], L[i], previous);
        if (turn != 0) {
            dir = turn;
            S0[i] = float(turn);
            if (turn == 1) {
                prevTop = top;
                top = prev;
            } else {
                prevBot = bot;
                bot = prev;
            }
        }
        if (newBar) {
            previous = prev;
            newBar = false;
        }
        int o = 0;
        if (stroke == 2 && top.high < S1[i]) {
            stroke = 1;
            o = 1;
        } else if (stroke != 2 && bot.low > S2[i]) {
            stroke = 2;
            o = 2;
        }
        if (o != 0) {
            lastStroke = o;
            S3[i] = float(o);
            const float level = o == 1 ? std::max(bot.low, prevBot.low) : std::min(top.high, prevTop.high);
            const int c = o == 1 ? lastBarEqual(L, i, bot.low) : lastBarEqual(H, i, top.high);
            if (c >= 0) {
                S4[c] = float(o);
                S5[c] = level;
                S6[c] = float(o);
                S7[c] = float(3 - o);
            }
        }
    }

    // Second pass: alternating low (1) and high (2) marks with their prices.
    int mode = 0;
    int d = 0;
    while (d < count && S6[d] != 1.0f && S7[d] != 1.0f)
        ++d;
    if (d < count) {
        // Both marks start at the first marked bar's own range, so a switch
        // before the other kind of extreme is seen writes a real price.
        float lowMark = L[d];
        float highMark = H[d];
        int slotA = 0;
        int slotB = 0;
        bool up;
        if (S6[d] == 1.0f) {
            S8[d] = 1.0f;
            S9[d] = L[d];
            slotA = d;
            up = true;
            mode = 1;
        } else {
            S8[d] = 2.0f;
            S9[d] = H[d];
            slotB = d;
            up = false;
            mode = 2;
        }
        float runLow = FLT_MAX;
        float runHigh = FLT_MIN;
        for (; d < count; ++d) {
            if (S6[d] == 1.0f && S7[d] == 2.0f) {
                runHigh = H[d];
                up = true;
                runLow = std::min(runLow, L[d]);
                lowMark = runLow;
                slotB = d;
            } else if (S6[d] == 2.0f && S7[d] == 1.0f) {
                runLow = L[d];
                runHigh = std::max(runHigh, H[d]);
                highMark = runHigh;
                slotA = d;
                up = false;
            }
            if (up)
                runHigh = std::max(runHigh, H[d]);
            else
                runLow = std::min(runLow, L[d]);
            if (mode == 1 && lowMark > L[d]) {
                S9[slotA] = highMark;
                S8[slotA] = 2.0f;
                mode = 2;
            } else if (mode == 2 && highMark < H[d]) {
                S9[slotB] = lowMark;
                S8[slotB] = 1.0f;
                mode = 1;
            }
        }
    }

    const int n = count - 1;
    if (S8[n] != 1.0f && S8[n] != 2.0f) {
        if (mode == 1) {
            S9[n] = H[n];
            S8[n] = 2.0f;
        } else {
            S9[n] = L[n];
            S8[n] = 1.0f;
        }
    }
    if (S5[n] == E) {
        if (lastStroke == 1) {
            S4[n] = S6[n] = 2.0f;
            S7[n] = 1.0f;
            S5[n] = H[n];
        } else {
            S4[n] = S6[n] = 1.0f;
            S7[n] = 2.0f;
            S5[n] = L[n];
        }
    }
}

// A selector outside 0-9 leaves out unchanged; a set shorter than count (not
// built yet, or built over fewer bars) fills only the bars it has.
void tdxSeriesFromSet(int count, float* out, float* a, float*, float*)
{
    if (count < 2 || !out || !a)
        return;
    const int32_t k = truncToInt(a[0]);
    if (k < 0 || k > 9)
        return;
    const auto& s = seriesSet[size_t(k)];
    const size_t n = std::min(s.size(), size_t(count));
    std::copy(s.begin(), s.begin() + std::ptrdiff_t(n), out);
}

}  // namespace ostrilug
