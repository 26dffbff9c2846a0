// The updater killed (SIGKILL) just before each rename and link it makes
// while it downloads and installs a many-file update: the main program's file
// is always there, whole, and starts; a rerun without the server leaves the
// installation wholly old or wholly new, and a rerun with the server up
// leaves it wholly new, with nothing staged or set aside.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTimer>

#include "httpserver.h"
#include "qtprinters.h"
#include "updaterun.h"
#include "zipbuilder.h"

namespace {

struct ProcessEnd {
    bool killed = false;
    int exitCode = -1;
    QByteArray errors;
};

// Runs a program in `dir` while this thread's event loop serves the test
// server; a run that does not end within the limit is killed and fails.
ProcessEnd runIn(const QString& dir, const QString& program, const QStringList& args,
                 const QMap<QString, QString>& extraEnv = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (auto it = extraEnv.constBegin(); it != extraEnv.constEnd(); ++it)
        env.insert(it.key(), it.value());
    p.setProcessEnvironment(env);
    QEventLoop loop;
    QObject::connect(&p, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    p.start(program, args);
    loop.exec();
    ProcessEnd end;
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        end.errors = "did not end within 60 s";
        return end;
    }
    end.killed = p.exitStatus() == QProcess::CrashExit;
    end.exitCode = end.killed ? -1 : p.exitCode();
    end.errors = p.readAllStandardError();
    return end;
}

QByteArray fakeMain()
{
    QFile f(UPDATER_FAKEMAIN);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The update: the main program itself (still a program that runs, with bytes
// appended), replaced and new plain files in old and new folders, and an
// archive unpacked into the installation. "" as old content: not there before.
struct Update {
    QMap<QString, QByteArray> before, after;  // relative path -> content
    QByteArray oldManifest, newManifest;
};

Update makeUpdate(TestHttpServer& server)
{
    Update u;
    const QString src = server.url("/files/");
    QList<QPair<QString, QString>> oldKeys, newKeys;
    const QByteArray main = fakeMain();
    u.before["FakeMain"] = main;
    u.after["FakeMain"] = main + "\n\nversion 2\n";
    server.file("/files/FakeMain", u.after["FakeMain"]);
    oldKeys << qMakePair(QString("FakeMain"), QString("1"));
    newKeys << qMakePair(QString("FakeMain"), QString("2"));
    const QStringList replaced = {"a.txt", "b.txt", "lib/c.so", "lib/d.so", "data/e.dat", "UpDate1"};
    for (const QString& name : replaced) {
        u.before[name] = "old " + name.toUtf8();
        u.after[name] = "new " + name.toUtf8() + QByteArray(3000, 'x');
        server.file("/files/" + name, u.after[name]);
        oldKeys << qMakePair(name, QString("1"));
        newKeys << qMakePair(name, QString("2"));
    }
    for (const QString& name : {QString("f.txt"), QString("fresh/g.txt")}) {
        u.after[name] = "new " + name.toUtf8();
        server.file("/files/" + name, u.after[name]);
        newKeys << qMakePair(name, QString("1"));
    }
    u.before["z1.txt"] = "old z1";
    u.after["z1.txt"] = "new z1";
    u.after["unpacked/z2.txt"] = "new z2";
    server.file("/files/pack.zip",
                buildZip({{"z1.txt", "new z1"}, {"unpacked/", "", 040755}, {"unpacked/z2.txt", "new z2"}}));
    newKeys << qMakePair(QString("pack.zip"), QString("1"));
    u.oldManifest = manifestText(src, oldKeys);
    u.newManifest = manifestText(src, newKeys);
    u.before["version.json"] = u.oldManifest;
    u.after["version.json"] = u.newManifest;
    server.file("/manifest.json", u.newManifest);
    return u;
}

void installOld(const Installation& inst, const Update& u)
{
    for (auto it = u.before.constBegin(); it != u.before.constEnd(); ++it)
        inst.write(it.key(), it.value(), it.key() == "FakeMain" ? 0755 : 0644);
}

// "old" or "new" when the installation is wholly that version with nothing
// else in it (the program's pids.txt and, unless `tempToo`, the download
// folder aside); otherwise what is wrong.
QString stateOf(const Installation& inst, const Update& u, bool tempToo)
{
    QStringList found;
    QDirIterator it(inst.path(), QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(inst.path()).relativeFilePath(it.next());
        if (rel == "pids.txt" || (!tempToo && (rel == "updaate_temp" || rel.startsWith("updaate_temp/"))))
            continue;
        if (!it.fileInfo().isDir())
            found << rel;
    }
    found.sort();
    for (const QString& version : {QString("old"), QString("new")}) {
        const QMap<QString, QByteArray>& want = version == "old" ? u.before : u.after;
        QStringList names = want.keys();
        names.sort();
        bool same = names == found;
        for (const QString& name : names)
            same = same && inst.read(name) == want[name];
        // Folders made for the new version only.
        if (version == "old")
            same = same && !inst.exists("fresh") && !inst.exists("unpacked");
        if (same)
            return version;
    }
    QStringList wrong;
    for (const QString& name : found) {
        const QByteArray data = inst.read(name);
        if (!(u.before.contains(name) && data == u.before[name]) && !(u.after.contains(name) && data == u.after[name]))
            wrong << name;
    }
    return "mixed; files " + found.join(",") + "; neither old nor new: " + wrong.join(",");
}

}  // namespace

TEST(UpdateKills, AKillAtAnyRenameLeavesAProgramAndARerunFinishes)
{
    TestHttpServer server;
    const Update u = makeUpdate(server);
    const QStringList args = {"FakeMain", "version.json", server.url("/manifest.json")};

    // A run that is not killed: every step it takes is a place to kill it.
    int steps = 0;
    {
        Installation inst;
        installOld(inst, u);
        const QString log = inst.path() + "/../steps.log";
        const ProcessEnd r = runIn(inst.path(), UPDATER_CLICKTHROUGH, args,
                                   {{"LD_PRELOAD", UPDATER_KILLSHIM}, {"UPDATER_STEP_LOG", log}});
        ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
        ASSERT_EQ(stateOf(inst, u, true), "new");
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        steps = f.readAll().count('\n');
        // At least one rename for each of the 11 files put in place.
        ASSERT_GE(steps, 11);
    }

    for (int n = 1; n <= steps; ++n) {
        SCOPED_TRACE("killed before step " + std::to_string(n) + " of " + std::to_string(steps));
        Installation inst;
        installOld(inst, u);
        ASSERT_GT(inst.startProgram(), 0);
        const QMap<QString, QString> killer = {{"LD_PRELOAD", UPDATER_KILLSHIM},
                                               {"UPDATER_KILL_AT_STEP", QString::number(n)}};
        const ProcessEnd killed = runIn(inst.path(), UPDATER_CLICKTHROUGH, args, killer);
        ASSERT_TRUE(killed.killed) << "not killed; exit " << killed.exitCode << " " << killed.errors.toStdString();

        // The main program is there, whole, and starts.
        const QByteArray main = inst.read("FakeMain");
        EXPECT_TRUE(main == u.before["FakeMain"] || main == u.after["FakeMain"])
            << "main program file: " << main.left(40).toStdString() << " (" << main.size() << " bytes)";
        EXPECT_GT(inst.startProgram(), 0) << "the main program does not start";

        // A rerun that cannot reach the server settles what the kill left.
        const ProcessEnd offline =
            runIn(inst.path(), UPDATER_PROGRAM, {"FakeMain", "version.json", "http://127.0.0.1:1/manifest.json"});
        EXPECT_EQ(offline.exitCode, 0) << offline.errors.toStdString();
        const QString settled = stateOf(inst, u, false);
        EXPECT_TRUE(settled == "old" || settled == "new") << settled.toStdString();

        // A rerun with the server up ends with the new version, nothing left over.
        const ProcessEnd online = runIn(inst.path(), UPDATER_CLICKTHROUGH, args);
        EXPECT_EQ(online.exitCode, 0) << online.errors.toStdString();
        EXPECT_EQ(stateOf(inst, u, true), "new");
    }
}
