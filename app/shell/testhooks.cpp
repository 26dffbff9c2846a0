#include "shell/testhooks.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QEvent>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#ifdef TARVOLIN_TEST_HOOKS
#include <qpa/qwindowsysteminterface.h>
#include <qpa/qwindowsysteminterface_p.h>
#endif
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <link.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <cstring>
#include <ctime>

#include "shell/quoteproxy.h"
#include "shell/settingsstores.h"

namespace {

QUrl urlFromEnvironment(const char* name)
{
    const QString text = qEnvironmentVariable(name);
    return text.isEmpty() ? QUrl() : QUrl::fromUserInput(text);
}

// Whether the web engine's library is mapped into the process yet.
bool webEngineLoaded()
{
    const auto visit = [](dl_phdr_info* info, size_t, void*) -> int {
        return info->dlpi_name && std::strstr(info->dlpi_name, "libQt5WebEngineCore.so") ? 1 : 0;
    };
    return dl_iterate_phdr(visit, nullptr) != 0;
}

// Says whether the web engine is loaded yet (at a first expose it should not
// be: loading it would delay the window), then "exposed".
void reportExposed(const TestHooks& hooks)
{
    hooks.report(webEngineLoaded() ? "web engine loaded" : "web engine not loaded");
    hooks.report("exposed");
}

// Quits on the first expose of the window it watches.
class ExposeWatcher : public QObject {
public:
    ExposeWatcher(const TestHooks& hooks, QWindow* window) : QObject(window), hooks_(hooks) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            reportExposed(hooks_);
            QCoreApplication::quit();
        }
        return false;
    }

private:
    const TestHooks hooks_;
};

}  // namespace

TestHooks TestHooks::fromEnvironment()
{
    TestHooks hooks;
    hooks.loginJson = qgetenv("TARVOLIN_TEST_LOGIN_JSON");
    hooks.serverJson = qgetenv("TARVOLIN_TEST_SERVER_JSON");
    hooks.quit = qgetenv("TARVOLIN_TEST_QUIT");
    hooks.loginDocument = urlFromEnvironment("TARVOLIN_TEST_LOGIN_QML");
    hooks.mainDocument = urlFromEnvironment("TARVOLIN_TEST_MAIN_QML");
    hooks.input = qgetenv("TARVOLIN_TEST_INPUT") == "1";
    hooks.stalls = qgetenv("TARVOLIN_TEST_STALLS") == "1";
    hooks.active = !hooks.loginJson.isEmpty() || !hooks.serverJson.isEmpty() || !hooks.quit.isEmpty() ||
                   hooks.loginDocument.isValid() || hooks.mainDocument.isValid() || hooks.input || hooks.stalls;
    return hooks;
}

void TestHooks::fillStores() const
{
    if (!loginJson.isEmpty())
        settings::setLoginInfo(QJsonDocument::fromJson(loginJson).object());
    if (!serverJson.isEmpty())
        settings::setServerAddresses(QJsonDocument::fromJson(serverJson).object());
}

void TestHooks::report(const char* line) const
{
    if (!active)
        return;
    std::printf("%s\n", line);
    std::fflush(stdout);
}

namespace {

// The calling thread's processor time in milliseconds.
qint64 threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// GUI thread: the longest gap between ticks of a 2 ms timer, from start(), and
// the most processor time the thread spent within one gap (its own work, as
// against a busy machine's scheduling).
class StallMeter : public QObject {
public:
    void start()
    {
        longest_ = busy_ = 0;
        clock_.start();
        cpu_ = threadCpuMs();
        if (!timer_) {
            timer_ = new QTimer(this);
            timer_->setTimerType(Qt::PreciseTimer);
            timer_->setInterval(2);
            connect(timer_, &QTimer::timeout, this, [this] {
                longest_ = std::max(longest_, clock_.restart());
                const qint64 cpu = threadCpuMs();
                busy_ = std::max(busy_, cpu - cpu_);
                cpu_ = cpu;
            });
        }
        timer_->start();
    }
    qint64 longest() const { return longest_; }
    qint64 busy() const { return busy_; }

private:
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
    qint64 busy_ = 0;
    qint64 cpu_ = 0;
};

StallMeter& stallMeter()
{
    static StallMeter* meter = new StallMeter;  // lives as long as the program
    return *meter;
}

qint64 peakMemoryKb()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

}  // namespace

