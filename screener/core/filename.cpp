#include "filename.h"

namespace quorvex {

std::string encodeFileNamePart(const std::string& name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char u = static_cast<unsigned char>(name[i]);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
                           u == '-' || (u == '.' && i > 0);
        if (plain) {
            out += static_cast<char>(u);
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}

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

}  // namespace quorvex
