#include "widevectors.h"

#include <atomic>

namespace widevectors {

namespace {

bool processorHasThem() noexcept
{
#if FML_WIDE_VECTORS
    // Checks the system's saving of the 256-bit registers too.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

std::atomic<bool>& allowed() noexcept
{
    static std::atomic<bool> on{processorHasThem()};
    return on;
}

}  // namespace

bool enabled() noexcept
{
    return allowed().load(std::memory_order_relaxed);
}

void force(bool wide) noexcept
{
    allowed().store(wide && processorHasThem(), std::memory_order_relaxed);
}

}  // namespace widevectors
