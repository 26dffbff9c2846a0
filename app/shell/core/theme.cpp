#include "shell/core/theme.h"

namespace theme {

std::string hexName(uint32_t argb, bool withAlpha)
{
    static const char digits[] = "0123456789ABCDEF";
    const bool opaque = (argb >> 24) == 0xFFu && !withAlpha;
    std::string s = "#";
    for (int shift = opaque ? 20 : 28; shift >= 0; shift -= 4)
        s += digits[(argb >> shift) & 0xFu];
    return s;
}

}  // namespace theme
