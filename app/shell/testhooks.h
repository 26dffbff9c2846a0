// Hooks that let tests and benchmarks drive the whole program without the
// back end. Each is read from the environment once at start-up and is off
// unless its variable is set:
//   TARVOLIN_TEST_LOGIN_JSON   JSON object stored as the login info (as a
//                              successful sign-in would)
//   TARVOLIN_TEST_SERVER_JSON  JSON object stored as the server addresses
//   TARVOLIN_TEST_LOGIN_QML    URL loaded instead of qrc:/qml/LoginView.qml
//   TARVOLIN_TEST_MAIN_QML     URL loaded instead of qrc:/qml/main.qml
//   TARVOLIN_TEST_STALLS       "1": from the first frame of each phase's
//                              window, a 2 ms timer on the GUI thread keeps
//                              the longest time between its ticks (the
//                              longest a frame could have waited) and the
//                              most processor time the thread spent within
//                              one (its own work); the end of the phase
//                              reports "stalls PHASE: longest N ms, busy M
//                              ms, peak memory K kB"
//   TARVOLIN_TEST_INPUT        "1": the documents of both phases see the
//                              context property TestInput, which sends key
//                              and mouse events into a window the way the
//                              window system hands in a user's input
//   TARVOLIN_TEST_QUIT         "now": the main event loop ends as soon as it
//                              runs; "blocked": the main event loop ends while
//                              the quote-engine thread waits in a delivery;
//                              "exposed": the first window's first expose
//                              ends the program
// While any is set, the program reports its progress as lines on standard
// output ("window", "main phase", "activated window=N", "quitting",
// "engine stopped" once the quote-engine thread has been joined, "exposed"
// after "web engine loaded" or "web engine not loaded").
// TestInput uses Qt's private window system interface, so it is built only
// with the CMake option TARVOLIN_TEST_HOOKS (on unless a build turns it off;
// scripts/test turns it on): without it TARVOLIN_TEST_INPUT publishes nothing.
#pragma once

#include <QByteArray>
#include <QUrl>

#include <QObject>
#include <QString>
#include <QVariantList>

class QQmlContext;
class QWindow;

// Input as a user gives it: key presses and releases, mouse moves, clicks and
// wheel turns go through the window system interface into a window, so that
// shortcuts, focus, hover and double clicks behave as with a real keyboard
// and mouse. Coordinates are the window's own. GUI thread.
class TestInput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // A key (Qt.Key_*) with modifiers (Qt.ControlModifier, ...) and its text.
    Q_INVOKABLE void key(QWindow* window, int key, int modifiers = 0, const QString& text = QString());
    // Every character of text as a key press and release.
    Q_INVOKABLE void type(QWindow* window, const QString& text);
    Q_INVOKABLE void move(QWindow* window, double x, double y);
    // button: Qt.LeftButton or Qt.RightButton (which also moves the system
    // pointer there, as context menus open at the pointer).
    Q_INVOKABLE void click(QWindow* window, double x, double y, int button = Qt::LeftButton);
    Q_INVOKABLE void doubleClick(QWindow* window, double x, double y);
    // A press at (x, y), moves to (x2, y2) and the release there; the points
    // stay where they were on the screen when the window moves meanwhile.
    Q_INVOKABLE void drag(QWindow* window, double x, double y, double x2, double y2);
    Q_INVOKABLE void wheel(QWindow* window, double x, double y, int angleDelta);
    // The shown top-level window with this title (a dialog the documents
    // cannot reach, such as a colour dialog), or null; it stays the
    // program's.
    Q_INVOKABLE QWindow* window(const QString& title) const;
    // The shown top-level windows called objectName, as a user sees them on
    // the screen (pop-ups and browser windows have no owner to ask).
    Q_INVOKABLE QVariantList windows(const QString& objectName) const;
};

struct TestHooks {
    static TestHooks fromEnvironment();

    // Fills the settings stores from the JSON variables.
    void fillStores() const;
    // Writes a progress line when hooks are active.
    void report(const char* line) const;
    // "exposed": reports and quits on the window's first expose.
    void watchFirstExpose(QWindow* window) const;
    // "now" and "blocked": arranges for the main event loop to end; for
    // "blocked" also connects a long-lived receiver (owned by holder) to the
    // bridge before the quote thread starts.
    void prepareMainPhase(QObject* holder) const;
    void armMainPhaseQuit() const;
    // With TARVOLIN_TEST_INPUT set: TestInput in the context.
    void publishInput(QQmlContext* context) const;
    // With TARVOLIN_TEST_STALLS set: starts measuring at the first frame of
    // the phase's window (root, or the window a root that is none made), and
    // reports what was measured at the end of `phase`.
    void watchStalls(QObject* root) const;
    void reportStalls(const char* phase) const;

    bool active = false;
    QByteArray loginJson, serverJson, quit;
    bool input = false;
    bool stalls = false;
    QUrl loginDocument, mainDocument;
};
