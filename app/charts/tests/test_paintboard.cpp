// The drawing board driven through QChart's mouse slots on a real chart: tool
// creation, hover selection, dragging, the tool menu's commands, text edits,
// the drawing-tool file and interval statistics.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>

#include <algorithm>
#include <functional>

#include "chartfixtures.h"
#include "charts/core/paintfile.h"
#include "shell/datadir.h"
#include "charts/cpaintboard.h"
#include "charts/paintarrow.h"
#include "charts/paintfan.h"
#include "charts/paintfibonacci.h"
#include "charts/paintfullrect.h"
#include "charts/paintratioline.h"
#include "charts/paintregression.h"
#include "charts/paintsegment.h"
#include "charts/paintshapes.h"
#include "charts/painttext.h"
#include "charts/paintthreepoint.h"
#include "charts/paintvelmora.h"
#include "charts/paintpen.h"
#include "charts/qchart.h"
#include "recordingdevice.h"
#include "shell/hfileio.h"

namespace {

KRecord bars(int n, const char* code = "600001", float base = 10.0f)
{
    KRecord k({}, code);
    k.points.clear();
    for (int d = 0; d < n; ++d) {
        QuoteKPoint p{};
        p.time = 1767225600LL + int64_t(d) * 86400;
        p.close = base + float(d % 10);
        p.high = p.close + 1.0f;
        p.open = d % 3 == 0 ? p.close : p.close - 0.5f;
        p.low = p.close - 1.0f;
        p.extra = 1.25f;
        p.volume = 1000;
        p.amount = 20000;
        k.points.push_back(p);
    }
    k.record.count = int32_t(k.points.size());
    k.record.points = k.points.data();
    return k;
}

// The bars of k as a K-line pane, 100 bars in view, drawing board active.
void showBoard(QChart& c, const KRecord& k)
{
    setUpKLinePane(c, 1);
    c.setLineType("kline");
    c.setkShowNumber(100);
    c.onUpdateKLine(k.get(), 0);
    c.setkShowNumber(100);
    c.setPaintBoardActive(true);
}

// A 100-bar K-line pane, all bars in view, drawing board active.
struct Board : ::testing::Test {
    QChart c;
    KRecord k = bars(100);
    void SetUp() override
    {
        // Each case starts with no drawings kept: earlier cases of the process
        // save theirs in the same data folder.
        const QDir data(dataDirectory());
        for (const QString& name : data.entryList({"??????-?-*.json"}, QDir::Files))
            QFile::remove(data.filePath(name));
        showBoard(c, k);
    }
    CPaintBoard& board() { return *c.paintBoard(); }
    int x(int bar) const { return c.getPointX(bar - c.getBegin()); }
    int y(double price) const { return int(c.getPointY(price)); }
    // Press at a, drag to b, release there.
    void drag(QPoint a, QPoint b)
    {
        ASSERT_TRUE(c.onLButtonDown(0, a.x(), a.y()));
        c.onMousePaintBoard(Qt::LeftButton, b.x(), b.y());
        c.onLButtonUp(0, b.x(), b.y());
    }
    // A tool of class `cls` from bar a to bar b (third point at bar t).
    CPaintMethodBase* draw(const QString& cls, int a, double pa, int b, double pb, int t = -1, double pt = 0)
    {
        c.setPaintBoardQChart(cls);
        const size_t before = board().tools().size();
        drag(QPoint(x(a), y(pa)), QPoint(x(b), y(pb)));
        if (t >= 0) {
            c.onMousePaintBoard(0, x(t), y(pt));
            c.onLButtonDown(0, x(t), y(pt));
            c.onLButtonUp(0, x(t), y(pt));
        }
        return board().tools().size() > before ? board().tools().back() : nullptr;
    }
    QString fileText(const QString& code = "600001", int cycle = 33)
    {
        return HFileIO::readData(QStringLiteral("%1-1-%2.json").arg(code).arg(cycle));
    }
};

}  // namespace

TEST_F(Board, TwoAndThreePointToolsByMouse)
{
    QSignalSpy done(&board(), &CPaintBoard::paintComplete);
    c.setPaintBoardQChart("CPaintSegment");
    c.onMousePaintBoard(0, x(10) + 2, y(12));
    ASSERT_TRUE(c.onLButtonDown(0, x(10) + 2, y(12)));  // snapped to bar 10's centre
    EXPECT_TRUE(c.onMousePaintBoard(Qt::LeftButton, x(30), y(15)));
    EXPECT_FALSE(c.onLButtonUp(0, x(30), y(15)));
    ASSERT_EQ(1u, board().tools().size());
    CPaintMethodBase* seg = board().tools()[0];
    EXPECT_STREQ("PaintSegment", seg->typeName());
    EXPECT_EQ(x(10), seg->start.x);
    EXPECT_EQ(10, seg->start.index);
    EXPECT_EQ(30, seg->end.index);
    EXPECT_EQ(int32_t(k.points[30].time), seg->end.time);
    EXPECT_NEAR(15.0, seg->end.price, 0.05);
    EXPECT_FALSE(board().hasPendingFactory());  // finished: the choice is used up
    ASSERT_EQ(1, done.count());

    // Three points: press-drag-release, the third follows the mouse, one more press.
    c.setPaintBoardQChart("CPaintTrendLine");
    c.onMousePaintBoard(0, x(95), y(10.5));
    c.onLButtonDown(0, x(50), y(12));
    c.onMousePaintBoard(Qt::LeftButton, x(60), y(18));
    c.onLButtonUp(0, x(60), y(18));
    ASSERT_EQ(2u, board().tools().size());
    CPaintMethodBase* trend = board().tools()[1];
    EXPECT_TRUE(board().waitingForThird());
    EXPECT_EQ(60, trend->mid.index);
    EXPECT_EQ(1, done.count());
    EXPECT_TRUE(c.onMousePaintBoard(0, x(70), y(14)));
    EXPECT_EQ(70, trend->end.index);
    EXPECT_TRUE(c.onMousePaintBoard(0, x(75), y(13)));
    EXPECT_EQ(75, trend->end.index);
    EXPECT_TRUE(c.onLButtonDown(0, x(75), y(13)));
    c.onLButtonUp(0, x(75), y(13));
    EXPECT_FALSE(board().waitingForThird());
    EXPECT_EQ(75, trend->end.index);
    EXPECT_EQ(50, trend->start.index);
    EXPECT_EQ(2, done.count());

    // Without a chosen tool a press is not the board's.
    c.onMousePaintBoard(0, x(97), y(10.2));
    EXPECT_FALSE(c.onLButtonDown(0, x(97), y(10.2)));
    // The inactive board ignores the mouse.
    c.setPaintBoardActive(false);
    EXPECT_FALSE(c.onMousePaintBoard(0, x(10), y(12)));
}

