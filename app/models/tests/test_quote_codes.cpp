#include <gtest/gtest.h>

#include <QFile>
#include <QJSEngine>
#include <QRegularExpression>

#include "quote.h"

// The documents' copy of the quote library's numbers (js/QuoteCodes.js)
// holds the values quote.h gives them.
TEST(QuoteCodes, ScriptMirrorsTheHeader)
{
    QFile file(":/qml/js/QuoteCodes.js");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "js/QuoteCodes.js is not in the resources";
    // The module's pragma line is for the QML engine only.
    const QString source = QString::fromUtf8(file.readAll()).remove(QRegularExpression("^\\.[^\\n]*", QRegularExpression::MultilineOption));
    QJSEngine js;
    const QJSValue result = js.evaluate(source, "QuoteCodes.js");
    ASSERT_FALSE(result.isError()) << result.toString().toStdString();

    const struct { const char* name; int value; } codes[] = {
        {"PERIOD_REALTIME", QUOTE_PERIOD_REALTIME},   {"PERIOD_DETAIL", QUOTE_PERIOD_DETAIL},
        {"PERIOD_MINUTE", QUOTE_PERIOD_MINUTE},       {"KLINE_DAY", QUOTE_PERIOD_KLINE_DAY},
        {"KLINE_MIN1", QUOTE_PERIOD_KLINE_MIN1},      {"KLINE_MIN5", QUOTE_PERIOD_KLINE_MIN5},
        {"KLINE_MIN15", QUOTE_PERIOD_KLINE_MIN15},    {"KLINE_MIN30", QUOTE_PERIOD_KLINE_MIN30},
        {"KLINE_MIN60", QUOTE_PERIOD_KLINE_MIN60},    {"KLINE_WEEK", QUOTE_PERIOD_KLINE_WEEK},
        {"KLINE_MONTH", QUOTE_PERIOD_KLINE_MONTH},    {"KLINE_FIRST", QUOTE_PERIOD_KLINE_DAY},
        {"KLINE_LAST", QUOTE_PERIOD_KLINE_MONTH},     {"REPLY_ERROR", QUOTE_REPLY_ERROR},
        {"REPLY_SERVER", QUOTE_REPLY_SERVER},         {"REPLY_CODE_TABLE", QUOTE_REPLY_CODE_TABLE},
        {"REPLY_REALTIME", QUOTE_REPLY_REALTIME},     {"REPLY_MINUTE", QUOTE_REPLY_MINUTE},
        {"REPLY_KLINE", QUOTE_REPLY_KLINE},           {"REPLY_DETAIL", QUOTE_REPLY_DETAIL},
        {"REPLY_DIVIDEND", QUOTE_REPLY_DIVIDEND},     {"REPLY_SMART_TIP", QUOTE_REPLY_SMART_TIP},
        {"REPLY_PRICE_VOLUME", QUOTE_REPLY_PRICE_VOLUME}, {"REPLY_RECEIVER", QUOTE_REPLY_RECEIVER},
        {"REPLY_MARKET_STATE", QUOTE_REPLY_MARKET_STATE},
        // Market-field ids, as the server numbers them
        {"FIELD_AMOUNT", 11}, {"FIELD_VOLUME_RATIO", 33}, {"FIELD_RISE_RATE", 34},
        {"FIELD_RATE_5MIN", 36}, {"FIELD_ORDER_RATIO", 38}, {"FIELD_AMPLITUDE", 41},
    };
    for (const auto& c : codes) {
        const QJSValue v = js.globalObject().property(c.name);
        EXPECT_TRUE(v.isNumber()) << c.name << " is missing from js/QuoteCodes.js";
        EXPECT_EQ(v.toInt(), c.value) << c.name;
    }
}
