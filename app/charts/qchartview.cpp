// QChart's visible range, crosshair, pixel conversions and the values QML
// reads at a bar.
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cstring>

#include "charts/chartscales.h"
#include "charts/core/chartrange.h"
#include "charts/cpaintboard.h"
#include "charts/qchart.h"

int QChart::lastBar() const
{
    return barLayers_.empty() ? 0 : std::max(0, int(barLayers_.front()->bars.size()) - 1);
}

int QChart::getXPoint(double x) const
{
    const CTXData* s = firstSlot();
    if (!s)
        return 0;
    return barAtX(x, s->geometry.plot.left(), s->geometry.pitch(), range_.begin, range_.end);
}

int QChart::getPointX(double x) const
{
    const CTXData* s = firstSlot();
    return s ? int(s->geometry.barCentre(int(x))) : 0;
}

double QChart::getYPoint(int y) const
{
    const CTXData* s = firstSlot();
    return s && s->geometry.hasRange() ? double(s->geometry.yValue(float(y))) : 0.0;
}

double QChart::getPointY(double y) const
{
    const CTXData* s = firstSlot();
    return s && s->geometry.hasRange() ? double(s->geometry.valueY(float(y))) : 0.0;
}

// GUI thread.
int QChart::updateMousePoint(QChart* src, double x, double y)
{
    if (barLayers_.empty() || formulas_->layers().empty())
        return range_.crosshair;
    mouseX_ = int(x);
    mouseY_ = src == this ? int(y) : -1;
    mouseOver_ = src == this;
    const CTXData* s = firstSlot();
    if (s && s->context) {
        range_.crosshair = getXPoint(x);
        if (src == this) {
            const double v = getYPoint(int(y));  // any float a formula gave the range: saturated
            emit crosshairChange(this, range_.crosshair,
                                 v > -2e9 && v < 2e9 ? int(v)
                                 : v >= 2e9          ? 2000000000
                                                     : -2000000000);
        }
    }
    updateTitleBarCTXData(range_.crosshair);
    update();
    return range_.crosshair;
}

// GUI thread.
void QChart::updateCrosshairPos(int x_pos)
{
    const CTXData* s = firstSlot();
    if (barLayers_.empty() || !s || !s->context)
        return;
    const int last = lastBar();
    int pos = x_pos;
    const QString main = getMainName();
    if (main == "MLINE" || main == "MVOL")
        pos = std::max(0, std::min(pos, kShowNumber_));
    ChartRange r = range_;
    scrollToPosition(r, pos, kShowNumber_, last, lineType_ == "kline");
    const bool moved = r.begin != range_.begin || r.end != range_.end;
    range_ = r;
    if (moved) {
        layoutView();
        emit reCalcShow(range_.begin, range_.end, kShowNumber_, range_.crosshair);
    }
    const CTXData* slot = firstSlot();
    const auto& bars = barLayers_.front()->bars;
    mouseX_ = int(slot->geometry.barCentre(range_.crosshair - range_.begin));
    const int c = range_.crosshair;
    if (slot->geometry.hasRange() && c >= 0 && c < int(bars.size()) && isChartValue(bars[std::size_t(c)].close))
        mouseY_ = int(slot->geometry.valueY(bars[std::size_t(c)].close));
    updateTitleBarCTXData(range_.crosshair);
    emit crosshairChange(this, range_.crosshair, mouseY_);
    update();
}

// GUI thread.
void QChart::setkShowNumber(int n, bool reset)
{
    kShowNumber_ = std::max(1, n);
    if (!reset || barLayers_.empty())
        return;
    const ZoomResult z =
        zoomRange(n, int(barLayers_.front()->bars.size()), std::max(0, range_.crosshair), crosshairShown_);
    kShowNumber_ = z.showNumber;
    range_.begin = z.begin;
    range_.end = z.end;
    range_.crosshair = z.crosshair;
    layoutView();
    updateCrosshairPos(range_.crosshair);
    emit reCalcShow(range_.begin, range_.end, kShowNumber_, range_.crosshair);
}

// GUI thread.
void QChart::updateReCalcShow(int begin, int end, int showNumber, int x_pos)
{
    if (barLayers_.empty())
        return;
    range_.begin = std::max(0, begin);
    range_.end = std::max(0, std::min(end, lastBar()));
    // A pane laid out at height or width 0 may report no bars shown.
    kShowNumber_ = std::max(1, showNumber);
    range_.crosshair = x_pos;
    layoutView();
    updateTitleBarCTXData(range_.crosshair);
    update();
}

void QChart::setShowCrosshairLine(bool show)
{
    crosshairShown_ = show;
    // The value boxes go with the lines; a mouse move over the pane brings
    // them back as a price read-out.
    if (!show)
        mouseOver_ = false;
    update();
}

bool QChart::zoomToPixels(double left, double right)
{
    if (barLayers_.empty() || barLayers_.front()->bars.empty())
        return false;
    const ZoomResult z =
        zoomSelection(getXPoint(std::min(left, right)), getXPoint(std::max(left, right)), getPointCount(0));
    emit reCalcShow(z.begin, z.end, z.showNumber, z.crosshair);
    return true;
}

void QChart::dragScroll(bool toLeft)
{
    if (barLayers_.empty() || barLayers_.front()->bars.empty())
        return;
    const int last = lastBar();
    const int begin = std::max(0, std::min(last, range_.begin + (toLeft ? 1 : -1)));
    const int end = std::min(last, begin + kShowNumber_ - 1);
    emit reCalcShow(begin, end, kShowNumber_, std::max(begin, std::min(end, range_.crosshair)));
}