TEST_F(Board, HoverDragMoveAndMenu)
{
    CPaintMethodBase* b = draw("CPaintSegment", 30, 15, 40, 18);
    CPaintMethodBase* a = draw("CPaintSegment", 10, 15, 50, 15);
    ASSERT_TRUE(a && b);
    // b's start handle lies on a's line: handles come first.
    c.onMousePaintBoard(0, x(30), y(15));
    EXPECT_EQ(b, board().current());
    c.onMousePaintBoard(0, x(45), a->start.y);
    EXPECT_EQ(a, board().current());
    EXPECT_TRUE(a->selected);
    EXPECT_FALSE(b->selected);
    c.onMousePaintBoard(0, x(90), y(11));
    EXPECT_EQ(nullptr, board().current());

    // Dragging a's end handle moves only the end.
    c.onMousePaintBoard(0, a->end.x, a->end.y);
    const QPoint s0(a->start.x, a->start.y);
    c.onLButtonDown(0, a->end.x, a->end.y);
    c.onMousePaintBoard(Qt::LeftButton, x(60), y(17));
    c.onLButtonUp(0, x(60), y(17));
    EXPECT_EQ(60, a->end.index);
    EXPECT_EQ(s0, QPoint(a->start.x, a->start.y));
    // Pressing on the line moves the whole tool.
    c.onMousePaintBoard(0, x(35), a->start.y + (a->end.y - a->start.y) * 25 / 50);
    ASSERT_EQ(a, board().current());
    const QPoint p(x(35), a->start.y + (a->end.y - a->start.y) * 25 / 50);
    c.onLButtonDown(0, p.x(), p.y());
    c.onMousePaintBoard(Qt::LeftButton, x(40), p.y() + 10);
    c.onLButtonUp(0, x(40), p.y() + 10);
    EXPECT_EQ(15, a->start.index);
    EXPECT_EQ(65, a->end.index);

    // A right click on empty space cancels the chosen tool, once.
    c.setPaintBoardQChart("CPaintRect");
    c.onMousePaintBoard(0, x(90), y(11));
    EXPECT_TRUE(c.onRButtonDown(0, x(90), y(11)));
    EXPECT_FALSE(board().hasPendingFactory());
    EXPECT_FALSE(c.onRButtonDown(0, x(90), y(11)));

    // The menu of a line, then every style command.
    QSignalSpy menu(&c, &QChart::showPaintBoardMenu);
    c.onMousePaintBoard(0, b->end.x, b->end.y);
    ASSERT_TRUE(c.onRButtonDown(0, b->end.x, b->end.y));
    ASSERT_EQ(1, menu.count());
    EXPECT_EQ("line", menu.last().at(1).toString());
    ASSERT_EQ(b, board().menuTarget());
    struct {
        int type, value, color, width, style;
        bool kept;
    } cmds[] = {
        {3, 0, 0xFFFFFF, 1, 1, true},  // nothing
        {4, 0, 0xFFFFFF, 1, 1, true},         {5, 0, 0xFFFFFF, 1, 3, true}, {6, 0, 0xFFFFFF, 1, 3, true},
        {7, 0, 0xFFFFFF, 2, 3, true},         {8, 0, 0xFFFFFF, 3, 3, true}, {2, 0, 0xFFFFFF, 3, 3, true},
        {0, 0x00FF00, 0x00FF00, 3, 3, false},
    };
    for (auto cmd : cmds) {
        c.setStyleCommand(cmd.type, cmd.value);
        EXPECT_EQ(cmd.color, b->color) << "command " << cmd.type;
        EXPECT_EQ(cmd.width, b->width) << "command " << cmd.type;
        EXPECT_EQ(cmd.style, b->style) << "command " << cmd.type;
        EXPECT_EQ(cmd.kept ? b : nullptr, board().menuTarget()) << "command " << cmd.type;
    }
    c.setStyleCommand(1, 0);  // no target any more: nothing
    EXPECT_EQ(2u, board().tools().size());
    c.onMousePaintBoard(0, b->end.x, b->end.y);
    c.onRButtonDown(0, b->end.x, b->end.y);
    c.setStyleCommand(1, 0);
    ASSERT_EQ(1u, board().tools().size());
    EXPECT_EQ(a, board().tools()[0]);  // exactly that tool
    EXPECT_EQ(nullptr, board().current());
    EXPECT_EQ(nullptr, board().menuTarget());
}

TEST_F(Board, TextToolEditsThroughTheDialogSignal)
{
    QSignalSpy dlg(&c, &QChart::showTextDlg);
    QSignalSpy menu(&c, &QChart::showPaintBoardMenu);
    auto* t = dynamic_cast<CPaintText*>(draw("CPaintText", 20, 15, 20, 15));
    auto* t2 = dynamic_cast<CPaintText*>(draw("CPaintText", 60, 12, 60, 12));
    ASSERT_TRUE(t && t2);
    ASSERT_EQ(2, dlg.count());  // a new note asks for its text at once
    dlg.clear();
    c.onMousePaintBoard(0, t->start.x, t->start.y);
    ASSERT_TRUE(c.onRButtonDown(0, t->start.x, t->start.y));
    EXPECT_EQ("text", menu.last().at(1).toString());
    c.setStyleCommand(2, 0);
    c.onMousePaintBoard(0, t2->start.x, t2->start.y);
    c.onRButtonDown(0, t2->start.x, t2->start.y);
    c.setStyleCommand(2, 0);
    ASSERT_EQ(2, dlg.count());
    EXPECT_EQ("请输入文字", dlg.at(0).at(2).toString());
    EXPECT_EQ("#ffffff", dlg.at(0).at(3).toString());
    const uint id1 = dlg.at(0).at(1).toUInt(), id2 = dlg.at(1).at(1).toUInt();
    EXPECT_LT(id1, id2);  // two editors in one second differ
    // The text command keeps its target; choosing a tool leaves it behind.
    EXPECT_EQ(t2, board().menuTarget());
    ASSERT_TRUE(draw("CPaintSegment", 70, 12, 80, 13));
    EXPECT_EQ(nullptr, board().menuTarget());

    QFont f("DejaVu Sans");
    f.setPixelSize(20);
    c.setPaintBoardEditText(id1, "突破\n\"回踩\"", "#ff8000", f.toString());
    EXPECT_EQ("突破\n\"回踩\"", t->text);
    EXPECT_EQ(20, t->font.pixelSize());
    EXPECT_EQ(int(0xFFFF8000u), t->color);  // with its alpha byte, as the file keeps it
    EXPECT_TRUE(t2->text.isEmpty());

    RecordingDevice dev(800, 400);
    QPainter p(&dev);
    c.paintBoard()->paintAll(&p);
    p.end();
    const std::vector<Drawn> texts = dev.engine.of(Drawn::Text);
    ASSERT_GE(texts.size(), 2u);  // two lines of the note, then the segment's label
    EXPECT_EQ("突破", texts[0].text);
    EXPECT_EQ("\"回踩\"", texts[1].text);
    EXPECT_EQ(QColor(0xFF, 0x80, 0x00), texts[0].pen.color());
    EXPECT_EQ(QFontMetrics(t->font).lineSpacing() * 2, t->textRect.height());
}

