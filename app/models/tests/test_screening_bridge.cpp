// The screening bridge: the host callback's stocks, conditions and templates,
// the screening store and its file, the web notifications, and one live
// screening through the real dialog library against the local back end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTreeWidget>

#include <cstring>
#include <vector>

#include "livetest.h"
#include "models/groupstore.h"
#include "models/qquorvexdll.h"
#include "models/qquorvexservice.h"
#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/hfileio.h"

namespace {

// The library's dialog and the back end may be slow to answer: 30 s.
template <class F>
::testing::AssertionResult waitFor(F done)
{
    return testsupport::waitFor(done, 30000);
}

NotifyStockItem stock(const char* code, int market)
{
    NotifyStockItem it;
    std::memset(&it, 0, sizeof it);
    std::memcpy(it.code, code, std::min(sizeof it.code, std::strlen(code)));
    it.market = market;
    return it;
}

class ScreeningBridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        HFileIO::finishSaves();  // an earlier test's
        QFile::remove(HFileIO::dataPath("Quorvex.json"));
        QFile::remove(HFileIO::dataPath("Quorvex.json.bad"));
        QFile::remove(HFileIO::dataPath("Quorvex.json.2.bad"));
        QQuorvexDll::setMessageSink([this](const QString& m) { messages << m; });
        GroupStore::instance(GroupStore::Screening).fromJson(groupdoc::kDefaultText);
    }
    int notifyStocks(std::vector<NotifyStockItem>& items)
    {
        NotifyMsg m{NotifyStocks, int32_t(items.size()), items.empty() ? nullptr : items.data()};
        return QQuorvexDll::onNotify(&m);
    }
    QJsonArray fileGroups() const
    {
        return QJsonDocument::fromJson(HFileIO::readData("Quorvex.json").toUtf8()).object().value("result").toArray();
    }
    QStringList messages;
};

}  // namespace

// Stocks: six-digit codes of markets 1 and 2 only (the others counted in one
// message), a group named by the local time put first and saved, 500 at most
// with one message, none with another; two results of one second keep their
// name but get distinct ids.
TEST_F(ScreeningBridge, StocksBecomeADatedGroup)
{
    RUN_IN_OWN_PROCESS();
    QQuorvexService service;
    QSignalSpy updated(&service, &QQuorvexService::updateQuorvex);

    std::vector<NotifyStockItem> none;
    EXPECT_EQ(notifyStocks(none), 1);
    ASSERT_TRUE(waitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"没有符合条件的数据"});
    EXPECT_FALSE(QFile::exists(HFileIO::dataPath("Quorvex.json")));

    NotifyStockItem longCode = stock("60000012345", 1);  // 11 bytes, NUL-terminated
    std::vector<NotifyStockItem> few{stock("000001", 2), longCode, stock("6001", 1), stock("600004", 1)};
    few[2].code[5] = 'x';  // "6001\0x": cut at the NUL
    messages.clear();
    EXPECT_EQ(notifyStocks(few), 1);
    EXPECT_EQ(updated.count(), 0);  // re-emitted from the event loop only
    ASSERT_TRUE(waitFor([&] { return updated.count() == 1; }));
    QJsonArray groups = fileGroups();
    ASSERT_EQ(groups.size(), 1);
    const QJsonObject g = groups.at(0).toObject();
    EXPECT_TRUE(
        QRegularExpression("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(g["group_name"].toString()).hasMatch())
        << g["group_name"].toString().toStdString();
    EXPECT_EQ(QJsonDocument(g["codes"].toArray()).toJson(QJsonDocument::Compact),
              QByteArray(R"([{"code":"000001","market_id":"2"},{"code":"600004","market_id":"1"}])"));
    ASSERT_TRUE(waitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"选股结果中有2只股票的代码或市场无法识别，已略去"});
    EXPECT_TRUE(HFileIO::readData("Quorvex.json").contains("\n    \"result\": ["));  // indented

    std::vector<NotifyStockItem> many;
    for (int i = 0; i < 501; ++i)
        many.push_back(stock(QString::number(600000 + i).toLatin1().constData(), 1));
    messages.clear();
    notifyStocks(many);
    notifyStocks(few);
    ASSERT_TRUE(waitFor([&] { return updated.count() == 3; }));
    EXPECT_EQ(messages, (QStringList{"选股结果超过500只,系统将截取保留前500只!请增加选股条件缩小范围!",
                                     "选股结果中有2只股票的代码或市场无法识别，已略去"}));
    groups = fileGroups();
    ASSERT_EQ(groups.size(), 3);
    const QJsonArray five = groups.at(1).toObject()["codes"].toArray();
    ASSERT_EQ(five.size(), 500);
    EXPECT_EQ(five.at(499).toObject()["code"].toString(), "600499");
    QStringList ids;
    for (const QJsonValue& v : groups)
        ids << v.toObject()["group_id"].toString();
    EXPECT_EQ(ids.removeDuplicates(), 0) << ids.join('|').toStdString();
    for (const QJsonValue& v : groups)
        EXPECT_TRUE(v.toObject()["group_id"].toString().startsWith(v.toObject()["group_name"].toString()));
}

