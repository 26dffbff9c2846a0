// Helpers of tests against the local quote server: the program's quote engine
// on a running server, a wait for a condition while the event loop runs, and
// calls of QML functions.
#pragma once

#include <QMetaObject>
#include <QTest>
#include <QVariant>

#include "livequotes.h"
#include "serverprocess.h"
#include "shell/qmltypes.h"
#include "shell/quotethread.h"

namespace testsupport {

// Up to 15 s in 100 ms steps; true when the condition holds at the end.
template <class Pred>
bool waitFor(Pred done)
{
    for (int i = 0; i < 150 && !done(); ++i)
        QTest::qWait(100);
    return done();
}

// A QML function of o with no or one argument; its result.
inline QVariant callQml(QObject* o, const char* fn, const QVariant& a = QVariant())
{
    QVariant r;
    if (a.isValid())
        QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r), Q_ARG(QVariant, a));
    else
        QMetaObject::invokeMethod(o, fn, Q_RETURN_ARG(QVariant, r));
    return r;
}

// A local quote server, the program's QML types, and the quote engine's thread
// pointed at the server; the thread stops first when the object goes.
struct LiveQuoteEngine {
    QuoteServerProcess server;
    QuoteEngineThread thread;

    // False when the server did not start.
    bool start()
    {
        if (server.port() <= 0)
            return false;
        pointQuoteEngineAt(server.port());
        registerQmlTypes();
        thread.start();
        return true;
    }
    ~LiveQuoteEngine() { thread.stop(); }
};

}  // namespace testsupport
