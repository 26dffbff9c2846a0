// Helpers of the HTTP tests: a local back end per test, a recorder of a
// request's signals in their order, and a wait for a request's end that runs
// the event loop.
#pragma once

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTimer>

#include "serverprocess.h"
#include "shell/httprequest.h"

// Names of the request's signals as they come, progress signals left out.
class SignalLog {
public:
    explicit SignalLog(HttpRequest* r)
    {
        auto add = [this](const char* name) { return [this, name] { names << QString::fromLatin1(name); }; };
        QObject::connect(r, &HttpRequest::started, r, add("started"));
        QObject::connect(r, &HttpRequest::finished, r, add("finished"));
        QObject::connect(r, &HttpRequest::error, r, add("error"));
        QObject::connect(r, &HttpRequest::timeout, r, add("timeout"));
        QObject::connect(r, &HttpRequest::abort, r, add("abort"));
        QObject::connect(r, &HttpRequest::responseTextChanged, r, add("responseTextChanged"));
        QObject::connect(r, &HttpRequest::readyStateChanged, r, add("readyStateChanged"));
        QObject::connect(r, &HttpRequest::statusChanged, r, add("statusChanged"));
        QObject::connect(r, &HttpRequest::statusTextChanged, r, add("statusTextChanged"));
    }
    QStringList names;
};

// Runs the event loop until the request finishes, fails or times out
// (10 s at most); false when none of them came.
inline bool waitForEnd(HttpRequest* r, int ms = 10000)
{
    QEventLoop loop;
    bool ended = false;
    auto stop = [&] {
        ended = true;
        loop.quit();
    };
    const auto c1 = QObject::connect(r, &HttpRequest::finished, &loop, stop);
    const auto c2 = QObject::connect(r, &HttpRequest::error, &loop, stop);
    const auto c3 = QObject::connect(r, &HttpRequest::timeout, &loop, stop);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    QObject::disconnect(c3);
    return ended;
}

inline QJsonObject jsonOf(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

inline QString backendBase(const ServerProcess& server)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server.port());
}