// What the bridge stores of a stock: exactly six ASCII digits before the NUL
// and market 1 or 2; everything else is refused and counted, not cut into a
// code of another stock. A result of refused stocks only says so once.
TEST_F(ScreeningBridge, StocksOfUnknownShapeAreRefused)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        QByteArray code;
        int market;
        bool kept;
    } cases[] = {
        {"600000", 1, true},
        {"000001", 2, true},
        {QByteArray("600\0001", 7), 1, false},  // cut at a NUL
        {"6000001", 1, false},                  // seven digits
        {"60000", 1, false},
        {"", 1, false},
        {"60000a", 1, false},
        {"\xb2\xe2\xca\xd4\xd6\xd0", 1, false},  // six bytes, not digits (nor UTF-8)
        {"\xef\xbc\x96\xef\xbc\x90", 1, false},  // full-width digits
        {"600000", 0, false},
        {"600000", 3, false},
        {"600000", -1, false},
        {"600000", 20, false},
    };
    std::vector<NotifyStockItem> items;
    QStringList expected;
    for (const Case& c : cases) {
        NotifyStockItem it;
        std::memset(&it, 0, sizeof it);
        std::memcpy(it.code, c.code.constData(), size_t(c.code.size()));
        it.market = c.market;
        EXPECT_EQ(QQuorvexDll::isKnownStock(it), c.kept) << c.code.toHex().constData() << "/" << c.market;
        items.push_back(it);
        if (c.kept)
            expected << QString::fromLatin1(c.code) + ":" + QString::number(c.market);
    }
    QQuorvexService service;
    QSignalSpy updated(&service, &QQuorvexService::updateQuorvex);
    notifyStocks(items);
    ASSERT_TRUE(waitFor([&] { return updated.count() == 1 && !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"选股结果中有11只股票的代码或市场无法识别，已略去"});
    QStringList stored;
    for (const QJsonValue& v : fileGroups().at(0).toObject()["codes"].toArray())
        stored << v["code"].toString() + ":" + v["market_id"].toString();
    EXPECT_EQ(stored, expected);

    // Only refused stocks: that message alone, no group.
    messages.clear();
    std::vector<NotifyStockItem> bad(items.begin() + 2, items.end());
    notifyStocks(bad);
    EXPECT_EQ(fileGroups().size(), 1);
    // A good result after it: its group comes from the event loop after every
    // box the first one asked for.
    std::vector<NotifyStockItem> good(items.begin(), items.begin() + 1);
    notifyStocks(good);
    ASSERT_TRUE(waitFor([&] { return updated.count() == 2; }));
    EXPECT_EQ(fileGroups().size(), 2);
    EXPECT_EQ(messages, QStringList{"选股结果中有11只股票的代码或市场无法识别，已略去"});

    // The web road: a code holding a NUL or longer than the record is refused
    // rather than cut.
    messages.clear();
    service.quorvexResponse(
        QJsonDocument::fromJson(R"({"type":0,"data":[{"stock_code":"600000\u00001","exchange_type":"1"},
        {"stock_code":"6000001234567","exchange_type":"1"},{"stock_code":"600519","exchange_type":"9"},
        {"stock_code":"000002","exchange_type":"2"}]})")
            .object());
    ASSERT_TRUE(waitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"选股结果中有3只股票的代码或市场无法识别，已略去"});
    EXPECT_EQ(QJsonDocument(fileGroups().at(0).toObject()["codes"].toArray()).toJson(QJsonDocument::Compact),
              QByteArray(R"([{"code":"000002","market_id":"2"}])"));
}

