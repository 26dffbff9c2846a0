// HistoryLoad: older bars (a load-more) taken into the store that the panes
// of a stock view share (layer 0), with the formulas evaluated off the GUI
// thread. The GUI thread only merges the older record into a copy of the
// bars; each pane that holds the store evaluates a fresh copy of its formulas
// (PaneFormulas::freshCopy) over that copy on a worker. Meanwhile the panes
// show the bars held and take pushes into them as before; each push is noted.
// Once every pane's evaluation is in, the store takes the merged bars with
// those pushes replayed and every pane its evaluated formulas, in one step on
// the GUI thread: no pane ever shows outputs of other bars than the store's.
//
// The store owns its load (BarStore::loading); dropping it (the store's bars
// replaced, another load begun, the store gone) drops the workers' results
// when they come. A worker holds only its own formulas and a copy of the bars.
#pragma once

#include <QPointer>

#include <memory>
#include <vector>

#include "charts/core/barstore.h"

class PaneFormulas;
class QChart;
class QFutureWatcherBase;

class HistoryLoad : public std::enable_shared_from_this<HistoryLoad> {
public:
    // From this many bars on (the store's with the record's) older bars are
    // evaluated off the GUI thread; fewer are taken as any other record.
    static constexpr std::size_t kOffThreadBars = 4096;

    // Whether record goes into store by a load: it begins before the store's
    // first bar, and a load is under way or the bars are long.
    static bool wanted(const BarStore& store, const std::vector<ChartBar>& record);
    // GUI thread. A load of record into store: the store's bars (those a load
    // under way ends with, pushes replayed, when there is one) with record
    // merged by pushBars. It replaces any load under way.
    static void begin(BarStore& store, std::vector<ChartBar>&& record);

    HistoryLoad(BarStore& store, std::vector<ChartBar>&& merged);
    ~HistoryLoad();
    HistoryLoad(const HistoryLoad&) = delete;
    HistoryLoad& operator=(const HistoryLoad&) = delete;

    // GUI thread. A record taken into the store's bars during the load.
    void notePush(const std::vector<ChartBar>& record);
    // GUI thread. Whether pane evaluates for this load a copy of its
    // formulas as they were at edit count edits.
    bool joined(const QChart* pane, unsigned edits) const;
    // GUI thread. pane evaluates formulas, a copy of its own at edit count
    // edits (null: none could be copied, the pane evaluates at the end
    // itself), over the merged bars on a worker; a copy it evaluated before goes.
    void join(QChart* pane, std::unique_ptr<PaneFormulas> formulas, unsigned edits);
    // GUI thread. pane takes no part any more (it goes, or holds other bars):
    // the others may end the load without it.
    void leave(const QChart* pane);

private:
    struct Part;
    // GUI thread. pane's evaluation came in.
    void partDone(const QChart* pane, std::unique_ptr<PaneFormulas> evaluated);
    // GUI thread. With every pane's evaluation in, the store and the panes take them.
    void finishIfReady();
    void scheduleFinish();
    bool takesPart(const Part& p) const;

    BarStore& store_;
    std::shared_ptr<const std::vector<ChartBar>> merged_;
    std::vector<std::vector<ChartBar>> pushes_;  // taken into the store meanwhile, in order
    std::vector<Part> parts_;
};
