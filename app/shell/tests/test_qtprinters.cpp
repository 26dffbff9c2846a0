// The shared GoogleTest printers of Qt values: what a failed expectation
// shows for a text, a colour, bytes, a variant, JSON, geometry and a time.
#include <gtest/gtest.h>

#include <QTimeZone>

#include <string>
#include <vector>

namespace {

struct Printed {
    const char* what;
    std::string got;
    std::string want;
};

TEST(QtPrinters, ValuesPrintReadably)
{
    const QDateTime at(QDate(2026, 12, 9), QTime(9, 30, 0, 5), QTimeZone(8 * 3600));
    const std::vector<Printed> cases = {
        {"ASCII text", ::testing::PrintToString(QString("600000")), "\"600000\""},
        {"Chinese text as UTF-8", ::testing::PrintToString(QString::fromUtf8("涨幅")), "\"涨幅\""},
        {"quotes, backslash and controls escaped", ::testing::PrintToString(QString("a\"b\\c\nd\te") + QChar(0x1B)),
         "\"a\\\"b\\\\c\\nd\\te\\u001B\""},
        {"a character outside the BMP stays whole", ::testing::PrintToString(QString::fromUtf8("\xF0\x9F\x93\x88")),
         "\"\xF0\x9F\x93\x88\""},
        {"empty text", ::testing::PrintToString(QString()), "\"\""},
        {"bytes", ::testing::PrintToString(QByteArray("GET /\r\n\x01\xFF", 9)), "\"GET /\\x0D\\n\\x01\\xFF\""},
        {"long bytes cut", ::testing::PrintToString(QByteArray(205, 'a')),
         "\"" + std::string(200, 'a') + "\"... (205 bytes)"},
        {"opaque colour", ::testing::PrintToString(QColor(230, 0, 12)), "QColor(#e6000c)"},
        {"colour with alpha", ::testing::PrintToString(QColor(255, 0, 0, 128)), "QColor(#80ff0000)"},
        {"invalid colour", ::testing::PrintToString(QColor()), "QColor(invalid)"},
        {"point", ::testing::PrintToString(QPointF(1.5, -2)), "(1.5, -2)"},
        {"rectangle", ::testing::PrintToString(QRectF(10, 20, 300.25, 40)), "300.25x40 at (10, 20)"},
        {"integer rectangle", ::testing::PrintToString(QRect(0, 114, 400, 27)), "400x27 at (0, 114)"},
        {"size as a screen size", ::testing::PrintToString(QSize(1280, 800)), "1280x800"},
        {"time with its offset", ::testing::PrintToString(at), "2026-12-09T09:30:00.005+08:00"},
        {"invalid time", ::testing::PrintToString(QDateTime()), "QDateTime(invalid)"},
        {"JSON object", ::testing::PrintToString(QJsonValue(QJsonObject{{"code", "600000"}, {"market", 1}})),
         "{\"code\":\"600000\",\"market\":1}"},
        {"JSON text", ::testing::PrintToString(QJsonValue(QString::fromUtf8("股票池"))), "\"股票池\""},
        {"JSON undefined", ::testing::PrintToString(QJsonValue(QJsonValue::Undefined)), "undefined"},
        {"JSON number", ::testing::PrintToString(QJsonValue(0.25)), "0.25"},
        {"variant number", ::testing::PrintToString(QVariant(34)), "QVariant(int, 34)"},
        {"variant text", ::testing::PrintToString(QVariant(QString::fromUtf8("涨"))), "QVariant(QString, \"涨\")"},
        {"variant map", ::testing::PrintToString(QVariant(QVariantMap{{"a", 1}})), "QVariant(QVariantMap, {\"a\":1})"},
        {"variant colour", ::testing::PrintToString(QVariant(QColor("#00ff00"))), "QVariant(QColor, QColor(#00ff00))"},
        {"invalid variant", ::testing::PrintToString(QVariant()), "QVariant(invalid)"},
        {"a list of texts", ::testing::PrintToString(QStringList{"a", "b"}), "{ \"a\", \"b\" }"},
    };
    for (const Printed& c : cases)
        EXPECT_EQ(c.got, c.want) << c.what;
}

}  // namespace
