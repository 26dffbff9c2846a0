// The QML services' formula slots answer from the real catalogues, and what
// they save is read back at the next start.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "formulas/formulaservice.h"
#include "shell/datadir.h"
#include "shell/qbaseservice.h"

namespace {

QStringList namesOf(const QVariant& v)
{
    QStringList out;
    for (const QJsonValue& item : v.toJsonArray())
        out << item.toObject().value("name").toString();
    return out;
}

}  // namespace

TEST(FormulaServiceFaces, SlotsAnswerFromTheCatalogues)
{
    // The process catalogue, whichever test of this program filled it first:
    // each catalogue is registered once (the catalogue keeps duplicates).
    formula::FormulaService& catalogue = formula::FormulaService::instance();
    if (!catalogue.find("MACD"))
        formula::registerStandardFormulas(catalogue);
    if (!catalogue.find("Corvane"))
        formula::registerExtraFormulas(catalogue);
    QBaseService service;

    // the three lists are the catalogue's, in its order
    const struct {
        int list;
        int mask;
    } lists[] = {{0, formula::MainChartList}, {1, formula::SubChartList}, {2, formula::AllChartLists}};
    for (const auto& l : lists) {
        QStringList expected;
        for (const auto& f : catalogue.findByType(l.mask))
            expected << QString::fromStdString(f->displayName);
        EXPECT_EQ(namesOf(service.getFormulaNames(l.list, false)), expected) << l.list;
    }
    EXPECT_TRUE(namesOf(service.getFormulaNames(0, false)).contains("Corvane"));
    EXPECT_TRUE(namesOf(service.getFormulaNames(1, false)).contains("MACD"));

    const QJsonArray macd = service.getFormula("MACD").toJsonArray();
    ASSERT_EQ(macd.size(), 3);
    EXPECT_EQ(macd[0].toObject().value("name").toString(), "SHORT");
    EXPECT_EQ(macd[0].toObject().value("value").toDouble(), 12.0);
    EXPECT_EQ(macd[2].toObject().value("max").toDouble(), 200.0);
    EXPECT_EQ(service.getFormulaGroup("Quessa").toStringList(), (QStringList{"Nessir", "Wimbel", "Yorvik"}));

    // an edit is saved whole; a fresh catalogue reads it back under the display name
    service.setFormulaParam(QString::fromUtf8("Corvane副图"),
                            QJsonObject{{"args", QJsonArray{QJsonObject{{"value", 20}}}}});
    formula::FormulaService next;
    formula::registerStandardFormulas(next);
    formula::registerExtraFormulas(next);
    next.loadParams((dataDirectory() + "/index.param").toStdString());
    EXPECT_EQ(next.find("Corvane副图")->params[0].value, 20.0f);
    EXPECT_EQ(next.find("Corvane副图")->defaultParams[0].value, 12.0f);
    EXPECT_EQ(next.find("Corvane")->params[0].value, 64.0f);
}
