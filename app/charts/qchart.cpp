#include "charts/qchart.h"

#include <QJSValue>
#include <QJsonArray>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "charts/chartrecords.h"
#include "charts/chartscales.h"
#include "charts/chartviews.h"
#include "charts/cpaintboard.h"
#include "charts/paintfullrect.h"
#include "charts/qdividendprocesser.h"
#include "formulas/formulaservice.h"

namespace {

float* literal(FormulaArgument* arg, float v)
{
    fml_argument_literal(arg, 1);
    float* p = fml_argument_data(arg, 1);
    p[0] = v;
    return p;
}

// Fills a series of n floats from one field of every bar. In a run (the
// slot has the layer's columns) the column is first brought up to date from
// the first bar that changed since it was gathered; the engine hands back the
// series this slot's context kept (fml_ctx_keep_series), which is rewritten
// from the first bar that changed since the slot's last run only.
template <class Get>
void fillSeries(FormulaArgument* arg, const CTXData& slot, ChartColumns::Field field, Get get)
{
    const std::vector<ChartBar>& bars = *slot.bars;
    const int n = int(bars.size());
    const ChartBar* b = bars.data();
    ChartColumns* cols = slot.columns;
    if (!cols || !slot.changes) {
        fml_argument_literal(arg, 0);
        float* out = fml_argument_data(arg, n);
        for (int i = 0; i < n; ++i)
            out[i] = get(b[i]);
        return;
    }
    const BarChanges& changes = *slot.changes;
    std::vector<float>& column = cols->values[field];
    if (cols->built[field] != changes.version()) {
        const int from = std::min(changes.since(cols->built[field], n), int(column.size()));
        column.resize(bars.size());
        float* c = column.data();
        for (int i = from; i < n; ++i)
            c[i] = get(b[i]);
        cols->built[field] = changes.version();
    }
    const int had = fml_argument_data_literal(arg) ? 0 : fml_argument_data_size(arg);
    int from = 0;
    if (had > 0 && slot.seriesLayer && slot.seriesVersion != 0)
        from = std::min(changes.since(slot.seriesVersion, n), had);
    fml_argument_literal(arg, 0);
    float* out = fml_argument_data(arg, n);
    if (n > from)
        std::memcpy(out + from, column.data() + from, std::size_t(n - from) * sizeof(float));
    fml_argument_rewritten_from(arg, from);
}

}  // namespace

QChart::QChart(QQuickItem* parent) : ShownPaintedItem(parent)
{
    vm_ = fml_vm_create();
    fml_vm_reg_fn(vm_, &currentBars_, "DYNAINFO", &QChart::dynaInfo, 1);
    // A missing plug-in only leaves TDXDLL1 or TDXDLL3 out of the formulas.
    fml_vm_load_tdx_dll(vm_, "Ostrilug.dll", 1);
    fml_vm_load_tdx_dll(vm_, "cl.dll", 3);

    processer_ = new QDividendProcesser(this);
    connect(processer_, &QDividendProcesser::processerQuoteKPoint, this, &QChart::onProcesserQuoteKPoint);

    setAcceptHoverEvents(true);
    setAcceptedMouseButtons(Qt::AllButtons);
    setFlag(QQuickItem::ItemHasContents, true);
    connect(this, &QQuickItem::widthChanged, this, &QChart::onWidthChanged);
    connect(this, &QQuickItem::heightChanged, this, &QChart::onHeightChanged);
    initPaintBoard();
}

QChart::~QChart()
{
    for (ChartTitleView* view : titleViews_)
        view->chart_ = nullptr;
    closePaintBoard();
    // Slots first: their contexts belong to the instances, which need the machine.
    formulaLayers_.clear();
    instances_.clear();
    fml_vm_release(vm_);
}

