// The drawing tools' common base. Each tool keeps up to three anchors (bar and price) so that
// it stays on its bars when the chart scrolls or zooms, converts them to
// pixels against the chart's first slot before each paint, draws through its
// PaintPen, answers hit tests and writes and reads its object of the
// drawing-tool file. The tools themselves live one family per file pair
// (paintsegment.h, paintfan.h, ...) and are listed in painttoolfactory.h.
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
    // The labels placed in this paint: a composite tool points its parts at
    // its own list, so that no label of the whole tool covers another.
    std::vector<QRect>* labelsPlaced = nullptr;
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
    // Prints a label at `at`, or just below the labels of this tool placed
    // in this paint that it would cover.
    void label(const QPoint& at, const QString& text);
    // Starts the paint's list of placed labels (the tool's own, unless it
    // is part of a composite tool).
    void beginLabels();
    // Points the part's label list at this tool's.
    void shareLabels(CPaintMethodBase& part);

private:
    const char* type_;
    std::vector<QRect> ownLabels_;
};

// A tool placed by one click: start and end are the same point, and it is
// drawn (with no labels) at that point.
class CPaintOnePoint : public CPaintMethodBase {
public:
    using CPaintMethodBase::CPaintMethodBase;
    void setStartPoint(int x, int y) override;
    void draw() override;
};
