// FChart: paints the drawn outputs of every formula slot of one chart layer
// into a cached image, in the order the formula engine produced them. The
// chart item hands it the layer's slots and visible range after each relayout.
#pragma once

#include <QFont>
#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

#include "charts/chartviews.h"
#include "charts/shownpainteditem.h"

class QPainter;

// Takes part in QML's parser status through QQuickItem.
class FChart : public ShownPaintedItem, public ChartLayerView {
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

    // What the pixels of bars [begin, end) of layer depend on: scales, output
    // styles and the visible values before the last bar. Equal keys before and
    // after a change mean only bar `end` changed and repaintLastBar suffices.
    // Empty when the layer draws shapes that reach across bars (text, bands,
    // areas, icons): such a layer is always painted whole.
    static std::vector<uint32_t> lastBarKey(const CTXLayer& layer, int begin, int end);
    // Repaints, into a device that holds the layer painted over [begin, end],
    // the strip that bar `end` touches; the result equals a whole paint.
    static void repaintLastBar(QPainter& painter, const CTXLayer& layer, int begin, int end);

    // The cached image's format: premultiplied, the raster engine's own, so
    // smoothed lines blend and the image composes without a conversion.
    static constexpr QImage::Format kImageFormat = QImage::Format_ARGB32_Premultiplied;
    const QImage* cachedImage() const { return image_.get(); }
    // Renders since construction that repainted only the last bar's strip.
    int lastBarRenders() const { return lastBarRenders_; }
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
    std::vector<uint32_t> key_;  // lastBarKey of what image_ holds; empty: paint whole
    int lastBarRenders_ = 0;
};
