#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include "models/groupstore.h"
#include "models/qmystockservice.h"
#include "models/qstockpoolservice.h"
#include "shell/hfileio.h"

namespace {

// Two groups: "1" holds 600001/1 and 000002/2, "2" holds 600001/2 and 600003/1
// twice.
const char* const kTwoGroups = R"({"code":"0000","msg":"success","extra":7,"result":[
  {"group_id":"1","group_name":"自选股1","codes":[{"code":"600001","market_id":"1"},{"code":"000002","market_id":"2"}]},
  {"group_id":"2","group_name":"自选股2","codes":[{"code":"600001","market_id":"2"},{"code":"600003","market_id":"1"},
                                             {"code":"600003","market_id":"1"}]}]})";

// "code:market" of every item of group g, in order.
QString codesOf(const QVariant& json, int g)
{
    const QJsonArray codes =
        QJsonObject::fromVariantMap(json.toMap())["result"].toArray()[g].toObject()["codes"].toArray();
    QStringList out;
    for (const QJsonValue& v : codes)
        out << v["code"].toString() + ":" + v["market_id"].toString();
    return out.join(',');
}

class MyStockStore : public ::testing::Test {
protected:
    void SetUp() override { a.fromJson(kTwoGroups); }
    QMyStockService a, b;
};

}  // namespace

// The text-to-store rule: only a text that parses to an object replaces the
// store; keys other than "result" pass through.
TEST_F(MyStockStore, OnlyAnObjectReplacesTheStore)
{
    const QVariant before = a.getJson();
    for (const char* bad : {"[]", "", "{", "\"text\"", "42", "null", "{\"result\":[}"}) {
        a.fromJson(bad);
        EXPECT_EQ(a.getJson(), before) << "text " << bad;
    }
    EXPECT_EQ(b.getJson().toMap().value("extra").toInt(), 7);  // another instance, the same store
    a.fromJson(groupdoc::kDefaultText);
    EXPECT_EQ(QJsonDocument(QJsonObject::fromVariantMap(b.getJson().toMap())).toJson(QJsonDocument::Compact),
              QByteArray(R"({"code":"0000","msg":"success","result":[]})"));
}

// Lookups: the code exactly, market_id as base-10 text or a whole number
// (anything else 0), group_id as text (anything else "").
TEST_F(MyStockStore, LookupRules)
{
    a.fromJson(R"({"result":[{"group_id":7,"group_name":"n","codes":[{"code":"600009","market_id":1},
        {"code":"600010","market_id":"x"},{"code":"600011","market_id":" 01"},{"code":600012,"market_id":"1"}]},
        {"group_id":"7","group_name":"t","codes":[{"code":"600009","market_id":"1"}]}]})");
    struct Case {
        const char* code;
        int market;
        bool exists;
        int group;
    } cases[] = {
        {"600009", 1, true, 0},  // the number 1 reads as 1, as the quote tables read it
        {"600009", 0, false, -1}, {"600010", 0, true, 0}, {"600011", 1, true, 0},
        {"60001", 1, false, -1},  {"", 1, false, -1},     {"600012", 1, false, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(a.isExist(c.code, c.market).toBool(), c.exists) << c.code << "/" << c.market;
        const QVariant g = a.getGroup(c.code, c.market);
        EXPECT_EQ(g.isValid(), c.group >= 0) << c.code;
        if (c.group >= 0) {
            EXPECT_EQ(g.toMap().value("group_name").toString(), c.group == 0 ? "n" : "t") << c.code;
        }
    }
    EXPECT_EQ(a.getGroupIndex("7").toInt(), 1);
    EXPECT_EQ(a.getGroupIndex("").toInt(), 0);  // the number 7 reads as ""
    EXPECT_EQ(a.getGroupIndex("8").toInt(), -1);
}

// A hand-written market_id that is a number is the same stock as its text:
// adding it again to another group changes nothing, and the stored item
// carries the market as text like every item the program writes.
TEST_F(MyStockStore, NumberMarketIsTheSameStock)
{
    a.fromJson(R"({"result":[{"group_id":"1","group_name":"a","codes":[{"code":"600009","market_id":1},
        {"code":"000010","market_id":2.0},{"code":"000011","market_id":2.5}]},
        {"group_id":"2","group_name":"b","codes":[]}]})");
    QSignalSpy added(&a, &QMyStockService::updateMyStock);
    a.addStock(1, "600009", 1);
    a.addStock(1, "000010", 2);
    EXPECT_EQ(added.count(), 0);
    EXPECT_EQ(codesOf(a.getJson(), 0), "600009:1,000010:2,000011:0");
    EXPECT_EQ(codesOf(a.getJson(), 1), "");
    a.addStock(1, "000011", 2);  // 2.5 is no market: counted as 0, so 000011/2 is new
    EXPECT_EQ(codesOf(a.getJson(), 1), "000011:2");
}

