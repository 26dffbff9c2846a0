#include "nettimings.h"

#include <mutex>

namespace b2c {
namespace {

std::mutex g_timingsMutex;  // guards g_timings
NetTimings g_timings;

}  // namespace

NetTimings netTimings()
{
    std::lock_guard<std::mutex> lock(g_timingsMutex);
    return g_timings;
}

bool idleTooLong(std::chrono::steady_clock::duration idle, const NetTimings& timings)
{
    const auto unit = std::chrono::duration_cast<std::chrono::steady_clock::duration>(timings.idleUnit);
    if (unit.count() <= 0)
        return idle > timings.idleLimit;
    return idle / unit > timings.idleLimit / timings.idleUnit;
}

void setNetTimings(const NetTimings& timings)
{
    std::lock_guard<std::mutex> lock(g_timingsMutex);
    g_timings = timings;
}

}  // namespace b2c
