#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "models/core/tablepaging.h"

// Rows that fit: floor((h - 25) / 27 + 0.2), at least one.
TEST(TablePaging, RowsFromHeight)
{
    const struct {
        double height;
        int rows;
    } cases[] = {
        {0, 1},      {-10, 1},  {25, 1},   {52, 1},  // (52-25)/27+0.2 = 1.2
        {700, 25},   {835, 30}, {727, 26},           // 702/27 = 26.0 -> 26.2
        {724.4, 26},                                 // 699.4/27 = 25.90 -> 26.10
        {723, 26},                                   // 698/27 = 25.85 -> 26.05
        {721, 25},                                   // 696/27 = 25.78 -> 25.98
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.rows, tablePageRows(c.height)) << "height " << c.height;
    EXPECT_EQ(1, tablePageRows(std::numeric_limits<double>::quiet_NaN()));
}

TEST(TablePaging, PageSizeClamp)
{
    EXPECT_EQ(1, clampPageSize(0));
    EXPECT_EQ(1, clampPageSize(uint32_t(-1)));  // a -1 from a script
    EXPECT_EQ(1, clampPageSize(0x80000000u));
    EXPECT_EQ(30, clampPageSize(30));
    EXPECT_EQ(65535, clampPageSize(65535));
    EXPECT_EQ(65535, clampPageSize(70000));
}
