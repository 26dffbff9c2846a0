#include "charts/qchartextend.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

#include "charts/chartpaint.h"
#include "charts/qchart.h"

int QChartExtend::markBar(const std::vector<ChartBar>& bars, int t)
{
    const auto it = std::lower_bound(bars.begin(), bars.end(), t, [](const ChartBar& b, int v) { return b.time < v; });
    if (it == bars.begin() || it == bars.end())
        return -1;  // before the first bar (which never matches) or after the last
    return int(it - bars.begin());
}

void QChartExtend::setQChart(QChart* chart)
{
    if (chart_) {
        disconnect(chart_, &QChart::dataUpdate, this, &QChartExtend::onDataUpdate);
        disconnect(chart_, &QChart::reCalcShow, this, &QChartExtend::onReCalcShow);
    }
    chart_ = chart;
    if (chart) {
        connect(chart, &QChart::dataUpdate, this, &QChartExtend::onDataUpdate);
        connect(chart, &QChart::reCalcShow, this, &QChartExtend::onReCalcShow);
    }
}

void QChartExtend::appendExtendData(QJsonObject json)
{
    sets_.append(json);
    update();
}

void QChartExtend::removeExtendData(QString name)
{
    for (int i = sets_.size() - 1; i >= 0; --i)
        if (sets_[i].toObject().value("name").toString() == name)
            sets_.removeAt(i);
    update();
}

void QChartExtend::paint(QPainter* painter)
{
    const CTXData* slot = chart_ ? chart_->getCTXData(0) : nullptr;
    const std::vector<ChartBar>* bars = chart_ ? chart_->getKData(0) : nullptr;
    if (!slot || !bars || bars->empty() || width() <= 0 || height() <= 0)
        return;
    const CTXGeometry& g = slot->geometry;
    const int begin = chart_->visibleBegin();
    const int h = int(height());
    painter->setFont(chartpaint::chartFont(12));
    const QFontMetrics fm(painter->font());
    for (int s = 0; s < sets_.size(); ++s) {
        QJsonObject set = sets_[s].toObject();
        QJsonArray items = set.value("data").toArray();
        for (int i = 0; i < items.size(); ++i) {
            QJsonObject item = items[i].toObject();
            const int bar = markBar(*bars, item.value("time").toInt());
            const int p = bar - begin;
            const float x = g.barCentre(p);
            if (bar < 0 || p < 0 || x < slot->layerRect.left() || x > slot->layerRect.right()) {
                // Not in view: no position left over from an earlier paint.
                if (item.contains("xpos")) {
                    item.remove("xpos");
                    items[i] = item;
                }
                continue;
            }
            item.insert("xpos", p);
            items[i] = item;
            const QString type = item.value("type").toString();
            const QString content = item.value("content").toString();
            if (type == "text") {
                const int w = fm.horizontalAdvance(content) + 2;
                painter->setPen(QColor(item.value("color").toString()));
                painter->drawText(QRectF(x - w / 2.0, 0, w, h), Qt::AlignCenter, content);
            } else if (type == "image") {
                painter->drawImage(QRectF(x - 8, (h - 16) / 2.0, 16, 16),
                                   QImage(QStringLiteral(":/images/icon_fml/%1.ico").arg(content)));
            }
        }
        set.insert("data", items);
        sets_[s] = set;
    }
}

bool QChartExtend::mouseMove(int x, int y)
{
    const CTXData* slot = chart_ ? chart_->getCTXData(0) : nullptr;
    const std::vector<ChartBar>* bars = chart_ ? chart_->getKData(0) : nullptr;
    const float pitch = slot ? slot->geometry.pitch() : 0.0f;
    if (!slot || !bars || bars->empty() || pitch <= 0.0f)
        return false;
    if (y < 0 || y > height()) {
        lastTip_ = -1;
        return false;
    }
    // Whole bars from the plot's left edge; the margin left of it is no bar.
    const float dx = float(x) - float(slot->geometry.plot.left());
    const int p = dx < 0.0f ? -1 : int(dx / pitch);
    bool found = false;
    QJsonArray tips;
    for (const QJsonValue& set : sets_) {
        for (const QJsonValue& v : set.toObject().value("data").toArray()) {
            const QJsonObject item = v.toObject();
            if (!item.contains("xpos") || item.value("xpos").toInt() != p)
                continue;
            found = true;
            if (!item.value("detailed").toString().isEmpty())
                tips.append(item);
        }
    }
    if (tips.isEmpty()) {
        lastTip_ = -1;
    } else {
        if (p != lastTip_)
            emit activeTip(x, y, tips);
        lastTip_ = p;
    }
    return found;
}
