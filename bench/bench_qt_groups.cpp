// What the GUI thread pays for the stock groups: a lookup over ten full
// my-stock groups (the quick commands ask it once per listed row), adding and
// removing a stock, and the screening callback turning 500 stocks into a
// dated group saved to Quorvex.json.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <vector>

#include "benchapplication.h"
#include "models/qmystockservice.h"
#include "models/qquorvexdll.h"
#include "models/qquorvexservice.h"
#include "shell/hfileio.h"

namespace {

QApplication* application()
{
    static QTemporaryDir home;
    static bool once = [] {
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }();
    (void)once;
    return benchApplication<QApplication>("bench_qt_groups");
}

// Ten groups of 500 stocks each.
QString fullGroups()
{
    QJsonArray result;
    for (int g = 0; g < 10; ++g) {
        QJsonArray codes;
        for (int i = 0; i < 500; ++i)
            codes.append(QJsonObject{{"code", QString::number(600000 + g * 500 + i)}, {"market_id", "1"}});
        result.append(QJsonObject{{"group_id", QString::number(g + 1)}, {"group_name", "g"}, {"codes", codes}});
    }
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{"code", "0000"}, {"msg", "success"}, {"result", result}}).toJson());
}

void BM_IsExistMiss(benchmark::State& state)
{
    application();
    QMyStockService s;
    s.fromJson(fullGroups());
    for (auto _ : state)
        benchmark::DoNotOptimize(s.isExist("000001", 2));
}
BENCHMARK(BM_IsExistMiss);

void BM_AddThenRemove(benchmark::State& state)
{
    application();
    QMyStockService s;
    s.fromJson(fullGroups());
    for (auto _ : state) {
        s.addStock(9, "000001", 2);
        s.removeStock("000001", 2);
    }
}
BENCHMARK(BM_AddThenRemove);

void BM_ScreeningCallback500(benchmark::State& state)
{
    application();
    QQuorvexDll::setMessageSink([](const QString&) {});
    std::vector<NotifyStockItem> items(500);
    for (size_t i = 0; i < items.size(); ++i) {
        std::memset(&items[i], 0, sizeof items[i]);
        std::snprintf(items[i].code, sizeof items[i].code, "%06zu", 600000 + i);
        items[i].market = 1;
    }
    for (auto _ : state) {
        state.PauseTiming();
        QQuorvexService().fromJson(R"({"code":"0000","msg":"success","result":[]})");
        QFile::remove(QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath("Tarvolin/Quorvex.json"));
        state.ResumeTiming();
        NotifyMsg m{NotifyStocks, int32_t(items.size()), items.data()};
        benchmark::DoNotOptimize(QQuorvexDll::onNotify(&m));
    }
}
BENCHMARK(BM_ScreeningCallback500)->Unit(benchmark::kMillisecond);

// The same callback when Quorvex.json already holds 1,000 results of 50
// stocks each: what the GUI thread pays must not grow with the results kept.
void BM_ScreeningCallbackOver1000Results(benchmark::State& state)
{
    application();
    QQuorvexDll::setMessageSink([](const QString&) {});
    std::vector<NotifyStockItem> items(50);
    for (size_t i = 0; i < items.size(); ++i) {
        std::memset(&items[i], 0, sizeof items[i]);
        std::snprintf(items[i].code, sizeof items[i].code, "%06zu", 600000 + i);
        items[i].market = 1;
    }
    QJsonArray result;
    for (int g = 0; g < 1000; ++g) {
        QJsonArray codes;
        for (int i = 0; i < 50; ++i)
            codes.append(QJsonObject{{"code", QString::number(600000 + i)}, {"market_id", "1"}});
        result.append(
            QJsonObject{{"group_id", QString("26/01/02 09:%1").arg(g)}, {"group_name", "g"}, {"codes", codes}});
    }
    const QString full = QString::fromUtf8(
        QJsonDocument(QJsonObject{{"code", "0000"}, {"msg", "success"}, {"result", result}}).toJson());
    HFileIO::writeData("Quorvex.json", full);
    QQuorvexService::loadFile();  // as at start
    for (auto _ : state) {
        NotifyMsg m{NotifyStocks, int32_t(items.size()), items.data()};
        benchmark::DoNotOptimize(QQuorvexDll::onNotify(&m));
        state.PauseTiming();
        HFileIO::finishSaves();  // the writer thread's part is not the GUI thread's
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ScreeningCallbackOver1000Results)->Unit(benchmark::kMillisecond);

}  // namespace
