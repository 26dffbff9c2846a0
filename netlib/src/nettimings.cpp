#include "nettimings.h"

#include <mutex>

namespace b2c {
namespace {

std::mutex g_timingsMutex;  // guards g_timings
NetTimings g_timings;

}  // namespace

NetTimings netTimings() {
    std::lock_guard<std::mutex> lock(g_timingsMutex);
    return g_timings;
}

void setNetTimings(const NetTimings& timings) {
    std::lock_guard<std::mutex> lock(g_timingsMutex);
    g_timings = timings;
}

}  // namespace b2c
