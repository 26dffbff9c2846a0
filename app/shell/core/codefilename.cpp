#include "shell/core/codefilename.h"

namespace shellcore {

bool isFileSafeCode(const std::string& code)
{
    if (code.empty() || code.size() > 16)
        return false;
    for (const char c : code) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit)
            return false;
    }
    return true;
}

std::string drawingFileName(const std::string& code, int market, int cycle)
{
    if (!isFileSafeCode(code) || market < 0 || cycle < 0)
        return std::string();
    return code + "-" + std::to_string(market) + "-" + std::to_string(cycle) + ".json";
}

}  // namespace shellcore
