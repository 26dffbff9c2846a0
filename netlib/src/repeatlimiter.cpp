#include "repeatlimiter.h"

#include <cstdio>

namespace b2c {

std::vector<std::string> RepeatLimiter::admit(const std::string& kind, const std::string& line, Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    if (any_ && kind == kind_) {
        ++repeats_;
        if (now - printed_ < period_)
            return out;
        out.push_back(line + " (" + std::to_string(repeats_) + " times since the last report)");
        repeats_ = 0;
        printed_ = now;
        lastLine_ = line;
        return out;
    }
    if (any_ && repeats_ > 0)
        out.push_back(lastLine_ + " (" + std::to_string(repeats_) + " more times)");
    out.push_back(line);
    any_ = true;
    kind_ = kind;
    lastLine_ = line;
    repeats_ = 0;
    printed_ = now;
    return out;
}

RepeatLimiter& errorLogLimiter()
{
    static RepeatLimiter limiter;
    return limiter;
}

void printLimited(const std::string& kind, const std::string& line)
{
    for (const std::string& l : errorLogLimiter().admit(kind, line, RepeatLimiter::Clock::now()))
        std::printf("%s\r\n", l.c_str());
    std::fflush(stdout);
}

}  // namespace b2c