void TestHooks::watchStalls(QObject* root) const
{
    if (!stalls)
        return;
    // A document that is no window (the e2e documents) made the phase's
    // window itself: the first one of the program's windows.
    auto* quick = qobject_cast<QQuickWindow*>(root);
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (!quick)
            quick = qobject_cast<QQuickWindow*>(w);
    if (!quick)
        return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        quick, &QQuickWindow::frameSwapped, &stallMeter(),
        [connection] {
            QObject::disconnect(*connection);
            stallMeter().start();
        },
        Qt::QueuedConnection);
}

void TestHooks::reportStalls(const char* phase) const
{
    if (!stalls)
        return;
    std::printf("stalls %s: longest %lld ms, busy %lld ms, peak memory %lld kB\n", phase,
                static_cast<long long>(stallMeter().longest()), static_cast<long long>(stallMeter().busy()),
                static_cast<long long>(peakMemoryKb()));
    std::fflush(stdout);
}

void TestHooks::watchFirstExpose(QWindow* window) const
{
    if (quit != "exposed" || !window)
        return;
    if (window->isExposed()) {  // exposed before this hook saw the window
        reportExposed(*this);
        QCoreApplication::quit();
        return;
    }
    window->installEventFilter(new ExposeWatcher(*this, window));
}

void TestHooks::prepareMainPhase(QObject* holder) const
{
    if (quit != "blocked")
        return;
    // Stands for a receiver that outlives the main window (as the stock
    // dictionary does): every delivery to it makes the engine thread wait.
    QuoteProxy* proxy = QuoteProxy::instance();
    const auto nothing = [](const QuoteReply*) {};
    QObject::connect(proxy, &QuoteProxy::quoteServerState, holder, nothing, Qt::BlockingQueuedConnection);
    QObject::connect(proxy, &QuoteProxy::quoteCodes, holder, nothing, Qt::BlockingQueuedConnection);
}

void TestHooks::armMainPhaseQuit() const
{
    if (quit != "now" && quit != "blocked")
        return;
    const TestHooks self = *this;
    QTimer::singleShot(0, [self] {
        if (self.quit == "blocked") {
            // Keep this thread busy until the engine thread waits on it.
            QElapsedTimer waited;
            waited.start();
            while (QuoteProxy::instance()->deliveriesInFlight() == 0 && waited.elapsed() < 10000)
                QThread::msleep(1);
        }
        self.report("quitting");
        QCoreApplication::quit();
    });
}

void TestHooks::publishInput(QQmlContext* context) const
{
#ifdef TARVOLIN_TEST_HOOKS
    if (!input || !context)
        return;
    static TestInput* sender = new TestInput(QCoreApplication::instance());
    context->setContextProperty("TestInput", sender);
#else
    Q_UNUSED(context);  // built without the hooks: no input object to publish
#endif
}

#ifdef TARVOLIN_TEST_HOOKS

namespace {

using Delivery = QWindowSystemInterface::SynchronousDelivery;

void mouse(QWindow* w, QPointF at, Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type)
{
    QWindowSystemInterface::handleMouseEvent<Delivery>(w, at, w->mapToGlobal(at.toPoint()), state, button, type);
}

// As mouse(), stamped with `timestamp` on the clock the window system
// interface stamps its own events with.
void mouseAt(QWindow* w, ulong timestamp, QPointF at, Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type)
{
    QWindowSystemInterface::handleMouseEvent<Delivery>(w, timestamp, at, w->mapToGlobal(at.toPoint()), state, button,
                                                       type);
}

// A press of button at `at` and its release.
void pressAndRelease(QWindow* w, QPointF at, Qt::MouseButton button)
{
    mouse(w, at, button, button, QEvent::MouseButtonPress);
    mouse(w, at, Qt::NoButton, button, QEvent::MouseButtonRelease);
}

}  // namespace

