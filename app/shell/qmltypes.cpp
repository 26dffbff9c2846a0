#include "shell/qmltypes.h"

#include <QtQml>

#include "shell/httprequest.h"
#include "shell/httprequestfactory.h"
#include "shell/qbaseservice.h"
#include "shell/serverstatemodel.h"

// The order is the program's registration order. Each line is added when its
// type exists; the types of later screens plug in here.
void registerQmlTypes()
{
    qmlRegisterType<QBaseService>("QBaseService", 1, 0, "QBaseService");
    qmlRegisterType<ServerStateModel>("ServerStateModel", 1, 0, "ServerStateModel");
    qmlRegisterType<HttpRequest>("Network", 1, 0, "HttpRequest");
    qmlRegisterSingletonType<HttpRequestFactory>("Network", 1, 0, "HttpRequestFactory", &HttpRequestFactory::provider);
}
