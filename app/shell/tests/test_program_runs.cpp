// Whole-program runs of build/bin/Tarvolin: a second start while the first
// runs, a killed first instance, and shutdown that never hangs (before the
// sign-in, while disconnected, and while the engine thread waits on the GUI
// thread). The program is driven through its test hooks (shell/testhooks.h);
// a watchdog kills a run that does not end in time and the test fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QCoreApplication>
#include <QMap>
#include <QDateTime>
#include <QThread>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QSysInfo>
#include <QUrl>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "ownprocess.h"
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
    // `asUser`: a uid the program runs as (through setpriv, without root's
    // rights); its standard error is then read with its output.
    explicit ProgramRun(const QStringList& environment, const QStringList& args = {}, const QString& workdir = {},
                        int asUser = -1)
    {
        if (!workdir.isEmpty())
            process_.setWorkingDirectory(workdir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        for (const QString& pair : environment)
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process_.setProcessEnvironment(env);
        const QString program = QString(TARVOLIN_BIN_DIR) + "/Tarvolin";
        if (asUser < 0) {
            process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process_.start(program, args);
        } else {
            process_.setProcessChannelMode(QProcess::MergedChannels);
            const QString id = QString::number(asUser);
            process_.start("setpriv", QStringList{"--reuid=" + id, "--regid=" + id, "--clear-groups", program} + args);
        }
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
        return !testsupport::readUntil(
                    process_, lines_, [&](const QString& line) { return line == text; }, ms)
                    .isNull();
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
    ASSERT_TRUE(run.finishWithin(kExitDeadlineMs))
        << "the program hung after quitting: " << run.lines().join("\n").toStdString();
    const QStringList lines = run.lines();
    EXPECT_GT(lines.indexOf("engine stopped"), lines.indexOf("quitting"))
        << "the engine thread was not joined after quitting; saw:\n"
        << lines.join("\n").toStdString();
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

// The updater was killed while it put an update in place (its journal says
// the files were all staged and committed, one renamed): the program's start
// finishes the install in its folder before anything else.
TEST(ProgramRuns, AStartFinishesAnUpdateCutShort)
{
    RUN_IN_OWN_PROCESS();
    QTemporaryDir install;
    const QString root = QDir::cleanPath(install.path());
    const auto put = [](const QString& path, const QByteArray& data) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    put(root + "/lib/a.so", "new a");  // renamed in already
    put(root + "/lib/a.so.update-old", "old a");
    put(root + "/b.dat.update-new", "new b");
    put(root + "/version.json", "old version");
    put(root + "/version.json.update-old", "old version");
    put(root + "/version.json.update-new", "new version");
    put(root + "/update.journal",
        "[\"replace\",\"lib/a.so\"]\n[\"new\",\"b.dat\"]\n"
        "[\"replace\",\"version.json\"]\n[\"commit\"]\n");
    ProgramRun run({"TARVOLIN_TEST_LOGIN_QML=" + document("closing.qml")}, {}, root);
    ASSERT_TRUE(run.waitLine("window")) << run.lines().join("\n").toStdString();
    ASSERT_TRUE(run.finishWithin(kExitDeadlineMs));
    QDir dir(root);
    QStringList left = dir.entryList(QDir::Files | QDir::Hidden) + QDir(root + "/lib").entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, QStringList({"a.so", "b.dat", "version.json"}));
    QFile b(root + "/b.dat"), v(root + "/version.json");
    ASSERT_TRUE(b.open(QIODevice::ReadOnly) && v.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), "new b");
    EXPECT_EQ(v.readAll(), "new version");
}

namespace {

struct MarkedProcess {
    qint64 parent = 0;
    QString name;
};

// Every process whose environment holds TARVOLIN_RUN_MARK=mark, by pid: the
// program, the one it restarted, and their web-engine helpers inherit it.
QMap<qint64, MarkedProcess> markedProcesses(const QString& mark)
{
    QMap<qint64, MarkedProcess> out;
    const QByteArray wanted = "TARVOLIN_RUN_MARK=" + mark.toUtf8();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile environ("/proc/" + entry + "/environ"), stat("/proc/" + entry + "/stat");
        if (!environ.open(QIODevice::ReadOnly) || !environ.readAll().split('\0').contains(wanted) ||
            !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, the last ')' ends it.
        const QByteArray line = stat.readAll();
        const int close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (close < 0 || rest.size() < 2)
            continue;
        const int open = line.indexOf('(');
        out[pid] = MarkedProcess{rest.at(1).toLongLong(), QString::fromUtf8(line.mid(open + 1, close - open - 1))};
    }
    return out;
}

// Web-engine helpers whose parent is none of the marked processes: left
// behind by a process that ended (their parent is now 1 or a subreaper).
QList<qint64> orphanedHelpers(const QMap<qint64, MarkedProcess>& marked)
{
    QList<qint64> out;
    for (auto it = marked.constBegin(); it != marked.constEnd(); ++it) {
        if (it.value().name.startsWith("QtWebEngine") && !marked.contains(it.value().parent))
            out << it.key();
    }
    return out;
}

}  // namespace

