// RepeatLimiter: keeps a log from filling with one error repeated hundreds of
// times a second (a refused connect with a short reconnect delay). The first
// line of a kind is printed; repeats of it are counted and printed once a
// period with their count; a different kind first prints what was counted.
#ifndef BRASTEL_REPEATLIMITER_H
#define BRASTEL_REPEATLIMITER_H

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace b2c {

class RepeatLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit RepeatLimiter(Clock::duration period = std::chrono::minutes(1)) : period_(period) {}

    // Any thread. `kind` says which lines count as the same error, `line` is
    // the text to print. Returns the lines to print now (none for a counted
    // repeat).
    std::vector<std::string> admit(const std::string& kind, const std::string& line, Clock::time_point now);

private:
    const Clock::duration period_;
    std::mutex mutex_;  // guards the members below
    bool any_ = false;
    std::string kind_;
    std::string lastLine_;
    Clock::time_point printed_{};
    uint64_t repeats_ = 0;  // since the last printed line of kind_
};

// The limiter of the library's own error printers.
RepeatLimiter& errorLogLimiter();

// Prints through errorLogLimiter() to standard output, each line ended by
// "\r\n" as the library's printers always did.
void printLimited(const std::string& kind, const std::string& line);

}  // namespace b2c

#endif
