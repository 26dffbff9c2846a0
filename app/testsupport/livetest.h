// Helpers of tests against the local quote server: the program's quote engine
// on a running server, a wait for a condition while the event loop runs,
// calls of QML functions, and the screens' drawing and screenshots.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMetaObject>
#include <QQuickItem>
#include <QQmlEngine>
#include <QQmlError>
#include <QQuickItemGrabResult>
#include <QQuickView>
#include <QQuickWindow>
#include <QTest>
#include <QVariant>

#include <cstdlib>
#include <string>

#include "formulas/formulaservice.h"
#include "livequotes.h"
#include "serverprocess.h"
#include "shell/qmltypes.h"
#include "shell/quotethread.h"

namespace testsupport {

// Runs the event loop until done() holds, for up to ms (15 s unless given) in
// 100 ms steps. Success when it holds at the end; otherwise a failure that
// says how long it waited (ASSERT_TRUE(waitFor(...)) prints it beside the
// condition's text).
template <class Pred>
::testing::AssertionResult waitFor(Pred done, int ms = 15000)
{
    QElapsedTimer clock;
    clock.start();
    int steps = 0;
    for (; steps < ms / 100 && !done(); ++steps)
        QTest::qWait(100);
    if (done())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not so after " << steps << " waits of 100 ms (" << clock.elapsed()
                                         << " ms)";
}

// The same, and a failure also says what seen() showed at the end (a value
// GoogleTest prints: a text, a number, a QVariant).
template <class Pred, class Seen>
::testing::AssertionResult waitFor(Pred done, Seen seen, int ms = 15000)
{
    ::testing::AssertionResult r = waitFor(done, ms);
    if (!r)
        r << "; last seen: " << ::testing::PrintToString(seen());
    return r;
}

// A QML function of o with no or one argument; its result.
inline QVariant callQml(QObject* o, const char* fn, const QVariant& a = QVariant())
{
    QVariant r;
    if (a.isValid())
        QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r), Q_ARG(QVariant, a));
    else
        QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r));
    return r;
}

// Screens drawn by the software renderer, their chart panes with the standard
// formula catalogue (and with the program's own formulas when asked for), as
// the program loads them.
inline void prepareLiveScreens(bool ownFormulas = false)
{
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    auto& formulas = formula::FormulaService::instance();
    if (!formulas.find("KLINE"))
        formula::registerStandardFormulas(formulas);
    if (ownFormulas && !formulas.find("Sulvane"))
        formula::registerOwnFormulas(formulas);
}

// A view whose root follows its size, keeping the engine's warnings.
class LiveView : public QQuickView {
public:
    LiveView()
    {
        setResizeMode(QQuickView::SizeRootObjectToView);
        QObject::connect(engine(), &QQmlEngine::warnings, [this](const QList<QQmlError>& list) {
            for (const QQmlError& e : list)
                warnings << e.toString();
        });
    }
    // Loads source at w x h; true when it is ready.
    bool load(const QUrl& source, int w, int h)
    {
        resize(w, h);
        setSource(source);
        return status() == QQuickView::Ready;
    }
    std::string log() const { return warnings.join('\n').toStdString(); }

    QStringList warnings;
};

// The item's picture once grabbed (a null image when it was not).
inline QImage grabItem(QQuickItem* item)
{
    QSharedPointer<QQuickItemGrabResult> g = item->grabToImage();
    if (!g)
        return QImage();
    bool ready = false;
    QObject::connect(g.data(), &QQuickItemGrabResult::ready, [&ready] { ready = true; });
    return waitFor([&] { return ready; }) ? g->image() : QImage();
}

// The picture grab() gives once it has stopped changing: grabbed at each step
// of waitFor until three grabs in a row are the same, so images still loading
// and the last reply are in it. A view that a live server keeps pushing to may
// never settle on a busy machine: its last grab then (wait for what a check
// needs first, or use grabWhen); a null image only when no grab was made.
template <class Grab>
QImage settledPicture(Grab grab, int ms = 15000)
{
    QImage last;
    int same = 0;
    waitFor(
        [&] {
            QImage now = grab();
            same = !now.isNull() && now == last ? same + 1 : 0;
            last = std::move(now);
            return same >= 2;
        },
        ms);
    return last;
}

inline QImage settledGrab(QQuickWindow* window, int ms = 15000)
{
    return settledPicture([window] { return window->grabWindow(); }, ms);
}

inline QImage settledGrab(QQuickItem* item, int ms = 15000)
{
    return settledPicture([item] { return grabItem(item); }, ms);
}

// The item's picture once check(picture) holds, grabbed at each step of
// waitFor: the screenshot that the test's pixel checks need, however late the
// replies and images it shows. The last picture when it never holds (the
// checks then say what it lacks).
template <class Check>
QImage grabWhen(QQuickItem* item, Check check, int ms = 15000)
{
    QImage shot;
    waitFor(
        [&] {
            shot = grabItem(item);
            return !shot.isNull() && check(shot);
        },
        ms);
    return shot;
}

// Pixels of the image's rectangle r close to a colour (within 40 in each channel).
inline int countNear(const QImage& img, const QRect& r, const QColor& want)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
                 std::abs(c.blue() - want.blue()) < 40;
        }
    return n;
}

// Keeps image as <build>/screenshots/<name>.
inline bool saveScreenshot(const QImage& image, const QString& name)
{
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    return image.save(dir + "/" + name);
}

// A local quote server, the program's QML types, and the quote engine's thread
// pointed at the server; the thread stops first when the object goes.
struct LiveQuoteEngine {
    QuoteServerProcess server;
    QuoteEngineThread thread;

    // False when the server did not start (or, with blocks, wrote no block
    // file); the block file is loaded before the engine starts.
    bool start(bool blocks = false)
    {
        if (server.port() <= 0)
            return false;
        pointQuoteEngineAt(server.port());
        if (blocks && !loadServerBlocks())
            return false;
        registerQmlTypes();
        thread.start();
        return true;
    }
    ~LiveQuoteEngine() { thread.stop(); }
};

}  // namespace testsupport
