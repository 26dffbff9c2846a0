// Switching the stock view (MQView.qml) from one stock to another, against a
// local quote server started here: the route cancels the old requests, sets up
// the panes from the layout, subscribes, and the time ends with the first frame
// drawn after the new stock's bars arrived. Day K-lines (arg 33) and the minute
// chart (arg 0), alternating between two stocks.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "charts/qchart.h"
#include "chartbench.h"
#include "formulas/formulaservice.h"
#include "serverprocess.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"
#include "shell/quotethread.h"

namespace {

// The application with its data directory in a temporary home (the view
// writes its layout file there).
void ensureViewApplication()
{
    static QTemporaryDir home;
    static const bool once = [] {
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
        if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
            qputenv("QT_QUICK_BACKEND", "software");
        ensureChartApplication(true);  // the fund-flow pie is a widget chart
        auto& service = formula::FormulaService::instance();
        if (!service.find("Sulvane"))
            formula::registerOwnFormulas(service);
        registerQmlTypes();
        return true;
    }();
    (void)once;
}

QVariantMap stockRoute(const char* code, int cycle)
{
    QVariantMap q{{"code", code}, {"market", "1"}, {"type", "2"}, {"chart", cycle ? "kline" : "mline"}};
    if (cycle)
        q["cycle"] = QString::number(cycle);
    return q;
}

// The loop spin() runs; the handler of the awaited event ends it.
QEventLoop* g_waiting = nullptr;

// Runs an event loop until done() or ten seconds have passed; wake() is
// called where done() may have become true. A real loop, as in the program:
// the panes a switch lets go (deleteLater) are deleted once control is back
// in it. A processEvents() spin at the outermost level would keep them, still
// connected to the main pane, and each switch would feed more of them.
template <class Pred>
bool spin(Pred done)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    g_waiting = &loop;
    loop.exec();
    g_waiting = nullptr;
    return done();
}

void wake()
{
    if (g_waiting)
        g_waiting->quit();
}

// One quote server and engine for the whole run: the engine starts once per
// process.
struct LiveQuotes {
    QuoteServerProcess server;
    QuoteEngineThread engine;
    LiveQuotes()
    {
        if (server.port() <= 0)
            return;
        const QJsonObject entry{
            {"url", QString("tcp://127.0.0.1:%1/?auto_delay=200&encrypt_key=varnoquel").arg(server.port())},
            {"name", "本地行情"},
            {"type", "tcp"}};
        QBaseService().setServerAddress(QJsonObject{{"url", QJsonObject{{"quote", QJsonArray{entry}}}}});
        engine.start();
    }
    ~LiveQuotes() { engine.stop(); }
};

void BM_SwitchStock(benchmark::State& state)
{
    ensureViewApplication();
    static LiveQuotes live;
    const int cycle = int(state.range(0));
    if (!live.engine.started()) {
        state.SkipWithError("no quote server");
        return;
    }
    {
        QQuickView view;
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        view.resize(1280, 800);
        view.setSource(QUrl("qrc:/qml/MQView.qml"));
        QObject* root = view.rootObject();
        QChart* main =
            root ? qvariant_cast<QChart*>(root->findChild<QObject*>("qview")->property("mainChart")) : nullptr;
        if (!main) {
            state.SkipWithError("the view did not load");
            return;
        }
        view.show();

        bool arrived = false, painted = false;
        QString expected;
        QElapsedTimer clock;
        double setUp = 0, toData = 0;  // ms summed over the timed switches
        long framesBefore = 0;         // frames drawn between a switch and its bars
        QObject::connect(main, &QChart::dataUpdate, [&] {
            const CTXData* slot = main->getCTXData(0);
            if (!arrived && main->getFirstKLineSize() > 0 && slot && expected == slot->codeInfo.code) {
                arrived = true;
                toData += double(clock.nsecsElapsed()) / 1e6;
            }
        });
        QObject::connect(&view, &QQuickWindow::frameSwapped, [&] {
            if (!arrived)
                ++framesBefore;
            painted = painted || arrived;
            if (painted)
                wake();
        });
        auto open = [&](const char* code) {
            expected = code;
            arrived = painted = false;
            clock.start();
            QMetaObject::invokeMethod(root, "setQuery", Q_ARG(QVariant, stockRoute(code, cycle)));
            setUp += double(clock.nsecsElapsed()) / 1e6;
            return spin([&] { return painted; });
        };
        if (!open("600003")) {  // warm up: connected, layout written, documents compiled
            state.SkipWithError("no data from the quote server");
        } else {
            setUp = toData = 0;
            framesBefore = 0;
            int i = 0;
            for (auto _ : state) {
                if (!open(++i % 2 ? "600001" : "600002")) {
                    state.SkipWithError("a switch got no data");
                    break;
                }
            }
            // Where the time goes: the synchronous part (cancel, panes,
            // subscribe), the wait until the new stock's bars are in, and
            // the frames drawn before them (of empty panes).
            const double n = double(std::max<benchmark::IterationCount>(1, state.iterations()));
            state.counters["set_up_ms"] = setUp / n;
            state.counters["to_data_ms"] = toData / n;
            state.counters["empty_frames"] = double(framesBefore) / n;
        }
    }
    // Objects the view left for deletion go now, while the application lives.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_SwitchStock)->Arg(33)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
