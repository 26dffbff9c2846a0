#include "shell/httprequestfactory.h"

#include <QQmlEngine>

#include "shell/httprequest.h"

HttpRequestFactory::HttpRequestFactory(QQmlEngine* engine) : QObject(engine), engine_(engine) {}

HttpRequest* HttpRequestFactory::create()
{
    auto* request = new HttpRequest(engine_ ? engine_->networkAccessManager() : nullptr);
    QQmlEngine::setObjectOwnership(request, QQmlEngine::JavaScriptOwnership);
    return request;
}

QObject* HttpRequestFactory::provider(QQmlEngine* engine, QJSEngine*)
{
    return new HttpRequestFactory(engine);
}
