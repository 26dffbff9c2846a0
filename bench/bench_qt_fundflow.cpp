// The fund-flow views' script work on the GUI thread: formatting today's flow
// (two diff entries summed), the 63-day chart data and the history table of a
// 120-day reply (js/JSQuote.js), and the research marks of a 20-row list
// (js/NewsList.js), each run from QML as the views do.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>

#include <memory>

#include "shell/qmltypes.h"

namespace {

QObject* harness()
{
    static int argc = 1;
    static char name[] = "bench_qt_fundflow";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    static QQmlEngine engine;
    static std::unique_ptr<QObject> object = [] {
        registerQmlTypes();
        QQmlComponent c(&engine);
        c.setData(R"(
import QtQml 2.15
import "qrc:/qml/js/JSQuote.js" as JSQuote
import "qrc:/qml/js/NewsList.js" as NewsList
import "qrc:/qml/js/JSUtil.js" as JSUtil
QtObject {
    property var today: ({ data: { diff: [] } })
    property var history: ({ data: { klines: [] } })
    property var research: ({ data: [] })
    Component.onCompleted: {
        var keys = JSQuote.todayFields.split(",");
        for (var e = 0; e < 2; ++e) {
            var d = {};
            for (var k = 0; k < keys.length; ++k) d[keys[k]] = 1234567.0 * (k + 1) * (e ? -1 : 1);
            today.data.diff.push(d);
        }
        for (var i = 0; i < 120; ++i) {
            var row = ["2026-0" + (1 + i % 9) + "-" + (10 + i % 18)];
            for (var f = 1; f < 15; ++f) row.push(String((i * 7919 + f * 104729) % 200000000 - 100000000));
            history.data.klines.push(row.join(","));
        }
        for (var r = 0; r < 20; ++r) research.data.push({ id: "r" + r, title: "报告" + r, pubdate: "2026-11-" + (10 + r % 18) });
    }
    function todayOnce() { return JSQuote.formatToday(today).data.length; }
    function chartOnce() { return JSQuote.formatHistory(history, 1).xaxis.length; }
    function tableOnce() { return JSQuote.formatHistory(history, 2).length; }
    function marksOnce() { return NewsList.researchMarks(research, "http://h/?id={{id}}", JSUtil.tagRplace).data.length; }
}
)",
                  QUrl("qrc:/bench_fundflow.qml"));
        std::unique_ptr<QObject> o(c.create());
        if (!o)
            qFatal("%s", qPrintable(c.errorString()));
        return o;
    }();
    return object.get();
}

void run(benchmark::State& state, const char* method)
{
    QObject* h = harness();
    for (auto _ : state) {
        QVariant out;
        QMetaObject::invokeMethod(h, method, Q_RETURN_ARG(QVariant, out));
        benchmark::DoNotOptimize(out);
    }
}

void BM_FormatToday(benchmark::State& s)
{
    run(s, "todayOnce");
}
void BM_FormatChart63(benchmark::State& s)
{
    run(s, "chartOnce");
}
void BM_FormatTable120(benchmark::State& s)
{
    run(s, "tableOnce");
}
void BM_ResearchMarks20(benchmark::State& s)
{
    run(s, "marksOnce");
}
BENCHMARK(BM_FormatToday);
BENCHMARK(BM_FormatChart63);
BENCHMARK(BM_FormatTable120);
BENCHMARK(BM_ResearchMarks20);

}  // namespace