// Conditions: "key|period|params", null texts as "", cut to 128 bytes on a
// character boundary; each is announced from the event loop; the request goes
// ahead. Templates and other types are accepted.
TEST_F(ScreeningBridge, ConditionsBecomeActionTexts)
{
    RUN_IN_OWN_PROCESS();
    const QByteArray longParams = QByteArray("1;") + QString(80, QChar(0x4E2D)).toUtf8();  // 3-byte characters
    struct Case {
        const char* key;
        int period;
        const char* params;
        QString text;
    } cases[] = {
        {"MA", 5, "5,10", "MA|5|5,10"},
        {nullptr, 8, nullptr, "|8|"},
        {"ZF", 3, longParams.constData(), "ZF|3|1;" + QString(40, QChar(0x4E2D))},  // 7 + 40 x 3 = 127 bytes
    };
    std::vector<NotifyConditionItem> items;
    for (const Case& c : cases) {
        NotifyConditionItem it{u"标题", c.key, c.params, c.period, 1};
        EXPECT_EQ(QQuorvexDll::actionText(it).toStdString(), c.text.toStdString());
        EXPECT_LE(QQuorvexDll::actionText(it).toUtf8().size(), 128);
        items.push_back(it);
    }
    QQuorvexService service;
    QSignalSpy actions(&service, &QQuorvexService::updateActionCmd);
    NotifyMsg m{NotifyConditions, int32_t(items.size()), items.data()};
    EXPECT_EQ(QQuorvexDll::onNotify(&m), 1);
    EXPECT_EQ(actions.count(), 0);
    ASSERT_TRUE(waitFor([&] { return actions.count() == 3; }));
    EXPECT_EQ(actions.at(0).at(0).toString(), "MA|5|5,10");

    NotifyTemplateItem t{u"涨幅", "ZF"};
    NotifyMsg tm{NotifyTemplate, 1, &t}, scope{NotifyScope, 0, nullptr}, odd{42, 0, nullptr};
    EXPECT_EQ(QQuorvexDll::onNotify(&tm), 1);
    EXPECT_EQ(QQuorvexDll::onNotify(&scope), 1);
    EXPECT_EQ(QQuorvexDll::onNotify(&odd), 1);
    EXPECT_EQ(QQuorvexDll::onNotify(nullptr), 1);
}

// The store's file: every instance reloads it; edit and remove act on the
// first group of an id and save; an unknown id writes nothing; a file that does
// not parse is kept aside as Quorvex.json.bad before the first save.
TEST_F(ScreeningBridge, StoreFile)
{
    RUN_IN_OWN_PROCESS();
    ASSERT_TRUE(HFileIO::writeData("Quorvex.json", "{\"result\": [ oops"));
    QQuorvexService a;
    EXPECT_EQ(a.getGroups().toList().size(), 0);
    a.addGroup("g1", "one", QVariantList{QVariantMap{{"code", "600000"}, {"market_id", "1"}}});
    EXPECT_EQ(HFileIO::readData("Quorvex.json.bad"), "{\"result\": [ oops");
    a.addGroup("g2", "two", QVariantList{});
    a.addGroup("g1", "newer", QVariantList{});

    QQuorvexService b;
    EXPECT_EQ(b.getGroups().toList().size(), 3);
    EXPECT_EQ(b.getGroupCodes("g1").toList().size(), 0);  // the first, newest "g1"
    b.editGroup("g1", "renamed");
    b.removeGroup("g2");
    EXPECT_EQ(fileGroups().size(), 2);
    EXPECT_EQ(fileGroups().at(0).toObject()["group_name"].toString(), "renamed");
    EXPECT_EQ(fileGroups().at(1).toObject()["group_name"].toString(), "one");

    const QString before = HFileIO::readData("Quorvex.json");
    QFile::remove(HFileIO::dataPath("Quorvex.json.bad"));
    b.editGroup("nope", "x");
    b.removeGroup("nope");
    EXPECT_EQ(HFileIO::readData("Quorvex.json"), before);
    EXPECT_FALSE(QFile::exists(HFileIO::dataPath("Quorvex.json.bad")));
    EXPECT_EQ(GroupStore::tableSource()->groups(StockGroupSource::Screening).size(), 2);
}

