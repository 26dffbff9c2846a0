// CQuorvexApp: the library's application object, one per process, made on
// the first call of an entry point and living until the host's application
// quits. It owns the dialog and the proxy that turns notifications into
// calls of the host callback.
#ifndef QUORVEX_QUORVEXAPP_H
#define QUORVEX_QUORVEXAPP_H

#include <QObject>
#include <memory>

#include "quorvex.h"

#include "quorvexdialog.h"

// The hidden receiver of quorvex_show1's notifications: calls the stored
// callback and answers 0 when it returned 1, else 1.
class CMsgProxy : public QObject {
    Q_OBJECT
public:
    static constexpr int kNotifyEvent = 0x401;  // in Qt's user range
    explicit CMsgProxy(QObject* parent) : QObject(parent) {}
    void SetCallback(NotifyCallback cb) { callback_ = cb; }
    NotifyCallback Callback() const { return callback_; }

protected:
    bool event(QEvent* e) override;

private:
    NotifyCallback callback_ = nullptr;
};

class CQuorvexApp : public QObject {
    Q_OBJECT
public:
    // GUI thread. The application object, made on first use; null when the
    // host runs no QApplication or the caller is not on its thread.
    static CQuorvexApp* Instance();

    // GUI thread. The two entry points; texts are UTF-8, null counts as empty.
    void Show1(const char* appName, const char* host, const char* user, const char* auth, int32_t option,
               NotifyCallback cb);
    void Show(const char* appName, const char* host, const char* user, const char* auth, QObject* target,
              uint32_t eventType);

    CQuorvexDialog* Dialog() const { return dialog_.get(); }
    CMsgProxy* Proxy() const { return proxy_; }

    // Ends the application object and its dialog, as the host's quitting does.
    static void Shutdown();

private:
    CQuorvexApp();
    ~CQuorvexApp() override;
    void entry(const char* appName, const char* host, const char* user, const char* auth, QObject* target,
               int eventType, int32_t option);

    std::unique_ptr<CQuorvexDialog> dialog_;
    CMsgProxy* proxy_ = nullptr;
};

// How names become a favourites file name: Encoded (one file per name) or
// the older Legacy scheme that collapsed every other byte to '_'.
enum class FavouritesName { Encoded, Legacy };

// The favourites file of an application and user, under the user's data
// location: <data>/Quorvex/<app>-<user>.dat with both names encoded.
// Empty when the data location is unknown.
QString favouritesPathFor(const QString& appName, const QString& user, FavouritesName scheme = FavouritesName::Encoded);

#endif
