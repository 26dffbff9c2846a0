#include "charts/historyload.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#include "charts/paneformulas.h"
#include "charts/qchart.h"

namespace {

// One pane's evaluation: its formulas, run on a worker over a copy of the
// merged bars. Held by the worker and by the GUI thread's watcher, so it
// lives as long as either needs it, whichever thread lets it go last.
struct Evaluation {
    std::unique_ptr<PaneFormulas> formulas;
    std::shared_ptr<const std::vector<ChartBar>> bars;
};

// Worker thread. Runs the formulas of layer 0 over their own store of the
// bars; overlay layers are evaluated by the pane at the end (they are
// aligned to the store's bars there).
void evaluate(Evaluation& e)
{
    BarStore work;
    work.bars = *e.bars;
    e.formulas->runLayer(0, work);
    // The slots point at this store, which goes now: the pane points them
    // at its own when it takes them (QChart::takeHistory).
    if (CTXLayer* l0 = e.formulas->layer(0))
        for (auto& slot : *l0)
            slot->bars = nullptr;
}

}  // namespace

struct HistoryLoad::Part {
    QPointer<QChart> pane;
    const QChart* id = nullptr;  // the pane's address, compared only
    unsigned edits = 0;          // the pane's formulas' edit count when copied
    QPointer<QFutureWatcherBase> watcher;
    std::unique_ptr<PaneFormulas> evaluated;
    bool done = false;
};

bool HistoryLoad::wanted(const BarStore& store, const std::vector<ChartBar>& record)
{
    if (record.empty() || store.bars.empty() || record.front().time >= store.bars.front().time)
        return false;
    return store.loading || store.bars.size() + record.size() >= kOffThreadBars;
}

// GUI thread.
void HistoryLoad::begin(BarStore& store, std::vector<ChartBar>&& record)
{
    std::vector<ChartBar> bars;
    if (store.loading) {
        // The older bars of the load under way are not lost: this load starts from them.
        bars = *store.loading->merged_;
        for (const std::vector<ChartBar>& r : store.loading->pushes_)
            pushBars(bars, std::vector<ChartBar>(r));
    } else {
        bars = store.bars;
    }
    pushBars(bars, std::move(record));
    store.loading = std::make_shared<HistoryLoad>(store, std::move(bars));
}

HistoryLoad::HistoryLoad(BarStore& store, std::vector<ChartBar>&& merged)
    : store_(store), merged_(std::make_shared<const std::vector<ChartBar>>(std::move(merged)))
{}

// GUI thread (the store's).
HistoryLoad::~HistoryLoad()
{
    for (Part& p : parts_)
        if (p.watcher)
            p.watcher->deleteLater();
}

// GUI thread.
void HistoryLoad::notePush(const std::vector<ChartBar>& record)
{
    pushes_.push_back(record);
}

bool HistoryLoad::joined(const QChart* pane, unsigned edits) const
{
    return std::any_of(parts_.begin(), parts_.end(),
                       [pane, edits](const Part& p) { return p.id == pane && p.edits == edits; });
}

// GUI thread.
void HistoryLoad::join(QChart* pane, std::unique_ptr<PaneFormulas> formulas, unsigned edits)
{
    leave(pane);
    Part part;
    part.pane = pane;
    part.id = pane;
    part.edits = edits;
    if (!formulas) {
        part.done = true;
        parts_.push_back(std::move(part));
        scheduleFinish();
        return;
    }
    auto e = std::make_shared<Evaluation>();
    e->formulas = std::move(formulas);
    e->bars = merged_;
    auto* watcher = new QFutureWatcher<void>(pane);  // goes with the pane, or when the load ends
    part.watcher = watcher;
    std::weak_ptr<HistoryLoad> self = weak_from_this();
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [self, e, watcher, id = part.id]() {
        watcher->deleteLater();
        if (auto load = self.lock())
            load->partDone(id, std::move(e->formulas));
    });
    parts_.push_back(std::move(part));
    watcher->setFuture(QtConcurrent::run([e]() { evaluate(*e); }));
}

// GUI thread.
void HistoryLoad::leave(const QChart* pane)
{
    const auto it = std::find_if(parts_.begin(), parts_.end(), [pane](const Part& p) { return p.id == pane; });
    if (it == parts_.end())
        return;
    if (it->watcher)
        it->watcher->deleteLater();
    parts_.erase(it);
    scheduleFinish();
}

// GUI thread. The parts may be all in now: the load ends from the event
// loop, not inside whatever the pane that left or joined is doing.
void HistoryLoad::scheduleFinish()
{
    if (!QCoreApplication::instance())
        return;  // no event loop to end it from (the process is ending)
    std::weak_ptr<HistoryLoad> self = weak_from_this();
    QTimer::singleShot(0, QCoreApplication::instance(), [self]() {
        if (auto load = self.lock())
            load->finishIfReady();
    });
}

// GUI thread.
void HistoryLoad::partDone(const QChart* pane, std::unique_ptr<PaneFormulas> evaluated)
{
    const auto it = std::find_if(parts_.begin(), parts_.end(), [pane](const Part& p) { return p.id == pane; });
    if (it == parts_.end())
        return;
    it->evaluated = std::move(evaluated);
    it->done = true;
    finishIfReady();
}

bool HistoryLoad::takesPart(const Part& p) const
{
    return p.pane && p.pane->barLayer(0) == &store_;
}

// GUI thread.
void HistoryLoad::finishIfReady()
{
    if (store_.loading.get() != this)
        return;
    for (const Part& p : parts_)
        if (takesPart(p) && !p.done)
            return;
    std::shared_ptr<HistoryLoad> self = std::move(store_.loading);  // this goes at the end
    BarStore* const store = &store_;
    store->bars = *merged_;
    const std::size_t mergedSize = store->bars.size();
    store->changes.mark(0);
    const unsigned version = store->changes.version();
    int from = int(mergedSize);
    for (std::vector<ChartBar>& r : pushes_)
        from = std::min(from, pushBars(store->bars, std::move(r)));
    if (from < int(store->bars.size()) || store->bars.size() != mergedSize)
        store->changes.mark(from);
    // Every pane takes its formulas before any returns to the event loop.
    std::vector<std::pair<QPointer<QChart>, std::unique_ptr<PaneFormulas>>> takers;
    for (Part& p : parts_)
        if (takesPart(p))
            takers.emplace_back(p.pane, std::move(p.evaluated));
    for (auto& t : takers)
        if (t.first && t.first->barLayer(0) == store)
            t.first->takeHistory(std::move(t.second), version);
}
