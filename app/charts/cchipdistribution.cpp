#include "charts/cchipdistribution.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>

#include "charts/chartpaint.h"
#include "charts/qchart.h"
#include "models/codetext.h"

namespace {

QColor toQColor(const ChipColour& c)
{
    return QColor(c.r, c.g, c.b);
}

QString text(const std::string& s)
{
    return QString::fromUtf8(s.data(), int(s.size()));
}

}  // namespace

CChipDistribution::CChipDistribution(QQuickItem* parent) : ShownPaintedItem(parent)
{
    connect(this, &QQuickItem::visibleChanged, this, &CChipDistribution::onVisibleChanged);
}

void CChipDistribution::componentComplete()
{
    ShownPaintedItem::componentComplete();
}

bool CChipDistribution::isKLine() const
{
    return chart_ && chart_->getLineType() == QLatin1String("kline");
}

// GUI thread.
void CChipDistribution::bindSyncDataSignal(QObject* obj)
{
    if (chart_)
        disconnect(chart_, nullptr, this, nullptr);
    chart_ = qobject_cast<QChart*>(obj);
    refreshed_ = false;
    if (!chart_)
        return;
    connect(chart_, &QChart::syncUpdateKData, this, &CChipDistribution::onSyncUpdateKData);
    connect(chart_, &QChart::crosshairChange, this, &CChipDistribution::onCrosshairChange);
    connect(chart_, &QChart::reCalcShow, this, &CChipDistribution::onReCalcShow);
    onSyncUpdateKData();
}

bool CChipDistribution::refresh()
{
    if (!isKLine())
        return false;
    std::vector<ChartBar>* bars = chart_->getKData(0);
    const CTXData* slot = chart_->getCTXData(0);
    if (!bars || !slot)
        return false;
    // The plot's rows in this item's coordinates, so the chips line up with the chart's prices.
    const QRect& plot = slot->geometry.plot;
    const QPointF top = mapFromItem(chart_, QPointF(0.0, plot.top()));
    panel_ = QRect(0, int(std::lround(top.y())), int(width()), plot.height());
    scaleMax_ = slot->geometry.max();
    scaleMin_ = slot->geometry.min();
    codeInfo_ = slot->codeInfo;
    model_.code = codeInfoCode(codeInfo_).toStdString();
    model_.name = codeInfoName(codeInfo_).toStdString();
    model_.market = codeInfo_.market;
    model_.setDecimals(chart_->getDecimal());

    // The highest high and lowest low of the bars in view.
    const int size = int(bars->size());
    visibleHigh_ = -std::numeric_limits<float>::max();
    visibleLow_ = std::numeric_limits<float>::max();
    for (int i = std::max(0, chart_->visibleBegin()); i <= chart_->visibleEnd() && i < size; ++i) {
        const ChartBar& b = (*bars)[std::size_t(i)];
        if (chartpaint::valid(b.high))
            visibleHigh_ = std::max(visibleHigh_, b.high);
        if (chartpaint::valid(b.low))
            visibleLow_ = std::min(visibleLow_, b.low);
    }

    const int c = chart_->crosshairPos();
    const int n = refreshed_ && c >= 0 && c < size ? c + 1 : size;
    model_.setBars(bars, n);
    refreshed_ = true;
    return true;
}

void CChipDistribution::recompute()
{
    // The bars are the chart's; they are read only while it lives and shows K-lines.
    if (!isKLine())
        return;
    model_.setBars(chart_->getKData(0), model_.count());
    model_.compute();
    computed_ = model_.count();
}

void CChipDistribution::readCrosshairPrice()
{
    if (const CTXData* slot = chart_->getCTXData(0))
        crosshairPrice_ = slot->geometry.yValue(float(chart_->getMousePosY()));
}

void CChipDistribution::useCrosshairBar(int x)
{
    const std::vector<ChartBar>* bars = model_.bars();
    if (!bars || x < 0)
        return;
    model_.setBars(bars, std::min(x + 1, int(bars->size())));
    if (model_.count() != computed_ && isVisible())
        recompute();
}

// GUI thread.
void CChipDistribution::onSyncUpdateKData()
{
    if (refresh() && isVisible())
        recompute();
    update();
}

// GUI thread.
void CChipDistribution::onCrosshairChange(QChart*, int x, int)
{
    if (!isKLine())
        return;
    if (!refreshed_ && !refresh())
        return;
    readCrosshairPrice();
    useCrosshairBar(x);
    update();
}

// GUI thread.
void CChipDistribution::onReCalcShow(int, int, int, int x_pos)
{
    if (!refresh())
        return;
    readCrosshairPrice();
    useCrosshairBar(x_pos);
    update();
}

// GUI thread.
void CChipDistribution::onVisibleChanged()
{
    if (isVisible() && refresh())
        recompute();
    update();
}

// GUI thread.
void CChipDistribution::setChipType(const QVariant& type)
{
    bool ok = false;
    const int t = type.toInt(&ok);
    if (!ok || !model_.setChipType(t))
        return;
    if (isVisible())
        recompute();
    update();
}

