// The settings stores read by dotted path, the base info, the indicator
// catalogue's slots and the user's own formula groups.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "formulas/basicformulafactory.h"
#include "ownprocess.h"
#include "formulas/formulaservice.h"
#include "platform/machineid.h"
#include "shell/qbaseservice.h"
#include "shell/settingsstores.h"
#include "testhome.h"

namespace {

QJsonObject objectOf(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

// The slot result as compact JSON text ("null" for a null QVariant,
// "undefined" for a missing last member), for table comparisons.
QString textOf(const QVariant& v)
{
    if (v.isNull())
        return "null";
    if (v.canConvert<QJsonObject>() && v.userType() == QMetaType::QJsonObject)
        return QJsonDocument(v.toJsonObject()).toJson(QJsonDocument::Compact);
    if (v.userType() == QMetaType::QJsonArray)
        return QJsonDocument(v.toJsonArray()).toJson(QJsonDocument::Compact);
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join("|");
    const QJsonValue j = v.value<QJsonValue>();
    if (j.isUndefined())
        return "undefined";
    return QJsonDocument(QJsonArray{j}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

}  // namespace

TEST(SettingsStores, DottedPathRules)
{
    RUN_IN_OWN_PROCESS();
    QBaseService service;
    EXPECT_EQ(textOf(service.getLoginValue("user.sessionId")), "null") << "before any sign-in";
    EXPECT_EQ(textOf(service.getServerAddressValue("url")), "null");

    service.setLoginInfo(objectOf(R"({"user":{"sessionId":"S1","id":7,"flags":[1,2],"vip":false,"none":null},
                                      "sessionId":"top","menus":[{"a":1}],"name":"text"})"));
    service.setServerAddress(objectOf(R"({"url":{"quote":[{"url":"tcp://q","name":"主站","type":"1"}],
                                          "login":"http://l/","deep":{"x":{"y":5}}}})"));
    struct Row {
        const char* store;  // "l" login, "s" servers
        const char* path;
        const char* expected;
    };
    const Row rows[] = {
        {"l", "user.sessionId", "\"S1\""},
        {"l", "user.id", "7"},
        {"l", "user.flags", "[1,2]"},
        {"l", "user.vip", "false"},
        {"l", "user.none", "null"},  // a JSON null, not a missing level
        {"l", "user.missing", "undefined"},
        {"l", "sessionId", "\"top\""},  // no dot: the top level
        {"l", "menus", "[{\"a\":1}]"},
        {"l", "user", "{\"flags\":[1,2],\"id\":7,\"none\":null,\"sessionId\":\"S1\",\"vip\":false}"},
        {"l", "name.x", "null"},             // middle member is text
        {"l", "nothing.sessionId", "null"},  // middle member missing
        {"l", "user.sessionId.x", "null"},   // three parts, middle is text
        {"l", "user..id", "null"},           // empty part keeps its place
        {"s", "url.quote", "[{\"name\":\"主站\",\"type\":\"1\",\"url\":\"tcp://q\"}]"},
        {"s", "url.login", "\"http://l/\""},
        {"s", "url.deep.x.y", "5"},
        {"s", "url.deep.x", "{\"y\":5}"},
        {"s", "url.login.x", "null"},
    };
    for (const Row& r : rows) {
        const QVariant v = r.store[0] == 'l' ? service.getLoginValue(r.path) : service.getServerAddressValue(r.path);
        EXPECT_EQ(textOf(v), QString::fromUtf8(r.expected)) << r.path;
    }
    const QVariant whole = service.getServerAddressValue("url");
    EXPECT_EQ(whole.userType(), QMetaType::QJsonObject) << "an object stays an object";
    EXPECT_EQ(service.getServerAddressValue("url.quote").userType(), QMetaType::QJsonArray);

    // Any instance sees the same stores; a new store replaces the old whole.
    QBaseService other;
    EXPECT_EQ(textOf(other.getLoginValue("user.id")), "7");
    other.setLoginInfo(objectOf(R"({"sessionId":"x"})"));
    EXPECT_EQ(textOf(service.getLoginValue("user.id")), "null");
}

TEST(SettingsStores, BaseInfoNamesTheProgram)
{
    RUN_IN_OWN_PROCESS();
    QBaseService service;
    const QJsonObject info = service.getBaseInfo().toJsonObject();
    EXPECT_EQ(info.keys(), (QStringList{"appName", "appVer", "pcID"}));
    EXPECT_EQ(info.value("appName").toString(), "Tarvolin");
    EXPECT_EQ(info.value("appVer").toString(), "tarvo_winpc_tax1_1.000006");
    EXPECT_EQ(info.value("pcID").toString().toStdString(), platform::processor_id());
    EXPECT_EQ(textOf(service.getBaseInfoValue("appName")), "\"Tarvolin\"");
    EXPECT_EQ(textOf(service.getBaseInfoValue("appName.x")), "null");
}

// The user's groups file: read, add, edit, remove; same-named groups; a
// corrupt file; writes are whole and atomic.
TEST(LocalFormulaGroups, ReadAddEditRemove)
{
    RUN_IN_OWN_PROCESS();
    QBaseService service;
    const QString path = testsupport::testDataDir() + "/formula_group_own.json";
    ASSERT_EQ(QBaseService::localFormulaGroupPath(), path);
    for (const QString& f : QDir(testsupport::testDataDir()).entryList({"formula_group_own.json*"}))
        QFile::remove(testsupport::testDataDir() + "/" + f);  // an earlier test's in this process
    EXPECT_EQ(textOf(service.getLoadLocalFormulaGroup()), "[]") << "no file";

    service.addLocalFormulaGroup(objectOf(R"({"name":"趋势","formulas":["MA","MACD"],"extra":1})"));
    service.addLocalFormulaGroup(objectOf(R"({"name":"B","formulas":["KDJ"]})"));
    service.addLocalFormulaGroup(objectOf(R"({"name":"趋势","formulas":["RSI"]})"));
    EXPECT_EQ(textOf(service.getLoadLocalFormulaGroup()),
              QString::fromUtf8(R"([{"extra":1,"formulas":["MA","MACD"],"name":"趋势"},)"
                                R"({"formulas":["KDJ"],"name":"B"},{"formulas":["RSI"],"name":"趋势"}])"));
    EXPECT_TRUE(readFile(path).contains("\n    {\n")) << "indented JSON";
    // Both same-named groups give their formulas.
    EXPECT_EQ(textOf(service.getFormulaGroup("趋势")), "MA|MACD|RSI");

    // Edit and remove touch the first of the same name only.
    service.editLocalFormulaGroup("趋势", "均线");
    EXPECT_EQ(textOf(service.getFormulaGroup("均线")), "MA|MACD");
    EXPECT_EQ(textOf(service.getFormulaGroup("趋势")), "RSI");
    service.removeLocalFormulaGroup("B");
    EXPECT_EQ(service.getLoadLocalFormulaGroup().toJsonArray().size(), 2);

    // Unknown names leave the file untouched, byte for byte.
    const QByteArray before = readFile(path);
    service.editLocalFormulaGroup("无此组", "x");
    service.removeLocalFormulaGroup("无此组");
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(textOf(service.getFormulaGroup("无此组")), "");

    // Corrupt or non-array content reads as []; the next add keeps it as
    // .bad, then .2.bad, before the new list takes its place. An empty file
    // is no loss and is simply written over.
    const std::pair<QByteArray, QString> damaged[] = {
        {"[{\"name\":", ".bad"}, {"{\"name\":\"x\"}", ".2.bad"}, {"", ""}};
    for (const auto& [bad, keptAs] : damaged) {
        SCOPED_TRACE(bad.constData());
        writeFile(path, bad);
        EXPECT_EQ(textOf(service.getLoadLocalFormulaGroup()), "[]");
        service.addLocalFormulaGroup(objectOf(R"({"name":"新"})"));
        EXPECT_EQ(textOf(service.getLoadLocalFormulaGroup()), QString::fromUtf8(R"([{"name":"新"}])"));
        if (!keptAs.isEmpty()) {
            EXPECT_EQ(readFile(path + keptAs), bad);
        }
    }
    EXPECT_FALSE(QFile::exists(path + ".3.bad"));
    QFile::remove(path + ".bad");
    QFile::remove(path + ".2.bad");
}

// The catalogue through QBaseService, with a small catalogue of our own:
// types 1 (main chart), 4 and 8 (sub-chart), 64 (neither list).
TEST(FormulaSlots, NamesParametersAndGroups)
{
    RUN_IN_OWN_PROCESS();
    QBaseService service;
    EXPECT_EQ(textOf(service.getFormulaNames(2, false)), "[]") << "an empty catalogue";
    EXPECT_EQ(textOf(service.getFormula("MA")), "null");

    formula::FormulaService& catalogue = formula::FormulaService::instance();
    const std::vector<formula::FormulaParam> maParams = {{"N1", 5, 1, 100}, {"N2", 10.5f, 1, 100}, {"N3", 0.25f, 0, 1}};
    catalogue.addFormula(std::make_shared<formula::LocalFormula>(1, "MA", "", maParams, nullptr));
    catalogue.addFormula(
        std::make_shared<formula::LocalFormula>(4, "MACD", "", std::vector<formula::FormulaParam>{}, nullptr));
    catalogue.addFormula(
        std::make_shared<formula::LocalFormula>(8, "KDJ", "", std::vector<formula::FormulaParam>{}, nullptr));
    catalogue.addFormula(
        std::make_shared<formula::LocalFormula>(64, "X64", "", std::vector<formula::FormulaParam>{}, nullptr));
    auto group = std::make_shared<formula::FormulaService::Group>();
    group->name = "常用";
    group->formulas = {"MA", "KDJ"};
    catalogue.addGroup(group);
    auto empty = std::make_shared<formula::FormulaService::Group>();
    empty->name = "空";
    catalogue.addGroup(empty);

    EXPECT_EQ(textOf(service.getFormulaNames(0, false)), R"([{"name":"MA"}])");
    EXPECT_EQ(textOf(service.getFormulaNames(1, true)), R"([{"name":"MACD"},{"name":"KDJ"}])");
    EXPECT_EQ(textOf(service.getFormulaNames(7, false)), R"([{"name":"MA"},{"name":"MACD"},{"name":"KDJ"}])");

    EXPECT_EQ(textOf(service.getFormula("MA")),
              R"([{"max":100,"min":1,"name":"N1","value":5},{"max":100,"min":1,"name":"N2","value":10.5},)"
              R"({"max":1,"min":0,"name":"N3","value":0.25}])");
    EXPECT_EQ(textOf(service.getFormula("MACD")), "[]");

    // Four significant digits: 12.34567 -> 12.35, 20.0 -> 20, 0.5 -> 0.5; a
    // fourth value has no parameter to go to.
    const QJsonObject args = objectOf(R"({"args":[{"value":12.34567},{"value":20.0},{"value":0.5},{"value":9}]})");
    service.setFormulaParam("MA", args);
    const QJsonArray now = service.getFormula("MA").toJsonArray();
    EXPECT_EQ(now[0].toObject().value("value").toDouble(), static_cast<double>(12.35f));
    EXPECT_EQ(now[1].toObject().value("value").toDouble(), 20.0);
    EXPECT_EQ(now[2].toObject().value("value").toDouble(), 0.5);
    EXPECT_EQ(textOf(service.getFormulaDefault("MA")),
              R"([{"max":100,"min":1,"name":"N1","value":5},{"max":100,"min":1,"name":"N2","value":10.5},)"
              R"({"max":1,"min":0,"name":"N3","value":0.25}])")
        << "defaults never change";
    const QByteArray saved = readFile(testsupport::testDataDir() + "/index.param");
    EXPECT_TRUE(saved.startsWith("1\n")) << saved.constData();
    EXPECT_TRUE(saved.contains("MA\t12.35\t20\t0.5\t\n")) << saved.constData();
    service.setFormulaParam("无此指标", args);  // changes nothing
    EXPECT_EQ(textOf(service.getFormula("无此指标")), "null");

    // Groups: the catalogue's names first, then the user's objects unchanged.
    service.addLocalFormulaGroup(objectOf(R"({"name":"常用","formulas":["RSI"]})"));
    service.addLocalFormulaGroup(objectOf(R"({"name":"空","formulas":["WR"],"note":"n"})"));
    EXPECT_EQ(textOf(service.getFormulaGroupNames()),
              QString::fromUtf8(R"([{"name":"常用"},{"name":"空"},{"formulas":["RSI"],"name":"常用"},)"
                                R"({"formulas":["WR"],"name":"空","note":"n"}])"));
    EXPECT_EQ(textOf(service.getFormulaGroup("常用")), "MA|KDJ") << "the catalogue's group wins";
    EXPECT_EQ(textOf(service.getFormulaGroup("空")), "WR") << "an empty catalogue group falls back";
}
