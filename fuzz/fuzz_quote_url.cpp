// Feeds arbitrary text to the URL parser; every part is asked for, and the
// parser must either answer or throw Url::parse_error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Url url(std::string(reinterpret_cast<const char*>(data), size));
    try {
        (void)url.scheme();
        (void)url.user_info();
        (void)url.host();
        (void)url.port();
        (void)url.path();
        (void)url.fragment();
        (void)url.host_kind();
        (void)url.query("auto_delay", "1000");
        (void)url.query_pairs();
    } catch (const Url::parse_error&) {
    }
    return 0;
}