// GUI thread. The layer children paint the outputs; the item paints layer 0's
// scale and crosshair over them.
void QChart::paint(QPainter* painter)
{
    if (formulaLayers_.empty() || barLayers_.empty() || formulaLayers_.front()->empty() || width() <= 0 ||
        height() <= 0)
        return;
    CTXData& slot = *formulaLayers_.front()->front();
    const int decimals = slot.codeInfo.decimal;
    if (ScalePainter scale = scalePainterFor(slot.scales)) {
        ScaleArgs a;
        a.ctx = slot.context;
        a.inner = slot.name == "KLINE" ? 3 : slot.name == "MLINE" ? 5 : 1;
        a.geometry = &slot.geometry;
        a.begin = range_.begin;
        a.end = range_.end;
        a.showNumber = kShowNumber_;
        a.name = slot.name;
        a.decimals = decimals;
        scale(*painter, a);
    }
    paintDrawingTools(painter, slot.geometry.plot);
    if (!slot.context)
        return;
    if (CrosshairPainter cross = crosshairPainterFor(slot.crosshair)) {
        CrosshairArgs a;
        a.ctx = slot.context;
        a.geometry = &slot.geometry;
        a.mouseX = mouseX_;
        a.mouseY = crosshairShown_ || mouseOver_ ? mouseY_ : -1;
        a.shown = crosshairShown_;
        a.style = slot.crosshair;
        a.name = slot.name;
        a.decimals = decimals;
        cross(*painter, a);
    }
}

// ---- Formula slots ----

std::shared_ptr<formula::Formula> QChart::instantiate(const QString& name) const
{
    auto entry = formula::FormulaService::instance().find(name.toStdString());
    if (!entry)
        return nullptr;
    return entry->create(vm_);
}

// GUI thread.
void QChart::appendFormula(uint index, QString name, QString scales, QString crosshair, uint make_color)
{
    auto entry = formula::FormulaService::instance().find(name.toStdString());
    if (!entry)
        return;
    std::shared_ptr<formula::Formula> f = entry->create(vm_);
    if (!f || !f->context())
        return;
    formula::FormulaParam color;
    color.name = "_color";
    static_assert(sizeof(float) == sizeof(uint32_t), "colour bits travel in a float");
    std::memcpy(&color.value, &make_color, sizeof color.value);
    f->params.push_back(color);
    f->updateTitle();
    f->applyParams();

    if (index >= formulaLayers_.size()) {
        formulaLayers_.push_back(std::make_unique<CTXLayer>());
        index = uint(formulaLayers_.size() - 1);
    }
    auto slot = std::make_unique<CTXData>();
    slot->context = f->context();
    slot->scales = scales;
    slot->crosshair = crosshair;
    slot->name = name;
    slot->draw = (entry->type & 0xff) != 2;
    slot->chart = this;
    if (index < barLayers_.size())
        slot->bars = &barLayers_[index]->bars;
    formulaLayers_[index]->push_back(std::move(slot));
    instances_.push_back(std::move(f));
    relayout();
    updateTitleBarCTXData(range_.crosshair);
}

QList<QObject*> QChart::subFCharts() const
{
    QList<QObject*> out;
    QVariant v = property("subFChart");
    if (v.userType() == qMetaTypeId<QJSValue>())
        v = v.value<QJSValue>().toVariant();
    const QVariantList list = v.toList();
    for (const QVariant& e : list)
        out.append(e.value<QObject*>());  // null for anything that is no object
    return out;
}

// GUI thread.
bool QChart::removeFormula(int vIndex, int aIndex)
{
    const int layers = int(formulaLayers_.size());
    if (vIndex < 0)
        vIndex += layers;
    if (vIndex < 0 || vIndex >= layers)
        return false;
    CTXLayer& layer = *formulaLayers_[std::size_t(vIndex)];
    if (aIndex < 0)
        aIndex += int(layer.size());
    if (aIndex < 0 || aIndex >= int(layer.size()))
        return false;

    FormulaContext* ctx = layer[std::size_t(aIndex)]->context;
    auto it = instanceOf(ctx);
    layer.erase(layer.begin() + aIndex);
    if (it != instances_.end())
        instances_.erase(it);

    if (layer.empty()) {
        if (vIndex < int(barLayers_.size())) {
            barLayers_.erase(barLayers_.begin() + vIndex);
            if (vIndex == 0 && !barLayers_.empty()) {
                // The first overlay becomes the base: its own bars, not the aligned copy.
                BarStore& base = *barLayers_.front();
                base.bars.swap(base.raw);
                base.raw.clear();
                base.changes.mark(0);
                for (int j = 1; j < int(barLayers_.size()); ++j)
                    realign(j);
            }
            emit syncUpdateKData();
        }
        if (barLayers_.empty())
            dividends_.clear();
        const QList<QObject*> children = subFCharts();
        if (vIndex < children.size() && children[vIndex]) {
            QObject* child = children[vIndex];
            if (auto* view = dynamic_cast<ChartLayerView*>(child))
                view->setCTXLayer(nullptr);
            // The pane's QML removes and destroys the child; a bare item has no such method.
            if (metaObject()->indexOfMethod("destroyFChart(QVariant)") >= 0)
                QMetaObject::invokeMethod(this, "destroyFChart", Q_ARG(QVariant, QVariant(child->objectName())));
        }
        formulaLayers_.erase(formulaLayers_.begin() + vIndex);
        // The title bars show layer 0: they leave the erased one and take
        // the layer that moved into its place.
        if (vIndex == 0 || formulaLayers_.empty())
            detachTitleViews();
        relayout();
        if (vIndex == 0)
            updateTitleBarCTXData(range_.crosshair);
        return true;
    }
    relayout();
    return true;
}

