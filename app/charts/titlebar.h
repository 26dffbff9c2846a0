// TitleBar: the strip at the top of a chart pane with the values of the
// pane's named outputs at the crosshair bar, each in its output colour.
#pragma once

#include "charts/chartviews.h"
#include "charts/shownpainteditem.h"

class TitleBar : public ShownPaintedItem, public ChartTitleView {
    Q_OBJECT
    Q_PROPERTY(int leftPadding READ leftPadding WRITE setLeftPadding NOTIFY leftPaddingChanged)
public:
    explicit TitleBar(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;
    void setCTXData(CTXLayer* layer) override { layer_ = layer; }
    void setCurX(int index) override
    {
        curX_ = index;
        update();
    }
    int curX() const { return curX_; }
    const CTXLayer* ctxData() const { return layer_; }
    int leftPadding() const { return leftPadding_; }
    void setLeftPadding(int p);

signals:
    void leftPaddingChanged(int leftPadding);

protected:
    // Registers with the chart it is placed in.
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    CTXLayer* layer_ = nullptr;
    int curX_ = 0;
    int leftPadding_ = 60;
};