TEST_F(Board, ToolsDrawOnBarCentres)
{
    CPaintMethodBase* g = draw("CPaintGoldenSplit", 20, 12, 40, 18);
    CPaintMethodBase* up = draw("CPaintUpArrow", 50, 14, 50, 14);
    CPaintMethodBase* gann = draw("CPaintGannLine", 60, 11, 70, 13);
    ASSERT_TRUE(g && up && gann);
    RecordingDevice dev(800, 400);
    QPainter p(&dev);
    board().paintAll(&p);
    p.end();
    const QRect plot = c.getCTXData(0)->geometry.plot;
    int golden = 0, dotted = 0, fan = 0;
    for (const Drawn& d : dev.engine.of(Drawn::Line)) {
        if (d.line.y1() == d.line.y2() && d.line.x1() == plot.left() && d.line.x2() == plot.right()) {
            ++golden;
            if (d.pen.style() == Qt::DotLine) {
                ++dotted;
                EXPECT_EQ(1, d.pen.width());
            }
        }
        if (d.line.p1() == QPointF(gann->start.x, gann->start.y))
            ++fan;
    }
    EXPECT_EQ(6, golden);
    EXPECT_EQ(4, dotted);
    EXPECT_EQ(11, fan);  // nine slopes, the vertical and the horizontal
    EXPECT_EQ(x(60), gann->start.x);
    const std::vector<Drawn> shapes = dev.engine.of(Drawn::Polygon);
    bool arrow = false;
    for (const Drawn& d : shapes)
        arrow = arrow || (d.brush.color() == QColor(0xFF, 0, 0) && d.poly.boundingRect().center().x() - x(50) < 1.5);
    EXPECT_TRUE(arrow);
    // A fan dragged leftwards draws nothing.
    CPaintMethodBase* left = draw("CPaintSpeedBlock", 80, 11, 70, 13);
    ASSERT_TRUE(left);
    RecordingDevice dev2(800, 400);
    QPainter p2(&dev2);
    left->setPainter(&p2);
    left->draw();
    p2.end();
    EXPECT_EQ(0u, dev2.engine.of(Drawn::Line).size());
}

TEST_F(Board, FileRoundTripAndFixedDocuments)
{
    c.parsePaintData("600001", 1, 33);
    // One of each storable tool.
    const char* two[] = {"CPaintSegment",
                         "CPaintLine",
                         "CPaintSpeedBlock",
                         "CPaintGannLine",
                         "CPaintGoldenSplit",
                         "CPaintGoldenPrice",
                         "CPaintBandLine",
                         "CPaintPercentage",
                         "CPaintLinerRegression",
                         "CPaintLinerRegressionBand",
                         "CPaintRegressionChannel",
                         "CPaintCycleLine",
                         "CPaintRect",
                         "CPaintEllipse",
                         "CPaintArcEllipse",
                         "CPaintVelmora"};
    int bar = 5;
    for (const char* cls : two) {
        ASSERT_TRUE(draw(cls, bar, 12.3, bar + 3, 16.7)) << cls;
        bar += 4;
    }
    ASSERT_TRUE(draw("CPaintFibonacci", 3, 13, 3, 13));
    ASSERT_TRUE(draw("CPaintUpArrow", 70, 11, 70, 11));
    ASSERT_TRUE(draw("CPaintDownArrow", 72, 18, 72, 18));
    ASSERT_TRUE(draw("CPaintThreePoint", 80, 12, 84, 17, 88, 13));
    ASSERT_TRUE(draw("CPaintTrendLine", 90, 12, 93, 17, 96, 13));
    auto* text = dynamic_cast<CPaintText*>(draw("CPaintText", 50, 15, 50, 15));
    ASSERT_TRUE(text);
    text->setEditText("说明 \"a\\b\"\n第二行", text->font);
    ASSERT_EQ(22u, board().tools().size());
    board().tools()[1]->setColor(0x123456);  // the line keeps its colour
    board().tools()[12]->setWidth(3);        // and the rectangle its width

    c.savePaintData("600001", 1, 33);
    const QString first = fileText();
    ASSERT_TRUE(first.startsWith("{\"paintArray\":[{\"type\":\"PaintSegment\",\"kstart_time\":\""))
        << qPrintable(first);
    EXPECT_TRUE(first.contains("\"text\":\"说明 \\\"a\\\\b\\\"\\n第二行\""));
    EXPECT_TRUE(first.contains("\"gann\":{\"type\":\"PaintGannLine\""));
    board().setIdentity("", 0, 0);
    c.parsePaintData("600001", 1, 33);
    ASSERT_EQ(22u, board().tools().size());
    EXPECT_EQ(0x123456, board().tools()[1]->color);
    EXPECT_EQ(3, board().tools()[12]->width);
    EXPECT_EQ("说明 \"a\\b\"\n第二行", dynamic_cast<CPaintText*>(board().tools()[21])->text);
    EXPECT_EQ(8, board().tools()[0]->end.index);
    c.savePaintData("600001", 1, 33);
    EXPECT_EQ(first.toStdString(), fileText().toStdString());  // byte for byte

    // Fixed documents load without harm.
    const char* doc =
        "{\"paintArray\":[{\"type\":\"PaintNoSuchTool\"},"
        "{\"type\":\"PaintSegment\",\"kstart_time\":\"1767571200\",\"kstart_price\":\"12.00\","
        "\"kstart_time\":\"1767225600\",\"m_color\":\"-1\",\"m_size\":7},"
        "{\"type\":\"PaintRect\",\"kstart_time\":[1],\"kend_time\":{\"a\":1},\"m_color\":true},"
        "{\"type\":\"PaintText\",\"text\":\"引号\\\"\\\\\\n行\",\"kstart_time\":\"1767657600\","
        "\"kstart_price\":\"15.00\"},"
        "{\"type\":\"PaintSegment\",\"kstart_time\":\"99\",\"kstart_price\":\"15.00\"},"
        "{\"type\":3},7]}";
    ASSERT_TRUE(HFileIO::writeData("600002-1-33.json", QString::fromUtf8(doc)));
    c.parsePaintData("600002", 1, 33);
    ASSERT_EQ(4u, board().tools().size());
    const CPaintMethodBase* seg = board().tools()[0];
    EXPECT_EQ(4, seg->start.index);  // the first "kstart_time" counts
    EXPECT_EQ(-1, seg->color);       // "%x" of "-1"... read as its 32-bit word
    EXPECT_EQ(7, seg->width);
    EXPECT_FALSE(seg->end.set());
    EXPECT_EQ(0xFFFFFF, board().tools()[1]->color);  // non-string values keep the defaults
    EXPECT_FALSE(board().tools()[1]->start.set());
    EXPECT_EQ("引号\"\\\n行", dynamic_cast<const CPaintText*>(board().tools()[2])->text);
    EXPECT_EQ(0, board().tools()[3]->start.index);  // time 99 is no bar: the index stays
    // The file of 600001 was saved before switching (it had not changed: still the same).
    EXPECT_EQ(first.toStdString(), fileText().toStdString());
}

