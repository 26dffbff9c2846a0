// HWebEngineUrlRequestInterceptor: marks every request of the web views with
// the client's edition (header SoftwareFlags) and a fixed desktop browser
// user agent, so the back end's pages render for this client. Start-up
// installs it on the web engine's default profile.
#pragma once

#include <QWebEngineUrlRequestInterceptor>

#include "shell/web/webprofile.h"

// Exported from libTarvolinWeb.so for the tests that drive it directly.
class TARVOLIN_WEB_EXPORT HWebEngineUrlRequestInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    static const char kSoftwareFlags[];
    static const char kUserAgent[];

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};