// GUI thread.
void QChart::clearFormula(bool bSaveFirst)
{
    while (!(bSaveFirst && formulaLayers_.size() == 1) && removeFormula(-1, -1)) {
    }
    if (formulaLayers_.empty())
        detachTitleViews();
}

// GUI thread. No slot is left for the title bars to show.
void QChart::detachTitleViews()
{
    for (ChartTitleView* view : titleViews_)
        view->setCTXData(nullptr);
}

// GUI thread.
void QChart::addTitleView(ChartTitleView* view)
{
    if (!view || std::find(titleViews_.begin(), titleViews_.end(), view) != titleViews_.end())
        return;
    titleViews_.push_back(view);
    if (!formulaLayers_.empty() && !formulaLayers_.front()->empty()) {
        view->setCTXData(formulaLayers_.front().get());
        const int last = barLayers_.empty() ? 0 : std::max(0, int(barLayers_.front()->bars.size()) - 1);
        view->setCurX(range_.crosshair < 0 || range_.crosshair > last ? last : range_.crosshair);
    }
}

// GUI thread.
void QChart::removeTitleView(ChartTitleView* view)
{
    titleViews_.erase(std::remove(titleViews_.begin(), titleViews_.end(), view), titleViews_.end());
}

ChartTitleView::~ChartTitleView()
{
    attachToChart(nullptr);
}

void ChartTitleView::attachToChart(QChart* chart)
{
    if (chart == chart_)
        return;
    if (chart_)
        chart_->removeTitleView(this);
    chart_ = chart;
    if (chart_)
        chart_->addTitleView(this);
}

// GUI thread.
void QChart::clearFormula(QString name)
{
    if (formulaLayers_.empty())
        return;
    const CTXLayer& l0 = *formulaLayers_.front();
    for (std::size_t i = 0; i < l0.size(); ++i) {
        if (l0[i]->name == name) {
            removeFormula(0, int(i));
            return;
        }
    }
}

// GUI thread.
void QChart::clearFormulaOther(QString name)
{
    if (formulaLayers_.empty())
        return;
    const CTXLayer& l0 = *formulaLayers_.front();
    for (std::size_t i = 0; i < l0.size(); ++i) {
        const QString& n = l0[i]->name;
        if (n != name && n != "MLINE" && n != "KLINE") {
            removeFormula(0, int(i));
            return;
        }
    }
}

std::vector<std::shared_ptr<formula::Formula>>::iterator QChart::instanceOf(FormulaContext* ctx)
{
    return std::find_if(instances_.begin(), instances_.end(),
                        [ctx](const std::shared_ptr<formula::Formula>& f) { return f->context() == ctx; });
}

void QChart::replaceInstance(CTXData& slot, std::shared_ptr<formula::Formula> fresh)
{
    auto it = instanceOf(slot.context);
    slot.context = fresh->context();
    if (it != instances_.end())
        *it = std::move(fresh);
    else
        instances_.push_back(std::move(fresh));
}

// GUI thread.
void QChart::replaceFormula(QString oName, QString nName)
{
    for (auto& layer : formulaLayers_) {
        for (auto& slot : *layer) {
            if (slot->name != oName)
                continue;
            auto fresh = instantiate(nName);
            if (!fresh || !fresh->context())
                continue;
            replaceInstance(*slot, std::move(fresh));
            slot->name = nName;
        }
    }
    relayout();
    updateTitleBarCTXData(range_.crosshair);
}

// GUI thread.
void QChart::replaceFormula(QString nName)
{
    if (formulaLayers_.empty() || formulaLayers_.front()->empty())
        return;
    CTXData& slot = *formulaLayers_.front()->front();
    auto fresh = instantiate(nName);
    if (!fresh || !fresh->context())
        return;
    replaceInstance(slot, std::move(fresh));
    slot.name = nName;
    relayout();
    updateTitleBarCTXData(range_.crosshair);
}

