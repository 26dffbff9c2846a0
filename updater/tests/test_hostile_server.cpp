// The updater against a hostile server on loopback: crafted archives,
// stalled, endless and lying bodies, a full disk, links in the installation.
// Every run is bounded in time (shortened time-outs and caps) and memory
// (an address-space limit while it runs).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

#include "httpserver.h"
#include "qtprinters.h"
#include "updaterun.h"
#include "worker.h"
#include "zipbuilder.h"

namespace {

const QString retry = QStringLiteral("\n下载升级文件失败，请请稍后重试！");

// Shortened limits and an address-space cap of 1.5 GiB above what the
// process maps now, both undone at the end of the scope.
class Bounds {
public:
    explicit Bounds(const Worker::Limits& limits) : saved_(Worker::limits())
    {
        Worker::limits() = limits;
        getrlimit(RLIMIT_AS, &as_);
        QFile status("/proc/self/status");
        qint64 mapped = 0;
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmSize:"))
                    mapped = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
            }
        }
        rlimit capped = as_;
        capped.rlim_cur = rlim_t(mapped + (qint64(3) << 29));
        if (mapped > 0 && (as_.rlim_max == RLIM_INFINITY || capped.rlim_cur < as_.rlim_max))
            setrlimit(RLIMIT_AS, &capped);
    }
    ~Bounds()
    {
        setrlimit(RLIMIT_AS, &as_);
        Worker::limits() = saved_;
    }

private:
    Worker::Limits saved_;
    rlimit as_{};
};

// Only the stall tests wait for the time-out; everything else keeps 30 s,
// so a busy machine cannot turn a slow answer into a failure.
Worker::Limits shortLimits()
{
    Worker::Limits l;
    l.idleTimeoutMs = 1500;
    return l;
}

// A running installation with version 1 of two files and a manifest
// offering version 2 of both; `hostile` is the second file's answer.
struct Scene {
    TestHttpServer server;
    Installation inst;
    int pid = -1;
    QByteArray oldVersion;

    Scene(const QString& key, const HttpAnswer& hostile)
    {
        pid = inst.startProgram();
        oldVersion = manifestText(server.url("/files/"), {{"a.txt", "1"}, {key, "1"}});
        inst.write("version.json", oldVersion);
        inst.write("a.txt", "old a");
        server.file("/manifest.json", manifestText(server.url("/files/"), {{"a.txt", "2"}, {key, "2"}}));
        server.file("/files/a.txt", "new a");
        server.answer("/files/" + key, hostile);
    }
    // The failure left everything as it was, the program running, no temporary folder.
    void expectUntouched(const UpdateRun& r) const
    {
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(inst.read("a.txt"), "old a");
        EXPECT_EQ(inst.read("version.json"), oldVersion);
        EXPECT_FALSE(inst.tempExists());
        EXPECT_EQ(inst.pids(), QList<int>{pid});
        EXPECT_TRUE(inst.running(pid));
    }
};

HttpAnswer body(const QByteArray& data)
{
    HttpAnswer a;
    a.body = data;
    return a;
}

}  // namespace

