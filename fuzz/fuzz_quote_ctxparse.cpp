// Feeds arbitrary text to the context text reader. Whatever parses must dump
// to a text that parses again, and so must the dump of that.
#include <cstddef>
#include <cstdint>
#include <string>

#include "contexttext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ContextSettings settings;
    if (!ContextText::parse(reinterpret_cast<const char*>(data), size, &settings))
        return 0;
    const std::string first = ContextText::dump(settings);
    ContextSettings again;
    if (!ContextText::parse(first.data(), first.size(), &again))
        __builtin_trap();  // a dump that does not read back
    const std::string second = ContextText::dump(again);
    ContextSettings third;
    if (!ContextText::parse(second.data(), second.size(), &third))
        __builtin_trap();
    return 0;
}
