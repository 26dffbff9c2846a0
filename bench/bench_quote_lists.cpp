// Reply processing of the market-data commands on the engine thread: a 0x20
// answer of 5,000 rows merged into a running table of the same codes and
// sorted locally, and a K-line answer of 1,000 bars decoded and merged into a
// cache of 3,000. Reported per row and per bar.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "b2cclient0x20reply.h"
#include "b2cclient0x44reply.h"
#include "context.h"

namespace {

struct Bytes {
    std::vector<uint8_t> b;
    void u8(unsigned v) { b.push_back(static_cast<uint8_t>(v)); }
    void be(uint64_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void text(const char* s, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            b.push_back(i < std::strlen(s) ? static_cast<uint8_t>(s[i]) : 0);
    }
    void compressed(int64_t v)
    {
        const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        int n = 1;
        while (n < 9 && mag > (uint64_t{1} << (7 * n - 1)) - 1)
            ++n;
        for (int i = n - 1; i >= 0; --i) {
            uint8_t byte = static_cast<uint8_t>((static_cast<uint64_t>(v) >> (7 * i)) & 0x7F);
            b.push_back(i == 0 ? static_cast<uint8_t>(byte | 0x80) : byte);
        }
    }
};

std::vector<uint8_t> list_answer(int rows)
{
    Bytes w;
    const int fields[] = {0, 2, 3, 8, 9, 33, 34};
    w.be(7, 2);
    for (int f : fields)
        w.be(static_cast<uint64_t>(f), 2);
    w.be(static_cast<uint64_t>(rows), 2);
    char code[8];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(code, sizeof code, "%06d", i);
        w.text(code, 6);
        w.text("NAME", 24);
        w.u8(2);
        w.u8(1 + i % 2);
        w.u8(2);
        w.be(20261208, 4);
        w.be(93000, 4);
        w.be(static_cast<uint64_t>(100000 + (i * 7919) % 50000), 4);
        w.be(static_cast<uint64_t>(1000 * i), 8);
        w.be(150, 4);
        w.be(static_cast<uint64_t>(i % 200), 4);
    }
    return w.b;
}

std::vector<uint8_t> kline_answer(int bars)
{
    Bytes w;
    w.text("600000", 6);
    w.text("NAME", 24);
    w.u8(2);
    w.u8(1);
    w.u8(2);
    w.u8(33);
    w.u8(2);
    w.u8(10);
    for (int id = 1; id <= 10; ++id)
        w.u8(static_cast<unsigned>(id));
    w.be(static_cast<uint64_t>(bars), 2);
    for (int i = 0; i < bars; ++i)
        for (int id = 1; id <= 10; ++id)
            w.compressed(id == 10 ? (i == 0 ? 20200101 : 1) : (i % 7) - 3);
    return w.b;
}

template <class R, class... Args>
void process(const std::vector<uint8_t>& body, const std::shared_ptr<Context>& ctx, Args&&... args)
{
    _B2CStream* s = b2c_stream_create(static_cast<unsigned>(body.size()));
    b2c_stream_append_bytes(s, body.data(), static_cast<unsigned>(body.size()));
    _B2CQuoteMsg h{1, 1, 5, 0, 1, 1, s};
    auto reply = std::make_shared<R>(h, std::forward<Args>(args)...);
    b2c_stream_release(s);
    reply->set_context(ctx);
    reply->process();
    benchmark::DoNotOptimize(reply->reply()->data);
}

void BM_ListAnswerMergeAndSort(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const auto body = list_answer(rows);
    auto ctx = std::make_shared<Context>(nullptr);
    ctx->set_option(kOptionLocalSort);
    ctx->set_sort(8, 0);
    auto table = std::make_shared<RealTimeTable>();
    process<B2CClient0X20Reply>(body, ctx, table, nullptr);
    for (auto _ : state)
        process<B2CClient0X20Reply>(body, ctx, table, nullptr);
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ListAnswerMergeAndSort)->Arg(5000);

void BM_KLineDecodeAndMerge(benchmark::State& state)
{
    const auto body = kline_answer(1000);
    auto ctx = std::make_shared<Context>(nullptr);
    ctx->set_codes({CodeEntry::from("600000", 1)});
    for (auto _ : state) {
        state.PauseTiming();
        auto data = std::make_shared<KData>(33);
        std::vector<QuoteKPoint> cache(3000);
        for (int i = 0; i < 3000; ++i)
            cache[static_cast<size_t>(i)].time = 1700000000 + 86400LL * i;
        data->merge(cache);
        state.ResumeTiming();
        process<B2CClient0x44Reply>(body, ctx, data, false, nullptr);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_KLineDecodeAndMerge);

}  // namespace
