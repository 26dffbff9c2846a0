// The text cipher against vectors from the openssl command line:
//   printf '%s' TEXT | openssl enc -des-ede3-cbc -K <hex of the key> -iv <hex of the IV> | xxd -p
#include <gtest/gtest.h>

#include <QStringList>

#include "shell/qcrypto.h"

namespace {

QStringList* g_messages = nullptr;

void collect(QtMsgType, const QMessageLogContext&, const QString& msg)
{
    if (g_messages)
        g_messages->append(msg);
}

// Collects qWarning texts while it lives.
struct Messages {
    QStringList list;
    QtMessageHandler old;
    Messages() : old(qInstallMessageHandler(collect)) { g_messages = &list; }
    ~Messages()
    {
        g_messages = nullptr;
        qInstallMessageHandler(old);
    }
};

TEST(QCrypto, OpensslVectorsBothWays)
{
    const struct {
        const char* plain;
        const char* hex;
    } cases[] = {
        {"hello", "38b9f3f3400c798f"},
        {"", "0e4f2f0d177137e3"},                               // one block of padding
        {"密码abc123!@#", "a810eb2099b5cc1dfbc27e161f955ac8"},  // UTF-8 both ways
        {"exactly8", "75b10ff884fc6b7c850cdfef55dc9f22"},       // a whole block of padding
    };
    QCrypto c;
    for (const auto& v : cases) {
        const QString plain = QString::fromUtf8(v.plain);
        const QString hex = QString::fromLatin1(v.hex);
        EXPECT_EQ(c.encode(plain).toString(), hex) << v.plain;
        EXPECT_EQ(c.decode(hex).toString(), plain) << v.hex;
        EXPECT_EQ(c.decode(hex.toUpper()).toString(), plain) << "upper case " << v.hex;
    }
    for (const QString& s : {QStringLiteral("p@ss w0rd ~`|\\\"'"), QString(300, QLatin1Char('x'))})
        EXPECT_EQ(c.decode(c.encode(s).toString()).toString(), s);
}

TEST(QCrypto, BadCipherTexts)
{
    QCrypto c;
    {
        // Not a whole number of blocks, no block at all, a padding that does
        // not check out (openssl -d says "bad decrypt" too).
        Messages m;
        for (const char* hex : {"38b9f3f3400c79", "", "38b9f3f3400c798e"})
            EXPECT_EQ(c.decode(QString::fromLatin1(hex)).toString(), QString()) << hex;
        EXPECT_EQ(m.list, QStringList({"cipher final error", "cipher final error", "cipher final error"}));
    }
    {
        // Not hex pairs: refused before any deciphering.
        Messages m;
        for (const char* hex : {"38b9f3f3400c798", "38b9f3f3400c798g", "38b9f3f3-00c798f", "０e4f2f0d177137e3"})
            EXPECT_EQ(c.decode(QString::fromUtf8(hex)).toString(), QString()) << hex;
        EXPECT_TRUE(m.list.isEmpty()) << m.list.join('|').toStdString();
    }
}

}  // namespace
