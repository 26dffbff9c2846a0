#include "shell/core/glrenderer.h"

#include <cctype>
#include <cstring>
#include <string>

namespace shellcore {

namespace {

std::string lower(const char* s)
{
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

bool isSoftwareRasterizer(const char* renderer)
{
    if (!renderer || !*renderer)
        return false;
    const std::string r = lower(renderer);
    for (const char* name : {"llvmpipe", "softpipe", "software rasterizer", "gdi generic", "microsoft basic render"})
        if (r.find(name) != std::string::npos)
            return true;
    // OpenSWR names itself "SWR (LLVM ...)": a word of its own, at the start.
    return r.compare(0, 4, "swr ") == 0 || r == "swr";
}

}  // namespace shellcore
