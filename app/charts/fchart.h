// FChart: paints the drawn outputs of every formula slot of one chart layer
// into a cached image, in the order the formula engine produced them. The
// chart item hands it the layer's slots and visible range after each relayout.
#pragma once

#include <QFont>
#include <QImage>
#include <QQuickPaintedItem>

#include <memory>

#include "charts/chartviews.h"

class QPainter;

// Takes part in QML's parser status through QQuickItem.
class FChart : public QQuickPaintedItem, public ChartLayerView {
    Q_OBJECT
public:
    explicit FChart(QQuickItem* parent = nullptr);
    ~FChart() override;

    void paint(QPainter* painter) override;

    void setBeginEnd(int begin, int end) override;
    void setCTXLayer(CTXLayer* layer) override;

    // Paints every slot of layer over bars [begin, end] (inclusive) with painter.
    static void paintLayer(QPainter& painter, const CTXLayer& layer, int begin, int end);
    // Paints one slot's outputs (palette index reset first).
    static void paintSlot(QPainter& painter, const CTXData& slot, int begin, int end);

    const QImage* cachedImage() const { return image_.get(); }
    uint gray() const { return gray_; }

signals:
    void parentMouseMoveEvent(int x, int y);
    void crosshairChange(int x, float y);

public slots:
    void onWidthChanged() { render(); }
    void onHeightChanged() { render(); }
    void setGray(uint color) { gray_ = color; }

private:
    void render();

    std::unique_ptr<QImage> image_;
    QFont font_;
    CTXLayer* layer_ = nullptr;
    int begin_ = 0;
    int end_ = -1;
    uint gray_ = 0;
    bool rendered_ = false;
};
