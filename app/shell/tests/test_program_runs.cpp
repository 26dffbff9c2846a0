// Whole-program runs of build/bin/Tarvolin: a second start while the first
// runs, a killed first instance, and shutdown that never hangs (before the
// sign-in, while disconnected, and while the engine thread waits on the GUI
// thread). The program is driven through its test hooks (shell/testhooks.h);
// a watchdog kills a run that does not end in time and the test fails.
#include <gtest/gtest.h>

#include "ownprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include <signal.h>

#include <chrono>
#include <memory>

#include "serverprocess.h"
#include "programrun.h"
#include "testhome.h"

namespace {

QString document(const char* name)
{
    return QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/shell/tests/data/" + name).toString();
}

// One run of the program with extra environment variables; its standard
// output is read line by line.
class ProgramRun {
public:
    explicit ProgramRun(const QStringList& environment, const QStringList& args = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        for (const QString& pair : environment)
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QString(TARVOLIN_BIN_DIR) + "/Tarvolin", args);
    }
    ~ProgramRun()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Waits for a whole output line equal to text; true when it came.
    bool waitLine(const QString& text, int ms = 20000)
    {
        return !testsupport::readUntil(process_, lines_, [&](const QString& line) { return line == text; }, ms).isNull();
    }

    // Watchdog: waits up to ms for the process to end; kills it otherwise.
    bool finishWithin(int ms)
    {
        if (process_.waitForFinished(ms))
            return true;
        process_.kill();
        process_.waitForFinished(5000);
        return false;
    }

    // Every line read so far plus what is left.
    QStringList lines()
    {
        for (const QByteArray& l : process_.readAllStandardOutput().split('\n'))
            if (!l.trimmed().isEmpty())
                lines_ << QString::fromUtf8(l).trimmed();
        return lines_;
    }

    int exitCode() const { return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1000; }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    QStringList lines_;
};

const QString kLogin = R"(TARVOLIN_TEST_LOGIN_JSON={"user":{"sessionId":"test-session","id":1}})";

QString serverJson(const QString& url)
{
    return QString(R"(TARVOLIN_TEST_SERVER_JSON={"url":{"quote":[{"url":"%1","name":"本地","type":"1"}]}})").arg(url);
}

// A hang never ends; a busy machine only slows a start or an ending down (a
// killed process too is reaped late). So the watchdog is generous, and a quit
// must show that the engine thread was joined (not left waiting) before the
// program returned with 0.
constexpr int kExitDeadlineMs = 30000;

// Quit, then the engine thread stops and the process ends.
void expectCleanExit(ProgramRun& run)
{
    ASSERT_TRUE(run.waitLine("main phase")) << run.lines().join("\n").toStdString();
    ASSERT_TRUE(run.waitLine("quitting")) << run.lines().join("\n").toStdString();
    ASSERT_TRUE(run.finishWithin(kExitDeadlineMs)) << "the program hung after quitting: "
                                                    << run.lines().join("\n").toStdString();
    const QStringList lines = run.lines();
    EXPECT_GT(lines.indexOf("engine stopped"), lines.indexOf("quitting"))
        << "the engine thread was not joined after quitting; saw:\n" << lines.join("\n").toStdString();
    EXPECT_EQ(run.exitCode(), 0);
}

}  // namespace

