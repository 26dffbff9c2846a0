#include "shell/web/webprofile.h"

#include <QNetworkCookie>
#include <QString>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QtWebEngine/QQuickWebEngineProfile>

#include <memory>

#include "shell/web/hwebengineurlrequestinterceptor.h"

namespace {

// GUI thread only: the interceptor installed on the default profile.
std::unique_ptr<HWebEngineUrlRequestInterceptor>& installed()
{
    static std::unique_ptr<HWebEngineUrlRequestInterceptor> interceptor;
    return interceptor;
}

}  // namespace

// GUI thread.
void tarvolin_web_prepare_profile(const char* cookie_host)
{
    if (installed())
        return;
    installed() = std::make_unique<HWebEngineUrlRequestInterceptor>();
    QQuickWebEngineProfile* profile = QQuickWebEngineProfile::defaultProfile();
    profile->setUrlRequestInterceptor(installed().get());
    QNetworkCookie cookie("SoftwareFlags", HWebEngineUrlRequestInterceptor::kSoftwareFlags);
    cookie.setDomain(QString::fromUtf8(cookie_host ? cookie_host : ""));
    profile->cookieStore()->setCookie(cookie, QUrl());
}

// GUI thread.
void tarvolin_web_release_profile(void)
{
    if (!installed())
        return;
    QQuickWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    installed().reset();
}
