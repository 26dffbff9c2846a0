// Paging arithmetic of the quote tables: how many rows a view of a given
// height shows and the page length a context may be given.
#pragma once

#include <cstdint>

// Rows that fit below a 25-pixel header with 26-pixel rows and 1-pixel gaps:
// floor((height - 25) / 27 + 0.2), at least 1 (a view being laid out has a
// height of 0).
int tablePageRows(double height);

// A page length for the library: 0 and values that came from a negative
// number become 1, longer ones are cut to the 16-bit field.
uint16_t clampPageSize(uint32_t pageSize);
