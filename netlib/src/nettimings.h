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
    // Idle time is counted in whole units of this length (whole seconds, as
    // the protocol counts it: a connection idle for 30.9 s is still at 30).
    std::chrono::milliseconds idleUnit{1000};
};

// Current values (any thread).
NetTimings netTimings();

// True when `idle` counted in whole idle units exceeds the idle limit (any thread).
bool idleTooLong(std::chrono::steady_clock::duration idle, const NetTimings& timings);

// Replaces the values for timers armed from now on (any thread; a hook for tests).
void setNetTimings(const NetTimings& timings);

}  // namespace b2c
