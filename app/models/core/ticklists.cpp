#include "models/core/ticklists.h"

#include <algorithm>
#include <cmath>

FlowListGeometry flowListGeometry(int style, double width, int rowHeight)
{
    FlowListGeometry g;
    g.groups = style == 0 ? 4 : 1;
    g.groupWidth = width / g.groups;
    const int whole = g.groupWidth > 0 && std::isfinite(g.groupWidth) ? int(std::min(g.groupWidth, 1e9)) : 0;
    g.priceWidth = whole / 5 * 3;
    g.volumeWidth = whole / 5 * 2;
    g.firstRowY = style == 0 ? rowHeight : 0;
    return g;
}

namespace {

// Rows flowing down and, when wrap is set, into the next column at firstY.
std::vector<ListCell> flowCells(bool wrap, double columnWidth, double height, int rowHeight, int firstY, int n)
{
    std::vector<ListCell> cells;
    cells.reserve(size_t(std::max(0, n)));
    double x = 0;
    double y = firstY;
    for (int i = 0; i < n; ++i) {
        cells.push_back({x, y});
        y += rowHeight;
        if (wrap && y > height - rowHeight) {
            y = firstY;
            x += columnWidth;
        }
    }
    return cells;
}

}  // namespace

std::vector<ListCell> flowListCells(int style, double width, double height, int rowHeight, int n)
{
    const FlowListGeometry g = flowListGeometry(style, width, rowHeight);
    return flowCells(style == 0, g.groupWidth, height, rowHeight, g.firstRowY, n);
}

bool flowListShowsTime(int style, bool first, bool sameText)
{
    return style == 0 || first || !sameText;
}

TipListGeometry tipListGeometry(int style, double width, int rowHeight)
{
    TipListGeometry g;
    g.columns = style != 0 ? 1 : 4;
    g.columnWidth = width / g.columns;
    const double u = g.columnWidth / 6;
    g.unit = u > 0 && std::isfinite(u) ? int(std::min(u, 1e9)) : 0;
    g.firstRowY = style == 0 ? rowHeight : 0;
    return g;
}

std::vector<ListCell> tipListCells(int style, double width, double height, int rowHeight, int n)
{
    const TipListGeometry g = tipListGeometry(style, width, rowHeight);
    return flowCells(style == 0, g.columnWidth, height, rowHeight, g.firstRowY, n);
}

int detailShowSize(double height, int titleHeight, int rowHeight, int columns)
{
    if (rowHeight <= 0 || columns <= 0 || !std::isfinite(height))
        return 0;
    const double rows = std::floor((height - titleHeight) / rowHeight);
    if (rows <= 0)
        return 0;
    return int(std::min(rows * columns, 1e6));
}

int detailStartAfterUpdate(int startIndex, int pageSize, int oldCount, int newCount)
{
    const int64_t n = int64_t(newCount) - oldCount;
    const bool followsEnd =
        (startIndex == 0 && pageSize > newCount) || oldCount == 0 || int64_t(startIndex) + pageSize == oldCount;
    int64_t start = followsEnd ? int64_t(newCount) - pageSize : int64_t(startIndex) + n;
    start = std::max<int64_t>(0, std::min<int64_t>(start, newCount));
    return int(start);
}

int detailClampStart(int startIndex, int count, int showSize)
{
    const int64_t last = std::max<int64_t>(0, int64_t(count) - showSize);
    return int(std::max<int64_t>(0, std::min<int64_t>(startIndex, last)));
}

int detailRowAt(double x, double y, double width, int columns, int titleHeight, int rowHeight, int startIndex,
                int showSize, int style)
{
    if (columns <= 0 || rowHeight <= 0 || width <= 0 || x < 0 || y < 0)
        return -1;
    if (style == 0 && y < titleHeight)
        return -1;
    const int column = int(x / (width / columns));
    const int row = int((y - titleHeight) / rowHeight);
    const int perColumn = showSize / columns;
    if (column >= columns || row >= perColumn)
        return -1;
    return startIndex + perColumn * column + row;
}

int sectionMax(const std::vector<int>& counts)
{
    int m = 0;
    for (int c : counts)
        m = std::max(m, c);
    return m;
}

float sectionRatio(const std::vector<int>& counts, int64_t index)
{
    if (index < 0 || index >= int64_t(counts.size()))
        return 0.0f;
    const int m = sectionMax(counts);
    return m > 0 ? float(counts[size_t(index)]) / float(m) : 0.0f;
}
