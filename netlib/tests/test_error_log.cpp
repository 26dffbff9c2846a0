// The library's error printer: a refused connect repeated at every reconnect
// prints one line, then a count once a minute, not a line per attempt.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "b2c.h"
#include "net_harness.h"
#include "repeatlimiter.h"

using namespace nettest;
using b2c::RepeatLimiter;

TEST(ErrorLog, RepeatsAreCountedAndReportedOncePerPeriod)
{
    struct Step {
        int second;
        const char* kind;
        std::vector<std::string> printed;
    };
    const Step steps[] = {
        {0, "a", {"a@0"}},   {1, "a", {}},
        {59, "a", {}},       {60, "a", {"a@60 (3 times since the last report)"}},
        {61, "a", {}},       {62, "b", {"a@60 (1 more times)", "b@62"}},
        {63, "b", {}},       {64, "a", {"b@62 (1 more times)", "a@64"}},
        {65, "c", {"c@65"}}, {200, "c", {"c@200 (1 times since the last report)"}},
    };
    RepeatLimiter limiter(std::chrono::seconds(60));
    const RepeatLimiter::Clock::time_point t0{};
    for (const Step& s : steps) {
        const std::string line = std::string(s.kind) + "@" + std::to_string(s.second);
        EXPECT_EQ(limiter.admit(s.kind, line, t0 + std::chrono::seconds(s.second)), s.printed) << line;
    }
}

namespace {

struct Retrier {
    uint16_t port = 0;
    std::atomic<int> closes{0};
    static int onConnection(void* user, _B2CConnection* conn)
    {
        auto* self = static_cast<Retrier*>(user);
        if (!b2c_connection_is_open(conn)) {
            ++self->closes;
            b2c_connection_delay_connect(conn, "127.0.0.1", self->port, 1);
        }
        return 0;
    }
};

}  // namespace

TEST(ErrorLog, RefusedReconnectsPrintOneLine)
{
    RefusingPort refusing;
    ASSERT_NE(refusing.port, 0);
    Retrier retrier;
    retrier.port = refusing.port;

    testing::internal::CaptureStdout();
    {
        LoopThread loop;
        _B2CConnection* conn = b2c_connection_create(loop.ev());
        b2c_connection_on_connection(conn, &Retrier::onConnection, &retrier);
        b2c_connection_connect(conn, "127.0.0.1", retrier.port);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (retrier.closes.load() < 100 && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        b2c_connection_release(conn);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_GE(retrier.closes.load(), 100) << "the connect was not retried";
    size_t lines = 0;
    for (char c : out)
        lines += c == '\n';
    EXPECT_LE(lines, 2u) << out.substr(0, 2000);  // at most a count of an earlier error, then this one
    EXPECT_LE(out.size(), 300u);
}
