// Pelmar engine measures:
//  - BM_ParseRealTimeRows: parsing a 0x20-shaped answer of 5,000 rows
//    (field list, then the rows), reported per row;
//  - BM_PushToCallback: a push from the local quote server to the result
//    callback on loopback (server send time to callback, CLOCK_MONOTONIC on
//    both sides), reported as median and p99 over 2,000 pushes.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "../quoteclient/tests/probeclient.h"
#include "serverprocess.h"
#include "b2c.h"
#include "b2cservice.h"
#include "quote.h"
#include "realtimerowparser.h"
#include "replyreader.h"

namespace {

constexpr int kRows = 5000;

// Field ids of a typical quote table: identity, date and time, prices,
// volumes, five levels of the book and the usual ratios.
const std::vector<uint16_t>& bench_fields()
{
    static const std::vector<uint16_t> ids = [] {
        std::vector<uint16_t> v = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        for (uint16_t id = 12; id <= 31; ++id)
            v.push_back(id);
        for (uint16_t id : {32, 33, 34, 35, 37, 40, 41, 42, 44, 45, 46})
            v.push_back(id);
        return v;
    }();
    return ids;
}

std::vector<uint8_t> make_body()
{
    std::vector<uint8_t> b;
    auto be = [&b](uint64_t v, int n) {
        for (int i = n - 1; i >= 0; --i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const auto& ids = bench_fields();
    be(ids.size(), 2);
    for (uint16_t id : ids)
        be(id, 2);
    be(kRows, 2);
    for (int r = 0; r < kRows; ++r) {
        for (uint16_t id : ids) {
            const uint32_t size = RealTimeRowParser::field_size(id);
            if (id == 0) {
                char code[7];
                std::snprintf(code, sizeof(code), "%06d", 600000 + r);
                b.insert(b.end(), code, code + 6);
                for (int i = 0; i < 24; ++i)
                    b.push_back(i < 4 ? 'N' : 0);
                b.push_back(2);
                b.push_back(1);
                b.push_back(1);
            } else if (id == 2) {
                be(20261208, 4);
            } else if (id == 3) {
                be(93000 + r % 100, 4);
            } else {
                be(static_cast<uint64_t>(123400 + r), static_cast<int>(size));
            }
        }
    }
    return b;
}

}  // namespace

static void BM_ParseRealTimeRows(benchmark::State& state)
{
    const std::vector<uint8_t> body = make_body();
    std::vector<uint16_t> ids;
    std::vector<QuoteRealTimeMarket> rows;
    _B2CStream* s = b2c_stream_create(static_cast<unsigned>(body.size()));
    for (auto _ : state) {
        state.PauseTiming();
        b2c_stream_append_bytes(s, body.data(), static_cast<unsigned>(body.size()));
        state.ResumeTiming();
        ReplyReader in(s);
        const bool ok = RealTimeRowParser::read_fields(in, ids) && RealTimeRowParser::read_rows(in, ids, rows);
        if (!ok || rows.size() != static_cast<size_t>(kRows)) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(rows.data());
    }
    b2c_stream_release(s);
    state.counters["per_row"] =
        benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParseRealTimeRows)->Unit(benchmark::kMicrosecond);

namespace {

struct Latencies {
    std::mutex mutex;  // guards samples
    std::condition_variable cv;
    std::vector<int64_t> samples;
};
Latencies g_latencies;

int64_t now_ns()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void on_reply(intptr_t, const QuoteReply* reply)
{
    if (reply->kind != kProbeKind || reply->count != 8)
        return;
    const uint8_t* p = static_cast<const uint8_t*>(reply->data);
    int64_t sent = 0;
    for (int i = 0; i < 8; ++i)
        sent = (sent << 8) | p[i];
    const int64_t latency = now_ns() - sent;
    std::lock_guard<std::mutex> lock(g_latencies.mutex);
    g_latencies.samples.push_back(latency);
    g_latencies.cv.notify_all();
}

}  // namespace

static void BM_PushToCallback(benchmark::State& state)
{
    constexpr int kPushes = 2000;
    QuoteServerProcess server;
    if (server.port() == 0) {
        state.SkipWithError("no quote server");
        return;
    }
    const std::string url = "tcp://127.0.0.1:" + std::to_string(server.port()) + "/?auto_delay=100";
    const char* entry[4] = {url.c_str(), "local", "quote", ""};
    quote_engine_config config{0, nullptr, entry, QUOTE_FLAG_NO_CODE_TABLE};
    std::thread engine([&] { quote_engine_run(&config, &on_reply); });
    if (!server.wait_line("login ok")) {
        quote_engine_shutdown();
        engine.join();
        state.SkipWithError("no login");
        return;
    }
    auto context = std::make_shared<ContextBase>(&B2CService::instance());
    for (auto _ : state) {
        auto client = std::make_shared<ProbeClient>(*context, 8, std::vector<uint8_t>{}, kPushes, 1);
        B2CService::instance().send(client, true);
        std::unique_lock<std::mutex> lock(g_latencies.mutex);
        g_latencies.cv.wait_for(lock, std::chrono::seconds(60),
                                [] { return g_latencies.samples.size() >= static_cast<size_t>(kPushes); });
    }
    quote_engine_shutdown();
    engine.join();
    std::vector<int64_t> s = g_latencies.samples;
    std::sort(s.begin(), s.end());
    if (s.empty()) {
        state.SkipWithError("no pushes");
        return;
    }
    state.counters["median_us"] = static_cast<double>(s[s.size() / 2]) / 1000.0;
    state.counters["p99_us"] = static_cast<double>(s[s.size() * 99 / 100]) / 1000.0;
    state.counters["pushes"] = static_cast<double>(s.size());
}
BENCHMARK(BM_PushToCallback)->Iterations(1)->Unit(benchmark::kMillisecond);