ChartBar* QChart::getPosKData(int pos) const
{
    if (barLayers_.empty() || pos < 0 || pos >= int(barLayers_.front()->bars.size()))
        return nullptr;
    return &barLayers_.front()->bars[std::size_t(pos)];
}

double QChart::getPosDataF(int x_pos, QString tag) const
{
    const ChartBar* b = getPosKData(x_pos);
    if (!b)
        return double(FMLInvalidValue);
    if (tag == "open")
        return double(b->open);
    if (tag == "high")
        return double(b->high);
    if (tag == "low")
        return double(b->low);
    if (tag == "close")
        return double(b->close);
    if (tag == "sum")
        return double(b->amount);
    if (tag == "vol")
        return double(b->volume);
    if (tag == "p_close")
        return double(b->preClose);
    if (tag == "avg_price")
        return double(b->avgPrice);
    return double(FMLInvalidValue);
}

QString QChart::getPosDataS(int x_pos, QString tag) const
{
    const ChartBar* b = getPosKData(x_pos);
    if (!b)
        return QString();
    if (tag == "date" || tag == "time")
        return QLocale().toString(QDateTime::fromSecsSinceEpoch(b->time), QStringLiteral("yyyy-MM-dd dddd HH:mm:ss"));
    if (tag == "sum" || tag == "vol")
        return QString::number(double(tag == "sum" ? b->amount : b->volume), 'f', 2);
    const double v = getPosDataF(x_pos, tag);
    if (tag == "open" || tag == "high" || tag == "low" || tag == "close" || tag == "p_close")
        return QString::number(v, 'f', getDecimal());
    return QString();
}

QString QChart::getPosTitle(int x) const
{
    const CTXData* s = firstSlot();
    if (!s || !s->context || x < 0)
        return QString();
    FMLSelectedValue values[5];
    const int n = fml_ctx_output_selected_value(s->context, unsigned(x), values, 5);
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << QStringLiteral("%1:%2")
                     .arg(QString::fromUtf8(values[i].name ? values[i].name : ""))
                     .arg(isChartValue(values[i].value) ? fixedText(double(values[i].value), getDecimal())
                                                        : QStringLiteral("-"));
    return parts.join(QLatin1Char(' '));
}

int QChart::getPosTime(int x) const
{
    const CTXData* s = firstSlot();
    if (!s || !s->context)
        return 0;
    FormulaArgument* ts = fml_get_argument(s->context, "_TS");
    const float* p = ts ? fml_argument_data_number(ts) : nullptr;
    const int size = ts ? fml_argument_data_size(ts) : 0;
    const int i = std::max(0, std::max(range_.begin, std::min(range_.end, x)));
    if (!p || i >= size)
        return 0;
    int32_t t;
    std::memcpy(&t, p + i, sizeof t);
    return t;
}

QList<int> QChart::getTimeBarTime(int n) const
{
    QList<int> out;
    if (barLayers_.empty())
        return out;
    const CTXData* s = firstSlot();
    if (s && s->name == "MLINE") {
        const int t = getPosTime(0);
        for (int off : {0, 3600, 7200, 12600, 16200, 19800})
            out << t + off;
        return out;
    }
    for (int i : timeBarIndices(range_.begin, range_.end, n))
        out << getPosTime(i);
    return out;
}

// GUI thread.
void QChart::clearKData()
{
    // Every layer's store is emptied, or, where other panes share it (layer
    // 0 of a view), this pane takes an empty one of its own and they keep
    // theirs. The new versions make every column and kept series be built
    // from bar 0.
    for (int li = 0; li < int(barLayers_.size()); ++li) {
        SharedBarStore& store = barLayers_[std::size_t(li)];
        if (store.use_count() > 1) {
            if (li == 0)
                leaveHistoryLoad();
            store = std::make_shared<BarStore>();
            pointSlots(li, nullptr);
        } else {
            store->bars.clear();
            store->raw.clear();
            store->loading.reset();
            store->changes.mark(0);
            store->alignedTo = 0;
        }
    }
    // Fresh formula instances hold no outputs of the bars gone, and take
    // parameters changed since (in another view's dialog) as a new pane would.
    formulas_->instantiateAgain();
    for (auto& layer : formulas_->layers())
        for (auto& slot : *layer) {
            slot->codeInfo = QuoteCodeInfo{};
            slot->seriesVersion = 0;
        }
    dividends_.clear();
    followedCount_ = 0;
    range_ = ChartRange{};
    reset_ = true;
    relayout();
    updateTitleBarCTXData(range_.crosshair);
    update();
}

// GUI thread.
int QChart::setKData(QChart* aChart, uint index)
{
    if (!aChart)
        return 0;
    const int li = index >= barLayers_.size() ? int(barLayers_.size()) : int(index);
    if (!aChart->barLayers_.empty()) {
        const CTXData* src = aChart->firstSlot();
        QuoteCodeInfo info{};
        if (src)
            info = src->codeInfo;
        if (li == 0) {
            // Layer 0 is the other chart's store: one copy of the bars for the view.
            takeLayer0(aChart->barLayers_.front(), &info);
        } else {
            if (li == int(barLayers_.size()))
                barLayers_.push_back(std::make_shared<BarStore>());
            storeBars(li, std::vector<ChartBar>(aChart->barLayers_.front()->bars), false, false, info);
        }
    } else if (li == int(barLayers_.size())) {
        barLayers_.push_back(std::make_shared<BarStore>());
    }
    if (li == 0) {
        const int count = int(barLayers_.front()->bars.size());
        followedCount_ = count;
        range_.begin = std::max(0, count - kShowNumber_);
        range_.end = std::max(0, count - 1);
        range_.crosshair = range_.end;
    }
    relayout();
    updateTitleBarCTXData(range_.crosshair);
    update();
    return int(aChart->barLayers_.size());
}
