#include "models/qquorvexdll.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QMessageBox>
#include <QTimer>

#include <cstring>

#include "models/qquorvexservice.h"
#include "platform/library.h"

namespace {

using ShowFn = void (*)(const char*, const char*, const char*, const char*, int32_t, NotifyCallback);

QQuorvexDll::MessageSink& messageSink()
{
    static QQuorvexDll::MessageSink sink = [](const QString& text) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), text, QMessageBox::Ok);
        box.exec();
    };
    return sink;
}

const char* orEmpty(const char* s)
{
    return s ? s : "";
}

// At most `max` bytes of UTF-8, cut back to the start of a character.
QByteArray cutUtf8(QByteArray text, int max)
{
    if (text.size() <= max)
        return text;
    int n = max;
    while (n > 0 && (uchar(text[n]) & 0xC0) == 0x80)
        --n;
    text.truncate(n);
    return text;
}

}  // namespace

QQuorvexDll* QQuorvexDll::instance()
{
    static QQuorvexDll* dll = [] {
        // Destroyed with the application, whose objects it talks to.
        qAddPostRoutine([] { delete dll; });
        return new QQuorvexDll;
    }();
    return dll;
}

QQuorvexDll::QQuorvexDll()
{
    // Loaded once and kept until exit; a failure shows when resolving.
    library_ = platform::load_library("Quorvex.dll");
}

QQuorvexDll::~QQuorvexDll() = default;  // the library stays loaded

void QQuorvexDll::setMessageSink(MessageSink sink)
{
    messageSink() = std::move(sink);
}

void QQuorvexDll::showDialog(QString appName, QString host, QString user, QString auth, int option)
{
    auto show = reinterpret_cast<ShowFn>(platform::library_symbol(library_, "quorvex_show1"));
    if (!show)
        return;
    show(appName.toUtf8().constData(), host.toUtf8().constData(), user.toUtf8().constData(), auth.toUtf8().constData(),
         option, &QQuorvexDll::onNotify);
}

int32_t QQuorvexDll::onNotify(NotifyMsg* msg)
{
    return instance()->notify(msg);
}

QString QQuorvexDll::itemCode(const NotifyStockItem& item)
{
    const size_t n = strnlen(item.code, 6);
    return QString::fromUtf8(item.code, int(n));
}

QString QQuorvexDll::actionText(const NotifyConditionItem& item)
{
    const QByteArray text =
        QByteArray(orEmpty(item.key)) + '|' + QByteArray::number(item.period) + '|' + QByteArray(orEmpty(item.params));
    return QString::fromUtf8(cutUtf8(text, kMaxActionBytes));
}

bool QQuorvexDll::isKnownStock(const NotifyStockItem& item)
{
    if (strnlen(item.code, sizeof item.code) != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        if (item.code[i] < '0' || item.code[i] > '9')
            return false;
    return item.market == 1 || item.market == 2;
}

void QQuorvexDll::postMessage(const QString& text)
{
    QTimer::singleShot(0, this, [text] { messageSink()(text); });
}

int32_t QQuorvexDll::notify(NotifyMsg* msg)
{
    if (!msg)
        return 1;
    const int count = msg->items ? std::max(0, int(msg->count)) : 0;
    switch (msg->type) {
    case NotifyStocks: {
        // Stocks the program cannot list are left out and counted; of the
        // rest the first 500 are kept.
        const auto* items = static_cast<const NotifyStockItem*>(msg->items);
        QJsonArray codes;
        int refused = 0, listed = 0;
        for (int i = 0; i < count; ++i) {
            if (!isKnownStock(items[i])) {
                ++refused;
                continue;
            }
            if (++listed <= kMaxStocks)
                codes.append(
                    QJsonObject{{"code", itemCode(items[i])}, {"market_id", QString::number(items[i].market)}});
        }
        if (listed > kMaxStocks)
            postMessage(QStringLiteral("选股结果超过500只,系统将截取保留前500只!请增加选股条件缩小范围!"));
        if (refused > 0)
            postMessage(QStringLiteral("选股结果中有%1只股票的代码或市场无法识别，已略去").arg(refused));
        if (codes.isEmpty()) {
            if (refused == 0)
                postMessage(QStringLiteral("没有符合条件的数据"));
            return 1;
        }
        const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
        {
            QQuorvexService service;  // reloads the file
            service.addGroup(service.freeGroupId(time), time, codes.toVariantList());
        }
        emit dataChange();  // services re-emit it from the event loop
        return 1;
    }
    case NotifyConditions: {
        const auto* items = static_cast<const NotifyConditionItem*>(msg->items);
        for (int i = 0; i < count; ++i) {
            emit syncActionCmd(actionText(items[i]));
        }
        return 1;
    }
    default:
        return 1;
    }
}