TEST_F(Board, EmptyBoardsAndSwitchingStocks)
{
    c.parsePaintData("600003", 1, 33);
    c.startIS();
    ASSERT_TRUE(draw("CPaintText", 20, 15, 20, 15));  // a text tool without text
    c.savePaintData("600003", 1, 33);
    EXPECT_EQ("{\"paintArray\":[]}", fileText("600003"));

    ASSERT_TRUE(draw("CPaintRect", 20, 12, 30, 15));
    c.parsePaintData("600003", 1, 35);  // another cycle: the old file is saved first
    EXPECT_TRUE(fileText("600003", 33).contains("PaintRect"));
    EXPECT_EQ(1u, board().tools().size());  // only the full-rectangle tool
    EXPECT_EQ(c.fullRectTool(), board().tools()[0]);
    c.parsePaintData("600003", 1, 33);
    ASSERT_EQ(2u, board().tools().size());

    // The last tool deleted: an empty array, so it does not come back.
    CPaintMethodBase* r = board().tools()[1];
    c.onMousePaintBoard(0, r->start.x, r->start.y);
    c.onRButtonDown(0, r->start.x, r->start.y);
    c.setStyleCommand(1, 0);
    c.parsePaintData("600003", 1, 36);
    EXPECT_EQ("{\"paintArray\":[]}", fileText("600003"));

    // clear() keeps the full-rectangle tool, and nothing else stays chosen.
    ASSERT_TRUE(draw("CPaintSegment", 10, 12, 20, 15));
    c.setPaintBoardQChart("CPaintRect");
    c.setPaintBoardQChart("clear");
    ASSERT_EQ(1u, board().tools().size());
    EXPECT_EQ(c.fullRectTool(), board().tools()[0]);
    EXPECT_EQ(nullptr, board().current());
    EXPECT_FALSE(board().hasPendingFactory());
    // A code that is not file-safe is neither read nor written.
    c.parsePaintData("../x", 1, 33);
    c.savePaintData("../x", 1, 33);
    EXPECT_TRUE(HFileIO::readData("../x-1-33.json").isEmpty());
}

// Files this version cannot read, or only in part, survive the chart being
// viewed: an unchanged board writes nothing, an unreadable file is kept as
// ".bad" before a new drawing takes its place, and a tool of an unknown type
// goes back into the file as it was read.
TEST_F(Board, UnreadableAndForeignFilesSurviveViewing)
{
    const QString segment =
        "{\"type\":\"PaintSegment\",\"kstart_time\":\"1767225600\",\"kstart_price\":\"12.00\","
        "\"kend_time\":\"1768089600\",\"kend_price\":\"15.00\",\"m_color\":\"ffffff\","
        "\"m_size\":\"1\",\"m_style\":\"1\"}";
    const QString rect =
        "{\"type\":\"PaintRect\",\"kstart_time\":\"1767398400\",\"kstart_price\":\"11.00\","
        "\"kend_time\":\"1768262400\",\"kend_price\":\"14.00\"}";
    const QString foreign = "{\"type\":\"PaintFutureTool\",\"kstart_time\":\"1767225600\",\"extra\":[1,{\"a\":\"b\"}]}";
    struct Case {
        const char* what;
        QString code;
        QString text;
        bool readable;  // a new drawing replaces it without a .bad copy
        size_t tools;   // tools read
    };
    const Case cases[] = {
        {"cut after two tools", "600011", "{\"paintArray\":[" + segment + "," + rect + ",{\"type\":\"PaintRe", false,
         0},
        {"unknown tool type", "600012", "{\"paintArray\":[" + segment + "," + foreign + "," + rect + "]}", true, 2},
        {"not a drawing document", "600013", "[1,2,3]", false, 0},
        {"no tool array", "600014", "{\"paintArray\":{\"type\":\"PaintSegment\"}}", false, 0},
    };
    for (const Case& r : cases) {
        const QString name = r.code + "-1-33.json";
        ASSERT_TRUE(HFileIO::writeData(name, r.text));
        {
            // The day chart opened, hidden, shown again and closed.
            QChart view;
            setUpKLinePane(view, 1);
            view.setLineType("kline");
            KRecord kk = bars(100, r.code.toLatin1().constData());
            view.onUpdateKLine(kk.get(), 0);
            view.setPaintBoardActive(true);
            view.parsePaintData(r.code, 1, 33);
            EXPECT_EQ(r.tools, view.paintBoard()->tools().size()) << r.what;
            view.savePaintData(r.code, 1, 33);
            view.parsePaintData("", 0, 0);
            view.parsePaintData(r.code, 1, 33);
            view.savePaintData(r.code, 1, 33);
        }
        EXPECT_EQ(r.text.toStdString(), HFileIO::readData(name).toStdString()) << r.what << ": viewing rewrote it";
        EXPECT_FALSE(QFile::exists(HFileIO::dataPath(name + ".bad"))) << r.what;

        // A tool drawn on it: the file takes the new tool; what could not be
        // read is kept aside first, an unknown tool stays in the file.
        c.parsePaintData(r.code, 1, 33);
        ASSERT_TRUE(draw("CPaintRect", 20, 12, 30, 15)) << r.what;
        c.savePaintData(r.code, 1, 33);
        const QString saved = HFileIO::readData(name);
        EXPECT_TRUE(saved.startsWith("{\"paintArray\":[")) << r.what << ": " << qPrintable(saved);
        const int kept = r.text.contains("PaintFutureTool") ? 1 : 0;
        EXPECT_EQ(int(r.tools) + 1 + kept, saved.count("\"type\":\"Paint")) << r.what << ": " << qPrintable(saved);
        if (r.readable) {
            EXPECT_FALSE(QFile::exists(HFileIO::dataPath(name + ".bad"))) << r.what;
            EXPECT_TRUE(saved.contains(foreign)) << r.what << ": " << qPrintable(saved);
        } else {
            EXPECT_EQ(r.text.toStdString(), HFileIO::readData(name + ".bad").toStdString()) << r.what;
        }
        // Read back: the new tool is there, the unknown one still kept.
        board().setIdentity("", 0, 0);
        c.parsePaintData(r.code, 1, 33);
        EXPECT_EQ(r.tools + 1, board().tools().size()) << r.what;
        c.savePaintData(r.code, 1, 33);
        EXPECT_EQ(saved.toStdString(), HFileIO::readData(name).toStdString()) << r.what;
    }
}