// Each archive is refused when it has been downloaded, before the main
// program is stopped: a clean download error, nothing unpacked.
TEST(HostileServer, CraftedArchivesAreRefusedBeforeTheProgramStops)
{
    quint32 zerosCrc = 0;
    const QByteArray bomb = deflatedZeros(1300, &zerosCrc);
    quint32 liarCrc = 0;
    const QByteArray liar = deflatedZeros(64, &liarCrc);
    QByteArray corrupt = buildZip({{"data.txt", "HELLOWORLD"}});
    corrupt[corrupt.indexOf("HELLOWORLD")] = 'J';
    struct Case {
        const char* name;
        QByteArray zip;
        QString box;  // a pattern
    } cases[] = {
        // A tiny archive declaring 2 GiB - 1 unpacked (the old reader
        // allocated that up front and threw on the worker thread).
        {"declares 0x7FFFFFFF bytes", buildZip({{"big.bin", "x", 0100644, false, 0x7FFFFFFF, -1, -1}}),
         "^下载错误\\|(压缩文件过大:big\\.bin|无法读取压缩文件:b\\.zip)$"},
        // A packed size far past the archive's end (the old reader spun).
        {"packed size 0xFFFFFFF0", buildZip({{"spin.bin", "x", 0100644, false, -1, 0xFFFFFFF0LL, -1}}),
         "^下载错误\\|(无法读取压缩文件:b\\.zip|压缩文件已损坏:spin\\.bin)$"},
        // 1.3 MB that inflates to 1300 MiB while declaring 1200 MiB (the old
        // reader overflowed a buffer length).
        {"zip bomb", buildZip({{"bomb.bin", bomb, 0100644, true, qint64(1200) << 20, bomb.size(), zerosCrc}}),
         "^下载错误\\|压缩文件过大:bomb\\.bin$"},
        // Declares 1 MiB, inflates to 64 MiB: unpacking stops at the lie.
        {"longer than declared", buildZip({{"liar.bin", liar, 0100644, true, qint64(1) << 20, liar.size(), liarCrc}}),
         "^下载错误\\|压缩文件已损坏:liar\\.bin$"},
        {"damaged data", corrupt, "^下载错误\\|压缩文件已损坏:data\\.txt$"},
        {"entry leaving the folder", buildZip({{"fine.txt", "fine"}, {"../../evil.txt", "evil"}}),
         "^下载错误\\|压缩文件中的路径无效:\\.\\./\\.\\./evil\\.txt$"},
        {"not an archive", "PK this is not a zip archive", "^下载错误\\|无法读取压缩文件:b\\.zip$"},
        // A name of 60000 bytes is cut in the message.
        {"long entry name", buildZip({{"../" + QByteArray(60000, 'n'), "x"}}),
         "^下载错误\\|压缩文件中的路径无效:\\.\\./n{986}…$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bounds bounds{Worker::Limits()};
        Scene scene("b.zip", body(c.zip));
        ASSERT_GT(scene.pid, 0);
        const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
        ASSERT_EQ(r.boxes.size(), 1);
        EXPECT_TRUE(r.boxes[0].endsWith(retry)) << r.boxes[0].toStdString();
        const QString text = r.boxes[0].chopped(retry.size());
        EXPECT_TRUE(QRegularExpression(c.box).match(text).hasMatch()) << text.toStdString();
        scene.expectUntouched(r);
        EXPECT_FALSE(scene.inst.exists("fine.txt"));
        EXPECT_FALSE(QFileInfo::exists(scene.inst.path() + "/../evil.txt"));
    }
}

// A server that accepts and never answers, or stalls in a body: the request
// times out. A stalled manifest reads as empty (silent end); a stalled file
// is a download error.
TEST(HostileServer, StalledRequestsTimeOut)
{
    {
        const Bounds bounds(shortLimits());
        TestHttpServer server;
        Installation inst;
        const int pid = inst.startProgram();
        ASSERT_GT(pid, 0);
        HttpAnswer silent;
        silent.silent = true;
        server.answer("/manifest.json", silent);
        const UpdateRun r = inst.run(server.url("/manifest.json"));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.everShown);
        EXPECT_TRUE(r.boxes.isEmpty());
        EXPECT_TRUE(inst.running(pid));
    }
    for (const bool inBody : {false, true}) {
        SCOPED_TRACE(inBody ? "stalls in the body" : "never answers");
        const Bounds bounds(shortLimits());
        HttpAnswer stalled;
        stalled.silent = !inBody;
        stalled.stall = inBody;
        stalled.body = "half";
        stalled.missingBytes = 100;
        Scene scene("b.txt", stalled);
        ASSERT_GT(scene.pid, 0);
        const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
        EXPECT_EQ(r.boxes, QStringList{"网络错误|下载超时" + retry});
        scene.expectUntouched(r);
    }
}

// An endless body stops at the size cap; on a full disk (a file-size limit
// here) the first failed write stops it. Either way the server is cut off
// long before it has sent everything.
TEST(HostileServer, EndlessBodiesStopAtTheCapOrTheFirstFailedWrite)
{
    constexpr qint64 endless = qint64(128) << 20;
    HttpAnswer flood;
    flood.endless = endless;
    {
        Worker::Limits limits;
        limits.maxDownload = qint64(4) << 20;
        const Bounds bounds(limits);
        Scene scene("b.bin", flood);
        ASSERT_GT(scene.pid, 0);
        const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
        EXPECT_EQ(r.boxes, QStringList{"下载错误|下载文件过大" + retry});
        scene.expectUntouched(r);
        EXPECT_LT(scene.server.fillerSent(), endless / 4);

        // A declared length past the cap is refused before any byte.
        HttpAnswer declared = body("x");
        declared.missingBytes = 8 << 20;
        Scene large("c.bin", declared);
        ASSERT_GT(large.pid, 0);
        const UpdateRun r2 = large.inst.run(large.server.url("/manifest.json"));
        EXPECT_EQ(r2.boxes, QStringList{"下载错误|下载文件过大" + retry});
        large.expectUntouched(r2);
    }
    {
        const Bounds bounds{Worker::Limits()};
        Scene scene("b.bin", flood);
        ASSERT_GT(scene.pid, 0);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit full = saved;
        full.rlim_cur = 8 << 20;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &full);
        const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(r.boxes, QStringList{"下载错误|写入下载文件错误" + retry});
        scene.expectUntouched(r);
        EXPECT_LT(scene.server.fillerSent(), endless / 4);
    }
}