// Groups of another shape are left out where a document is stored (a reply,
// a file): what is not a group object or a code item goes, the rest stays.
TEST_F(MyStockStore, EntriesOfAnotherShapeAreLeftOut)
{
    struct Case {
        const char* result;
        const char* groups;
    } cases[] = {
        // name|id|codes per group, ';' between groups
        {R"([null,{"group_id":"1","group_name":"a","codes":[{"code":"600000","market_id":"1"}]},42,"x"])",
         "a|1|600000:1"},
        {R"("自选股自选股")", ""},
        {R"(7)", ""},
        {R"(null)", ""},
        {R"({"group_id":"1"})", ""},
        {R"([{"group_id":"1","group_name":null,"codes":"abc"},{"group_id":"2","group_name":5,"codes":[null,1,"x",
             {"code":600001},{"code":"600002","market_id":"2"},["600003"]]}])",
         "|1|;5|2|600002:2"},
        {R"([{"group_id":"3","group_name":"无代码"}])", "无代码|3|"},
        {R"([[],{}])", "||"},
    };
    for (const Case& c : cases) {
        a.fromJson(QString(R"({"code":"0000","result":%1})").arg(c.result));
        const QJsonArray groups = QJsonObject::fromVariantMap(a.getJson().toMap())["result"].toArray();
        QStringList out;
        for (int g = 0; g < groups.size(); ++g)
            out << groups[g]["group_name"].toString() + "|" + groups[g]["group_id"].toString() + "|" +
                       codesOf(a.getJson(), g);
        EXPECT_EQ(out.join(';').toStdString(), c.groups) << "result " << c.result;
        EXPECT_TRUE(a.getJson().toMap().value("result").canConvert<QVariantList>()) << c.result;
    }
    // The stores as the quote tables read them hold the same.
    a.fromJson(R"({"result":[null,{"group_id":"9","group_name":"n","codes":[7,{"code":"600000","market_id":1}]}]})");
    const QJsonArray seen = GroupStore::tableSource()->groups(StockGroupSource::MyStock);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(QJsonDocument(seen).toJson(QJsonDocument::Compact),
              QByteArray(R"([{"codes":[{"code":"600000","market_id":"1"}],"group_id":"9","group_name":"n"}])"));
}

// Add at the front, one group per stock, only inside the group list; remove the
// first match only; rename without a signal; the signal only from the actor.
TEST_F(MyStockStore, EditsAndTheirSignal)
{
    QSignalSpy sa(&a, &QMyStockService::updateMyStock), sb(&b, &QMyStockService::updateMyStock);
    a.addStock(0, "600000", 1);
    EXPECT_EQ(codesOf(b.getJson(), 0), "600000:1,600001:1,000002:2");
    EXPECT_EQ(sa.count(), 1);
    EXPECT_EQ(sb.count(), 0);

    a.addStock(1, "000002", 2);  // already in group 0
    a.addStock(2, "600100", 1);  // index == number of groups
    a.addStock(-1, "600100", 1);
    EXPECT_EQ(codesOf(a.getJson(), 0), "600000:1,600001:1,000002:2");
    EXPECT_EQ(codesOf(a.getJson(), 1), "600001:2,600003:1,600003:1");
    EXPECT_EQ(sa.count(), 1);

    b.removeStock("600003", 1);
    EXPECT_EQ(codesOf(a.getJson(), 1), "600001:2,600003:1");
    b.removeStock("600001", 2);
    EXPECT_EQ(codesOf(a.getJson(), 1), "600003:1");
    b.removeStock("699999", 1);  // no match: nothing, no signal
    EXPECT_EQ(sb.count(), 2);
    EXPECT_EQ(sa.count(), 1);

    EXPECT_EQ(a.renameGroup(1, "长线").toString(), "2");
    EXPECT_FALSE(a.renameGroup(2, "x").isValid());
    EXPECT_FALSE(a.renameGroup(-1, "x").isValid());
    EXPECT_EQ(b.getGroup("600003", 1).toMap().value("group_name").toString(), "长线");
    EXPECT_EQ(sa.count(), 1);
}

// Every new stock-pool service reloads StockPool.json; a missing or empty file
// gives the default document, one that does not parse leaves the store alone.
// The quote tables see the same stores.
TEST(StockPoolStore, ReloadsItsFileOnEveryConstruction)
{
    QFile::remove(HFileIO::dataPath("StockPool.json"));
    QStockPoolService empty;
    EXPECT_EQ(empty.getGroups().toList().size(), 0);
    EXPECT_EQ(empty.getJson().toMap().value("code").toString(), "0000");

    ASSERT_TRUE(HFileIO::writeData("StockPool.json", kTwoGroups));
    QStockPoolService pool;
    EXPECT_EQ(empty.getGroups().toList().size(), 2);  // the store is shared
    EXPECT_EQ(pool.getGroupCodes("2").toList().size(), 3);
    EXPECT_FALSE(pool.getGroupCodes("3").isValid());
    EXPECT_EQ(GroupStore::tableSource()->groups(StockGroupSource::StockPool).size(), 2);

    ASSERT_TRUE(HFileIO::writeData("StockPool.json", "[1,2]"));
    QStockPoolService kept;
    EXPECT_EQ(kept.getGroups().toList().size(), 2);
    pool.fromJson(groupdoc::kDefaultText);
    EXPECT_EQ(kept.getGroups().toList().size(), 0);
    EXPECT_EQ(HFileIO::readData("StockPool.json"), "[1,2]");  // fromJson writes no file
}