TEST_F(Board, IntervalStatisticsFromTheRectangleAndDates)
{
    QSignalSpy stats(&c, &QChart::showIntervalStatistics);
    c.startIS();
    c.onMousePaintBoard(0, x(10), y(12));
    ASSERT_TRUE(c.onLButtonDown(0, x(10), y(12)));
    c.onMousePaintBoard(Qt::LeftButton, x(19), y(12));
    c.onLButtonUp(0, x(19), y(12));
    ASSERT_EQ(1, stats.count());
    QJsonObject j = stats.last().at(0).toJsonObject();
    // Bars 10 .. 19: closes 10 .. 19, reference close (bar 9) 19; opens equal
    // the close on bars 12, 15, 18 (flat), else half below (rising).
    auto value = [&](const char* array, int i) { return j[array].toArray()[i].toObject()["vol"].toString(); };
    auto name = [&](const char* array, int i) { return j[array].toArray()[i].toObject()["name"].toString(); };
    const char* names1[] = {"总数", "阴线", "起始价", "最高", "涨幅", "振幅", "成交量"};
    const char* names2[] = {"阳线", "平线", "终止价", "最低", "涨跌", "换手率", "成交金额"};
    const char* values1[] = {"10个", "0个", "19.00", "20.00", "-%", "57.89%", "10000"};
    const char* values2[] = {"7个", "3个", "19.00", "9.00", "-", "12.50%", "20.00万"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(names1[i], name("array1", i));
        EXPECT_EQ(values1[i], value("array1", i)) << names1[i];
        EXPECT_EQ(names2[i], name("array2", i));
        EXPECT_EQ(values2[i], value("array2", i)) << names2[i];
    }
    EXPECT_EQ(100, j["dates"].toArray().size());
    const QString d10 = QDateTime::fromSecsSinceEpoch(k.points[10].time).toString("yyyy-MM-dd");
    const QString d19 = QDateTime::fromSecsSinceEpoch(k.points[19].time).toString("yyyy-MM-dd");
    EXPECT_EQ(d10, j["sdate"].toString());
    EXPECT_EQ(d19, j["edate"].toString());

    // The same span dragged from right to left gives the same figures.
    const QJsonObject rightwards = j;
    c.startIS();
    c.onMousePaintBoard(0, x(19), y(12));
    ASSERT_TRUE(c.onLButtonDown(0, x(19), y(12)));
    c.onMousePaintBoard(Qt::LeftButton, x(10), y(12));
    c.onLButtonUp(0, x(10), y(12));
    ASSERT_EQ(2, stats.count()) << "a leftward rectangle brings its statistics too";
    EXPECT_EQ(rightwards, stats.last().at(0).toJsonObject());
    stats.removeLast();

    // By dates: bar 0 is its own reference.
    const QString d0 = QDateTime::fromSecsSinceEpoch(k.points[0].time).toString("yyyy-MM-dd");
    const QString d5 = QDateTime::fromSecsSinceEpoch(k.points[5].time).toString("yyyy-MM-dd");
    c.setISStartEnd(d0, d5);
    ASSERT_EQ(2, stats.count());
    j = stats.last().at(0).toJsonObject();
    EXPECT_EQ("10.00", value("array1", 2));
    EXPECT_EQ("50.00%", value("array1", 4));  // (15 - 10) / 10
    EXPECT_EQ(0, c.fullRectTool()->start.index);
    EXPECT_EQ(5, c.fullRectTool()->end.index);
    c.setISStartEnd("1999-01-01", d5);  // not in the series: unchanged
    EXPECT_EQ(2, stats.count());
    c.setISStartEndIndex(150, 160);  // beyond the last bar: nothing
    c.setISStartEndIndex(8, 3);
    EXPECT_EQ(2, stats.count());

    // The rectangle belongs to the chart: no menu, and "delete" keeps it.
    c.onMousePaintBoard(0, x(3), y(12));
    ASSERT_EQ(c.fullRectTool(), board().current());
    EXPECT_FALSE(c.onRButtonDown(0, x(3), y(12)));
    c.setStyleCommand(1, 0);
    ASSERT_EQ(1u, board().tools().size());
    EXPECT_EQ(c.fullRectTool(), board().tools()[0]);
    c.clearIS();
    EXPECT_TRUE(board().tools().empty());
}

TEST_F(Board, RegressionAndCompositeToolsDrawTheirParts)
{
    // Bars 20 .. 24 close at 10 .. 14: slope 1 per bar, intercept 10.
    CPaintMethodBase* reg = draw("CPaintLinerRegressionBand", 20, 11, 24, 16);
    CPaintMethodBase* vel = draw("CPaintVelmora", 60, 12, 70, 16);
    ASSERT_TRUE(reg && vel);
    reg->selected = false;
    RecordingDevice dev(800, 400);
    QPainter p(&dev);
    reg->setPainter(&p);
    reg->setRect(c.getCTXData(0)->geometry.plot);
    reg->draw();
    reg->setPainter(nullptr);
    const std::vector<Drawn> lines = dev.engine.of(Drawn::Line);
    ASSERT_EQ(3u, lines.size());  // the line and its two parallels
    EXPECT_NEAR(x(20), lines[0].line.x1(), 0.5);
    EXPECT_NEAR(x(24), lines[0].line.x2(), 0.5);
    EXPECT_NEAR(y(10), lines[0].line.y1(), 1.0);
    EXPECT_NEAR(y(14), lines[0].line.y2(), 1.0);
    EXPECT_NEAR(y(11), lines[1].line.y1(), 1.0);  // through the highs (close + 1)
    EXPECT_NEAR(y(9), lines[2].line.y1(), 1.0);   // through the lows

    dev.engine.items.clear();
    board().paintAll(&p);
    p.end();
    int gann = 0, golden = 0, fib = 0;
    for (const Drawn& d : dev.engine.of(Drawn::Line)) {
        const QRgb rgb = d.pen.color().rgb() & 0xFFFFFF;
        gann += rgb == 0x8900FF && (d.pen.style() == Qt::DotLine || d.pen.width() == 2);
        golden += rgb == 0x00FF00;
        fib += rgb == 0xD66B6B;
    }
    EXPECT_EQ(11, gann);   // nine slopes, vertical, horizontal
    EXPECT_EQ(6, golden);  // six ratios
    EXPECT_GE(fib, 5);     // bars 70, 71, 72, 74, 77, ... within the plot
}

TEST(PaintPen, PrimitivesFollowThePenRule)
{
    RecordingDevice dev(400, 200);
    QPainter p(&dev);
    PaintPen pen;
    pen.painter = &p;
    pen.width = 3;
    pen.color = 0x123456;
    pen.line(QPoint(0, 0), QPoint(10, 10));
    pen.style = 3;
    pen.line(QPoint(0, 0), QPoint(10, 10));
    const QRect r = pen.printText(QPoint(5, 5), QString(200, 'x'));
    QFont f = p.font();
    f.setPixelSize(14);
    const QRect two = pen.drawMultiLineText(QPoint(5, 50), "一\n二", &f);
    p.end();
    const std::vector<Drawn> lines = dev.engine.of(Drawn::Line);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(3, lines[0].pen.width());
    EXPECT_EQ(QColor(0x12, 0x34, 0x56), lines[0].pen.color());
    EXPECT_EQ(1, lines[1].pen.width());  // dotted lines are 1 pixel wide
    EXPECT_EQ(Qt::DotLine, lines[1].pen.style());
    const std::vector<Drawn> texts = dev.engine.of(Drawn::Text);
    ASSERT_GE(texts.size(), 1u);
    EXPECT_EQ(128, texts[0].text.size());  // cut at 128 characters
    EXPECT_EQ(18, r.height());
    EXPECT_EQ(QFontMetrics(f).lineSpacing() * 2, two.height());
}

// Solid 1-pixel lines along a row or column through pixel centres (the tools'
// layer is painted shifted by half a pixel) cover exactly the pixels from end
// to end, both included, crisp, whichever way they run and when clipped.
TEST(PaintPen, AxisLinesCoverWholePixelsEndToEnd)
{
    // Solid lines cover every pixel from end to end (cut at the image);
    // dotted ones every third pixel from the start, whichever way they run.
    struct Case {
        QPoint a, b;
        int style;
        std::function<bool(int x, int y)> want;
    };
    auto rect = [](QRect r) { return [r](int x, int y) { return r.contains(x, y); }; };
    auto dots = [](std::vector<QPoint> d) {
        return [d](int x, int y) { return std::find(d.begin(), d.end(), QPoint(x, y)) != d.end(); };
    };
    const Case cases[] = {
        {{2, 3}, {30, 3}, 1, rect({2, 3, 29, 1})},
        {{30, 5}, {2, 5}, 1, rect({2, 5, 29, 1})},
        {{5, 1}, {5, 10}, 1, rect({5, 1, 1, 10})},
        {{5, 10}, {5, 1}, 1, rect({5, 1, 1, 10})},
        {{0, 0}, {39, 0}, 1, rect({0, 0, 40, 1})},
        {{-5, 11}, {50, 11}, 1, rect({0, 11, 40, 1})},
        {{2, 3}, {12, 3}, 3, dots({{2, 3}, {5, 3}, {8, 3}, {11, 3}})},
        {{12, 5}, {2, 5}, 3, dots({{12, 5}, {9, 5}, {6, 5}, {3, 5}})},
        {{7, 1}, {7, 10}, 3, dots({{7, 1}, {7, 4}, {7, 7}, {7, 10}})},
    };
    for (const Case& c : cases) {
        QImage img(40, 12, QImage::Format_ARGB32_Premultiplied);
        img.fill(0);
        {
            QPainter p(&img);
            p.setRenderHints(QPainter::Antialiasing);
            p.translate(0.5, 0.5);
            PaintPen pen;
            pen.painter = &p;
            pen.color = 0x123456;
            pen.style = c.style;
            pen.line(c.a, c.b);
            EXPECT_TRUE(p.testRenderHint(QPainter::Antialiasing));
        }
        int wrong = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                wrong += img.pixel(x, y) != (c.want(x, y) ? qRgb(0x12, 0x34, 0x56) : 0u);
        EXPECT_EQ(0, wrong) << "style " << c.style << " " << c.a.x() << "," << c.a.y() << " to " << c.b.x() << ","
                            << c.b.y();
    }
}

// The tools' layer image is made once and painted over on later frames; a
// resize makes it again at the new size, the last tool gone drops it. The
// tool still reaches the frame each time, clipped to the plot.
TEST_F(Board, ToolImageKeptBetweenPaintsAndRemadeOnResize)
{
    CPaintMethodBase* r = draw("CPaintRect", 20, 12, 40, 18);
    ASSERT_TRUE(r);
    const QRect plot = c.getCTXData(0)->geometry.plot;
    // The rectangle's top edge (within a pixel of its anchor), inside the
    // plot, and nothing above the plot.
    const QPoint edge((r->start.x + r->end.x) / 2, std::min(r->start.y, r->end.y));
    auto frame = [&](QSize size) {
        QImage img(size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::black);
        QPainter p(&img);
        c.paint(&p);
        return img;
    };
    QImage f1 = frame(QSize(800, 400));
    const uchar* bits = c.drawingToolsImage().constBits();
    ASSERT_NE(nullptr, bits);
    EXPECT_EQ(QSize(800, 400), c.drawingToolsImage().size());
    auto edgeDrawn = [&](const QImage& f) {
        return f.pixel(edge + QPoint(0, -1)) != qRgb(0, 0, 0) || f.pixel(edge) != qRgb(0, 0, 0) ||
               f.pixel(edge + QPoint(0, 1)) != qRgb(0, 0, 0);
    };
    EXPECT_TRUE(edgeDrawn(f1)) << "the rectangle's edge at " << edge.x() << "," << edge.y();
    EXPECT_EQ(qRgb(0, 0, 0), f1.pixel(edge.x(), plot.top() - 2)) << "nothing drawn above the plot";
    QImage f2 = frame(QSize(800, 400));
    EXPECT_EQ(bits, c.drawingToolsImage().constBits());
    EXPECT_EQ(f1, f2);

    c.setSize(QSizeF(900, 300));
    frame(QSize(900, 300));
    EXPECT_EQ(QSize(900, 300), c.drawingToolsImage().size());
    EXPECT_NE(bits, c.drawingToolsImage().constBits());

    board().clear();
    frame(QSize(900, 300));
    EXPECT_TRUE(c.drawingToolsImage().isNull());
}