// GUI thread.
void QChart::reLoadFormula()
{
    instantiateAgain();
    relayout();
    updateTitleBarCTXData(range_.crosshair);
}

// GUI thread. Every slot's formula is made anew from the catalogue (its
// parameters as they are now).
void QChart::instantiateAgain()
{
    for (auto& layer : formulaLayers_) {
        for (auto& slot : *layer) {
            auto fresh = instantiate(slot->name);
            if (!fresh || !fresh->context())
                continue;
            // An overlay keeps its colour: the fresh instance takes the old one's "_color".
            auto it = instanceOf(slot->context);
            if (it != instances_.end()) {
                for (const formula::FormulaParam& p : (*it)->params) {
                    if (p.name == "_color") {
                        fresh->params.push_back(p);
                        fresh->updateTitle();
                        fresh->applyParams();
                        break;
                    }
                }
            }
            replaceInstance(*slot, std::move(fresh));
        }
    }
}

QVariant QChart::getFormulas() const
{
    QJsonArray names;
    if (!formulaLayers_.empty())
        for (const auto& slot : *formulaLayers_.front())
            names.append(slot->name);
    return QVariant(names);
}

CTXData* QChart::getCTXData(uint index) const
{
    if (formulaLayers_.empty() || index >= formulaLayers_.front()->size())
        return nullptr;
    return (*formulaLayers_.front())[index].get();
}

std::vector<ChartBar>* QChart::getKData(uint index) const
{
    return index < barLayers_.size() ? &barLayers_[index]->bars : nullptr;
}

int QChart::getFirstKLineSize() const
{
    return barLayers_.empty() ? 0 : int(barLayers_.front()->bars.size());
}

int QChart::getPointCount(int index) const
{
    return index >= 0 && index < int(barLayers_.size()) ? int(barLayers_[std::size_t(index)]->bars.size()) : 0;
}

QString QChart::getMainName() const
{
    const CTXData* s = getCTXData(0);
    return s ? s->name : QString();
}

int QChart::getDecimal() const
{
    const CTXData* s = getCTXData(0);
    if (!s)
        return 2;
    return std::max(0, std::min(6, int(int8_t(s->codeInfo.decimal))));
}

CTXLayer* QChart::formulaLayer(int i) const
{
    return i >= 0 && i < int(formulaLayers_.size()) ? formulaLayers_[std::size_t(i)].get() : nullptr;
}

BarStore* QChart::barLayer(int i) const
{
    return i >= 0 && i < int(barLayers_.size()) ? barLayers_[std::size_t(i)].get() : nullptr;
}

// ---- Evaluation ----

// GUI thread.
void QChart::runFormulas()
{
    alignOverlays();
    for (std::size_t i = 0; i < barLayers_.size(); ++i) {
        std::vector<ChartBar>& bars = barLayers_[i]->bars;
        if (bars.empty() || i >= formulaLayers_.size())
            break;
        BarStore& layer = *barLayers_[i];
        for (auto& slot : *formulaLayers_[i]) {
            slot->bars = &bars;
            slot->columns = &layer.columns;
            slot->changes = &layer.changes;
            // A slot that last ran on another layer has no series of these bars.
            if (slot->seriesLayer != &layer)
                slot->seriesVersion = 0;
            FormulaContext* ctx = slot->context;
            fml_ctx_clean(ctx);
            fml_ctx_data_length(ctx, int(bars.size()));
            fml_ctx_miss_callback(ctx, slot.get(), &QChart::provideSeries);
            fml_ctx_keep_series(ctx, 1);
            currentBars_ = &bars;
            const bool ok = fml_vm_run(vm_, ctx) == 1;
            if (!ok)
                std::fputs("index cacls error:\n", stdout);
            slot->seriesLayer = ok ? &layer : nullptr;
            slot->seriesVersion = ok ? layer.changes.version() : 0;
            slot->columns = nullptr;  // the bars may change before the next run
            slot->changes = nullptr;
        }
    }
}

