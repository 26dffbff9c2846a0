// Helpers of the scenarios that drive the exported interface: reading a file
// whole, the two key forms of a code (a QuoteCodeInfo and a 17-byte entry),
// and the ids of a block array.
#ifndef PELMAR_TESTS_EXPORTHELPERS_H
#define PELMAR_TESTS_EXPORTHELPERS_H

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "block.h"
#include "quote.h"

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// 16 bytes of code text, market byte last.
inline std::array<char, 17> entry17(const char* code, uint8_t market)
{
    std::array<char, 17> e{};
    std::memcpy(e.data(), code, std::strlen(code));
    e[16] = static_cast<char>(market);
    return e;
}

inline QuoteCodeInfo codeInfo(const char* code, uint8_t market, const char* name = "")
{
    QuoteCodeInfo info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.code, code, std::strlen(code));
    std::memcpy(info.name, name, std::strlen(name));
    info.market = market;
    return info;
}

inline std::vector<int64_t> blockIds(void** blocks, int n)
{
    std::vector<int64_t> ids;
    for (int i = 0; i < n; ++i)
        ids.push_back(static_cast<const Block*>(blocks[i])->id);
    return ids;
}

#endif
