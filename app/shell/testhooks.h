// Hooks that let tests and benchmarks drive the whole program without the
// back end. Each is read from the environment once at start-up and is off
// unless its variable is set:
//   TARVOLIN_TEST_LOGIN_JSON   JSON object stored as the login info (as a
//                              successful sign-in would)
//   TARVOLIN_TEST_SERVER_JSON  JSON object stored as the server addresses
//   TARVOLIN_TEST_LOGIN_QML    URL loaded instead of qrc:/qml/LoginView.qml
//   TARVOLIN_TEST_MAIN_QML     URL loaded instead of qrc:/qml/main.qml
//   TARVOLIN_TEST_QUIT         "now": the main event loop ends as soon as it
//                              runs; "blocked": the main event loop ends while
//                              the quote-engine thread waits in a delivery;
//                              "exposed": the first window's first expose
//                              ends the program
// While any is set, the program reports its progress as lines on standard
// output ("window", "main phase", "activated window=N", "quitting",
// "exposed").
#pragma once

#include <QByteArray>
#include <QUrl>

class QObject;
class QWindow;

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

    bool active = false;
    QByteArray loginJson, serverJson, quit;
    QUrl loginDocument, mainDocument;
};
