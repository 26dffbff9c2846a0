// The screening request of CQuorvexDialog and the reading of its reply.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <cstdint>
#include <cstring>
#include <vector>

#include "quorvexdialog.h"

namespace {

constexpr size_t kCodeField = sizeof(NotifyStockItem::code);

// The market number of an `exchange_type` text read as atoi reads it
// (blanks, a sign, leading digits; 0 for a text without them); false when
// the number does not fit an int32.
bool marketNumber(const QByteArray& text, int* out)
{
    int i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > qint64(INT32_MAX) + 1)
            return false;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN)
        return false;
    *out = static_cast<int>(value);
    return true;
}

// The stock item of one reply element; false when the element is not an
// object with text `stock_code` (1 to 11 bytes, no NUL) and text
// `exchange_type` whose number fits an int32.
bool stockItem(const QJsonValue& element, NotifyStockItem* out)
{
    const QJsonObject o = element.toObject();
    const QJsonValue code = o.value(QLatin1String("stock_code")), market = o.value(QLatin1String("exchange_type"));
    if (!element.isObject() || !code.isString() || !market.isString())
        return false;
    const QByteArray bytes = code.toString().toUtf8();
    // An embedded NUL would reach the host as a shorter, different code.
    if (bytes.isEmpty() || static_cast<size_t>(bytes.size()) >= kCodeField || bytes.contains('\0'))
        return false;
    int number = 0;
    if (!marketNumber(market.toString().toLatin1(), &number))
        return false;
    std::memset(out, 0, sizeof *out);
    std::memcpy(out->code, bytes.constData(), static_cast<size_t>(bytes.size()));
    out->market = number;
    return true;
}

}  // namespace

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
