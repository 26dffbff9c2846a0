// The screening request of CQuorvexDialog and the reading of its reply.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "quorvexdialog.h"

namespace {

constexpr size_t kCodeField = sizeof(NotifyStockItem::code);

// The stock item of one reply element; false when the element is not an
// object with text `stock_code` (1 to 11 bytes) and text `exchange_type`.
bool stockItem(const QJsonValue& element, NotifyStockItem* out)
{
    const QJsonObject o = element.toObject();
    const QJsonValue code = o.value(QLatin1String("stock_code")), market = o.value(QLatin1String("exchange_type"));
    if (!element.isObject() || !code.isString() || !market.isString())
        return false;
    const QByteArray bytes = code.toString().toUtf8();
    if (bytes.isEmpty() || static_cast<size_t>(bytes.size()) >= kCodeField)
        return false;
    std::memset(out, 0, sizeof *out);
    std::memcpy(out->code, bytes.constData(), static_cast<size_t>(bytes.size()));
    // Read as atoi does: leading digits, 0 for a text without them.
    const QByteArray m = market.toString().toLatin1();
    out->market = std::atoi(m.constData());
    return true;
}

} // namespace

QByteArray CQuorvexDialog::RequestBody() const
{
    QJsonArray conditions;
    for (const ScreeningCondition& c : conditions_) {
        // The service spells the period key "fml_peroid".
        conditions.append(QJsonObject{{QStringLiteral("fml_name"), QString::fromUtf8(c.fmlName)},
                                      {QStringLiteral("fml_params"), QString::fromUtf8(c.fmlParams)},
                                      {QStringLiteral("fml_peroid"), c.period},
                                      {QStringLiteral("fml_type"), c.fmlType}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("conditions"), conditions}}).toJson(QJsonDocument::Compact);
}

void CQuorvexDialog::setBusy(bool busy)
{
    screenButton_->setEnabled(!busy);
    screenButton_->setText(busy ? QStringLiteral("Quorvex中...") : QStringLiteral("选股"));
}

void CQuorvexDialog::Screen()
{
    if (conditions_.isEmpty()) {
        message(QStringLiteral("请先添加选股条件"));
        return;
    }
    if (HasNotifyTarget()) {
        // The records point into a copy of the conditions (shared, not
        // copied), which stays put even if the host edits the list meanwhile.
        const QVector<ScreeningCondition> sent = conditions_;
        std::vector<NotifyConditionItem> items;
        items.reserve(static_cast<size_t>(sent.size()));
        for (const ScreeningCondition& c : sent)
            items.push_back({reinterpret_cast<const char16_t*>(c.tmpl.title.utf16()), c.fmlName.constData(),
                             c.fmlParams.constData(), c.period, c.fmlType});
        if (Notify(NotifyConditions, static_cast<int>(items.size()), items.data()) == 1)
            return;
    }
    FCHttpRequestHeader h;
    h.verb = FCHttpRequestHeader::Post;
    h.url = host_ + QStringLiteral("/api/230050");
    h.body = RequestBody();
    h.headers = tokenHeader();
    screenTask_ = AddRequest(h);
    setBusy(true);
}

void CQuorvexDialog::finishScreening(FCHttpRequest& request)
{
    screenTask_ = 0;
    setBusy(false);
    const int status = FinishedStatus(request);
    if (status == 200)
        readReply(ReceiveBody(request));
    else if (status == -1)
        message(QStringLiteral("调用选股服务失败,请检查网络设置"));
    else
        message(QStringLiteral("调用选股服务失败, 错误代码: %1").arg(status));
}

void CQuorvexDialog::readReply(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        message(QStringLiteral("解析结果错误"));
        return;
    }
    const QJsonObject reply = doc.object();
    const QJsonValue code = reply.value(QLatin1String("code"));
    if (!code.isString() || code.toString() != QLatin1String("0000")) {
        const QJsonValue msg = reply.value(QLatin1String("msg"));
        message(QStringLiteral("执行选股失败:%1").arg(msg.isString() ? msg.toString() : QString()));
        return;
    }
    const QJsonValue result = reply.value(QLatin1String("result"));
    std::vector<NotifyStockItem> items;
    if (result.isArray()) {
        const QJsonArray list = result.toArray();
        items.reserve(static_cast<size_t>(list.size()));
        NotifyStockItem item;
        for (const QJsonValue& element : list) {
            if (stockItem(element, &item))
                items.push_back(item);
        }
    }
    if (items.empty()) {
        message(QStringLiteral("无选股结果"));
        return;
    }
    Notify(NotifyStocks, static_cast<int>(items.size()), items.data());
}
