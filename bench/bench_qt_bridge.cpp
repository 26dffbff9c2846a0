// Cost of one bridge delivery: the engine thread hands a reply to QuoteProxy,
// the GUI thread runs the receiver's slot, and the engine thread goes on once
// it has returned (there and back), measured over batches of 1000 replies.
// The bare dispatch without receivers is the baseline.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QObject>

#include <atomic>
#include <thread>

#include "benchapplication.h"
#include "shell/quoteproxy.h"

namespace {

QCoreApplication* application()
{
    return benchApplication<QCoreApplication>("bench_qt_bridge");
}

constexpr int kBatch = 1000;

void BM_BridgeDeliveryToGuiSlot(benchmark::State& state)
{
    application();
    QObject receiver;
    long served = 0;
    QObject::connect(
        QuoteProxy::instance(), &QuoteProxy::quoteCodes, &receiver,
        [&served](const QuoteReply* r) { served += r->count; }, Qt::BlockingQueuedConnection);
    QuoteReply reply{0, QUOTE_REPLY_CODE_TABLE, nullptr, 1, nullptr};
    for (auto _ : state) {
        std::atomic<bool> done{false};
        std::thread engine([&] {
            for (int i = 0; i < kBatch; ++i)
                QuoteProxy::instance()->onUpdate(&reply);
            done.store(true);
            QMetaObject::invokeMethod(
                &receiver, [] {}, Qt::QueuedConnection);  // wakes the loop below
        });
        while (!done.load())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        engine.join();
    }
    QuoteProxy::instance()->disconnectReceivers();
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["time_per_delivery"] = benchmark::Counter(static_cast<double>(state.iterations() * kBatch),
                                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (served != state.iterations() * kBatch)
        state.SkipWithError("a delivery was lost");
}
BENCHMARK(BM_BridgeDeliveryToGuiSlot)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_BridgeDispatchWithoutReceivers(benchmark::State& state)
{
    application();
    QuoteReply reply{0, QUOTE_REPLY_REALTIME, nullptr, 1, nullptr};
    for (auto _ : state)
        QuoteProxy::instance()->onUpdate(&reply);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BridgeDispatchWithoutReceivers);

}  // namespace
