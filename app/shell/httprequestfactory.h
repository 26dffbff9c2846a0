// HttpRequestFactory: the QML singleton that makes HttpRequest objects bound
// to the network access manager of the engine that made the singleton. Each
// request belongs to the JavaScript engine and goes with its last reference.
#pragma once

#include <QObject>

class HttpRequest;
class QJSEngine;
class QQmlEngine;

class HttpRequestFactory : public QObject {
    Q_OBJECT
public:
    explicit HttpRequestFactory(QQmlEngine* engine);

    Q_INVOKABLE HttpRequest* create();

    // The singleton provider for qmlRegisterSingletonType.
    static QObject* provider(QQmlEngine* engine, QJSEngine* scriptEngine);

private:
    QQmlEngine* engine_;
};
