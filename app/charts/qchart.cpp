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
#include "charts/historyload.h"
#include "charts/paintfullrect.h"
#include "charts/qdividendprocesser.h"
#include "formulas/formulaservice.h"

QChart::QChart(QQuickItem* parent) : ShownPaintedItem(parent), formulas_(std::make_unique<PaneFormulas>())
{
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
    leaveHistoryLoad();
}

// GUI thread. The layer children paint the outputs; the item paints layer 0's
// scale and crosshair over them.
void QChart::paint(QPainter* painter)
{
    if (formulas_->layers().empty() || barLayers_.empty() || formulas_->layers().front()->empty() || width() <= 0 ||
        height() <= 0)
        return;
    CTXData& slot = *formulas_->layers().front()->front();
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

// GUI thread.
void QChart::appendFormula(uint index, QString name, QString scales, QString crosshair, uint make_color)
{
    auto entry = formula::FormulaService::instance().find(name.toStdString());
    if (!entry)
        return;
    std::shared_ptr<formula::Formula> f = entry->create(formulas_->vm());
    if (!f || !f->context())
        return;
    formula::FormulaParam color;
    color.name = "_color";
    static_assert(sizeof(float) == sizeof(uint32_t), "colour bits travel in a float");
    std::memcpy(&color.value, &make_color, sizeof color.value);
    f->params.push_back(color);
    f->updateTitle();
    f->applyParams();

    auto slot = std::make_unique<CTXData>();
    slot->context = f->context();
    slot->scales = scales;
    slot->crosshair = crosshair;
    slot->name = name;
    slot->draw = (entry->type & 0xff) != 2;
    slot->chart = this;
    CTXData* s = slot.get();
    const int li = formulas_->addSlot(index > uint(INT32_MAX) ? -1 : int(index), std::move(slot), std::move(f));
    if (li < int(barLayers_.size()))
        s->bars = &barLayers_[std::size_t(li)]->bars;
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
    const int layers = int(formulas_->layers().size());
    if (vIndex < 0)
        vIndex += layers;
    if (vIndex < 0 || vIndex >= layers)
        return false;
    CTXLayer& layer = *formulas_->layers()[std::size_t(vIndex)];
    if (aIndex < 0)
        aIndex += int(layer.size());
    if (aIndex < 0 || aIndex >= int(layer.size()))
        return false;

    formulas_->removeSlot(vIndex, aIndex);

    if (layer.empty()) {
        if (vIndex < int(barLayers_.size())) {
            if (vIndex == 0)
                leaveHistoryLoad();
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
        formulas_->removeLayer(vIndex);
        // The title bars show layer 0: they leave the erased one and take
        // the layer that moved into its place.
        if (vIndex == 0 || formulas_->layers().empty())
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
    while (!(bSaveFirst && formulas_->layers().size() == 1) && removeFormula(-1, -1)) {
    }
    if (formulas_->layers().empty())
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
    if (!formulas_->layers().empty() && !formulas_->layers().front()->empty()) {
        view->setCTXData(formulas_->layers().front().get());
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
    if (formulas_->layers().empty())
        return;
    const CTXLayer& l0 = *formulas_->layers().front();
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
    if (formulas_->layers().empty())
        return;
    const CTXLayer& l0 = *formulas_->layers().front();
    for (std::size_t i = 0; i < l0.size(); ++i) {
        const QString& n = l0[i]->name;
        if (n != name && n != "MLINE" && n != "KLINE") {
            removeFormula(0, int(i));
            return;
        }
    }
}

// GUI thread.
void QChart::replaceFormula(QString oName, QString nName)
{
    for (auto& layer : formulas_->layers()) {
        for (auto& slot : *layer) {
            if (slot->name != oName)
                continue;
            auto fresh = formulas_->instantiate(nName);
            if (!fresh || !fresh->context())
                continue;
            formulas_->replaceInstance(*slot, std::move(fresh));
            slot->name = nName;
        }
    }
    relayout();
    updateTitleBarCTXData(range_.crosshair);
}

// GUI thread.
void QChart::replaceFormula(QString nName)
{
    if (formulas_->layers().empty() || formulas_->layers().front()->empty())
        return;
    CTXData& slot = *formulas_->layers().front()->front();
    auto fresh = formulas_->instantiate(nName);
    if (!fresh || !fresh->context())
        return;
    formulas_->replaceInstance(slot, std::move(fresh));
    slot.name = nName;
    relayout();
    updateTitleBarCTXData(range_.crosshair);
}

// GUI thread.
void QChart::reLoadFormula()
{
    formulas_->instantiateAgain();
    relayout();
    updateTitleBarCTXData(range_.crosshair);
}

QVariant QChart::getFormulas() const
{
    QJsonArray names;
    if (!formulas_->layers().empty())
        for (const auto& slot : *formulas_->layers().front())
            names.append(slot->name);
    return QVariant(names);
}

CTXData* QChart::getCTXData(uint index) const
{
    if (formulas_->layers().empty() || index >= formulas_->layers().front()->size())
        return nullptr;
    return (*formulas_->layers().front())[index].get();
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

BarStore* QChart::barLayer(int i) const
{
    return i >= 0 && i < int(barLayers_.size()) ? barLayers_[std::size_t(i)].get() : nullptr;
}

// ---- Evaluation ----

// GUI thread.
void QChart::relayout()
{
    joinHistoryLoad();
    alignOverlays();
    formulas_->run(barLayers_);
    layoutView();
}

// GUI thread. The outputs cover every bar, so a new size or visible range
// needs only this part, not another evaluation.
void QChart::layoutView()
{
    if (range_.begin < 0 || range_.end < range_.begin)
        return;
    formulas_->layOut(barLayers_, width(), height(), kShowNumber_, range_.begin, range_.end, lineType_ == "mline");
    pushToLayerViews();
}

void QChart::pushToLayerViews()
{
    const QList<QObject*> children = subFCharts();
    for (int i = 0; i < children.size() && i < int(formulas_->layers().size()); ++i) {
        if (auto* view = dynamic_cast<ChartLayerView*>(children[i])) {
            view->setBeginEnd(range_.begin, range_.end);
            view->setCTXLayer(formulas_->layers()[std::size_t(i)].get());
        }
    }
}

// GUI thread.
void QChart::updateTitleBarCTXData(int x)
{
    if (formulas_->layers().empty() || formulas_->layers().front()->empty())
        return;
    const int last = barLayers_.empty() ? 0 : std::max(0, int(barLayers_.front()->bars.size()) - 1);
    const int index = (x == -1 || x > last) ? last : x;
    for (ChartTitleView* view : titleViews_) {
        view->setCTXData(formulas_->layers().front().get());
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
        layer.loading.reset();  // the bars a load would end with are not these
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
    if (li >= int(formulas_->layers().size()) || li >= int(barLayers_.size()))
        return;
    const bool hasCode = info && info->code[0] != '\0';
    const QuoteCodeInfo clean = hasCode ? sanitizedCodeInfo(*info) : QuoteCodeInfo{};
    for (auto& slot : *formulas_->layers()[std::size_t(li)]) {
        slot->bars = &barLayers_[std::size_t(li)]->bars;
        if (hasCode)
            slot->codeInfo = clean;
    }
}

void QChart::takeLayer0(const SharedBarStore& store, const QuoteCodeInfo* info)
{
    if (barLayers_.empty()) {
        barLayers_.push_back(store);
    } else if (barLayers_.front() != store) {
        leaveHistoryLoad();
        barLayers_.front() = store;
    }
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
        std::vector<ChartBar> record = barsFromKPoints(points, count, store.bars);
        if (HistoryLoad::wanted(store, record)) {
            HistoryLoad::begin(store, std::move(record));
        } else {
            if (store.loading)
                store.loading->notePush(record);
            store.push(std::move(record));
        }
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

// GUI thread.
void QChart::joinHistoryLoad()
{
    BarStore* store = barLayer(0);
    // A pane whose formulas changed since it joined evaluates a copy of them anew.
    if (store && store->loading && !store->loading->joined(this, formulas_->edits()))
        store->loading->join(this, formulas_->freshCopy(), formulas_->edits());
}

// GUI thread.
void QChart::leaveHistoryLoad()
{
    BarStore* store = barLayer(0);
    if (store && store->loading)
        store->loading->leave(this);
}

// GUI thread.
void QChart::takeHistory(std::unique_ptr<PaneFormulas> evaluated, unsigned merged)
{
    std::unique_ptr<PaneFormulas> was;  // kept until the views point at the new slots
    if (evaluated && evaluated->sameFormulas(*formulas_)) {
        for (int li = 0; li < evaluated->layerCount(); ++li) {
            const CTXLayer& old = *formulas_->layer(li);
            CTXLayer& now = *evaluated->layer(li);
            for (std::size_t i = 0; i < now.size(); ++i) {
                CTXData& s = *now[i];
                s.codeInfo = old[i]->codeInfo;
                s.geometry = old[i]->geometry;
                s.layerRect = old[i]->layerRect;
                s.bars = li < int(barLayers_.size()) ? &barLayers_[std::size_t(li)]->bars : nullptr;
                // Layer 0's series were kept over the merged bars (a run that
                // failed kept none); an overlay's are made here, aligned anew.
                const bool kept = li == 0 && s.seriesLayer;
                s.seriesLayer = kept ? barLayers_.front().get() : nullptr;
                s.seriesVersion = kept ? merged : 0;
            }
        }
        was = std::move(formulas_);
        formulas_ = std::move(evaluated);
    }
    afterLayer0Changed();
    pushToLayerViews();
    emit dataUpdate();
    emit syncUpdateKData();
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
        barLayers_.front()->loading.reset();
        reset_ = true;
    }
    onUpdateKLine(k, index);
}

// GUI thread.
void QChart::onProcesserQuoteKPoint(QuoteCodeInfo* codeInfo, QuoteKPoint* kpoint, int length)
{
    if (formulas_->layers().empty() || formulas_->layers().front()->empty() || !codeInfo || !kpoint || length <= 0)
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
