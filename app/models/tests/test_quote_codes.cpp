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
    const QString source = QString::fromUtf8(file.readAll())
                               .remove(QRegularExpression("^\\.[^\\n]*", QRegularExpression::MultilineOption));
    QJSEngine js;
    const QJSValue result = js.evaluate(source, "QuoteCodes.js");
    ASSERT_FALSE(result.isError()) << result.toString().toStdString();

#define PERIOD(n)                      \
    {                                  \
        "PERIOD_" #n, QUOTE_PERIOD_##n \
    }
#define KLINE(n)                            \
    {                                       \
        "KLINE_" #n, QUOTE_PERIOD_KLINE_##n \
    }
#define REPLY(n)                     \
    {                                \
        "REPLY_" #n, QUOTE_REPLY_##n \
    }
#define FIELD(n)                     \
    {                                \
        "FIELD_" #n, QUOTE_FIELD_##n \
    }
    const struct {
        const char* name;
        int value;
    } codes[] = {
        PERIOD(REALTIME),
        PERIOD(DETAIL),
        PERIOD(MINUTE),
        KLINE(DAY),
        KLINE(MIN1),
        KLINE(MIN5),
        KLINE(MIN15),
        KLINE(MIN30),
        KLINE(MIN60),
        KLINE(WEEK),
        KLINE(MONTH),
        {"KLINE_FIRST", QUOTE_PERIOD_KLINE_DAY},
        {"KLINE_LAST", QUOTE_PERIOD_KLINE_MONTH},
        REPLY(ERROR),
        REPLY(SERVER),
        REPLY(CODE_TABLE),
        REPLY(REALTIME),
        REPLY(MINUTE),
        REPLY(KLINE),
        REPLY(DETAIL),
        REPLY(DIVIDEND),
        REPLY(SMART_TIP),
        REPLY(PRICE_VOLUME),
        REPLY(RECEIVER),
        REPLY(MARKET_STATE),
        // Market-field ids, as the server numbers them
        FIELD(CODE),
        FIELD(AMOUNT),
        FIELD(VOLUME_RATIO),
        FIELD(RISE_RATE),
        FIELD(RATE_5MIN),
        FIELD(ORDER_RATIO),
        FIELD(AMPLITUDE),
    };
#undef PERIOD
#undef KLINE
#undef REPLY
#undef FIELD
    for (const auto& c : codes) {
        const QJSValue v = js.globalObject().property(c.name);
        EXPECT_TRUE(v.isNumber()) << c.name << " is missing from js/QuoteCodes.js";
        EXPECT_EQ(v.toInt(), c.value) << c.name;
    }
}
