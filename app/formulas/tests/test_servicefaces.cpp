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

    const QStringList main = namesOf(service.getFormulaNames(0, false));
    EXPECT_EQ(main.join(' '), "MA MA2 MBOLL BBI EXPMA Mirelo Pentaro Sulvane Venrik Borrin Taldor Halvest Dravel "
                              "Corvane Nessir");
    EXPECT_EQ(namesOf(service.getFormulaNames(1, false)).size(), 13 + 14);
    EXPECT_EQ(namesOf(service.getFormulaNames(2, false)).size(), 15 + 13 + 14);

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