// 重新登录 ends the program and starts it again: the web-engine helpers of
// the ended process end too, instead of staying (parent 1) while the new
// program runs.
TEST(ProgramRuns, ARestartLeavesNoWebEngineHelpersBehind)
{
    RUN_IN_OWN_PROCESS();
    const QString mark = QString::number(QCoreApplication::applicationPid()) + "-" +
                         QString::number(QDateTime::currentMSecsSinceEpoch());
    // The output goes to a file: the restarted program inherits it and
    // writes on after the first has ended (a pipe would be closed by then).
    QTemporaryDir outDir;
    const QString out = outDir.path() + "/output.txt";
    QProcess firstRun;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("TARVOLIN_TEST_LOGIN_JSON", kLogin.section('=', 1));
    env.insert("TARVOLIN_TEST_LOGIN_QML", document("closing.qml"));
    env.insert("TARVOLIN_TEST_MAIN_QML", document("restarting.qml"));
    env.insert("TARVOLIN_RUN_MARK", mark);
    firstRun.setProcessEnvironment(env);
    firstRun.setStandardOutputFile(out);
    firstRun.setStandardErrorFile(out, QIODevice::Append);
    firstRun.start(QString(TARVOLIN_BIN_DIR) + "/Tarvolin", {"restart"});
    ASSERT_TRUE(firstRun.waitForStarted(kExitDeadlineMs));
    const qint64 first = firstRun.processId();
    const bool ended = firstRun.waitForFinished(kExitDeadlineMs);
    const auto output = [&] {
        QFile f(out);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    if (!ended)
        firstRun.kill();
    ASSERT_TRUE(ended) << "the first run did not end with its restart; saw:\n" << output().toStdString();

    // The restarted program and its own helpers.
    qint64 second = 0;
    const auto restartedWithHelpers = [&] {
        const QMap<qint64, MarkedProcess> marked = markedProcesses(mark);
        for (auto it = marked.constBegin(); it != marked.constEnd(); ++it) {
            if (it.value().name == "Tarvolin" && it.key() != first)
                second = it.key();
        }
        for (const MarkedProcess& p : marked) {
            if (second && p.parent == second && p.name.startsWith("QtWebEngine"))
                return true;
        }
        return false;
    };
    QElapsedTimer waited;
    waited.start();
    // A whole start with its web engine: on a machine busy past its cores
    // it took over 30 s once, so the cap is wider than an ending's.
    while (!restartedWithHelpers() && waited.elapsed() < 3 * kExitDeadlineMs)
        QThread::msleep(20);
    const bool restarted = restartedWithHelpers();
    // What was seen, for a failure: each marked process with its parent.
    QString seen;
    const QMap<qint64, MarkedProcess> marked = markedProcesses(mark);
    for (auto it = marked.constBegin(); it != marked.constEnd(); ++it)
        seen += QString("%1 %2 (parent %3)\n").arg(it.key()).arg(it.value().name).arg(it.value().parent);
    // The old helpers notice their parent's end on their own: wait for it.
    QList<qint64> orphans = orphanedHelpers(markedProcesses(mark));
    waited.restart();
    while (!orphans.isEmpty() && waited.elapsed() < 15000) {
        QThread::msleep(20);
        orphans = orphanedHelpers(markedProcesses(mark));
    }
    for (qint64 pid : orphans)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    if (second) {
        // Gone before the next run starts, lock and name with it.
        ::kill(static_cast<pid_t>(second), SIGKILL);
        waited.restart();
        while (::kill(static_cast<pid_t>(second), 0) == 0 && waited.elapsed() < kExitDeadlineMs)
            QThread::msleep(10);
    }
    EXPECT_TRUE(restarted) << "no restarted program with web-engine helpers of its own was seen (first run " << first
                           << "); marked processes:\n"
                           << seen.toStdString() << "output:\n"
                           << output().toStdString();
    EXPECT_TRUE(orphans.isEmpty()) << orphans.size() << " web-engine helpers of the ended program still run";
}

namespace {

constexpr int kNobody = 65534;

void chownTo(const QString& path, int uid)
{
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), uid, uid), 0) << path.toStdString();
}

