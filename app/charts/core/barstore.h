// The bars of one chart layer, shared by the panes of a stock view, and the
// one rule by which a record of bars joins the bars held (Qt-free).
#pragma once

#include <memory>
#include <vector>

#include "charts/core/barchanges.h"
#include "charts/core/chartbar.h"

// Takes a time-ordered record of bars into the time-ordered bars held:
// - nothing held: the record becomes the bars;
// - the record starts on the last bar's time: it replaces that bar, and any
//   further bars are appended; a newer record is appended;
// - an older record is merged from its own first time on (its bar wins on an
//   equal time stamp), bars before that time staying as they were.
// Previous closes are then as recomputed over the whole series (bar 0 takes
// its own close). Returns the first bar that differs from before, held's
// size when none does.
int pushBars(std::vector<ChartBar>& held, std::vector<ChartBar>&& record);

// The bar fields as columns, kept between evaluations and regathered only
// from the first bar that changed; every slot that asks for a field copies
// from its column (instead of each slot walking the bar records again).
struct ChartColumns {
    enum Field { Close, High, Low, Open, Volume, Amount, AvgPrice, Date, TimeBits, FieldCount };
    std::vector<float> values[FieldCount];
    unsigned built[FieldCount] = {};  // the bars' version each column holds (0: none)
};

class HistoryLoad;  // charts/historyload.h

// One layer's bars with their change notes and columns. Layer 0 of a stock
// view (one stock and cycle) is one store held by every pane of the view;
// each slot keeps the version it last evaluated (CTXData::seriesVersion).
// An overlay layer keeps its stock's own bars in raw and the series aligned
// to layer 0 in bars.
struct BarStore {
    std::vector<ChartBar> bars;
    std::vector<ChartBar> raw;
    ChartColumns columns;    // of bars
    BarChanges changes;      // of bars
    unsigned alignedTo = 0;  // an overlay: the version of layer 0 its bars are aligned to
    // Layer 0: older bars being taken in off the GUI thread, or null. The
    // bars above stay as shown until it ends (HistoryLoad).
    std::shared_ptr<HistoryLoad> loading;

    // Layer 0: pushBars into bars, noting the change. Returns its first changed bar.
    int push(std::vector<ChartBar>&& record)
    {
        const int size = int(bars.size());
        const int from = pushBars(bars, std::move(record));
        if (from < int(bars.size()) || size != int(bars.size()))
            changes.mark(from);
        return from;
    }
};
using SharedBarStore = std::shared_ptr<BarStore>;
