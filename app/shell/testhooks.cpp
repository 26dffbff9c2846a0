#include "shell/testhooks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cstdio>

#include "shell/quoteproxy.h"
#include "shell/settingsstores.h"

namespace {

QUrl urlFromEnvironment(const char* name)
{
    const QString text = qEnvironmentVariable(name);
    return text.isEmpty() ? QUrl() : QUrl::fromUserInput(text);
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
            hooks_.report("exposed");
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
    hooks.active = !hooks.loginJson.isEmpty() || !hooks.serverJson.isEmpty() || !hooks.quit.isEmpty() ||
                   hooks.loginDocument.isValid() || hooks.mainDocument.isValid();
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

void TestHooks::watchFirstExpose(QWindow* window) const
{
    if (quit != "exposed" || !window)
        return;
    if (window->isExposed()) {  // exposed before this hook saw the window
        report("exposed");
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
