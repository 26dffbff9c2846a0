// Reply processing of the market-data commands on the engine thread: a 0x20
// answer of 5,000 rows merged into a running table of the same codes and
// sorted locally, and a K-line answer of 1,000 bars decoded and merged into a
// cache of 3,000. Reported per row and per bar.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "../quoteclient/tests/wirebytes.h"
#include "b2cclient0x20reply.h"
#include "b2cclient0x44reply.h"
#include "context.h"

namespace {

std::vector<uint8_t> list_answer(int rows)
{
    WireBytes w;
    const int fields[] = {QUOTE_FIELD_IDENTITY, QUOTE_FIELD_DATE,         QUOTE_FIELD_TIME,     QUOTE_FIELD_CLOSE,
                          QUOTE_FIELD_VOLUME,   QUOTE_FIELD_VOLUME_RATIO, QUOTE_FIELD_RISE_RATE};
    w.i16(7);
    for (int f : fields)
        w.i16(f);
    w.i16(rows);
    char code[8];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(code, sizeof code, "%06d", i);
        w.identity(code, "NAME", 2, 1 + i % 2, 2);
        w.i32(20261208);
        w.i32(93000);
        w.i32(100000 + (i * 7919) % 50000);
        w.i64(1000 * i);
        w.i32(150);
        w.i32(i % 200);
    }
    return w.bytes();
}

std::vector<uint8_t> kline_answer(int bars)
{
    WireBytes w;
    w.identity("600000", "NAME", 2, 1, 2);
    w.u8(33);
    w.u8(2);
    w.u8(10);
    for (int id = 1; id <= 10; ++id)
        w.u8(static_cast<unsigned>(id));
    w.i16(bars);
    for (int i = 0; i < bars; ++i)
        for (int id = 1; id <= 10; ++id)
            w.compressed(id == 10 ? (i == 0 ? 20200101 : 1) : (i % 7) - 3);
    return w.bytes();
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
    ctx->set_sort(QUOTE_FIELD_CLOSE, 0);
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
