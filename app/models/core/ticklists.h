// Arithmetic of the tick-detail and stock-tip lists: which rows a new batch
// keeps, where each painted row goes, how the detail view pages, and the
// shares of a rise-and-fall distribution. Pure functions, no Qt.
#pragma once

#include <cstdint>
#include <vector>

// ---- Merging a batch into a list ----

// Rows of a list of rowCount rows that survive a new detail batch: none when
// the batch starts the day (start 0) or starts inside the rows; then, when
// the batch has items, the rows from the last one whose time equals the first
// item's time onwards go (a resent tail). timeOf(i) gives row i's time.
template <class TimeOf>
int detailKeptRows(int rowCount, int startNumber, bool hasItems, int64_t firstTime, TimeOf timeOf)
{
    int kept = startNumber == 0 || startNumber < rowCount ? 0 : rowCount;
    if (hasItems && firstTime >= 0 && firstTime < (int64_t(1) << 32)) {
        for (int i = kept - 1; i >= 0; --i) {
            if (int64_t(timeOf(i)) == firstTime) {
                kept = i;
                break;
            }
        }
    }
    return kept;
}

// The same tail rule alone, for the stock tips (kept rows, from the back).
template <class TimeOf>
int tipKeptRows(int rowCount, bool hasItems, int64_t firstTime, TimeOf timeOf)
{
    return detailKeptRows(rowCount, rowCount, hasItems, firstTime, timeOf);
}

// ---- Painted lists ----

// Where one painted row goes, and whether it starts a new column group.
struct ListCell {
    double x;
    double y;
};

// The tick list painter: 4 groups with a header for style 0, else 1 group.
struct FlowListGeometry {
    int groups;         // 4 or 1
    double groupWidth;  // width / groups
    int priceWidth;     // a = (int)groupWidth / 5 * 3: time and price
    int volumeWidth;    // b = (int)groupWidth / 5 * 2: volume and tag
    int firstRowY;      // rowHeight in style 0, else 0
};
FlowListGeometry flowListGeometry(int style, double width, int rowHeight);

// Positions of n rows: downwards from the first row; in style 0, once a row
// ends below height - rowHeight, the next one opens the next group at the top.
std::vector<ListCell> flowListCells(int style, double width, double height, int rowHeight, int n);

// Whether a style prints the time of a row whose minute text is cur after a
// row with prev (empty before the first row): style 0 always, others only
// when the text changes.
bool flowListShowsTime(int style, bool first, bool sameText);

// The stock-tip painter: 1 column when style is not 0, else 4; u is a sixth of
// a column as an integer.
struct TipListGeometry {
    int columns;
    double columnWidth;
    int unit;
    int firstRowY;
};
TipListGeometry tipListGeometry(int style, double width, int rowHeight);
// Positions of n tip rows (style 0 wraps when height - rowHeight < y).
std::vector<ListCell> tipListCells(int style, double width, double height, int rowHeight, int n);

// ---- Paging of the detail view ----

// Rows the view shows: floor((height - title) / rowHeight) x columns, never
// negative (a view being laid out may be 0 high or have a 0 row height).
int detailShowSize(double height, int titleHeight, int rowHeight, int columns);

// The page start after an update that took the list from oldCount to
// newCount rows: at the end when the page followed the end (it started at 0
// and was longer than the list, the list was empty, or the page's end sat at
// the old last row), else moved by the growth; never negative.
int detailStartAfterUpdate(int startIndex, int pageSize, int oldCount, int newCount);

// A page start kept between 0 and count - showSize.
int detailClampStart(int startIndex, int count, int showSize);

// The row under a click, or -1 on the title row of style 0 or off the list.
int detailRowAt(double x, double y, double width, int columns, int titleHeight, int rowHeight, int startIndex,
                int showSize, int style);

// ---- Distributions ----

// count / max as a float share, 0 when max is not positive or the index is
// outside the counts.
float sectionRatio(const std::vector<int>& counts, int64_t index);
int sectionMax(const std::vector<int>& counts);
