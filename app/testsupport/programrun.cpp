#include "programrun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLibrary>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace testsupport {

QString readUntil(QProcess& p, QStringList& log, const std::function<bool(const QString&)>& match, int ms)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        while (p.canReadLine()) {
            const QString line = QString::fromUtf8(p.readLine()).trimmed();
            log << line;
            if (match(line))
                return line;
        }
        const int left = ms - static_cast<int>(timer.elapsed());
        if (left <= 0 || p.state() == QProcess::NotRunning) {
            for (const QByteArray& rest : p.readAll().split('\n'))
                if (!rest.trimmed().isEmpty())
                    log << QString::fromUtf8(rest).trimmed();
            return QString();
        }
        p.waitForReadyRead(std::min(left, 100));
    }
}

void LineProcess::start(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                        QProcess::ProcessChannelMode mode)
{
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(mode);
    process_.start(program, args);
}

LineProcess::~LineProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

QString LineProcess::waitFor(const QString& text, int ms)
{
    const QString line = readUntil(
        process_, lines_, [&](const QString& l) { return l.contains(text); }, ms);
    return line.isNull() ? QString() : line.mid(line.indexOf(text));
}

bool LineProcess::finishWithin(int ms)
{
    const bool done = process_.waitForFinished(ms);
    lines_ << QString::fromUtf8(process_.readAll()).split('\n');
    return done;
}

QString screenshotDir()
{
    return QDir::cleanPath(QString(TARVOLIN_BIN_DIR) + "/../screenshots");
}

QString e2eDocument(const char* name)
{
    return QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/e2e/" + name).toString();
}

void clearScreenshots(const QStringList& names)
{
    QDir().mkpath(screenshotDir());
    for (const QString& name : names)
        QFile::remove(screenshotDir() + "/" + name);
}

QString programPath()
{
    return QString(TARVOLIN_BIN_DIR) + "/Tarvolin";
}

bool canRunVirtualDisplay(bool grabs)
{
    return !QStandardPaths::findExecutable("Xvfb").isEmpty() && !QStandardPaths::findExecutable("openbox").isEmpty() &&
           !QStandardPaths::findExecutable("xprop").isEmpty() &&
           (!grabs || !QStandardPaths::findExecutable("import").isEmpty());
}

VirtualDisplay::VirtualDisplay(QSize size)
{
    // A display whose window manager never takes it (seen now and then on a
    // busy machine, openbox running but not yet connected after a minute) is
    // given up and a new one started.
    for (int attempt = 1; attempt <= 3 && name_.isEmpty(); ++attempt) {
        wm_.reset();
        xvfb_.reset();
        const QString why = start(size);
        if (!why.isEmpty())
            why_ += QString("attempt %1: %2\n").arg(attempt).arg(why);
    }
}

QString VirtualDisplay::output() const
{
    return why_ + (xvfb_ ? xvfb_->output() : QString()) + "\n" + (wm_ ? wm_->output() : QString());
}