// A home of its own for a run as the user nobody, whose data folder is theirs.
class NobodysHome {
public:
    NobodysHome()
    {
        home_ = QDir::cleanPath(dir_.path());
        for (const char* sub : {"data/Tarvolin", "config", "runtime"})
            QDir(home_).mkpath(sub);
        for (const char* sub : {"", "/data", "/data/Tarvolin", "/config", "/runtime"}) {
            ::chmod(QFile::encodeName(home_ + sub).constData(), 0700);
            chownTo(home_ + sub, kNobody);
        }
    }
    QStringList environment() const
    {
        return {"HOME=" + home_, "XDG_DATA_HOME=" + home_ + "/data", "XDG_CONFIG_HOME=" + home_ + "/config",
                "XDG_RUNTIME_DIR=" + home_ + "/runtime"};
    }
    QString dataDir() const { return home_ + "/data/Tarvolin"; }

private:
    QTemporaryDir dir_;
    QString home_;
};

}  // namespace

// An instance.lock no process holds, left by another account or unreadable to
// the user (mode 000): the program starts all the same, holding a lock of its
// own. One it truly cannot remove keeps it out with a message box and a line
// on standard error.
TEST(ProgramRuns, ALeftoverLockTheUserCannotWriteDoesNotKeepTheProgramOut)
{
    RUN_IN_OWN_PROCESS();
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make files of another account";
    const QByteArray deadOwner = "2147483646\nTarvolin\n" + QSysInfo::machineHostName().toUtf8() + "\n";
    struct Row {
        const char* what;
        int owner;
        int mode;
        bool folderWritable;
        bool starts;
    };
    const Row rows[] = {
        {"another account's, readable", 0, 0644, true, true},
        {"the user's own, mode 000", kNobody, 0, true, true},
        {"another account's, mode 000", 0, 0, true, true},
        {"in a folder the user cannot write", 0, 0644, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        NobodysHome home;
        const QString lock = home.dataDir() + "/instance.lock";
        {
            QFile f(lock);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(deadOwner);
        }
        ::chmod(QFile::encodeName(lock).constData(), mode_t(r.mode));
        chownTo(lock, r.owner);
        if (!r.folderWritable) {
            chownTo(home.dataDir(), 0);
            ::chmod(QFile::encodeName(home.dataDir()).constData(), 0755);
        }
        ProgramRun run(home.environment() + QStringList{"TARVOLIN_TEST_LOGIN_QML=" + document("window.qml"),
                                                        "TARVOLIN_TEST_QUIT=exposed"},
                       {}, {}, kNobody);
        ASSERT_TRUE(run.finishWithin(kExitDeadlineMs)) << run.lines().join("\n").toStdString();
        const QStringList lines = run.lines();
        EXPECT_TRUE(lines.contains("exposed")) << "no window was shown; saw:\n" << lines.join("\n").toStdString();
        if (r.starts) {
            EXPECT_EQ(run.exitCode(), 0);
            EXPECT_TRUE(lines.contains("window")) << lines.join("\n").toStdString();
        } else {
            EXPECT_EQ(run.exitCode(), 1);
            EXPECT_FALSE(lines.contains("window"));
            EXPECT_TRUE(lines.filter("无法删除残留的锁文件 " + lock + "：").size() == 1)
                << "the reason is not on standard error; saw:\n"
                << lines.join("\n").toStdString();
        }
    }
}

// Without OpenGL (here: no display to take it from) the program draws in
// software instead of aborting in its first window.
TEST(ProgramRuns, WithoutOpenGlTheProgramDrawsInSoftware)
{
    RUN_IN_OWN_PROCESS();
    ProgramRun run({"TARVOLIN_TEST_LOGIN_QML=" + document("closing.qml"),
                    "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QUICK_BACKEND=", "QMLSCENE_DEVICE="});
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
        << "expected the web engine not loaded at the first expose; saw:\n"
        << lines.join("\n").toStdString();
    EXPECT_EQ(run.exitCode(), 0);
}

TEST(ProgramRuns, ClosingTheLoginWindowEndsWithoutTheMainPhase)
{
    RUN_IN_OWN_PROCESS();
    QFile::remove(testsupport::testDataDir() + "/formula.json");  // an earlier run's main phase
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
