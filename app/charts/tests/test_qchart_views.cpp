// What the chart item hands to its layer painters and title bars: the visible
// range and layer pointers, detached when a layer goes; list elements that are
// no painter are skipped.
#include <gtest/gtest.h>

#include <QVariantList>

#include "chartfixtures.h"
#include "charts/chartviews.h"
#include "charts/qchart.h"
#include "charts/titlebar.h"

namespace {

class FakeLayerView : public QObject, public ChartLayerView {
public:
    void setBeginEnd(int b, int e) override
    {
        begin = b;
        end = e;
    }
    void setCTXLayer(CTXLayer* l) override { layer = l; }
    int begin = -1, end = -1;
    CTXLayer* layer = nullptr;
};

class FakeTitle : public QObject, public ChartTitleView {
public:
    using QObject::QObject;
    void setCTXData(CTXLayer* l) override { layer = l; }
    void setCurX(int x) override { curX = x; }
    CTXLayer* layer = nullptr;
    int curX = -2;
};

}  // namespace

TEST(QChartViews, LayerPaintersAndTitleBarsFollowTheLayers)
{
    ensureStandardCatalogue();
    QChart c;
    c.setSize(QSizeF(800, 400));
    FakeLayerView v0, v1;
    QObject notAPainter;
    FakeTitle* title = new FakeTitle(&c);
    title->attachToChart(&c);
    c.setProperty("subFChart", QVariantList{QVariant::fromValue<QObject*>(&v0), QVariant::fromValue<QObject*>(&v1),
                                            QVariant::fromValue<QObject*>(&notAPainter), QVariant(5)});
    c.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    c.appendFormula(1, "VOL", "", "", 0);
    c.appendFormula(2, "MACD", "", "", 0);  // its list element is no painter: skipped

    KRecord k({{0, 10.0f}, {1, 11.0f}, {2, 12.0f}});
    c.onUpdateKLine(k.get(), 0);
    EXPECT_EQ(0, v0.begin);
    EXPECT_EQ(2, v0.end);
    EXPECT_EQ(c.formulaLayer(0), v0.layer);
    EXPECT_EQ(c.formulaLayer(1), v1.layer);
    EXPECT_EQ(c.formulaLayer(0), title->layer);
    EXPECT_EQ(2, title->curX);
    c.updateTitleBarCTXData(7);  // beyond the last bar: the last
    EXPECT_EQ(2, title->curX);
    c.updateTitleBarCTXData(1);
    EXPECT_EQ(1, title->curX);

    // Removing layer 1 detaches its painter (QML then destroys it; here the
    // list keeps it, so the next relayout points it at the layer now at 1).
    CTXLayer* erased = c.formulaLayer(1);
    ASSERT_TRUE(c.removeFormula(1, 0));
    EXPECT_NE(erased, v1.layer);
    EXPECT_EQ(c.formulaLayer(1), v1.layer);
    EXPECT_EQ("MACD", (*c.formulaLayer(1))[0]->name);

    c.clearFormula(false);
    EXPECT_EQ(nullptr, title->layer);
    EXPECT_EQ(nullptr, v0.layer);
}

// A title bar placed in a chart (as QML places it) registers with it and
// leaves it when either goes first; a lower pane that lets its bars go
// (another stock) takes a store of its own and leaves the main pane's bars.
TEST(QChartViews, TitleBarsRegisterAndPanesShareTheMainPanesStore)
{
    ensureStandardCatalogue();
    auto main = std::make_unique<QChart>();
    main->appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    KRecord k({{0, 10.0f}, {1, 11.0f}, {2, 12.0f}});
    main->onUpdateKLine(k.get(), 0);

    auto placed = std::make_unique<TitleBar>();
    placed->setParentItem(main.get());
    EXPECT_EQ(main.get(), placed->attachedChart());
    EXPECT_EQ(main->formulaLayer(0), placed->ctxData()) << "a late title bar is given the slots at once";
    EXPECT_EQ(2, placed->curX());
    placed.reset();
    main->onUpdateKLine(KRecord({{3, 13.0f}}).get(), 0);  // no title bar left to reach

    QChart lower;
    lower.appendFormula(0, "VOL", "", "", 0);
    lower.bindSyncDataSignal(main.get(), 0);
    lower.setKData(main.get(), 0);
    EXPECT_EQ(main->barLayer(0), lower.barLayer(0));
    main->onUpdateKLine(KRecord({{4, 14.0f}}).get(), 0);
    EXPECT_EQ(5, lower.getFirstKLineSize());
    lower.clearKData();
    EXPECT_EQ(0, lower.getFirstKLineSize());
    EXPECT_EQ(5, main->getFirstKLineSize()) << "the main pane keeps its bars";

    auto* owned = new TitleBar(main.get());  // made in the chart, deleted with it
    EXPECT_EQ(main.get(), owned->attachedChart());
    main.reset();
    auto last = std::make_unique<TitleBar>();
    {
        QChart shortLived;
        last->setParentItem(&shortLived);
        EXPECT_EQ(&shortLived, last->attachedChart());
    }
    EXPECT_EQ(nullptr, last->attachedChart()) << "the chart went first";
}
