#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QQmlEngine>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVariant>

#include <cstring>
#include <vector>

#include "quote.h"
#include "databasehold.h"
#include "shell/datadir.h"
#include "shell/stockdictionary.h"

namespace {

using testsupport::DatabaseHold;

QuoteCodeInfo record(const char* code, int market, const char* name, int type, const char* pinyin)
{
    QuoteCodeInfo info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.code, code, std::min(std::strlen(code), sizeof info.code));
    std::memcpy(info.name, name, std::min(std::strlen(name), sizeof info.name));
    std::memcpy(info.pinyin, pinyin, std::min(std::strlen(pinyin), sizeof info.pinyin));
    info.market = static_cast<uint8_t>(market);
    info.type = static_cast<uint8_t>(type);
    return info;
}

struct Row {
    QString name, pinyin, active;
    int type;
};

bool readRow(const QString& code, int market, Row* row)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
    db.setDatabaseName(localStorageDatabaseFile(dataDirectory(), "qelm"));
    bool found = false;
    if (db.open()) {
        QSqlQuery q(db);
        q.prepare("SELECT name, type, pinyin, active FROM StockDictionary WHERE code=? AND market=?");
        q.addBindValue(code);
        q.addBindValue(market);
        if (q.exec() && q.next()) {
            *row = Row{q.value(0).toString(), q.value(2).toString(), q.value(3).toString(), q.value(1).toInt()};
            found = true;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("reader");
    return found;
}

}  // namespace

// The native side finds the same file the QML LocalStorage module writes.
TEST(StockDictionary, DatabaseFileIsTheOfflineStorageFile)
{
    QQmlEngine engine;
    engine.setOfflineStoragePath(dataDirectory());
    EXPECT_EQ(engine.offlineStorageDatabaseFilePath("qelm") + ".sqlite",
              localStorageDatabaseFile(dataDirectory(), "qelm"));
    EXPECT_TRUE(localStorageDatabaseFile("/d", "qelm")
                    .endsWith("/Databases/" +
                              QString(QCryptographicHash::hash("qelm", QCryptographicHash::Md5).toHex()) + ".sqlite"));
}

