// Timer lengths of connections and servers.
//
// The defaults are the protocol's: a heartbeat every 5 s, a connection dropped
// after more than 30 s without completed traffic, a server supervision tick
// every 8 s. Tests shorten them through setNetTimings() so that the suite stays
// fast; the library itself never changes them. Timers read the values when
// they are armed.
#pragma once

#include <chrono>

namespace b2c {

struct NetTimings {
    std::chrono::milliseconds heartbeat{5000};
    std::chrono::milliseconds idleLimit{30000};
    std::chrono::milliseconds serverTick{8000};
};

// Current values (any thread).
NetTimings netTimings();

// Replaces the values for timers armed from now on (any thread; a hook for tests).
void setNetTimings(const NetTimings& timings);

}  // namespace b2c
