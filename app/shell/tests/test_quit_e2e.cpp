// Quitting right after a stock-group edit, on a virtual display managed by a
// window manager, against the local servers: app/e2e/TourQuit.qml adds a stock
// with the quick-command box's "+" and then, within a second, presses Alt+F4
// (through the X server, so the window manager closes the window as it would
// for a person), signs in again (重新登录) or quits with the back end stopped.
// Every next sign-in must list the stock; the quit confirmation must show
// for Alt+F4; quitting must end within its bound with the back end stopped,
// and the next sign-in then sends the edit before it reads the groups. The
// program's output, and that of the program 重新登录 starts, goes to a file
// under <build>/screenshots/tour-quit/<width>x<height>/, beside the shot of
// the window waiting for the stopped back end under "正在保存…". Runs on a
// 1280 x 800 and a 1920 x 1080 screen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <signal.h>

#include <functional>

#include "ownprocess.h"
#include "programrun.h"

using namespace testsupport;

namespace {

// The ids of the running processes whose environment holds entry (the
// program 重新登录 started has no parent to ask).
QList<qint64> processesWith(const QByteArray& entry)
{
    QList<qint64> out;
    for (const QString& name : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        QFile environ("/proc/" + name + "/environ");
        if (!number || !environ.open(QIODevice::ReadOnly))
            continue;
        if (environ.readAll().split('\0').contains(entry))
            out << pid;
    }
    return out;
}

// One run of the tour in a phase: the program's output, and that of the
// program it starts again, read line by line from a file until both ended.
class PhaseRun {
public:
    PhaseRun(const QString& display, const LocalServers& servers, const QString& phase, const QString& log) : log_(log)
    {
        // Marks this run's processes, the one 重新登录 starts included.
        const QString mark = QString::number(QCoreApplication::applicationPid()) + "-" + phase;
        entry_ = "TARVOLIN_TOUR_RUN=" + mark.toLatin1();
        QFile::remove(log_);
        QProcessEnvironment env = programEnvironment(display, servers.backendUrl() + "/", "TourQuit.qml");
        env.insert("TARVOLIN_TEST_INPUT", "1");
        env.insert("TARVOLIN_TOUR_RUN", mark);
        program_.setProcessEnvironment(env);
        program_.setProcessChannelMode(QProcess::MergedChannels);
        program_.setStandardOutputFile(log_, QIODevice::Append);
        program_.start(programPath(), {"--phase=" + phase, "--screenshots=" + QFileInfo(log_).path()});
        clock_.start();
    }
    ~PhaseRun()
    {
        for (const qint64 pid : processesWith(entry_))
            ::kill(pid_t(pid), SIGKILL);
        if (program_.state() != QProcess::NotRunning) {
            program_.kill();
            program_.waitForFinished(5000);
        }
    }

    // Hands each line to onLine until every process of the run has ended or
    // the tour budget is spent; false in that case.
    bool follow(const std::function<void(const QString&)>& onLine)
    {
        QFile file(log_);
        qint64 offset = 0;
        QByteArray partial;
        for (;;) {
            const bool ended = program_.state() == QProcess::NotRunning && processesWith(entry_).isEmpty();
            if (file.isOpen() || file.open(QIODevice::ReadOnly)) {
                file.seek(offset);
                const QByteArray more = file.readAll();
                offset += more.size();
                partial += more;
                for (int nl; (nl = partial.indexOf('\n')) >= 0; partial.remove(0, nl + 1)) {
                    const QString line = QString::fromUtf8(partial.left(nl)).trimmed();
                    lines << line;
                    onLine(line);
                }
            }
            if (ended)
                return true;
            if (clock_.elapsed() > kTourBudgetMs)
                return false;
            program_.waitForFinished(50);  // or the restarted program's next line
            if (program_.state() == QProcess::NotRunning)
                QThread::msleep(50);
        }
    }
    // What followed "tour: " in each line that has it.
    QStringList steps() const
    {
        QStringList out;
        for (const QString& l : lines)
            if (l.contains("tour: "))
                out << l.mid(l.indexOf("tour: ") + 6);
        return out;
    }
    QStringList after(const QString& prefix) const
    {
        QStringList out;
        for (const QString& s : steps())
            if (s.startsWith(prefix))
                out << s.mid(prefix.size());
        return out;
    }
    std::string log() const { return lines.join('\n').toStdString(); }
    QProcess& program() { return program_; }

    QStringList lines;

private:
    QByteArray entry_;
    QString log_;
    QProcess program_;
    QElapsedTimer clock_;
};

// The checks of every run: each tour said done, none failed, the program
// ended cleanly.
void expectCleanRun(PhaseRun& run, int tours)
{
    EXPECT_EQ(tours, run.after("done ").size()) << run.log();
    EXPECT_TRUE(run.after("FAIL ").isEmpty()) << run.after("FAIL ").join('\n').toStdString() << "\n" << run.log();
    EXPECT_EQ(QProcess::NormalExit, run.program().exitStatus());
    EXPECT_EQ(0, run.program().exitCode());
}

// The codes of a "groups N CODES" step.
QStringList codes(const QString& step)
{
    return step.section(' ', 1).split(',', Qt::SkipEmptyParts);
}

// From its "quitting" line to the end of the program (that of the first
// process, the one quitting).
qint64 quitTime(const QStringList& lines, const QList<qint64>& at)
{
    qint64 from = -1, to = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (from < 0 && lines[i].contains("tour: quitting"))
            from = at[i];
        if (from >= 0 && to < 0 && lines[i] == "engine stopped")
            to = at[i];
    }
    return from < 0 || to < 0 ? -1 : to - from;
}

}  // namespace