// The engine's missing-series callback: the chart's bar fields by name.
int QChart::provideSeries(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
{
    const CTXData* slot = static_cast<const CTXData*>(user);
    if (!slot || !slot->bars || !name)
        return 0;
    const std::vector<ChartBar>& bars = *slot->bars;
    const int n = int(bars.size());
    auto is = [name](const char* s) { return std::strcmp(name, s) == 0; };

    if (is("C"))
        fillSeries(arg, *slot, ChartColumns::Close, [](const ChartBar& b) { return b.close; });
    else if (is("H"))
        fillSeries(arg, *slot, ChartColumns::High, [](const ChartBar& b) { return b.high; });
    else if (is("L"))
        fillSeries(arg, *slot, ChartColumns::Low, [](const ChartBar& b) { return b.low; });
    else if (is("O"))
        fillSeries(arg, *slot, ChartColumns::Open, [](const ChartBar& b) { return b.open; });
    else if (is("V"))
        fillSeries(arg, *slot, ChartColumns::Volume, [](const ChartBar& b) { return b.volume; });
    else if (is("AMO") || is("AMT"))
        fillSeries(arg, *slot, ChartColumns::Amount, [](const ChartBar& b) { return b.amount; });
    else if (is("ZSTJJ"))
        fillSeries(arg, *slot, ChartColumns::AvgPrice, [](const ChartBar& b) { return b.avgPrice; });
    else if (is("DATE"))
        fillSeries(arg, *slot, ChartColumns::Date, [](const ChartBar& b) { return float(b.date); });
    else if (is("TIMESTAMP"))
        fillSeries(arg, *slot, ChartColumns::TimeBits, [](const ChartBar& b) {
            float f;
            std::memcpy(&f, &b.time, sizeof f);  // the bits, not the number
            return f;
        });
    else if (is("PERIOD"))
        literal(arg, 5.0f);
    else if (is("TOTALFZNUM") || is("FROMOPEN"))
        literal(arg, 240.0f);
    else if (is("DRAWNULL"))
        literal(arg, FMLInvalidValue);
    else if (is("ISLASTBAR") || is("BARSTATUS") || is("CURRBARSCOUNT")) {
        // Functions of the bar count alone: a series handed back over as
        // many bars (fml_ctx_keep_series) holds them already.
        const int had = fml_argument_data_literal(arg) ? 0 : fml_argument_data_size(arg);
        fml_argument_literal(arg, 0);
        float* out = fml_argument_data(arg, n);
        if (had == n && n > 0) {
            fml_argument_rewritten_from(arg, n);
            return 1;
        }
        if (is("CURRBARSCOUNT")) {
            for (int i = 0; i < n; ++i)
                out[i] = float(n - i);
        } else {
            std::fill(out, out + n, 0.0f);
            if (n > 0) {
                const bool status = is("BARSTATUS");
                out[n - 1] = status ? 2.0f : 1.0f;
                if (status)
                    out[0] = 1.0f;
            }
        }
        fml_argument_rewritten_from(arg, 0);
    } else if (is("CODE")) {
        const char* code = slot->codeInfo.code;
        fml_argument_string(arg, code, int(strnlen(code, 6)));
    } else {
        return 0;
    }
    return 1;
}

// Formula function DYNAINFO(code): 3 the previous close of the first bar,
// 11 the average price of the last bar.
int QChart::dynaInfo(void* user, FormulaVM*, FormulaContext*, const char*, FormulaArgument** args, int count)
{
    auto* const* current = static_cast<std::vector<ChartBar>* const*>(user);
    if (!current || !*current || (*current)->empty() || count < 2)
        return 0;
    const float* code = fml_argument_data_number(args[1]);
    if (!code)
        return 0;
    const std::vector<ChartBar>& bars = **current;
    const int c = int(code[0]);
    if (c == 3)
        literal(args[0], bars.front().preClose);
    else if (c == 11)
        literal(args[0], bars.back().avgPrice);
    else
        return 0;
    return 1;
}

// GUI thread.
void QChart::relayout()
{
    runFormulas();
    layoutView();
}

// GUI thread. The outputs cover every bar, so a new size or visible range
// needs only this part, not another evaluation.
void QChart::layoutView()
{
    if (range_.begin < 0 || range_.end < range_.begin)
        return;
    layoutSlots();
    normalizeOverlayScales();
    pushToLayerViews();
}

void QChart::layoutSlots()
{
    const int n = range_.end - range_.begin + 1;
    const PlotRect pr = layerRect(width(), height());
    const QRect rect(pr.x, pr.y, pr.width, pr.height);
    const BarGeometry g = barGeometry(pr.width, kShowNumber_, n);
    for (std::size_t li = 0; li < formulaLayers_.size(); ++li) {
        const BarStore* bl = li < barLayers_.size() ? barLayers_[li].get() : nullptr;
        for (auto& slot : *formulaLayers_[li]) {
            CTXGeometry& geo = slot->geometry;
            geo.plot = rect;
            slot->layerRect = rect;
            geo.barWidth = g.width;
            geo.barGap = g.gap;
            ValueRange r;
            if (!pr.empty())
                fml_ctx_output_maxmin(slot->context, range_.begin, n, &r.max, &r.min);
            if (r.valid()) {
                if (slot->name == "KLINE")
                    padKLineRange(r, pr.height);
                else if (slot->scales == "MSCALES" && bl && !bl->bars.empty())
                    centreOnPreviousClose(r, bl->bars.front().preClose);
                openFlatRange(r);
            }
            geo.range = r;
        }
    }
}

void QChart::normalizeOverlayScales()
{
    const char* refName = lineType_ == "mline" ? "_CC" : "_OO";
    std::vector<OverlayLayer> layers;
    layers.reserve(formulaLayers_.size());
    for (auto& layer : formulaLayers_) {
        if (layer->empty())
            continue;
        FormulaContext* ctx = layer->front()->context;
        FormulaArgument* ref = fml_get_argument(ctx, refName);
        FormulaArgument* oo = fml_get_argument(ctx, "_OO");
        OverlayLayer ol;
        ol.base = overlayBase(fml_argument_data_number(ref), fml_argument_data_size(ref), fml_argument_data_number(oo),
                              fml_argument_data_size(oo), range_.begin, range_.end);
        for (auto& slot : *layer)
            ol.ranges.push_back(&slot->geometry.range);
        layers.push_back(std::move(ol));
    }
    normalizeOverlayRanges(layers);
}

void QChart::pushToLayerViews()
{
    const QList<QObject*> children = subFCharts();
    for (int i = 0; i < children.size() && i < int(formulaLayers_.size()); ++i) {
        if (auto* view = dynamic_cast<ChartLayerView*>(children[i])) {
            view->setBeginEnd(range_.begin, range_.end);
            view->setCTXLayer(formulaLayers_[std::size_t(i)].get());
        }
    }
}

// GUI thread.
void QChart::updateTitleBarCTXData(int x)
{
    if (formulaLayers_.empty() || formulaLayers_.front()->empty())
        return;
    const int last = barLayers_.empty() ? 0 : std::max(0, int(barLayers_.front()->bars.size()) - 1);
    const int index = (x == -1 || x > last) ? last : x;
    for (ChartTitleView* view : titleViews_) {
        view->setCTXData(formulaLayers_.front().get());
        view->setCurX(index);
    }
}

void QChart::onWidthChanged()
{
    layoutView();
    update();
}

void QChart::onHeightChanged()
{
    layoutView();
    emit syncUpdateKData();
    update();
}

// ---- Data slots ----

// GUI thread.
void QChart::bindDataSignal(QObject* obj, int maxIndex)
{
    if (!obj)
        return;
    connect(obj, SIGNAL(updateKLine(const QuoteKPoints*, int)), this, SLOT(onUpdateKLine(const QuoteKPoints*, int)));
    if (obj->metaObject()->indexOfSignal("replaceKLine(const QuoteKPoints*,int)") >= 0)
        connect(obj, SIGNAL(replaceKLine(const QuoteKPoints*, int)), this,
                SLOT(onReplaceKLine(const QuoteKPoints*, int)));
    connect(obj, SIGNAL(updateMinute(const QuoteMinPoints*, int)), this,
            SLOT(onUpdateMinute(const QuoteMinPoints*, int)));
    connect(obj, SIGNAL(updateDividend(const QuoteDividendPoints*)), this,
            SLOT(onUpdateDividend(const QuoteDividendPoints*)));
    maxIndex_ = maxIndex;
}

// GUI thread.
void QChart::bindSyncDataSignal(QObject* obj, int maxIndex)
{
    if (!obj)
        return;
    connect(obj, SIGNAL(syncUpdateKLine(const QuoteKPoints*, int)), this,
            SLOT(onSyncUpdateKLine(const QuoteKPoints*, int)));
    connect(obj, SIGNAL(syncUpdateMinute(const QuoteMinPoints*, int)), this,
            SLOT(onSyncUpdateMinute(const QuoteMinPoints*, int)));
    syncSource_ = qobject_cast<QChart*>(obj);
    maxIndex_ = maxIndex;
}

int QChart::layerForRecord(int index)
{
    if (index < 0 || (maxIndex_ > 0 && index > maxIndex_))
        return -1;
    // An overlay's reply may come before layer 0's: the layers in between are
    // made empty, so the overlay's bars never land in another stock's layer.
    while (index >= int(barLayers_.size()))
        barLayers_.push_back(std::make_shared<BarStore>());
    return index;
}

void QChart::realign(int li)
{
    if (li <= 0 || li >= int(barLayers_.size()))
        return;
    BarStore& l = *barLayers_[std::size_t(li)];
    // The aligned bars are made anew; the formulas re-evaluate from the
    // first one that differs from before.
    alignedBefore_.swap(l.bars);
    alignToBase(barLayers_.front()->bars, l.raw, l.bars);
    l.changes.mark(firstChangedBar(alignedBefore_, l.bars));
    l.alignedTo = barLayers_.front()->changes.version();
}

void QChart::alignOverlays()
{
    if (barLayers_.empty())
        return;
    const unsigned base = barLayers_.front()->changes.version();
    for (int j = 1; j < int(barLayers_.size()); ++j)
        if (barLayers_[std::size_t(j)]->alignedTo != base)
            realign(j);
}

int QChart::storeBars(int li, std::vector<ChartBar>&& bars, bool merge, bool recomputeCloses, const QuoteCodeInfo& info,
                      int changedFrom)
{
    BarStore& layer = *barLayers_[std::size_t(li)];
    // Layer 0 is its own series; an overlay keeps its stock's bars apart from the aligned copy.
    std::vector<ChartBar>& own = li == 0 ? layer.bars : layer.raw;
    const int oldCount = int(layer.bars.size());
    // Layer 0's bars without a known first change are compared with what
    // they were: a correction of one old bar re-evaluates from there only.
    const bool compare =
        li == 0 && changedFrom == 0 && !own.empty() && !bars.empty() && bars.front().time == own.front().time;
    // New bars that begin after the first held one leave every bar before
    // their first time stamp as it was (the merge keeps them, and their
    // previous closes come from bars before them).
    if (li == 0 && changedFrom == 0 && !own.empty() && !bars.empty() && bars.front().time > own.front().time)
        changedFrom = int(std::lower_bound(own.begin(), own.end(), bars.front().time,
                                           [](const ChartBar& b, int32_t t) { return b.time < t; }) -
                          own.begin());
    if (compare)
        previousBars_.assign(own.begin(), own.end());
    if (merge)
        mergeBars(own, std::move(bars));
    else
        own = std::move(bars);
    if (recomputeCloses)
        recomputePreviousClose(own);

    if (li == 0) {
        layer.changes.mark(compare ? firstChangedBar(previousBars_, own) : changedFrom);
        for (int j = 1; j < int(barLayers_.size()); ++j)
            realign(j);
        if (!layer.bars.empty() && board_)
            board_->attachChart(this);
    } else {
        realign(li);
    }

    pointSlots(li, &info);
    return oldCount;
}

void QChart::pointSlots(int li, const QuoteCodeInfo* info)
{
    if (li >= int(formulaLayers_.size()) || li >= int(barLayers_.size()))
        return;
    const bool hasCode = info && info->code[0] != '\0';
    const QuoteCodeInfo clean = hasCode ? sanitizedCodeInfo(*info) : QuoteCodeInfo{};
    for (auto& slot : *formulaLayers_[std::size_t(li)]) {
        slot->bars = &barLayers_[std::size_t(li)]->bars;
        if (hasCode)
            slot->codeInfo = clean;
    }
}

void QChart::takeLayer0(const SharedBarStore& store, const QuoteCodeInfo* info)
{
    if (barLayers_.empty())
        barLayers_.push_back(store);
    else if (barLayers_.front() != store)
        barLayers_.front() = store;
    pointSlots(0, info);
    if (board_ && !store->bars.empty())
        board_->attachChart(this);
}

void QChart::storeKLine(const QuoteKPoint* points, int count, const QuoteCodeInfo& info, int index)
{
    const int li = layerForRecord(index);
    if (li < 0)
        return;
    BarStore& store = *barLayers_[std::size_t(li)];
    if (li == 0) {
        store.push(barsFromKPoints(points, count, store.bars));
        takeLayer0(barLayers_.front(), &info);
        afterLayer0Changed();
        return;
    }
    pushBars(store.raw, barsFromKPoints(points, count, store.raw));
    realign(li);
    pointSlots(li, &info);
    relayout();
    updateTitleBarCTXData(range_.crosshair);
    update();
}

void QChart::afterLayer0Changed()
{
    const int count = int(barLayers_.front()->bars.size());
    followKLineRange(range_, followedCount_, count, reset_, kShowNumber_);
    followedCount_ = count;
    reset_ = false;
    relayout();
    updateTitleBarCTXData(range_.crosshair);
    update();
}

// GUI thread, during the model's delivery: a record the chart bound with
// bindSyncDataSignal hands on (it took the record just before), or a direct call.
void QChart::onSyncUpdateKLine(const QuoteKPoints* k, int index)
{
    if (!k || k->count <= 0 || !k->points)
        return;
    // The chart this pane follows took the record into the store both hold.
    if (index == 0 && syncSource_ && !syncSource_->barLayers_.empty()) {
        takeLayer0(syncSource_->barLayers_.front(), &k->code_info);
        afterLayer0Changed();
        return;
    }
    storeKLine(k->points, k->count, k->code_info, index);
}

// GUI thread, during the model's delivery.
void QChart::onUpdateKLine(const QuoteKPoints* k, int index)
{
    if (!k || k->count <= 0 || !k->points)
        return;
    storeKLine(k->points, k->count, k->code_info, index);
    if (index == 0) {
        emit syncUpdateKLine(k, 0);
        emit dataUpdate();
        emit syncUpdateKData();
    }
}

// GUI thread, during the model's delivery: a whole series that replaces the
// bars of layer 0 instead of merging with them (they were a snapshot taken
// earlier, whose window of bars may have moved since); the pane ends as a
// new one that took only this record.
void QChart::onReplaceKLine(const QuoteKPoints* k, int index)
{
    if (index == 0 && k && k->count > 0 && k->points && !barLayers_.empty()) {
        barLayers_.front()->bars.clear();
        reset_ = true;
    }
    onUpdateKLine(k, index);
}

// GUI thread.
void QChart::onProcesserQuoteKPoint(QuoteCodeInfo* codeInfo, QuoteKPoint* kpoint, int length)
{
    if (formulaLayers_.empty() || formulaLayers_.front()->empty() || !codeInfo || !kpoint || length <= 0)
        return;
    QuoteKPoints k{};
    k.count = length;
    k.points = kpoint;
    k.code_info = *codeInfo;
    storeKLine(kpoint, length, *codeInfo, 0);
    emit syncUpdateKLine(&k, 0);
    emit dataUpdate();
    emit syncUpdateKData();
}

// GUI thread, during the model's delivery.
void QChart::onSyncUpdateMinute(const QuoteMinPoints* m, int index)
{
    if (!m || m->count <= 0 || !m->points)
        return;
    const int li = layerForRecord(index);
    if (li < 0)
        return;
    // The append flag (value1, nonzero) says the points continue the day
    // held; otherwise the record is the whole day.
    std::vector<ChartBar> bars = barsFromMinutePoints(m->points, m->count, m->price);
    const std::vector<ChartBar>& held = li == 0 ? barLayers_.front()->bars : barLayers_[std::size_t(li)]->raw;
    if (m->value1 != 0 && !held.empty())
        bars = continuedMinuteBars(held, std::move(bars));
    storeBars(li, std::move(bars), false, false, m->code_info);
    if (li == 0)
        followMinuteRange(range_, int(barLayers_.front()->bars.size()), kShowNumber_, crosshairShown_);
    relayout();
    updateTitleBarCTXData(range_.crosshair);
    update();
}

// GUI thread, during the model's delivery.
void QChart::onUpdateMinute(const QuoteMinPoints* m, int index)
{
    onSyncUpdateMinute(m, index);
    if (index == 0 && m && m->count > 0) {
        emit syncUpdateMinute(m, 0);
        emit dataUpdate();
    }
}

// GUI thread, during the model's delivery.
void QChart::onUpdateDividend(const QuoteDividendPoints* div)
{
    dividends_.clear();
    const int count = div && div->events ? std::max(0, div->count) : 0;
    if (count > 0)
        dividends_.assign(div->events, div->events + count);
    emit syncUpdateDividend(dividendMarks(dividends_.data(), count));
}