QString VirtualDisplay::start(QSize size)
{
    // Generous bounds: on a busy machine Xvfb and openbox each take seconds.
    const int kStartMs = 30000;
    xvfb_ = std::make_unique<LineProcess>();
    wm_ = std::make_unique<LineProcess>();
    const QString screen = QString("%1x%2x24").arg(size.width()).arg(size.height());
    xvfb_->start(QStandardPaths::findExecutable("Xvfb"),
                 {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"},
                 QProcessEnvironment::systemEnvironment(), QProcess::ForwardedErrorChannel);
    const QString number = xvfb_->waitFor("", kStartMs).trimmed();
    if (number.isEmpty())
        return "Xvfb reported no display number";
    const QString display = ":" + number;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    wm_->start(QStandardPaths::findExecutable("openbox"), {"--sm-disable"}, env);
    // The window manager has taken the display once the root window names its
    // check window; asked again until it does (each answer ends its line only
    // when xprop ends, so a watching xprop would never say it).
    QElapsedTimer clock;
    clock.start();
    QString lastAnswer;
    while (clock.elapsed() < kStartMs && wm_->process().state() != QProcess::NotRunning) {
        QProcess ask;
        ask.setProcessEnvironment(env);
        ask.setProcessChannelMode(QProcess::MergedChannels);
        ask.start(QStandardPaths::findExecutable("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"});
        if (!ask.waitForFinished(kStartMs))
            continue;
        lastAnswer = QString::fromLocal8Bit(ask.readAll()).trimmed();
        if (lastAnswer.contains("window id")) {
            name_ = display;
            return QString();
        }
    }
    const bool ended = wm_->process().state() == QProcess::NotRunning;
    wm_->finishWithin(0);
    return QString("openbox %1 on %2 after %3 ms; xprop said: %4; openbox wrote: %5")
        .arg(ended ? "ended" : "did not take the display")
        .arg(display)
        .arg(clock.elapsed())
        .arg(lastAnswer)
        .arg(wm_->output());
}

LocalServers::LocalServers() : quote(std::make_unique<QuoteServerProcess>())
{
    if (quote->port() > 0)
        backend = std::make_unique<ServerProcess>(
            "backend", std::vector<std::string>{"--quote-url", "tcp://127.0.0.1:" + std::to_string(quote->port()) +
                                                                   "/?auto_delay=1000&encrypt_key=varnoquel"});
}

QString LocalServers::backendUrl() const
{
    return QString("http://127.0.0.1:%1").arg(backend ? backend->port() : 0);
}

QByteArray fetchBody(const QString& url, const QByteArray& post)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QNetworkReply* reply = post.isNull() ? manager.get(request) : manager.post(request, post);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

QProcessEnvironment programEnvironment(const QString& display, const QString& controlUrl, const char* mainDocument)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_QUICK_BACKEND", "software");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("TARVOLIN_CONTROL_URL", controlUrl);
    env.insert("TARVOLIN_TEST_LOGIN_QML", e2eDocument("DemoLogin.qml"));
    env.insert("TARVOLIN_TEST_MAIN_QML", e2eDocument(mainDocument));
    return env;
}

int distinctColours(const QImage& image, QRect r)
{
    QSet<QRgb> colours;
    r = r.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); y += 2)
        for (int x = r.left(); x <= r.right(); x += 2)
            colours.insert(image.pixel(x, y) & 0xFFFFFF);
    return colours.size();
}

bool grabScreen(const QString& display, const QString& path)
{
    const QString part = path + ".part.png";
    return QProcess::execute("import", {"-display", display, "-window", "root", part}) == 0 &&
           QFile::rename(part, path);
}

namespace {

// The few Xlib and XTEST calls the screen input needs, loaded at run time so
// that the tests build without the X development files.
struct XInput {
    using OpenDisplay = void* (*)(const char*);
    using CloseDisplay = int (*)(void*);
    using Flush = int (*)(void*);
    using Sync = int (*)(void*, int);
    using StringToKeysym = unsigned long (*)(const char*);
    using KeysymToKeycode = unsigned char (*)(void*, unsigned long);
    using FakeMotion = int (*)(void*, int, int, int, unsigned long);
    using FakeButton = int (*)(void*, unsigned, int, unsigned long);
    using FakeKey = int (*)(void*, unsigned, int, unsigned long);

    QLibrary x11{"X11", 6}, xtst{"Xtst", 6};
    OpenDisplay open = nullptr;
    CloseDisplay close = nullptr;
    Flush flush = nullptr;
    Sync sync = nullptr;
    StringToKeysym keysym = nullptr;
    KeysymToKeycode keycode = nullptr;
    FakeMotion motion = nullptr;
    FakeButton button = nullptr;
    FakeKey key = nullptr;
    void* dpy = nullptr;

    explicit XInput(const QString& display)
    {
        open = reinterpret_cast<OpenDisplay>(x11.resolve("XOpenDisplay"));
        close = reinterpret_cast<CloseDisplay>(x11.resolve("XCloseDisplay"));
        flush = reinterpret_cast<Flush>(x11.resolve("XFlush"));
        sync = reinterpret_cast<Sync>(x11.resolve("XSync"));
        keysym = reinterpret_cast<StringToKeysym>(x11.resolve("XStringToKeysym"));
        keycode = reinterpret_cast<KeysymToKeycode>(x11.resolve("XKeysymToKeycode"));
        motion = reinterpret_cast<FakeMotion>(xtst.resolve("XTestFakeMotionEvent"));
        button = reinterpret_cast<FakeButton>(xtst.resolve("XTestFakeButtonEvent"));
        key = reinterpret_cast<FakeKey>(xtst.resolve("XTestFakeKeyEvent"));
        if (open && close && flush && sync && keysym && keycode && motion && button && key)
            dpy = open(display.toLatin1().constData());
    }
    ~XInput()
    {
        if (dpy) {
            sync(dpy, 0);
            close(dpy);
        }
    }
    bool ready() const { return dpy != nullptr; }
    // Presses and releases the key of the keysym named name.
    bool tap(const char* name)
    {
        const unsigned long sym = keysym(name);
        const unsigned code = sym ? keycode(dpy, sym) : 0;
        if (!code)
            return false;
        key(dpy, code, 1, 0);
        key(dpy, code, 0, 0);
        sync(dpy, 0);
        return true;
    }
};

}  // namespace

