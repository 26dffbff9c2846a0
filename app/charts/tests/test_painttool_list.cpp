// The drawing tools' one list: every listed type is made by the factory under
// its type and its class name, the palette's entries come from it, and every
// palette icon is in the resources.
#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
#include <QVariantMap>

#include "charts/painttoolfactory.h"
#include "charts/painttoollist.h"

namespace {
// The types the drawing-tool file knows, in the palette's order, then the two
// the palette does not show.
const char* const kTypes[] = {
    "PaintSegment",
    "PaintLine",
    "PaintSpeedBlock",
    "PaintGannLine",
    "PaintGoldenSplit",
    "PaintGoldenPrice",
    "PaintBandLine",
    "PaintPercentage",
    "PaintTrendLine",
    "PaintLinerRegression",
    "PaintLinerRegressionBand",
    "PaintRegressionChannel",
    "PaintCycleLine",
    "PaintFibonacci",
    "PaintText",
    "PaintRect",
    "PaintEllipse",
    "PaintArcEllipse",
    "PaintUpArrow",
    "PaintDownArrow",
    "PaintVelmora",
    "PaintThreePoint",
    "PaintFullRect",
};
}  // namespace

TEST(PaintToolList, EveryListedTypeRoundTripsThroughTheFactory)
{
    const std::vector<PaintToolInfo>& tools = paintTools();
    ASSERT_EQ(tools.size(), std::size(kTypes));
    QSet<QString> seen;
    for (size_t i = 0; i < tools.size(); ++i) {
        const QString type = QLatin1String(tools[i].type);
        SCOPED_TRACE(type.toStdString());
        EXPECT_EQ(type, QLatin1String(kTypes[i])) << "the list's order";
        EXPECT_FALSE(seen.contains(type)) << "listed twice";
        seen.insert(type);
        for (const QString& name : {type, "C" + type}) {
            std::unique_ptr<CPaintMethodBase> t = createPaintTool(name);
            ASSERT_TRUE(t) << "createPaintTool(" << name.toStdString() << ") made nothing";
            EXPECT_STREQ(t->typeName(), tools[i].type);
            EXPECT_TRUE(isPaintToolName(name));
        }
    }
    for (const char* unknown : {"", "Paint", "CPaint", "PaintCircle", "CPaintMethodBase", "paintsegment"}) {
        EXPECT_FALSE(createPaintTool(unknown)) << unknown;
        EXPECT_FALSE(isPaintToolName(unknown)) << unknown;
    }
}

TEST(PaintToolList, PaletteEntriesAreTheListedToolsWithIcons)
{
    const QVariantList palette = PaintToolList().tools();
    // Everything but the three-point tool and the interval selection.
    ASSERT_EQ(palette.size(), int(std::size(kTypes)) - 2);
    for (int i = 0; i < palette.size(); ++i) {
        const QVariantMap e = palette[i].toMap();
        const PaintToolInfo& t = paintTools()[size_t(i)];
        SCOPED_TRACE(t.type);
        EXPECT_EQ(e.value("flag").toString(), QString("C") + t.type);
        EXPECT_FALSE(e.value("name").toString().isEmpty());
        EXPECT_FALSE(QImage(":/images/painttools/" + e.value("image").toString()).isNull())
            << "no icon " << e.value("image").toString().toStdString();
    }
    EXPECT_EQ(palette[0].toMap().value("name").toString(), QString::fromUtf8("线段"));
    EXPECT_EQ(palette[20].toMap().value("name").toString(), QString::fromUtf8("苍澜线"));
}
