// The favourites file: little-endian archive records one after another, no
// header. Counts are uint32; narrow texts are a length prefix and bytes; wide
// texts are the marker FF FE FF, a length prefix counting UTF-16 units, and
// the units. A length prefix is one byte below 255, else 0xFF and a uint16
// below 0xFFFE, else 0xFF, 0xFFFF and a uint32.
#ifndef QUORVEX_FAVOURITESARCHIVE_H
#define QUORVEX_FAVOURITESARCHIVE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvex {

struct ArchivedCondition {
    std::string fmlName;
    int32_t period = 0;
    int32_t fmlType = 0;
    std::string fmlParams;
    std::vector<std::u16string> values;
};

struct ArchivedFavourite {
    std::u16string name;
    std::vector<ArchivedCondition> conditions;
};

std::string writeFavourites(const std::vector<ArchivedFavourite>& favourites);

// Reads a whole file. False when it ends early or holds a damaged record;
// `out` then keeps the favourites completely read before the damage.
bool readFavourites(const char* data, size_t size, std::vector<ArchivedFavourite>* out);

}  // namespace quorvex

#endif
