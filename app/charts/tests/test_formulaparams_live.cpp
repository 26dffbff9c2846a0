// The parameter dialog QFormulaParamSet.qml over the real formula service and
// a MACD pane fed by the local quote server: a changed period reloads the
// pane with the values of the new period, and the parameter file written on
// the way gives a restarted formula service the same values.
#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

#include "chartfixtures.h"
#include "charts/qchart.h"
#include "ownprocess.h"
#include "shell/hfileio.h"
#include "shell/qbaseservice.h"
#include "livetest.h"

namespace {

using testsupport::waitFor;

// EMA(C, shortN) - EMA(C, longN) by its rule: the first bar's value is the
// close, then y = (2 x + (n - 1) y') / (n + 1).
std::vector<double> dif(const std::vector<double>& closes, double shortN, double longN)
{
    std::vector<double> out;
    double s = 0, l = 0;
    for (std::size_t i = 0; i < closes.size(); ++i) {
        s = i == 0 ? closes[i] : (2 * closes[i] + (shortN - 1) * s) / (shortN + 1);
        l = i == 0 ? closes[i] : (2 * closes[i] + (longN - 1) * l) / (longN + 1);
        out.push_back(s - l);
    }
    return out;
}

std::vector<double> closes(const QChart& pane)
{
    std::vector<double> out;
    for (int i = 0; i < pane.getFirstKLineSize(); ++i)
        out.push_back(pane.getPosDataF(i, "close"));
    return out;
}

// The pane's output "DIF" of its first slot.
std::vector<double> paneDif(const QChart& pane)
{
    std::vector<double> out;
    const CTXData* slot = pane.getCTXData(0);
    FormulaArgument* a = slot && slot->context ? fml_get_argument(slot->context, "DIF") : nullptr;
    const float* p = a ? fml_argument_data_number(a) : nullptr;
    for (int i = 0; p && i < fml_argument_data_size(a); ++i)
        out.push_back(p[i]);
    return out;
}

// Largest difference over the last 100 bars, where both series have settled.
double farthest(const std::vector<double>& a, const std::vector<double>& b)
{
    double worst = a.size() == b.size() ? 0 : 1e9;
    for (std::size_t i = a.size() > 100 ? a.size() - 100 : 0; i < a.size() && i < b.size(); ++i)
        worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

std::vector<float> values(const std::vector<formula::FormulaParam>& params)
{
    std::vector<float> out;
    for (const auto& p : params)
        out.push_back(p.value);
    return out;
}

const char* kScene = R"(
import QtQuick 2.15
import MQModel 1.0
Item {
    property var pane: null
    property var dialog: null
    MQModel { id: model }
    Component.onCompleted: {
        pane = Qt.createComponent("qrc:/qml/qchart.qml").createObject(this, { width: 800, height: 300 })
        pane.setLineType("kline")
        pane.setCycle(33)
        pane.addFormula(0, "MACD", "KSCALES", "KCROSSHAIR")
        pane.bindDataSignal(model, -1)
        dialog = Qt.createComponent("qrc:/qml/QFormulaParamSet.qml").createObject(this)
        // As the stock view does: a stored change reloads the pane's formulas.
        dialog.formulaParamSetFinal.connect(pane.reLoadFormula)
        model.getKLineData("600001", 1, 512, 33, 0)
    }
}
)";

}  // namespace

TEST(FormulaParamsLive, ChangedMacdPeriodReloadsThePaneAndSurvivesARestart)
{
    RUN_IN_OWN_PROCESS();
    ensureStandardCatalogue();
    auto macd = formula::FormulaService::instance().find("MACD");
    ASSERT_TRUE(macd);
    ASSERT_EQ((std::vector<float>{12, 9, 26}), values(macd->params));
    testsupport::LiveQuoteEngine live;
    ASSERT_TRUE(live.start());

    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(kScene, QUrl("qrc:/test/formulaparams.qml"));
    std::unique_ptr<QObject> scene(component.create());
    ASSERT_TRUE(scene) << component.errorString().toStdString();
    auto* pane = qvariant_cast<QChart*>(scene->property("pane"));
    QObject* dialog = scene->property("dialog").value<QObject*>();
    ASSERT_TRUE(pane && dialog);
    ASSERT_TRUE(waitFor([&] { return pane->getFirstKLineSize() > 200; }));

    const std::vector<double> before = paneDif(*pane);
    EXPECT_LT(farthest(dif(closes(*pane), 12, 26), before), 1e-3);

    // SHORT (the first row) typed as 6 and the entry finished, as a user does.
    testsupport::callQml(dialog, "setFormulaName", "MACD");
    const QVariant spin = testsupport::callQml(dialog, "spinAt", 0);
    ASSERT_TRUE(spin.value<QObject*>());
    EXPECT_EQ(120000, spin.value<QObject*>()->property("value").toInt());
    QObject* input = spin.value<QObject*>()->property("contentItem").value<QObject*>();
    ASSERT_TRUE(input);
    input->setProperty("text", "6");
    QMetaObject::invokeMethod(input, "editingFinished");
    live.thread.stop();  // no further bars: the reload alone changes the outputs

    EXPECT_EQ((std::vector<float>{6, 9, 26}), values(macd->params));
    EXPECT_EQ((std::vector<float>{12, 9, 26}), values(macd->defaultParams));
    EXPECT_TRUE(HFileIO::readData("index.param").contains("MACD\t6\t9\t26\t"));
    const std::vector<double> after = paneDif(*pane);
    EXPECT_LT(farthest(dif(closes(*pane), 6, 26), after), 1e-3);
    EXPECT_GT(farthest(before, after), 1e-2) << "the pane kept the old period's values";

    // A restarted program: a new service over the same data directory.
    formula::FormulaService restarted;
    formula::registerStandardFormulas(restarted);
    formula::registerOwnFormulas(restarted);
    restarted.loadParams(QBaseService::formulaParamFile());
    EXPECT_EQ((std::vector<float>{6, 9, 26}), values(restarted.find("MACD")->params));
    EXPECT_EQ((std::vector<float>{12, 9, 26}), values(restarted.find("MACD")->defaultParams));

    macd->params = macd->defaultParams;  // the process's service as other tests expect it
}
