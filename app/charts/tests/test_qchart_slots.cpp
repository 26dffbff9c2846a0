// Formula slots of the chart item: appending, removing, clearing, replacing
// and reloading catalogue formulas, the accessors, and stable slot addresses.
#include <gtest/gtest.h>

#include <QJsonArray>

#include <cstring>
#include <set>

#include "chartfixtures.h"
#include "charts/qchart.h"
#include "charts/titlebar.h"
#include "formulas/formula.h"

namespace {

QStringList names(const QChart& c)
{
    QStringList out;
    for (const QJsonValue& v : c.getFormulas().toJsonArray())
        out << v.toString();
    return out;
}

// Every slot's context belongs to exactly one instance of the item.
void expectSlotsMatchInstances(const QChart& c)
{
    std::set<FormulaContext*> held;
    for (const auto& f : c.formulas())
        held.insert(f->context());
    std::size_t slotCount = 0;
    for (int i = 0; i < c.formulaLayerCount(); ++i) {
        for (const auto& s : *c.formulaLayer(i)) {
            EXPECT_EQ(1u, held.count(s->context)) << s->name.toStdString();
            ++slotCount;
        }
    }
    EXPECT_EQ(held.size(), slotCount);
    EXPECT_EQ(c.formulas().size(), slotCount);
}

}  // namespace

TEST(QChartSlots, AppendAndAccessors)
{
    ensureStandardCatalogue();
    QChart c;
    EXPECT_EQ(QString(), c.getMainName());
    EXPECT_EQ(2, c.getDecimal());
    EXPECT_EQ(nullptr, c.getCTXData(0));
    EXPECT_EQ(nullptr, c.getKData(0));
    EXPECT_EQ(0, c.getFirstKLineSize());
    EXPECT_FALSE(c.removeFormula(-1, -1));

    c.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0xFF112233u);
    c.appendFormula(0, "NO SUCH FORMULA", "KSCALES", "KCROSSHAIR", 0);  // leaves the item unchanged
    ASSERT_EQ(1, c.formulaLayerCount());
    CTXData* s = c.getCTXData(0);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ("KLINE", s->name);
    EXPECT_EQ("KSCALES", s->scales);
    EXPECT_EQ("KCROSSHAIR", s->crosshair);
    EXPECT_TRUE(s->draw);
    EXPECT_EQ(&c, s->chart);
    EXPECT_EQ(nullptr, s->bars);
    EXPECT_EQ(0, s->codeInfo.code[0]);
    EXPECT_EQ("KLINE", c.getMainName());
    EXPECT_EQ(0, c.getDecimal());  // zero code info until data arrives

    // The colour travels bit for bit in the float of the static argument "_color".
    const float* color = fml_argument_data_number(fml_get_static_argument(s->context, "_color"));
    ASSERT_NE(nullptr, color);
    uint32_t bits = 0;
    std::memcpy(&bits, color, sizeof bits);
    EXPECT_EQ(0xFF112233u, bits);
    EXPECT_EQ("_color", c.formulas().back()->params.back().name);

    c.appendFormula(5, "VOL", "VSCALES", "VCROSSHAIR", 0);  // a new layer takes the next index
    ASSERT_EQ(2, c.formulaLayerCount());
    EXPECT_EQ("VOL", (*c.formulaLayer(1))[0]->name);
    EXPECT_EQ(QStringList{"KLINE"}, names(c));
    expectSlotsMatchInstances(c);
}

TEST(QChartSlots, AddressesStayPutWhileLayersAndSlotsChange)
{
    ensureStandardCatalogue();
    QChart c;
    c.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    CTXData* first = c.getCTXData(0);
    CTXLayer* layer0 = c.formulaLayer(0);
    c.appendFormula(1, "VOL", "", "", 0);
    CTXData* vol = (*c.formulaLayer(1))[0].get();
    for (const char* n : {"MACD", "KDJ", "BOLL", "RSI", "WR", "BIAS", "CCI"}) {
        c.appendFormula(0, n, "", "", 0);
        c.appendFormula(99, n, "", "", 0);
    }
    EXPECT_EQ(first, c.getCTXData(0));
    EXPECT_EQ(layer0, c.formulaLayer(0));
    EXPECT_EQ(vol, (*c.formulaLayer(1))[0].get());

    // Erasing a layer in the middle keeps the later layers' slots where they were.
    CTXData* later = (*c.formulaLayer(3))[0].get();
    EXPECT_TRUE(c.removeFormula(2, 0));
    EXPECT_EQ(later, (*c.formulaLayer(2))[0].get());
    EXPECT_TRUE(c.removeFormula(0, 1));  // MACD out of layer 0
    EXPECT_EQ(first, c.getCTXData(0));
    expectSlotsMatchInstances(c);
}