// Fields read within their widths, cut characters dropped, link values escaped.
TEST(StockDictionary, RowsFromCodeRecords)
{
    const std::string fullName(64, 'N');  // no terminator inside the field
    // "平安" is E5 B9 B3 E5 AE 89; cut after one byte of the second character.
    const char cut[] = "\xE5\xB9\xB3\xE5";
    const char cutTwo[] = "\xE5\xB9\xB3\xE5\xAE";  // two bytes of the second
    // 65 bytes: the 64-byte field ends two bytes into the last character.
    std::string long65 = "AB", kept = "AB";
    for (int i = 0; i < 21; ++i) {
        long65 += "行";
        kept += i < 20 ? "行" : "";
    }
    const struct {
        QuoteCodeInfo info;
        QString code, name, pinyin, active;
    } cases[] = {
        {record("600000", 1, "浦发银行", 2, "PFYH"), "600000", "浦发银行", "PFYH",
         "app://qml/qml/MQView.qml?code=600000&market=1#chart=default&type=2&name=浦发银行&pinyin=PFYH"},
        {record("ABCDEFGHIJKLMNOP", 2, fullName.c_str(), 1, "ABCDEFG"), "ABCDEFGHIJKLMNOP",
         QString::fromStdString(fullName), "ABCDEFG",
         "app://qml/qml/MQView.qml?code=ABCDEFGHIJKLMNOP&market=2#chart=default&type=1&name=" +
             QString::fromStdString(fullName) + "&pinyin=ABCDEFG"},
        {record("000001", 2, cut, 2, "PA"), "000001", "平", "PA",
         "app://qml/qml/MQView.qml?code=000001&market=2#chart=default&type=2&name=平&pinyin=PA"},
        {record("000003", 2, cutTwo, 2, "PA"), "000003", "平", "PA",
         "app://qml/qml/MQView.qml?code=000003&market=2#chart=default&type=2&name=平&pinyin=PA"},
        {record("600004", 1, long65.c_str(), 2, "PF"), "600004", QString::fromStdString(kept), "PF",
         "app://qml/qml/MQView.qml?code=600004&market=1#chart=default&type=2&name=" + QString::fromStdString(kept) +
             "&pinyin=PF"},
        {record("000002", 2, "A&B#C=D%E+F'G", 2, ""), "000002", "A&B#C=D%E+F'G", "",
         "app://qml/qml/MQView.qml?code=000002&market=2#chart=default&type=2&name=A%26B%23C%3DD%25E%2BF'G&pinyin="},
    };
    std::vector<QuoteCodeInfo> records;
    for (const auto& c : cases) {
        const StockDictionaryRow row = stockDictionaryRow(c.info);
        EXPECT_EQ(c.code, row.code);
        EXPECT_EQ(c.name, row.name);
        EXPECT_EQ(c.pinyin, row.pinyin);
        EXPECT_EQ(c.active, row.active);
        records.push_back(c.info);
    }

    ASSERT_TRUE(StockDictionary::instance()->write(records.data(), int(records.size())));
    Row row;
    ASSERT_TRUE(readRow("000002", 2, &row));
    EXPECT_EQ("A&B#C=D%E+F'G", row.name);  // an apostrophe is data, not SQL
    ASSERT_TRUE(readRow("ABCDEFGHIJKLMNOP", 2, &row));
    EXPECT_EQ(1, row.type);

    // A second list replaces rows with the same code and market, keeps the rest.
    const QuoteCodeInfo again = record("600000", 1, "浦发", 2, "PF");
    ASSERT_TRUE(StockDictionary::instance()->write(&again, 1));
    ASSERT_TRUE(readRow("600000", 1, &row));
    EXPECT_EQ("浦发", row.name);
    EXPECT_TRUE(readRow("000001", 2, &row));

    // The database is the user's alone.
    const QFile::Permissions p = QFile::permissions(localStorageDatabaseFile(dataDirectory(), "qelm"));
    EXPECT_FALSE(p & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
}

// A code list that comes while another program holds the database: the write
// answers at once, keeps the rows (a later list's row replacing an earlier
// one) and puts them in by itself once the lock goes.
TEST(StockDictionary, HeldDatabaseKeepsTheRowsForLater)
{
    StockDictionary* dictionary = StockDictionary::instance();
    const QuoteCodeInfo first = record("600000", 1, "浦发银行", 1, "PFYH");
    ASSERT_TRUE(dictionary->write(&first, 1));  // the table is there
    DatabaseHold hold("StockDictionaryHold");
    ASSERT_TRUE(hold.held());

    const QuoteCodeInfo list[] = {record("600010", 1, "包钢股份", 1, "BGGF"),
                                  record("000010", 2, "美丽生态", 1, "MLST")};
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(dictionary->write(list, 2)) << "written under an exclusive lock";
    const QuoteCodeInfo renamed = record("600010", 1, "北方稀土", 1, "BFXT");
    EXPECT_FALSE(dictionary->write(&renamed, 1));
    const qint64 waited = clock.elapsed();
    EXPECT_LT(waited, 1000) << "two writes under the lock waited " << waited << " ms";
    EXPECT_EQ(2, dictionary->pendingRows());

    hold.release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dictionary->pendingRows() == 0; }, 30000))
        << dictionary->pendingRows() << " rows still waiting after the lock went";
    Row row;
    ASSERT_TRUE(readRow("600010", 1, &row)) << "a row kept under the lock was lost";
    EXPECT_EQ("北方稀土", row.name);
    ASSERT_TRUE(readRow("000010", 2, &row)) << "a row kept under the lock was lost";
    EXPECT_EQ("美丽生态", row.name);
    ASSERT_TRUE(readRow("600000", 1, &row));
}
