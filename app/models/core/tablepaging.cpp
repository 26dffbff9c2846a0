#include "models/core/tablepaging.h"

#include <cmath>

int tablePageRows(double height)
{
    if (!(height > 0.0))  // also NaN
        return 1;
    const double rows = std::floor((height - 25.0) / 27.0 + 0.2);
    if (rows < 1.0)
        return 1;
    return rows > 65535.0 ? 65535 : int(rows);
}

uint16_t clampPageSize(uint32_t pageSize)
{
    if (pageSize == 0 || pageSize > 0x7FFFFFFFu)
        return 1;
    return pageSize > 0xFFFFu ? uint16_t(0xFFFF) : uint16_t(pageSize);
}