void TestInput::key(QWindow* window, int key, int modifiers, const QString& text)
{
    if (!window)
        return;
    const auto mods = Qt::KeyboardModifiers(modifiers);
    QWindowSystemInterface::handleKeyEvent<Delivery>(window, QEvent::KeyPress, key, mods, text);
    QWindowSystemInterface::handleKeyEvent<Delivery>(window, QEvent::KeyRelease, key, mods, text);
}

void TestInput::type(QWindow* window, const QString& text)
{
    for (const QChar c : text) {
        const int k = c.isDigit()    ? Qt::Key_0 + c.digitValue()
                      : c.isLetter() ? int(c.toUpper().unicode())
                                     : int(c.unicode());
        key(window, k, 0, QString(c));
    }
}

void TestInput::move(QWindow* window, double x, double y)
{
    if (!window)
        return;
    // A hand arrives from one pixel away: an item entered this way also sees
    // the mouse move inside it, not only the entry.
    mouse(window, QPointF(x - 1, y), Qt::NoButton, Qt::NoButton, QEvent::MouseMove);
    mouse(window, QPointF(x, y), Qt::NoButton, Qt::NoButton, QEvent::MouseMove);
}

void TestInput::click(QWindow* window, double x, double y, int button)
{
    if (!window)
        return;
    const auto b = Qt::MouseButton(button);
    // Context menus open where the system pointer is: a right click takes it along.
    if (b == Qt::RightButton)
        QCursor::setPos(window->screen(), window->mapToGlobal(QPoint(int(x), int(y))));
    move(window, x, y);
    pressAndRelease(window, QPointF(x, y), b);
}

void TestInput::doubleClick(QWindow* window, double x, double y)
{
    // Two presses at one place, stamped a millisecond apart: the second is a
    // double click however long the first took to handle.
    if (!window)
        return;
    move(window, x, y);
    const QPointF at(x, y);
    const ulong t = ulong(QWindowSystemInterfacePrivate::eventTime.elapsed());
    for (ulong i = 0; i < 2; ++i) {
        mouseAt(window, t + 2 * i, at, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
        mouseAt(window, t + 2 * i + 1, at, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
    }
}

void TestInput::drag(QWindow* window, double x, double y, double x2, double y2)
{
    if (!window)
        return;
    move(window, x, y);
    mouse(window, QPointF(x, y), Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    // The hand moves over the screen: a window that moves under it (dragged
    // by its title bar) sees the pointer where the screen has it.
    const QPoint origin = window->mapToGlobal(QPoint(0, 0));
    auto local = [window, origin](QPointF p) { return p + QPointF(origin - window->mapToGlobal(QPoint(0, 0))); };
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        const QPointF p(x + (x2 - x) * i / steps, y + (y2 - y) * i / steps);
        mouse(window, local(p), Qt::LeftButton, Qt::NoButton, QEvent::MouseMove);
    }
    mouse(window, local(QPointF(x2, y2)), Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}

void TestInput::wheel(QWindow* window, double x, double y, int angleDelta)
{
    if (!window)
        return;
    const QPointF at(x, y);
    QWindowSystemInterface::handleWheelEvent(window, at, window->mapToGlobal(at.toPoint()), QPoint(),
                                             QPoint(0, angleDelta));
    QWindowSystemInterface::flushWindowSystemEvents();
}
#else

// Built without the test hooks (TARVOLIN_TEST_HOOKS off): no input reaches a
// window, and TARVOLIN_TEST_INPUT publishes nothing.
void TestInput::key(QWindow*, int, int, const QString&) {}
void TestInput::type(QWindow*, const QString&) {}
void TestInput::move(QWindow*, double, double) {}
void TestInput::click(QWindow*, double, double, int) {}
void TestInput::doubleClick(QWindow*, double, double) {}
void TestInput::drag(QWindow*, double, double, double, double) {}
void TestInput::wheel(QWindow*, double, double, int) {}

#endif  // TARVOLIN_TEST_HOOKS

QWindow* TestInput::window(const QString& title) const
{
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->isVisible() && w->title() == title) {
            QQmlEngine::setObjectOwnership(w, QQmlEngine::CppOwnership);
            return w;
        }
    return nullptr;
}

QVariantList TestInput::windows(const QString& objectName) const
{
    QVariantList out;
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->isVisible() && w->objectName() == objectName)
            out << QVariant::fromValue<QObject*>(w);
    return out;
}
