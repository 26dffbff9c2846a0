#include "quorvexapp.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QThread>

#include "filename.h"
#include "quorvexdialog.h"

namespace {
CQuorvexApp* g_app = nullptr;

QString utf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}
}  // namespace

bool CMsgProxy::event(QEvent* e)
{
    if (e->type() != kNotifyEvent)
        return QObject::event(e);
    auto* notify = static_cast<QuorvexNotifyEvent*>(e);
    notify->result = callback_ ? (callback_(notify->msg) == 1 ? 0 : 1) : 0;
    return true;
}

QString favouritesPathFor(const QString& appName, const QString& user, FavouritesName scheme)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    const QString dir = base + QStringLiteral("/Quorvex");
    QDir().mkpath(dir);
    const auto part = [scheme](const QString& s) {
        const std::string bytes = s.toStdString();
        return QString::fromStdString(scheme == FavouritesName::Legacy ? quorvex::sanitiseFileNamePart(bytes)
                                                                       : quorvex::encodeFileNamePart(bytes));
    };
    return dir + QLatin1Char('/') + part(appName) + QLatin1Char('-') + part(user) + QStringLiteral(".dat");
}

CQuorvexApp* CQuorvexApp::Instance()
{
    QApplication* host = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!host || QThread::currentThread() != host->thread()) {
        qWarning("Quorvex: call the entry points on the GUI thread of a running QApplication");
        return nullptr;
    }
    if (!g_app) {
        g_app = new CQuorvexApp;
        // The dialog goes while the application is still whole.
        QObject::connect(host, &QCoreApplication::aboutToQuit, g_app, &CQuorvexApp::Shutdown);
    }
    return g_app;
}

CQuorvexApp::CQuorvexApp() = default;

CQuorvexApp::~CQuorvexApp() = default;

void CQuorvexApp::Shutdown()
{
    delete g_app;
    g_app = nullptr;
}

void CQuorvexApp::Show1(const char* appName, const char* host, const char* user, const char* auth, int32_t option,
                        NotifyCallback cb)
{
    if (!proxy_) {
        // The proxy is ours, not a child of whatever window is active, so
        // notifications never depend on one.
        proxy_ = new CMsgProxy(this);
        proxy_->SetCallback(cb);
    }
    entry(appName, host, user, auth, proxy_, CMsgProxy::kNotifyEvent, option);
}

void CQuorvexApp::Show(const char* appName, const char* host, const char* user, const char* auth, QObject* target,
                       uint32_t eventType)
{
    const int type = eventType <= static_cast<uint32_t>(QEvent::MaxUser) ? static_cast<int>(eventType) : 0;
    entry(appName, host, user, auth, target, type, 0);
}

void CQuorvexApp::entry(const char* appName, const char* host, const char* user, const char* auth, QObject* target,
                        int eventType, int32_t option)
{
    if (!dialog_)
        dialog_ =
            std::make_unique<CQuorvexDialog>(favouritesPathFor(utf8(appName), utf8(user)), option,
                                             favouritesPathFor(utf8(appName), utf8(user), FavouritesName::Legacy));
    dialog_->SetNotifyTarget(target, eventType);
    dialog_->SetTexts(utf8(appName), utf8(host), utf8(user), utf8(auth));
    dialog_->StartTemplateDownload();
    dialog_->show();
    dialog_->raise();
}
