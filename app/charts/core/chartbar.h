// One bar of a chart layer as the chart keeps it, and the no-value marker the
// formula engine uses in every series (the bit pattern of +infinity).
#pragma once

#include <cstdint>
#include <cstddef>
#include <limits>

// Same bits as the engine's FMLInvalidValue; kept here so the Qt-free bar
// code does not link the engine.
constexpr float kChartNoValue = std::numeric_limits<float>::infinity();

// Eleven 32-bit words. K-line bars: date is (year-1900)*10000+month*100+day of
// the local time; minute bars: date equals the time stamp.
struct ChartBar {
    uint32_t date = 0;
    int32_t time = 0;  // seconds since 1970 (low 32 bits)
    float open = 0.0f;
    float high = 0.0f;
    float low = 0.0f;
    float close = 0.0f;
    float amount = 0.0f;
    float volume = 0.0f;
    float preClose = 0.0f;
    float avgPrice = 0.0f;
    float extra = 0.0f;
};
static_assert(sizeof(ChartBar) == 44, "ChartBar is eleven 32-bit words");
static_assert(offsetof(ChartBar, time) == 4 && offsetof(ChartBar, open) == 8 && offsetof(ChartBar, close) == 20 &&
                  offsetof(ChartBar, preClose) == 32 && offsetof(ChartBar, extra) == 40,
              "ChartBar field order");

// A place of an overlay layer where the overlay stock has no bar.
inline ChartBar fillerBar()
{
    ChartBar b;
    b.open = b.high = b.low = b.close = b.amount = b.volume = b.preClose = b.avgPrice = b.extra = kChartNoValue;
    return b;
}

inline bool isChartValue(float v)
{
    return v != kChartNoValue && v == v && v != -kChartNoValue;
}