// A gzip-encoded body is unpacked and checked: cut short while its declared
// length is met, or damaged, it is an incomplete download; whole, it installs.
TEST(HostileServer, GzipBodiesMustEndWithTheirTrailer)
{
    QByteArray plain;
    for (int i = 0; i < 20000; ++i)
        plain += QByteArray::number(i * 7919) + ' ';
    const QByteArray whole = gzipOf(plain);
    QByteArray damaged = whole;
    damaged[damaged.size() - 3] = char(damaged[damaged.size() - 3] ^ 0x55);  // the length in the trailer
    for (const QByteArray& cut : {whole.left(whole.size() / 2), whole.chopped(8), damaged}) {
        const Bounds bounds{Worker::Limits()};
        HttpAnswer a = body(cut);
        a.headers = {{"Content-Encoding", "gzip"}};
        Scene scene("b.txt", a);
        ASSERT_GT(scene.pid, 0);
        const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
        EXPECT_EQ(r.boxes, QStringList{"网络错误|下载文件不完整" + retry});
        scene.expectUntouched(r);
    }
    const Bounds bounds{Worker::Limits()};
    HttpAnswer a = body(whole);
    a.headers = {{"Content-Encoding", "gzip"}};
    Scene scene("b.txt", a);
    const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
    EXPECT_TRUE(r.boxes.isEmpty()) << r.boxes.join(";").toStdString();
    EXPECT_EQ(scene.inst.read("b.txt"), plain);
    EXPECT_EQ(scene.inst.read("a.txt"), "new a");
}

// A failed install puts back everything it replaced: old files and the old
// version file stay, "更新错误" is shown and the old version runs again.
TEST(HostileServer, FailedInstallPutsEveryReplacedFileBack)
{
    struct Case {
        const char* name;
        QString key;
        QByteArray data;
        std::function<void(Installation&)> prepare;
        QString box;
    } cases[] = {
        {"a folder path is a file", "sub/x.txt", "x", [](Installation& i) { i.write("sub", "a file"); },
         "更新错误|无法创建文件夹:"},
        {"an archive entry lands on a folder", "p.zip", buildZip({{"ok.txt", "ok"}, {"dir", "file"}}),
         [](Installation& i) { QDir().mkpath(i.file("dir/inner")); }, "更新错误|目标是文件夹:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene(c.key, body(c.data));
        ASSERT_GT(scene.pid, 0);
        c.prepare(scene.inst);
        const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
        ASSERT_EQ(r.boxes.size(), 1);
        EXPECT_TRUE(r.boxes[0].startsWith(c.box)) << r.boxes[0].toStdString();
        EXPECT_EQ(scene.inst.read("a.txt"), "old a");
        EXPECT_EQ(scene.inst.read("version.json"), scene.oldVersion);
        EXPECT_FALSE(scene.inst.exists("ok.txt"));
        // No staged or set-aside copies are left beside the files.
        EXPECT_EQ(QDir(scene.inst.path()).entryList(QDir::Files).filter(QRegularExpression("\\.(old-)?\\w{6}$")),
                  QStringList());
        EXPECT_FALSE(scene.inst.running(scene.pid));
        ASSERT_TRUE(scene.inst.waitForPids(2));
        EXPECT_TRUE(scene.inst.running(scene.inst.pids().at(1)));
    }
}

// A folder link inside the installation that points outside is not
// followed, neither by a plain file nor by an archive entry.
TEST(HostileServer, LinksInTheInstallationAreNotFollowedOutside)
{
    QTemporaryDir outside;
    for (const QString& key : {QStringLiteral("plugins/b.txt"), QStringLiteral("plugins/b.zip")}) {
        SCOPED_TRACE(key.toStdString());
        Scene scene(key, body(key.endsWith(".zip") ? buildZip({{"c.txt", "in zip"}}) : QByteArray("new b")));
        ASSERT_GT(scene.pid, 0);
        ASSERT_TRUE(QFile::link(outside.path(), scene.inst.file("plugins")));
        const UpdateRun r = scene.inst.run(scene.server.url("/manifest.json"));
        EXPECT_EQ(r.boxes, QStringList{"更新错误|路径指向安装目录之外:plugins" + retry});
        EXPECT_TRUE(QDir(outside.path()).isEmpty());
        EXPECT_EQ(scene.inst.read("a.txt"), "old a");
        EXPECT_EQ(scene.inst.read("version.json"), scene.oldVersion);
    }
}

// Version values that are JSON numbers compare as their digits.
TEST(HostileServer, NumericVersionsCompareAsDigits)
{
    TestHttpServer server;
    Installation inst;
    ASSERT_GT(inst.startProgram(), 0);
    const QByteArray source = server.url("/files/").toUtf8();
    inst.write("version.json", "{\"source\": \"" + source + "\", \"files\": {\"n.txt\": 9, \"same.txt\": 3}}");
    inst.write("n.txt", "old n");
    const QByteArray remote = "{\"source\": \"" + source + "\", \"files\": {\"n.txt\": 10, \"same.txt\": 3}}";
    server.file("/manifest.json", remote);
    server.file("/files/n.txt", "new n");
    const UpdateRun r = inst.run(server.url("/manifest.json"));
    EXPECT_TRUE(r.boxes.isEmpty()) << r.boxes.join(";").toStdString();
    EXPECT_EQ(inst.read("n.txt"), "new n");
    EXPECT_EQ(inst.read("version.json"), remote);
    EXPECT_FALSE(server.requests().contains("/files/same.txt"));
}