TEST(QChartSlots, RemoveAndClear)
{
    ensureStandardCatalogue();
    QChart c;
    c.appendFormula(0, "KLINE", "", "", 0);
    c.appendFormula(0, "MACD", "", "", 0);
    c.appendFormula(0, "KDJ", "", "", 0);
    c.appendFormula(1, "VOL", "", "", 0);
    c.appendFormula(2, "BOLL", "", "", 0);

    EXPECT_FALSE(c.removeFormula(3, 0));
    EXPECT_FALSE(c.removeFormula(-4, 0));
    EXPECT_FALSE(c.removeFormula(0, 3));
    EXPECT_FALSE(c.removeFormula(0, -4));
    EXPECT_EQ(3, c.formulaLayerCount());

    EXPECT_TRUE(c.removeFormula(0, -2));  // MACD
    EXPECT_EQ((QStringList{"KLINE", "KDJ"}), names(c));

    c.clearFormula(true);  // down to one layer
    EXPECT_EQ(1, c.formulaLayerCount());
    EXPECT_EQ((QStringList{"KLINE", "KDJ"}), names(c));
    c.clearFormula(true);  // one layer already: nothing
    EXPECT_EQ(2u, c.formulaLayer(0)->size());

    c.appendFormula(0, "MACD", "", "", 0);
    c.appendFormula(0, "RSI", "", "", 0);
    c.clearFormula(QString("MACD"));
    EXPECT_EQ((QStringList{"KLINE", "KDJ", "RSI"}), names(c));
    c.clearFormulaOther("RSI");  // the first that is neither RSI nor a main line
    EXPECT_EQ((QStringList{"KLINE", "RSI"}), names(c));
    expectSlotsMatchInstances(c);

    c.clearFormula(false);
    EXPECT_EQ(0, c.formulaLayerCount());
    EXPECT_TRUE(c.formulas().empty());
    EXPECT_FALSE(c.removeFormula(-1, -1));
}

TEST(QChartSlots, ReplaceAndReload)
{
    ensureStandardCatalogue();
    QChart c;
    c.appendFormula(0, "KLINE", "", "", 0);
    c.appendFormula(0, "MACD", "", "", 0);
    c.appendFormula(1, "MACD", "", "", 0);
    FormulaContext* macd0 = (*c.formulaLayer(0))[1]->context;

    c.replaceFormula("MACD", "KDJ");
    EXPECT_EQ("KDJ", (*c.formulaLayer(0))[1]->name);
    EXPECT_EQ("KDJ", (*c.formulaLayer(1))[0]->name);
    EXPECT_NE(macd0, (*c.formulaLayer(0))[1]->context);
    expectSlotsMatchInstances(c);

    c.replaceFormula("KDJ", "NO SUCH FORMULA");  // unknown: unchanged
    EXPECT_EQ("KDJ", (*c.formulaLayer(1))[0]->name);

    c.replaceFormula(QString("SKLINE"));  // the first slot of layer 0
    EXPECT_EQ((QStringList{"SKLINE", "KDJ"}), names(c));

    // A parameter change reaches a chart through a reload.
    auto entry = formula::FormulaService::instance().find("KDJ");
    const std::vector<formula::FormulaParam> saved = entry->params;
    entry->params[0].value = 21.0f;
    FormulaContext* before = (*c.formulaLayer(0))[1]->context;
    c.reLoadFormula();
    CTXData* kdj = (*c.formulaLayer(0))[1].get();
    EXPECT_NE(before, kdj->context);
    EXPECT_EQ("KDJ", kdj->name);
    const float* n = fml_argument_data_number(fml_get_static_argument(kdj->context, entry->params[0].name.c_str()));
    ASSERT_NE(nullptr, n);
    EXPECT_FLOAT_EQ(21.0f, n[0]);
    entry->params = saved;
    expectSlotsMatchInstances(c);
}

namespace {
uint32_t colourOf(const CTXData& slot)
{
    const float* f = fml_argument_data_number(fml_get_static_argument(slot.context, "_color"));
    uint32_t bits = 0;
    if (f)
        std::memcpy(&bits, f, sizeof bits);
    return bits;
}
}  // namespace

// An overlay keeps its colour through a reload after a parameter change.
TEST(QChartSlots, ReloadKeepsTheOverlayColour)
{
    ensureStandardCatalogue();
    QChart c;
    c.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    c.appendFormula(1, "SKLINE", "NO", "NO", 0xFFA84000u);
    c.appendFormula(2, "SKLINE", "NO", "NO", 0xFF009654u);
    c.reLoadFormula();
    EXPECT_EQ(0xFFA84000u, colourOf(*(*c.formulaLayer(1))[0]));
    EXPECT_EQ(0xFF009654u, colourOf(*(*c.formulaLayer(2))[0]));
    EXPECT_EQ(0u, colourOf(*(*c.formulaLayer(0))[0]));
    expectSlotsMatchInstances(c);
}

// Layer 0 cleared while an overlay layer stays: the title bar holds no
// pointer to the removed layer.
TEST(QChartSlots, TitleBarLeavesARemovedLayer)
{
    ensureStandardCatalogue();
    QChart c;
    TitleBar title(&c);
    c.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    c.appendFormula(1, "SKLINE", "NO", "NO", 0xFFcccccc);
    ASSERT_EQ(c.formulaLayer(0), title.ctxData());
    c.clearFormula(QString("KLINE"));
    ASSERT_EQ(1, c.formulaLayerCount());
    EXPECT_TRUE(title.ctxData() == nullptr || title.ctxData() == c.formulaLayer(0));
}
