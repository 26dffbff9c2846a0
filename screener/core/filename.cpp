#include "filename.h"

namespace quorvex {

std::string sanitiseFileNamePart(const std::string& name)
{
    std::string out = name.empty() ? std::string("_") : name;
    bool leading = true;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
                           u == '-' || (u == '.' && !leading);
        if (!plain)
            c = '_';
        leading = leading && u == '.';
    }
    return out;
}

} // namespace quorvex