void CChipDistribution::paint(QPainter* p)
{
    if (!isVisible())
        return;
    const int w = int(width()), h = int(height());
    p->fillRect(QRect(0, 0, w, h), background_);
    if (model_.count() <= 0)
        return;

    QFont font = chartpaint::chartFont(12);
    font.setWeight(50);
    p->setFont(font);

    const ChipRows rows = chipRows(model_, scaleMin_, scaleMax_, panel_.top(), panel_.height());
    const double largest = largestCell(model_.cells());
    if (model_.bands())
        paintBands(p, rows, largest);
    else
        paintLines(p, rows, largest);
    paintTexts(p);

    // The title last, on the background: the plot's top rows may reach under it.
    p->setFont(font);
    const QString title = QStringLiteral("%1 %2").arg(codeInfoCode(codeInfo_), codeInfoName(codeInfo_));
    const QRect titleRect(0, 0, w, 20);
    const QRect used = p->boundingRect(titleRect, Qt::AlignLeft | Qt::AlignVCenter, title);
    p->fillRect(QRect(0, 0, std::min(w, used.right() + 3), 20), background_);
    p->setPen(titleColour_);
    p->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, title);
}

void CChipDistribution::paintLines(QPainter* p, const ChipRows& rows, double largest)
{
    constexpr int64_t kAll = std::numeric_limits<int64_t>::max();
    const std::vector<ChipLine> lines = chipLines(model_, model_.cells(), rows, largest, width(), -kAll, kAll);
    int64_t close = 0;
    const bool hasClose = model_.toUnits(model_.lastClose(), close);
    QVector<QLineF> lower, upper;
    for (const ChipLine& l : lines) {
        const QLineF line(0.0, l.y, l.length, l.y);
        (hasClose && model_.cellUnits(l.cell) <= close ? lower : upper).append(line);
    }
    p->setPen(QPen(lowerColour_, 1));
    p->drawLines(lower);
    p->setPen(QPen(upperColour_, 1));
    p->drawLines(upper);

    int64_t avg = 0;
    const int cell = model_.hasChips() ? model_.cellOf(model_.averageCost()) : -1;
    if (cell >= 0 && rows.valid && (avg = model_.cellUnits(cell)) >= rows.minUnits && avg <= rows.maxUnits) {
        const int y = chipRowY(rows, avg);
        p->setPen(QPen(averageColour_, 1));
        p->drawLine(QLineF(0.0, y, width(), y));
    }
}

void CChipDistribution::paintBands(QPainter* p, const ChipRows& rows, double largest)
{
    constexpr int64_t kAll = std::numeric_limits<int64_t>::max();
    QVector<QLineF> all;
    for (const ChipLine& l : chipLines(model_, model_.cells(), rows, largest, width(), -kAll, kAll))
        all.append(QLineF(0.0, l.y, l.length, l.y));
    p->setPen(QPen(textColour_, 1));
    p->drawLines(all);

    // The bands' outlines over the price range of the bars in view.
    int64_t from = -kAll, to = kAll;
    if (!(visibleHigh_ >= visibleLow_) || !model_.toUnits(visibleLow_, from) || !model_.toUnits(visibleHigh_, to)) {
        from = -kAll;
        to = kAll;
    }
    // Larger bands first, so every smaller band nested in one stays in sight
    // (the latest-N bands grow with N, the bands before them shrink).
    std::vector<const ChipBand*> order;
    for (const auto& entry : *model_.bands())
        if (!entry.second.cells.empty())
            order.push_back(&entry.second);
    std::stable_sort(order.begin(), order.end(),
                     [](const ChipBand* a, const ChipBand* b) { return a->total > b->total; });
    p->setPen(Qt::NoPen);
    for (const ChipBand* b : order) {
        const ChipBand& band = *b;
        QPolygonF poly;
        for (const ChipPoint& pt : chipOutline(chipLines(model_, band.cells, rows, largest, width(), from, to)))
            poly << QPointF(pt.x, pt.y);
        if (poly.isEmpty())
            continue;
        p->setBrush(toQColor(band.colour));
        p->drawPolygon(poly, Qt::WindingFill);
    }
    p->setBrush(Qt::NoBrush);

    const int w = int(width());
    for (const ChipLegendRow& row : chipLegend(model_, int(height()))) {
        const QRect r(0, row.y, w, 20);
        p->fillRect(r, toQColor(row.colour));
        p->setPen(textColour_);
        p->drawText(r.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text(row.text));
    }
}

void CChipDistribution::paintTexts(QPainter* p)
{
    // Until the chart reports a crosshair, the price is the last close used.
    const double price = std::isfinite(crosshairPrice_) ? crosshairPrice_ : double(model_.lastClose());
    const ChipTexts t = chipTexts(model_, price);
    const int w = int(width());
    int y = int(height()) - 120;
    auto row = [&](const std::string& s) {
        if (!s.empty()) {
            p->setPen(textColour_);
            p->drawText(QRect(0, y, w, 20), Qt::AlignLeft | Qt::AlignVCenter, text(s));
        }
        y += 20;
    };
    row(t.date);

    // "获利比例: " and, in the rest of the row, the ratio in an outline and a bar of its width.
    const QString label = text(t.profit);
    const int lw = QFontMetrics(p->font()).horizontalAdvance(label);
    p->setPen(textColour_);
    p->drawText(QRect(0, y, lw, 20), Qt::AlignLeft | Qt::AlignVCenter, label);
    const QRect box(lw, y + 2, std::max(0, w - lw - 1), 16);
    p->drawRect(box);
    p->drawText(box, Qt::AlignCenter, text(t.ratio));
    const double ratio = std::max(0.0, std::min(1.0, model_.profitRatio()));
    p->setPen(lowerColour_);
    p->drawRect(QRect(box.left(), box.top(), int(ratio * box.width()), box.height()));
    y += 20;

    row(t.crosshair);
    row(t.average);
    row(t.range90);
    row(t.range70);
}