class QuitEndToEnd : public ::testing::TestWithParam<QSize> {};

TEST_P(QuitEndToEnd, AStockAddedRightBeforeQuittingIsThereAtTheNextSignIn)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay(true))
        GTEST_SKIP() << "Xvfb, openbox, xprop or ImageMagick's import is not installed";
    const QSize screen = GetParam();
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    VirtualDisplay display(screen);
    ASSERT_FALSE(display.name().isEmpty()) << display.output().toStdString();
    const QString dir = screenshotDir() + QString("/tour-quit/%1x%2").arg(screen.width()).arg(screen.height());
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);

    // Alt+F4 within a second of "+": the quit confirmation, then 退出.
    QString first;
    {
        PhaseRun run(display.name(), servers, "quit", dir + "/quit.log");
        ASSERT_TRUE(run.follow([&](const QString& line) {
            if (line.contains("tour: xkey ")) {
                EXPECT_TRUE(chordOnScreen(display.name(), line.mid(line.indexOf("tour: xkey ") + 11))) << "no X keys";
            }
        })) << run.log();
        expectCleanRun(run, 1);
        ASSERT_EQ(1, run.after("added ").size()) << run.log();
        first = run.after("added ").first();
    }

    // The next sign-in lists it; 重新登录 right after another "+", and the
    // program started again lists that one.
    QString second;
    {
        PhaseRun run(display.name(), servers, "restart", dir + "/restart.log");
        ASSERT_TRUE(run.follow([](const QString&) {})) << run.log();
        expectCleanRun(run, 2);
        const QStringList groups = run.after("groups ");
        ASSERT_EQ(2, groups.size()) << "the program did not start again:\n" << run.log();
        EXPECT_TRUE(codes(groups[0]).contains(first))
            << first.toStdString() << " is not in " << groups[0].toStdString();
        ASSERT_EQ(1, run.after("added ").size()) << run.log();
        second = run.after("added ").first();
        EXPECT_TRUE(codes(groups[1]).contains(second))
            << second.toStdString() << " is not in " << groups[1].toStdString();
    }

    // The back end stopped: quitting ends within its bound (two seconds of
    // waiting for the back end, and the program's own end), and the next
    // sign-in sends the edit before it reads the groups.
    QString third;
    {
        PhaseRun run(display.name(), servers, "stopped", dir + "/stopped.log");
        QElapsedTimer clock;
        clock.start();
        QList<qint64> at;
        ASSERT_TRUE(run.follow([&](const QString& line) {
            at << clock.elapsed();
            if (line.contains("tour: stop the back end")) {
                servers.backend->pause();
            }
            if (line.contains("tour: pose ")) {
                EXPECT_TRUE(grabScreen(display.name(), line.mid(line.indexOf("tour: pose ") + 11)));
            }
        })) << run.log();
        servers.backend->resume();
        expectCleanRun(run, 1);
        ASSERT_EQ(1, run.after("added ").size()) << run.log();
        third = run.after("added ").first();
        const qint64 took = quitTime(run.lines, at);
        ASSERT_GE(took, 0) << run.log();
        ::testing::Test::RecordProperty("quit_ms_back_end_stopped", int(took));
        EXPECT_LT(took, 2000 + 4000) << "quitting took " << took << " ms with the back end stopped";
        EXPECT_GE(took, 1500) << "quitting did not wait for the back end";
        EXPECT_TRUE(QFile::exists(dir + "/quit-saving-stopped.png")) << "no shot of the window while it waits";
    }
    const size_t seenBefore = servers.backend->lines().size();
    {
        PhaseRun run(display.name(), servers, "check", dir + "/check.log");
        ASSERT_TRUE(run.follow([](const QString&) {})) << run.log();
        expectCleanRun(run, 1);
        ASSERT_EQ(1, run.after("groups ").size()) << run.log();
        EXPECT_TRUE(codes(run.after("groups ").first()).contains(third))
            << third.toStdString() << " is not in " << run.after("groups ").first().toStdString();
    }
    // This sign-in's requests: the edit went before the groups were read.
    const std::vector<std::string> lines = servers.backend->lines();
    int login = -1, post = -1, get = -1;
    for (size_t i = seenBefore; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (login < 0 && l.rfind("login ", 0) == 0)
            login = int(i);
        if (login >= 0 && post < 0 && l.rfind("POST /api/mystock", 0) == 0)
            post = int(i);
        if (login >= 0 && get < 0 && l.rfind("GET /api/mystock", 0) == 0)
            get = int(i);
    }
    ASSERT_GE(login, 0);
    EXPECT_GE(post, 0) << "the sign-in sent no edits";
    EXPECT_LT(post, get) << "the sign-in read the groups before it sent the edit";
}

INSTANTIATE_TEST_SUITE_P(Screens, QuitEndToEnd, ::testing::Values(QSize(1280, 800), QSize(1920, 1080)),
                         [](const ::testing::TestParamInfo<QSize>& info) {
                             return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });
