// The drawing tools. Each keeps up to three anchors (bar and price) so that
// it stays on its bars when the chart scrolls or zooms, converts them to
// pixels against the chart's first slot before each paint, draws through its
// PaintPen, answers hit tests and writes and reads its object of the
// drawing-tool file.
#pragma once

#include <QFont>
#include <QLine>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

#include "charts/core/chartbar.h"
#include "charts/core/paintgeometry.h"
#include "charts/paintpen.h"
#include "shell/core/jsontree.h"

class QChart;
class QPainter;

struct PaintPoint {
    int x = -1, y = -1;  // pixels; -1, -1 when not set
    int index = 0;       // bar index
    int32_t time = 0;    // the bar's time stamp
    int32_t extra = 0;
    float price = 0.0f;
    bool set() const { return x != -1 || y != -1; }
};

// The text tool's editor: the dialog is asked for with an edit id, and the
// answer comes back with it.
class IPaintTextEditor {
public:
    virtual ~IPaintTextEditor() = default;
    virtual void openEditor() = 0;
    virtual uint editId() const = 0;
    virtual void setEditText(const QString& text, const QFont& font) = 0;
};

class CPaintMethodBase {
public:
    explicit CPaintMethodBase(const char* type);
    virtual ~CPaintMethodBase();
    CPaintMethodBase(const CPaintMethodBase&) = delete;
    CPaintMethodBase& operator=(const CPaintMethodBase&) = delete;

    const char* typeName() const { return type_; }

    virtual void setChart(QChart* chart);
    virtual void setPainter(QPainter* painter);
    virtual void setRect(int left, int top, int right, int bottom);
    void setRect(const QRect& r) { setRect(r.left(), r.top(), r.right(), r.bottom()); }
    virtual void setColor(int color);
    virtual void setWidth(int width);
    virtual void setStyle(int style);
    virtual void setStartPoint(int x, int y);
    virtual void setMidPoint(int x, int y);
    virtual void setEndPoint(int x, int y);
    virtual void moveBy(int dx, int dy);
    virtual bool hitShape(int x, int y) = 0;
    virtual bool hitTest(int x, int y);
    virtual bool hitStart(int x, int y);
    virtual bool hitEnd(int x, int y);
    virtual bool hitMid(int x, int y);
    // The tool's object of the file, or null when it writes none.
    virtual json_node* toJson() const;
    virtual void loadJson(const json_node* obj);
    virtual void relayout();
    virtual void clearPoints();
    virtual void draw();
    virtual IPaintTextEditor* textEditor() { return nullptr; }
    virtual void drawShape(int x1, int y1, int x2, int y2) = 0;
    virtual void drawLabels(int x1, int y1, int x2, int y2) = 0;
    virtual void drawHandles();
    virtual bool computeThreePoint() { return true; }
    virtual bool computeTwoPoint() { return true; }
    virtual void selectionChanged() {}
    virtual void anchorsChanged() {}

    // Re-resolves the three anchors by their time stamps.
    void resolveAnchors();
    // Pixel points from the anchors.
    void placeFromAnchors();
    paintcore::PaintFrame frame() const;
    // File fields: an anchor's time and price, a new object with its "type".
    static void writePoint(json_node* o, const char* timeKey, const char* priceKey, const PaintPoint& p);
    static bool readPoint(const json_node* o, const char* timeKey, const char* priceKey, PaintPoint& p);
    static json_node* newObject(const char* type);

    bool immediateDraw = true;
    bool threePoint = false;
    bool pixelsAuthoritative = false;
    bool selected = true;
    bool labelsShown = true;
    PaintPoint start, end, mid;
    PaintPen pen;
    QChart* chart = nullptr;
    QRect rect;
    QPainter* painter = nullptr;
    int color = 0xFFFFFF, width = 1, style = 1;
    int handleColor = 0xFFFF00;

protected:
    void setPoint(PaintPoint& p, int x, int y);
    void anchorOf(PaintPoint& p) const;
    void pixelOf(PaintPoint& p) const;
    bool compute();
    const std::vector<ChartBar>* bars() const;
    json_node* writeCommon() const;
    void readPoints(const json_node* obj);
    void readPen(const json_node* obj);
    void finishLoad();
    // The pixel point a stored anchor gives back after a reload.
    QPoint storedPixel(const PaintPoint& p) const;
    void label(const QPoint& at, const QString& text);

private:
    const char* type_;
};

// Makes the tool named by its class ("CPaintSegment") or file type
// ("PaintSegment"); null for an unknown name.
std::unique_ptr<CPaintMethodBase> createPaintTool(const QString& name);
// Whether the name is one of the tools (class or type).
bool isPaintToolName(const QString& name);

class CPaintSegment : public CPaintMethodBase {
public:
    CPaintSegment() : CPaintMethodBase("PaintSegment") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
};

class CPaintLine : public CPaintMethodBase {
public:
    CPaintLine() : CPaintMethodBase("PaintLine") {}
    bool hitShape(int x, int y) override;
    bool computeTwoPoint() override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    double k = 0.0, b = 0.0;
};

// Gann fan and speed-resistance lines.
class CPaintFan : public CPaintMethodBase {
public:
    CPaintFan(const char* type, bool gann) : CPaintMethodBase(type), gann_(gann) {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;

private:
    std::vector<paintcore::FanLine> lines() const;
    bool gann_;
};
class CPaintGannLine : public CPaintFan {
public:
    CPaintGannLine() : CPaintFan("PaintGannLine", true) {}
};
class CPaintSpeedBlock : public CPaintFan {
public:
    CPaintSpeedBlock() : CPaintFan("PaintSpeedBlock", false) {}
};

class CPaintRatioLine : public CPaintMethodBase {
public:
    CPaintRatioLine(const char* type, paintcore::RatioTool tool) : CPaintMethodBase(type), tool_(tool) {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;

private:
    paintcore::RatioTool tool_;
};
class CPaintGoldenSplit : public CPaintRatioLine {
public:
    CPaintGoldenSplit() : CPaintRatioLine("PaintGoldenSplit", paintcore::RatioTool::GoldenSplit) {}
};
class CPaintGoldenPrice : public CPaintRatioLine {
public:
    CPaintGoldenPrice() : CPaintRatioLine("PaintGoldenPrice", paintcore::RatioTool::GoldenPrice) {}
};
class CPaintBandLine : public CPaintRatioLine {
public:
    CPaintBandLine() : CPaintRatioLine("PaintBandLine", paintcore::RatioTool::BandLine) {}
};
class CPaintPercentage : public CPaintRatioLine {
public:
    CPaintPercentage() : CPaintRatioLine("PaintPercentage", paintcore::RatioTool::Percentage) {}
};
class CPaintCycleLine : public CPaintRatioLine {
public:
    CPaintCycleLine() : CPaintRatioLine("PaintCycleLine", paintcore::RatioTool::CycleLine) {}
};

class CPaintThreePoint : public CPaintMethodBase {
public:
    explicit CPaintThreePoint(const char* type = "PaintThreePoint");
    void setChart(QChart* c) override;
    void setPainter(QPainter* p) override;
    void setColor(int c) override;
    void setWidth(int w) override;
    void setStyle(int s) override;
    bool hitShape(int x, int y) override;
    bool computeThreePoint() override;
    void draw() override;
    void drawShape(int, int, int, int) override {}
    void drawLabels(int, int, int, int) override {}
    void anchorsChanged() override;

protected:
    CPaintSegment first_, second_;
};

class CPaintTrendLine : public CPaintThreePoint {
public:
    CPaintTrendLine();
    void setChart(QChart* c) override;
    void setPainter(QPainter* p) override;
    bool hitShape(int x, int y) override;
    bool computeThreePoint() override;
    void draw() override;

private:
    CPaintGoldenSplit golden_;
};

// Linear regression, its band and its channel.
class CPaintRegression : public CPaintMethodBase {
public:
    enum Kind { Line, Band, Channel };
    CPaintRegression(const char* type, Kind kind) : CPaintMethodBase(type), kind_(kind) {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    // The regression's drawing step.
    virtual void drawRegression();

private:
    struct Lines { bool ok = false; int xa = 0, xb = 0; QLine main, upper, lower; };
    Lines lines() const;
    Kind kind_;
};
class CPaintLinerRegression : public CPaintRegression {
public:
    CPaintLinerRegression() : CPaintRegression("PaintLinerRegression", Line) {}
};
class CPaintLinerRegressionBand : public CPaintRegression {
public:
    CPaintLinerRegressionBand() : CPaintRegression("PaintLinerRegressionBand", Band) {}
};
class CPaintRegressionChannel : public CPaintRegression {
public:
    CPaintRegressionChannel() : CPaintRegression("PaintRegressionChannel", Channel) {}
};

// A tool placed by one click: start and end are the same point, and it is
// drawn (with no labels) at that point.
class CPaintOnePoint : public CPaintMethodBase {
public:
    using CPaintMethodBase::CPaintMethodBase;
    void setStartPoint(int x, int y) override;
    void draw() override;
};

class CPaintFibonacci : public CPaintOnePoint {
public:
    CPaintFibonacci() : CPaintOnePoint("PaintFibonacci") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    std::vector<int> lineXs() const;
};

class CPaintText : public CPaintMethodBase, public IPaintTextEditor {
public:
    CPaintText();
    void setStartPoint(int x, int y) override;
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    IPaintTextEditor* textEditor() override { return this; }
    void openEditor() override;
    uint editId() const override { return editId_; }
    void setEditText(const QString& text, const QFont& font) override;

    QString text;
    QFont font;
    QRect textRect;

private:
    uint editId_ = 0;
};

class CPaintRect : public CPaintMethodBase {
public:
    CPaintRect() : CPaintMethodBase("PaintRect") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
};

class CPaintEllipse : public CPaintMethodBase {
public:
    CPaintEllipse() : CPaintMethodBase("PaintEllipse") {}
    bool hitShape(int x, int y) override;
    bool computeTwoPoint() override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    double r = 0.0;
};

class CPaintArcEllipse : public CPaintMethodBase {
public:
    CPaintArcEllipse() : CPaintMethodBase("PaintArcEllipse") {}
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
};

class CPaintArrow : public CPaintOnePoint {
public:
    CPaintArrow(const char* type, bool up);
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}

private:
    bool up_;
};
class CPaintUpArrow : public CPaintArrow {
public:
    CPaintUpArrow() : CPaintArrow("PaintUpArrow", true) {}
};
class CPaintDownArrow : public CPaintArrow {
public:
    CPaintDownArrow() : CPaintArrow("PaintDownArrow", false) {}
};

// The chart's interval selection: never written to the file.
class CPaintFullRect : public CPaintMethodBase {
public:
    CPaintFullRect() : CPaintMethodBase("PaintFullRect") { color = int(0x80FFFFFF); pen.color = 0x80FFFFFF; }
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int x1, int y1, int x2, int y2) override;
    json_node* toJson() const override { return nullptr; }
    // Back to no points.
    void reset();
    // Both ends on bars.
    void setBars(int startIndex, int endIndex);
};

class CPaintVelmora : public CPaintMethodBase {
public:
    CPaintVelmora();
    void setChart(QChart* c) override;
    void setPainter(QPainter* p) override;
    bool hitShape(int x, int y) override;
    bool computeTwoPoint() override;
    void draw() override;
    void drawShape(int, int, int, int) override {}
    void drawLabels(int, int, int, int) override {}
    void selectionChanged() override;
    void anchorsChanged() override;
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    // Inner tools have no drawing step of their own here.
    virtual void drawRegression() {}

    // The inner tools follow the outer points (also when writing).
    mutable CPaintGannLine gann;
    mutable CPaintGoldenSplit golden;
    mutable CPaintFibonacci fibonacci;

private:
    void syncInner() const;
};
