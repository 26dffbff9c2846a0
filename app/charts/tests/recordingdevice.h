// A paint device that records what a painter draws: rectangles, lines,
// points, polygons, texts and images, each with the pen and brush in force.
#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextItem>

#include <vector>

struct Drawn {
    enum Kind { Rect, Line, Point, Polygon, Text, Image } kind;
    QRectF rect;        // Rect, Image (target)
    QLineF line;        // Line
    QPolygonF poly;     // Polygon, Point (one point)
    QString text;       // Text
    QPointF at;         // Text baseline start
    qreal advance = 0;  // Text width
    QPen pen;
    QBrush brush;
};

// The recorded primitives of one kind, in drawing order.
inline std::vector<Drawn> only(const std::vector<Drawn>& all, Drawn::Kind k)
{
    std::vector<Drawn> out;
    for (const Drawn& d : all)
        if (d.kind == k)
            out.push_back(d);
    return out;
}

class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }

    void drawRects(const QRectF* r, int n) override
    {
        for (int i = 0; i < n; ++i)
            add(Drawn::Rect).rect = r[i];
    }
    void drawRects(const QRect* r, int n) override
    {
        for (int i = 0; i < n; ++i)
            add(Drawn::Rect).rect = QRectF(r[i]);
    }
    void drawLines(const QLineF* l, int n) override
    {
        for (int i = 0; i < n; ++i)
            add(Drawn::Line).line = l[i];
    }
    void drawLines(const QLine* l, int n) override
    {
        for (int i = 0; i < n; ++i)
            add(Drawn::Line).line = QLineF(l[i]);
    }
    void drawPoints(const QPointF* p, int n) override
    {
        for (int i = 0; i < n; ++i)
            add(Drawn::Point).poly << p[i];
    }
    void drawPoints(const QPoint* p, int n) override
    {
        for (int i = 0; i < n; ++i)
            add(Drawn::Point).poly << QPointF(p[i]);
    }
    void drawPolygon(const QPointF* p, int n, PolygonDrawMode) override
    {
        Drawn& d = add(Drawn::Polygon);
        for (int i = 0; i < n; ++i)
            d.poly << p[i];
    }
    void drawPolygon(const QPoint* p, int n, PolygonDrawMode) override
    {
        Drawn& d = add(Drawn::Polygon);
        for (int i = 0; i < n; ++i)
            d.poly << QPointF(p[i]);
    }
    // A text drawn in pieces (glyphs from a fallback font) is recorded as one.
    void drawTextItem(const QPointF& p, const QTextItem& t) override
    {
        if (!items.empty() && items.back().kind == Drawn::Text && items.back().at.y() == p.y() &&
            qAbs(items.back().at.x() + items.back().advance - p.x()) < 0.5) {
            items.back().text += t.text();
            items.back().advance += t.width();
            return;
        }
        Drawn& d = add(Drawn::Text);
        d.advance = t.width();
        d.text = t.text();
        d.at = p;
    }
    // A path (a filled outline) is recorded as its polygon.
    void drawPath(const QPainterPath& path) override
    {
        Drawn& d = add(Drawn::Polygon);
        d.poly = path.toFillPolygon();
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { add(Drawn::Image).rect = r; }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override
    {
        add(Drawn::Image).rect = r;
    }

    std::vector<Drawn> items;

    std::vector<Drawn> of(Drawn::Kind k) const
    {
        std::vector<Drawn> out;
        for (const Drawn& d : items)
            if (d.kind == k)
                out.push_back(d);
        return out;
    }

private:
    Drawn& add(Drawn::Kind k)
    {
        Drawn d{k, {}, {}, {}, {}, {}, 0, painter()->pen(), painter()->brush()};
        items.push_back(d);
        return items.back();
    }
};

class RecordingDevice : public QPaintDevice {
public:
    RecordingDevice(int w = 800, int h = 600) : w_(w), h_(h) {}
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return w_;
        case PdmHeight:
            return h_;
        case PdmWidthMM:
            return w_ / 4;
        case PdmHeightMM:
            return h_ / 4;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int w_, h_;
};
