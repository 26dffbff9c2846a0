// QQuorvexDll: the program's side of the screening dialog library. It loads
// "Quorvex.dll" once (libQuorvex.so here, through the platform layer), opens
// the dialog and answers the dialog's notifications.
//
// The dialog calls back synchronously from inside its own event handling on
// the GUI thread. The callback therefore neither blocks nor re-enters the
// library: it stores what it learned and leaves everything that waits on the
// user (its messages) and every re-emission to the event loop, after it has
// returned.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

#include "quorvex.h"

class QQuorvexDll : public QObject {
    Q_OBJECT
public:
    // The one instance, made on first use, destroyed at exit.
    static QQuorvexDll* instance();

    // GUI thread. Resolves quorvex_show1 anew and calls it; nothing (and no
    // message) when the library or its export is missing.
    void showDialog(QString appName, QString host, QString user, QString auth, int option);
    // GUI thread, inside the library's call: the host callback.
    static int32_t onNotify(NotifyMsg* msg);

    // Where the messages for the user go (a modal box by default, shown from
    // the event loop after the notification has returned).
    using MessageSink = std::function<void(const QString&)>;
    static void setMessageSink(MessageSink sink);

    static constexpr int kMaxStocks = 500;
    static constexpr int kMaxActionBytes = 128;

    // Pure pieces of the callback, for the web notifications and the tests.
    // The code of an item: at most 6 bytes up to the first NUL, as UTF-8.
    static QString itemCode(const NotifyStockItem& item);
    // A stock the program can list: a code of exactly six ASCII digits
    // before its NUL, on the Shanghai (1) or Shenzhen (2) market.
    static bool isKnownStock(const NotifyStockItem& item);
    // "key|period|params" cut to 128 bytes on a character boundary; null
    // texts count as "".
    static QString actionText(const NotifyConditionItem& item);

signals:
    void dataChange();
    void syncActionCmd(QString str);

private:
    QQuorvexDll();
    ~QQuorvexDll() override;
    int32_t notify(NotifyMsg* msg);
    void postMessage(const QString& text);

    void* library_ = nullptr;
};