bool clickScreen(const QString& display, QPoint at)
{
    XInput x(display);
    if (!x.ready())
        return false;
    x.motion(x.dpy, -1, at.x(), at.y(), 0);
    x.button(x.dpy, 1, 1, 0);
    x.button(x.dpy, 1, 0, 0);
    x.sync(x.dpy, 0);
    return true;
}

bool typeOnScreen(const QString& display, const QString& text)
{
    XInput x(display);
    if (!x.ready())
        return false;
    for (const QChar c : text) {
        const QByteArray name = c == '\n'   ? QByteArray("Return")
                                : c == '\b' ? QByteArray("BackSpace")
                                            : QByteArray(1, c.toLatin1());
        if ((!c.isLetterOrNumber() || c.unicode() > 127) && c != '\n' && c != '\b')
            return false;
        if (!x.tap(name.constData()))
            return false;
    }
    return true;
}

bool chordOnScreen(const QString& display, const QString& keys)
{
    XInput x(display);
    if (!x.ready())
        return false;
    std::vector<unsigned> codes;
    for (const QString& name : keys.split('+')) {
        const unsigned long sym = x.keysym(name.toLatin1().constData());
        const unsigned code = sym ? x.keycode(x.dpy, sym) : 0;
        if (!code)
            return false;
        codes.push_back(code);
    }
    for (const unsigned code : codes)
        x.key(x.dpy, code, 1, 0);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        x.key(x.dpy, *it, 0, 0);
    x.sync(x.dpy, 0);
    return true;
}

void startTour(QProcess& program, const QString& display, const LocalServers& servers, const char* document,
               const QString& dir)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QProcessEnvironment env = programEnvironment(display, servers.backendUrl() + "/", document);
    env.insert("TARVOLIN_TEST_INPUT", "1");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(programPath(), {"--screenshots=" + dir});
}

void Tour::start(QSize screen, const char* document, const char* folder)
{
    clock.start();
    servers = std::make_unique<LocalServers>();
    ASSERT_TRUE(servers->started());
    display = std::make_unique<VirtualDisplay>(screen);
    ASSERT_FALSE(display->name().isEmpty()) << display->output().toStdString();
    dir = screenshotDir() + "/" + folder + "/" + QString::fromStdString(screenName(screen));
    startTour(program, display->name(), *servers, document, dir);
}

std::string screenName(QSize screen)
{
    return std::to_string(screen.width()) + "x" + std::to_string(screen.height());
}

void runTour(QProcess& program, const QElapsedTimer& clock, TourRun& run,
             const std::function<void(const QString&)>& onStep)
{
    while (clock.elapsed() < kTourBudgetMs - 5000 && program.state() != QProcess::NotRunning) {
        program.waitForReadyRead(200);
        while (program.canReadLine()) {
            const QString line = QString::fromUtf8(program.readLine()).trimmed();
            run.log << line;
            const int at = line.indexOf("tour: ");
            if (at < 0)
                continue;
            const QString text = line.mid(at + 6);
            if (text.startsWith("FAIL "))
                run.failures << text;
            else if (text.startsWith("done"))
                run.done = true;
            else
                onStep(text);
        }
    }
    run.quit = program.state() == QProcess::NotRunning ||
               program.waitForFinished(int(std::max<qint64>(1000, kTourBudgetMs - 2000 - clock.elapsed())));
    run.log << QString::fromUtf8(program.readAll());
}

void expectTourEnded(const TourRun& run, const QProcess& program, const QElapsedTimer& clock)
{
    const std::string output = run.log.join('\n').toStdString();
    EXPECT_TRUE(run.done) << output;
    EXPECT_TRUE(run.failures.isEmpty()) << run.failures.join('\n').toStdString() << "\n" << output;
    ASSERT_TRUE(run.quit) << "still running after " << kTourBudgetMs / 1000 << " s\n" << output;
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_LT(clock.elapsed(), kTourBudgetMs);
}

}  // namespace testsupport