TEST(ProgramRuns, SecondStartHandsOverAndAStaleNameIsRecovered)
{
    RUN_IN_OWN_PROCESS();
    const QStringList env = {"TARVOLIN_TEST_LOGIN_QML=" + document("window.qml")};
    auto first = std::make_unique<ProgramRun>(env);
    ASSERT_TRUE(first->waitLine("window")) << first->lines().join("\n").toStdString();

    ProgramRun second(env, {"600000"});
    ASSERT_TRUE(second.finishWithin(kExitDeadlineMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.lines().contains("window")) << "the second start showed a window";
    EXPECT_TRUE(first->waitLine("activated window=1")) << "the first did not raise its window";

    // A killed first instance leaves its name and lock behind; the next start
    // takes over.
    ::kill(static_cast<pid_t>(first->pid()), SIGKILL);
    ASSERT_TRUE(first->finishWithin(kExitDeadlineMs));
    first.reset();
    EXPECT_TRUE(QFile::exists(testsupport::testHome() + "/runtime/Tarvolin")) << "no stale name to recover";
    ProgramRun third(env);
    EXPECT_TRUE(third.waitLine("window")) << third.lines().join("\n").toStdString();
}

// Without OpenGL (here: no display to take it from) the program draws in
// software instead of aborting in its first window.
TEST(ProgramRuns, WithoutOpenGlTheProgramDrawsInSoftware)
{
    RUN_IN_OWN_PROCESS();
    ProgramRun run({"TARVOLIN_TEST_LOGIN_QML=" + document("closing.qml"), "DISPLAY=", "WAYLAND_DISPLAY=",
                    "QT_QUICK_BACKEND=", "QMLSCENE_DEVICE="});
    EXPECT_TRUE(run.waitLine("window")) << run.lines().join("\n").toStdString();
    ASSERT_TRUE(run.finishWithin(kExitDeadlineMs));
    EXPECT_EQ(run.exitCode(), 0);
}

// Loading the web engine's libraries takes a good part of a start: the
// sign-in window (which holds no web view) shows before they are loaded.
TEST(ProgramRuns, TheSignInWindowShowsBeforeTheWebEngineLoads)
{
    RUN_IN_OWN_PROCESS();
    ProgramRun run({"TARVOLIN_TEST_LOGIN_QML=" + document("window.qml"), "TARVOLIN_TEST_QUIT=exposed"});
    ASSERT_TRUE(run.waitLine("exposed")) << run.lines().join("\n").toStdString();
    ASSERT_TRUE(run.finishWithin(kExitDeadlineMs)) << "the program hung after its first expose";
    const QStringList lines = run.lines();
    EXPECT_TRUE(lines.contains("web engine not loaded"))
        << "expected the web engine not loaded at the first expose; saw:\n" << lines.join("\n").toStdString();
    EXPECT_EQ(run.exitCode(), 0);
}

TEST(ProgramRuns, ClosingTheLoginWindowEndsWithoutTheMainPhase)
{
    RUN_IN_OWN_PROCESS();
    ProgramRun run({"TARVOLIN_TEST_LOGIN_QML=" + document("closing.qml")});
    ASSERT_TRUE(run.waitLine("window")) << run.lines().join("\n").toStdString();
    ASSERT_TRUE(run.finishWithin(kExitDeadlineMs)) << "the program hung after its login window closed";
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_FALSE(run.lines().contains("main phase"));
    EXPECT_FALSE(run.lines().contains("engine stopped")) << "the quote engine ran";
    EXPECT_FALSE(QFile::exists(testsupport::testDataDir() + "/formula.json")) << "the main phase ran";
}

TEST(ProgramRuns, QuitWhileDisconnected)
{
    RUN_IN_OWN_PROCESS();
    QFile formula(testsupport::testDataDir() + "/formula.json");
    QDir().mkpath(testsupport::testDataDir());
    ASSERT_TRUE(formula.open(QIODevice::WriteOnly));
    formula.write("old");
    formula.close();
    ProgramRun run({kLogin, serverJson("tcp://127.0.0.1:1/?auto_delay=100"),
                    "TARVOLIN_TEST_LOGIN_QML=" + document("closing.qml"),
                    "TARVOLIN_TEST_MAIN_QML=" + document("window.qml"), "TARVOLIN_TEST_QUIT=now"});
    expectCleanExit(run);
    EXPECT_EQ(QFile(testsupport::testDataDir() + "/formula.json").size(), 0) << "formula.json is emptied";
}

TEST(ProgramRuns, QuitWhileTheEngineWaitsOnTheGuiThread)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    ProgramRun run({kLogin, serverJson(QString("tcp://127.0.0.1:%1/?auto_delay=50").arg(server.port())),
                    "TARVOLIN_TEST_LOGIN_QML=" + document("closing.qml"),
                    "TARVOLIN_TEST_MAIN_QML=" + document("window.qml"), "TARVOLIN_TEST_QUIT=blocked"});
    expectCleanExit(run);
}

// A server program that cannot be started ends the start-up wait as soon as
// its child exits, instead of waiting out the 30 s a slow server may take.
TEST(ServerProcessStart, AProgramThatCannotStartEndsTheWaitAtOnce)
{
    RUN_IN_OWN_PROCESS();
    QElapsedTimer timer;
    timer.start();
    ServerProcess missing("no-such-server", {});
    EXPECT_EQ(missing.port(), 0);
    EXPECT_TRUE(missing.ended()) << "the wait returned before the child ended";
    EXPECT_FALSE(missing.wait_line("ready"));
    EXPECT_FALSE(missing.wait_lines([](const std::vector<std::string>& lines) { return !lines.empty(); }));
    // Generous for a busy machine, far below the 30 s time-out each wait had.
    EXPECT_LT(timer.elapsed(), 15000) << "ms until a missing server was reported";
}