// A drag that does not start on a tool (a zoom, a scroll) crosses the tools
// and leaves every one where it was, whether the board is active (palette
// open) or not; nothing is marked for saving and the file stays as it was.
TEST_F(Board, DragsFromEmptySpaceMoveNoTool)
{
    ASSERT_TRUE(HFileIO::writeData("600009-1-33.json", "{\"paintArray\":[]}"));
    c.parsePaintData("600009", 1, 33);
    CPaintMethodBase* seg = draw("CPaintSegment", 10, 15, 50, 15);
    ASSERT_TRUE(seg);
    c.savePaintData("600009", 1, 33);
    const QString saved = fileText("600009");
    ASSERT_TRUE(saved.contains("PaintSegment"));
    const QPoint lineAt30(x(30), seg->start.y);
    struct Case {
        const char* what;
        bool active;
        std::function<void()> before;  // what the mouse did before the press
        QPoint press;
    };
    const Case cases[] = {
        {"zoom over the line, palette closed", false, [] {}, QPoint(x(25), y(18))},
        {"zoom over the line, palette open", true, [&] { c.onMousePaintBoard(0, x(25), y(18)); }, QPoint(x(25), y(18))},
        // The line was hovered last (the event strip took the moves after
        // it): the press off the line must not drag it.
        {"press off a hovered line", true, [&] { c.onMousePaintBoard(0, lineAt30.x(), lineAt30.y()); },
         QPoint(x(25), y(18))},
        // Hovered inside, pressed outside the plot, dragged in.
        {"press outside the plot", true, [&] { c.onMousePaintBoard(0, lineAt30.x(), lineAt30.y()); }, QPoint(x(25), 5)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        c.setPaintBoardActive(k.active);
        board().setModified(false);
        const PaintPoint s0 = seg->start, e0 = seg->end;
        k.before();
        EXPECT_FALSE(c.onLButtonDown(0, k.press.x(), k.press.y())) << "the press is the chart's (zoom)";
        // Down across the line (one move right on it) to another bar, as a
        // zoom rectangle goes.
        const QPoint moves[] = {QPoint(x(27), (k.press.y() + lineAt30.y()) / 2), lineAt30,
                                QPoint(x(33), lineAt30.y() + 4), QPoint(x(40), y(12))};
        for (const QPoint& m : moves)
            EXPECT_FALSE(c.onMousePaintBoard(Qt::LeftButton, m.x(), m.y())) << "at " << m.x() << "," << m.y();
        c.onLButtonUp(0, x(40), y(12));
        EXPECT_EQ(s0.index, seg->start.index);
        EXPECT_EQ(e0.index, seg->end.index);
        EXPECT_FLOAT_EQ(s0.price, seg->start.price);
        EXPECT_FLOAT_EQ(e0.price, seg->end.price);
        EXPECT_EQ(QPoint(s0.x, s0.y), QPoint(seg->start.x, seg->start.y));
        EXPECT_FALSE(board().modified());
    }
    c.parsePaintData("600009", 1, 35);  // leaving the K-lines saves a changed board
    EXPECT_EQ(saved.toStdString(), fileText("600009").toStdString());

    // Inactive, the board takes no press, no right click and no hover.
    c.parsePaintData("600009", 1, 33);
    ASSERT_EQ(1u, board().tools().size());
    c.setPaintBoardActive(false);
    seg = board().tools()[0];
    EXPECT_FALSE(c.onMousePaintBoard(0, seg->end.x, seg->end.y));
    EXPECT_EQ(nullptr, board().current());
    EXPECT_FALSE(c.onLButtonDown(0, seg->end.x, seg->end.y));
    EXPECT_FALSE(c.onRButtonDown(0, seg->end.x, seg->end.y));
    // Active again, a press on the line's end handle still drags that end.
    c.setPaintBoardActive(true);
    c.onMousePaintBoard(0, seg->end.x, seg->end.y);
    ASSERT_TRUE(c.onLButtonDown(0, seg->end.x, seg->end.y));
    c.onMousePaintBoard(Qt::LeftButton, x(60), y(17));
    c.onLButtonUp(0, x(60), y(17));
    EXPECT_EQ(60, seg->end.index);
    EXPECT_EQ(10, seg->start.index);
}

// Leaving the chart with a tool chosen but not drawn gives the choice up.
TEST_F(Board, LeavingTheChartGivesUpTheChosenTool)
{
    c.setPaintBoardQChart("CPaintSegment");
    ASSERT_TRUE(board().hasPendingFactory());
    c.onLButtonLeave(0, 0, 0);
    EXPECT_FALSE(board().hasPendingFactory());
    EXPECT_FALSE(c.onLButtonDown(0, x(20), y(12))) << "no tool is made by the next press";
    c.onLButtonUp(0, x(20), y(12));
    EXPECT_TRUE(board().tools().empty());
}

// A new note writes in the charts' text font; its colour keeps the alpha
// byte in the file ("ffff0000"), and files of the older form ("ff0000")
// paint the same colour.
TEST_F(Board, NoteFontAndColourInTheFile)
{
    auto* t = dynamic_cast<CPaintText*>(draw("CPaintText", 20, 15, 20, 15));
    ASSERT_TRUE(t);
    EXPECT_EQ("Microsoft YaHei", t->font.family());
    EXPECT_EQ(12, t->font.pixelSize());
    EXPECT_EQ(50, t->font.weight());
    EXPECT_EQ(QFont::StyleNormal, t->font.style());
    c.parsePaintData("600004", 1, 33);
    t = dynamic_cast<CPaintText*>(draw("CPaintText", 20, 15, 20, 15));
    ASSERT_TRUE(t);
    c.setPaintBoardEditText(t->editId(), "红字", "#ff0000", t->font.toString());
    c.savePaintData("600004", 1, 33);
    EXPECT_TRUE(fileText("600004").contains("\"m_color\":\"ffff0000\"")) << qPrintable(fileText("600004"));

    const QString t20 = QString::number(k.points[20].time);
    const struct {
        const char* colour;
        QColor painted;
    } forms[] = {{"ffff0000", QColor(255, 0, 0)}, {"ff0000", QColor(255, 0, 0)}, {"ff00ff00", QColor(0, 255, 0)}};
    for (const auto& f : forms) {
        SCOPED_TRACE(f.colour);
        const QString doc =
            QStringLiteral(
                "{\"paintArray\":[{\"type\":\"PaintText\",\"text\":\"字\",\"kstart_time\":\"%1\","
                "\"kstart_price\":\"15.00\",\"kend_time\":\"%1\",\"kend_price\":\"15.00\",\"m_color\":\"%2\"}]}")
                .arg(t20, f.colour);
        ASSERT_TRUE(HFileIO::writeData("600005-1-33.json", doc));
        board().setIdentity("", 0, 0);
        c.parsePaintData("600005", 1, 33);
        ASSERT_EQ(1u, board().tools().size());
        RecordingDevice dev(800, 400);
        QPainter p(&dev);
        board().paintAll(&p);
        p.end();
        const std::vector<Drawn> texts = dev.engine.of(Drawn::Text);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(f.painted, texts[0].pen.color());
    }
}

// Ratio-line labels print the price the ratio gives between the tool's two
// points, worked out by hand, and no label covers another of its tool. The
// two-point tools go from 21.50 (bar 20) to 13.50 (bar 40), a fall of 8.00;
// the trend line goes 13.50 (bar 20), 17.50 (bar 40), 13.50 (bar 60) and
// stands its golden split on the end point with the first leg's height, so
// from 13.50 up 4.00.
TEST(BoardLabels, RatioLinesPrintTheAnchorsRatioPrice)
{
    QChart c;
    KRecord k = bars(100, "600001", 12.0f);  // lows 11 .. highs 22
    showBoard(c, k);
    const struct {
        const char* type;
        const char* endPrice;
        bool threePoint;
        std::vector<const char*> labels;
    } cases[] = {
        // 21.50 - 8 x 0.236 = 19.612, x 0.382 = 18.444, x 0.5 = 17.50, x 0.618 = 16.556
        {"PaintGoldenSplit",
         "13.50",
         false,
         {"0.0%,  21.50", "23.6%,  19.61", "38.2%,  18.44", "50.0%,  17.50", "61.8%,  16.56", "100.0%,  13.50"}},
        // x 0.618 = 16.556, x 0.809 = 15.028, x 1 = 13.50, x 1.191 = 11.972 (the rest lie below the plot)
        {"PaintGoldenPrice", "13.50", false, {"61.8%,  16.56", "80.9%,  15.03", "100.0%,  13.50", "119.1%,  11.97"}},
        // x 0.25 = 19.50, x 0.33 = 18.86, x 0.5 = 17.50
        {"PaintBandLine",
         "13.50",
         false,
         {"0.0%,  21.50", "25.0%,  19.50", "33.0%,  18.86", "50.0%,  17.50", "100.0%,  13.50"}},
        // x 1/8 = 20.50, x 1/4 = 19.50, x 1/3 = 18.8333, x 3/8 = 18.50, x 5/8 = 16.50,
        // x 2/3 = 16.1667, x 3/4 = 15.50, x 7/8 = 14.50
        {"PaintPercentage",
         "13.50",
         false,
         {"0.0%,  21.50", "12.5%,  20.50", "25.0%,  19.50", "33.3%,  18.83", "37.5%,  18.50", "50.0%,  17.50",
          "62.5%,  16.50", "66.7%,  16.17", "75.0%,  15.50", "87.5%,  14.50", "100.0%,  13.50"}},
        // bar 20 to bar 40: a cycle of 20 bars
        {"PaintCycleLine", "13.50", false, {"20"}},
        // 13.50 + 4 x 0.236 = 14.444, x 0.382 = 15.028, x 0.5 = 15.50, x 0.618 = 15.972
        {"PaintTrendLine",
         "17.50",
         true,
         {"0.0%,  13.50", "23.6%,  14.44", "38.2%,  15.03", "50.0%,  15.50", "61.8%,  15.97", "100.0%,  17.50"}},
        // lines 0.40 apart in all, closer than a text line: every label whole
        // 21.50 - 0.4 x 0.236 = 21.4056, x 0.382 = 21.3472, x 0.5 = 21.30, x 0.618 = 21.2528
        {"PaintGoldenSplit",
         "21.10",
         false,
         {"0.0%,  21.50", "23.6%,  21.41", "38.2%,  21.35", "50.0%,  21.30", "61.8%,  21.25", "100.0%,  21.10"}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(std::string(t.type) + " to " + t.endPrice);
        const QString doc =
            t.threePoint
                ? QStringLiteral(
                      "{\"paintArray\":[{\"type\":\"%1\",\"kstart_time\":\"%2\",\"kstart_price\":\"13.50\","
                      "\"kmid_time\":\"%3\",\"kmid_price\":\"%4\",\"kend_time\":\"%5\",\"kend_price\":\"13.50\"}]}")
                      .arg(t.type)
                      .arg(k.points[20].time)
                      .arg(k.points[40].time)
                      .arg(t.endPrice)
                      .arg(k.points[60].time)
                : QStringLiteral(
                      "{\"paintArray\":[{\"type\":\"%1\",\"kstart_time\":\"%2\",\"kstart_price\":"
                      "\"21.50\",\"kend_time\":\"%3\",\"kend_price\":\"%4\"}]}")
                      .arg(t.type)
                      .arg(k.points[20].time)
                      .arg(k.points[40].time)
                      .arg(t.endPrice);
        ASSERT_TRUE(HFileIO::writeData("600001-1-33.json", doc));
        c.paintBoard()->setIdentity("", 0, 0);
        c.parsePaintData("600001", 1, 33);
        ASSERT_EQ(1u, c.paintBoard()->tools().size());
        RecordingDevice dev(800, 400);
        QPainter p(&dev);
        c.paintBoard()->paintAll(&p);
        const int ascent = p.fontMetrics().ascent(), lineHeight = p.fontMetrics().height();
        p.end();
        QStringList texts;
        std::vector<QRectF> boxes;
        for (const Drawn& d : dev.engine.of(Drawn::Text)) {
            texts << d.text;
            if (d.text.contains('%'))
                boxes.emplace_back(d.at.x(), d.at.y() - ascent, d.advance, lineHeight);
        }
        for (const char* want : t.labels)
            EXPECT_TRUE(texts.contains(QString::fromUtf8(want))) << want << " among " << qPrintable(texts.join(" | "));
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(boxes[i].intersects(boxes[j]))
                    << qPrintable(texts.join(" | ")) << ": labels " << i << " and " << j << " overlap";
        // The picture, to look at.
        QImage shot(int(c.width()), int(c.height()), QImage::Format_RGB32);
        shot.fill(Qt::black);
        QPainter sp(&shot);
        c.paintBoard()->paintAll(&sp);
        sp.end();
        const QString dir = QStringLiteral(TARVOLIN_BIN_DIR "/../screenshots");
        QDir().mkpath(dir);
        shot.save(QStringLiteral("%1/drawing-labels-%2-%3.png").arg(dir, t.type, t.endPrice));
    }
    // The other board tests find no drawing of this one.
    QFile::remove(HFileIO::dataPath("600001-1-33.json"));
}

// Exact zeros of rise, amplitude and turnover print "-%", the price change "-".
TEST(BoardStatistics, ExactZerosPrintADash)
{
    QChart c;
    KRecord k({{0, 10.0f}, {1, 10.0f}, {2, 10.0f}});
    for (QuoteKPoint& p : k.points) {
        p.open = p.high = p.low = p.close;
        p.extra = 0.0f;
    }
    setUpKLinePane(c, 1);
    c.setLineType("kline");
    c.onUpdateKLine(k.get(), 0);
    QSignalSpy stats(&c, &QChart::showIntervalStatistics);
    c.setISStartEndIndex(0, 2);
    ASSERT_EQ(1, stats.count());
    const QJsonObject j = stats.last().at(0).toJsonObject();
    auto value = [&](const char* array, int i) { return j[array].toArray()[i].toObject()["vol"].toString(); };
    EXPECT_EQ("-%", value("array1", 4));   // 涨幅
    EXPECT_EQ("-%", value("array1", 5));   // 振幅
    EXPECT_EQ("-", value("array2", 4));    // 涨跌
    EXPECT_EQ("-%", value("array2", 5));   // 换手率
    EXPECT_EQ("3个", value("array2", 1));  // 平线
}
