// What the whole-program tests share: a virtual display of their own, the two
// local servers on free loopback ports, the program's environment with the
// demo documents of app/e2e/, processes read line by line, and whole-screen
// grabs (so pop-up menus and tool windows show).
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

#include "serverprocess.h"

namespace testsupport {

// Reads p line by line (each line trimmed and kept in log) until a line
// satisfies match, for up to ms; the line, or a null string on time-out or
// when p ends first (what p still had is then kept in log).
QString readUntil(QProcess& p, QStringList& log, const std::function<bool(const QString&)>& match, int ms);

// A process whose output is kept and searched line by line; terminated (then
// killed) when it goes.
class LineProcess {
public:
    void start(const QString& program, const QStringList& args, const QProcessEnvironment& env,
               QProcess::ProcessChannelMode mode = QProcess::MergedChannels);
    ~LineProcess();
    // Waits for a line holding text; returns it from there on (empty on time-out).
    QString waitFor(const QString& text, int ms);
    // Waits for the process to end; keeps what it still wrote.
    bool finishWithin(int ms);
    int exitCode() const { return process_.exitCode(); }
    QString output() const { return lines_.join('\n'); }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    QStringList lines_;
};

// <build>/screenshots.
QString screenshotDir();
// Makes screenshotDir() and removes the named files from it: a shot left by an
// earlier run must not pass for this run's.
void clearScreenshots(const QStringList& names);
// A file URL of app/e2e/<name>.
QString e2eDocument(const char* name);
// <build>/bin/Tarvolin.
QString programPath();

// Xvfb, openbox and xprop are installed (and, when grabs are wanted,
// ImageMagick's import).
bool canRunVirtualDisplay(bool grabs = false);

// An Xvfb display of its own, 24 bits deep, managed by openbox so that windows
// are placed, decorated and focused as on a desktop; Xvfb prints its number on
// the descriptor given. Ends with the object.
class VirtualDisplay {
public:
    explicit VirtualDisplay(QSize size = QSize(1280, 800));
    // ":N", or empty when three displays in turn failed: Xvfb did not report
    // a number or openbox did not take it within 30 s.
    QString name() const { return name_; }
    // What went wrong with each display given up, then what the last Xvfb
    // and openbox wrote.
    QString output() const;

private:
    // Starts one display; empty when it is ready, else what went wrong.
    QString start(QSize size);

    std::unique_ptr<LineProcess> xvfb_;
    std::unique_ptr<LineProcess> wm_;  // ends before its display
    QString name_;
    QString why_;
};

// The local quote server and the back end that signs in against it, each on
// a free loopback port. quote may be reset to take the quote server away.
struct LocalServers {
    LocalServers();
    bool started() const { return quote->port() > 0 && backend && backend->port() > 0; }
    // "http://127.0.0.1:<backend port>" (no trailing slash).
    QString backendUrl() const;

    std::unique_ptr<QuoteServerProcess> quote;
    std::unique_ptr<ServerProcess> backend;
};

// The body of a GET of url, or of a form POST when post is given; empty when
// the request fails. Waits in a local event loop, as a test's set-up may.
QByteArray fetchBody(const QString& url, const QByteArray& post = QByteArray());

// The program's environment on display: xcb with software drawing, WebEngine
// without its sandbox, the back end at controlUrl, signed in by DemoLogin.qml
// and then driven by app/e2e/<mainDocument>.
QProcessEnvironment programEnvironment(const QString& display, const QString& controlUrl, const char* mainDocument);

// The number of colours among every other pixel of every other row of r in
// image: a screenshot that shows something holds many.
int distinctColours(const QImage& image, QRect r);

// Grabs the whole of display into path (through a part file, so a reader never
// sees half a PNG); true when the file is there.
bool grabScreen(const QString& display, const QString& path);

// Input as the X server sees it (through its XTEST extension), so that the
// window manager reacts as to a person: a left click at the screen point at
// (raising and focusing what is under it), or text typed key by key (ASCII
// letters, digits, "\n" for Return and "\b" for BackSpace) into the window with the X focus.
// False when libX11/libXtst are missing or the display cannot be opened.
bool clickScreen(const QString& display, QPoint at);
bool typeOnScreen(const QString& display, const QString& text);
// Keys held together, named by their keysyms ("Alt_L+F4"): pressed in order,
// released in reverse.
bool chordOnScreen(const QString& display, const QString& keys);

// The time a whole tour may take, start to quit: about a minute on a quiet
// machine, several with every core busy (each step still waits for its
// state, 20 s at most). ctest gives e2e tests 30 s more (cmake/testlabels.cmake).
constexpr int kTourBudgetMs = 270000;

// What a tour document reported: every line the program wrote, the
// "tour: FAIL ..." lines, whether it said "tour: done", and whether the program
// ended within kTourBudgetMs.
struct TourRun {
    QStringList log, failures;
    bool done = false;
    bool quit = false;
};

// Reads program's lines until it ends or kTourBudgetMs less 5 s on clock have
// passed, handing each "tour: " step other than FAIL and done to onStep (which
// may add to run.failures); then gives it up to kTourBudgetMs less 2 s to end.
void runTour(QProcess& program, const QElapsedTimer& clock, TourRun& run,
             const std::function<void(const QString&)>& onStep);

// Starts the program on display with the tour document of app/e2e/ and its
// test input, writing its shots into dir (emptied first).
void startTour(QProcess& program, const QString& display, const LocalServers& servers, const char* document,
               const QString& dir);

// The checks every tour ends with: it said done with no FAIL line, and the
// program ended by itself, cleanly, within kTourBudgetMs on clock. Fatal
// when it is still running: call under ASSERT_NO_FATAL_FAILURE.
void expectTourEnded(const TourRun& run, const QProcess& program, const QElapsedTimer& clock);

// What every tour test sets up: its clock, its own local servers, a virtual
// display of the screen's size and the program on the tour document
// app/e2e/<document>, its shots in <build>/screenshots/<folder>/<w>x<h>/.
// Members go in reverse: the program before the display and the servers.
struct Tour {
    QElapsedTimer clock;
    std::unique_ptr<LocalServers> servers;
    std::unique_ptr<VirtualDisplay> display;
    QString dir;
    QProcess program;
    TourRun run;

    // Fatal when the servers or the display do not start: call under
    // ASSERT_NO_FATAL_FAILURE.
    void start(QSize screen, const char* document, const char* folder);
};

// The name of a tour's screen parameter: "1280x800".
std::string screenName(QSize screen);

}  // namespace testsupport