// A second damaged file is kept beside the first copy, never over it.
TEST_F(ScreeningBridge, EveryDamagedStoreFileIsKept)
{
    RUN_IN_OWN_PROCESS();
    const char* damaged[] = {"{\"result\": [ first", "[\"second\""};
    for (const char* text : damaged) {
        ASSERT_TRUE(HFileIO::writeData("Quorvex.json", text));
        QQuorvexService service;
        service.addGroup("g", "one", QVariantList{});
    }
    EXPECT_EQ(HFileIO::readData("Quorvex.json.bad"), damaged[0]);
    EXPECT_EQ(HFileIO::readData("Quorvex.json.2.bad"), damaged[1]);
    ASSERT_FALSE(fileGroups().isEmpty());
    EXPECT_EQ(fileGroups().at(0).toObject()["group_id"].toString(), "g");
}

// A web page's notifications take the dialog's road.
TEST_F(ScreeningBridge, WebNotifications)
{
    RUN_IN_OWN_PROCESS();
    QQuorvexService service;
    QSignalSpy actions(&service, &QQuorvexService::updateActionCmd);
    const auto obj = [](const char* text) { return QJsonDocument::fromJson(text).object(); };

    EXPECT_EQ(service
                  .quorvexResponse(obj(R"({"type":0,"data":[{"stock_code":"600519","exchange_type":"1"},
        {"stock_code":"000002","exchange_type":"2"}]})"))
                  .toInt(),
              1);
    const QJsonArray codes = fileGroups().at(0).toObject()["codes"].toArray();
    EXPECT_EQ(QJsonDocument(codes).toJson(QJsonDocument::Compact),
              QByteArray(R"([{"code":"600519","market_id":"1"},{"code":"000002","market_id":"2"}])"));

    EXPECT_EQ(
        service
            .quorvexResponse(obj(R"({"type":1,"data":[{"name":"均线","id":"MA","args":"5,10","peroid":5,"type":1}]})"))
            .toInt(),
        1);
    ASSERT_TRUE(waitFor([&] { return actions.count() == 1; }));
    EXPECT_EQ(actions.at(0).at(0).toString(), "MA|5|5,10");

    const QVariant kept =
        service.quorvexResponse(obj(R"({"type":2,"data":[{"name":"a","items":[{"key":"ZF"},{"key":"MA"}]}]})"));
    EXPECT_EQ(QJsonDocument(QJsonArray::fromVariantList(kept.toList())).toJson(QJsonDocument::Compact),
              QByteArray(R"([{"items":[{"key":"ZF"},{"key":"MA"}],"name":"a"}])"));
    EXPECT_EQ(service.quorvexResponse(obj(R"({"type":9,"data":[]})")).toInt(), 1);
}

// The real library from the program's side: loaded by its Windows name, the
// dialog lists the back end's templates, a screening comes back as a dated
// group in Quorvex.json and its condition as an action text.
TEST_F(ScreeningBridge, LiveScreeningAgainstTheLocalBackEnd)
{
    RUN_IN_OWN_PROCESS();
    ServerProcess backend("backend", {});
    ASSERT_GT(backend.port(), 0);
    QQuorvexService service;
    QSignalSpy updated(&service, &QQuorvexService::updateQuorvex);
    QSignalSpy actions(&service, &QQuorvexService::updateActionCmd);
    service.showQuorvex("Tarvolin", QStringLiteral("http://127.0.0.1:%1").arg(backend.port()), "demo", "", 1);

    QWidget* dialog = nullptr;
    QTreeWidget* tree = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "1000")
                dialog = w;
        tree = dialog ? dialog->findChild<QTreeWidget*>() : nullptr;
        return tree && tree->topLevelItemCount() > 0 && tree->topLevelItem(0)->childCount() > 0;
    })) << "the dialog lists the back end's templates";
    EXPECT_TRUE(dialog->isVisible());

    QTreeWidgetItem* first = tree->topLevelItem(0)->child(0);
    tree->setCurrentItem(first);
    emit tree->itemClicked(first, 0);
    dialog->findChild<QPushButton*>("1005")->click();
    dialog->findChild<QPushButton*>("1009")->click();
    ASSERT_TRUE(waitFor([&] { return updated.count() == 1; })) << messages.join('|').toStdString();
    ASSERT_EQ(actions.count(), 1);
    EXPECT_TRUE(actions.at(0).at(0).toString().contains('|'));
    const QJsonArray groups = fileGroups();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_GT(groups.at(0).toObject()["codes"].toArray().size(), 0);
    EXPECT_EQ(service.getGroups().toList().size(), 1);
    dialog->close();
}
