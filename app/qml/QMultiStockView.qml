import QtQuick 2.15
import MultiStockModel 1.0
import "qrc:/qml/js/MiniCharts.js" as Mini
import "theme"

// Multi-stock: the rows of a quote table, one page of nine, as a 3 x 3 grid
// of minute charts titled "name(code)". Arrow keys move the selection (across
// by one, down and up by a row) and page at the ends; Page Up and Page Down
// page. Only a shown view keeps the tiles' requests running.
FocusScope {
    id: root
    property var query_map_: ({})
    // The page's stocks [{code, market, name}] in tile order.
    property var stocks: []
    property int selectIndex: 0
    // The tile to select when the page asked for arrives; -1 keeps the selection.
    property int pendingSelect: -1
    property alias tiles: tiles

    signal changeToMQView(var codeInfo)

    focus: true

    MultiStockModel {
        id: stockModel
        onDataChange: root.fill(data || [])
    }

    Rectangle { anchors.fill: parent; color: Theme.chartBackground }

    Grid {
        columns: Mini.GRID
        Repeater {
            id: tiles
            model: Mini.PAGE
            QChartView {
                objectName: "tile_" + index
                width: Mini.part(root.width, Mini.GRID)
                height: Mini.part(root.height, Mini.GRID)
                onSelectChange: {
                    root.select(index);
                    root.forceActiveFocus();
                }
                onChangeToMQView: function (info) { root.changeToMQView(info); }
            }
        }
    }

    function tile(i) { return tiles.itemAt(i); }

    // query: "json" the quote-table context (URL-encoded or plain), "row" the
    // table row of the first tile, counted from the context's first row.
    function setQuery(q) {
        query_map_ = q || {};
        var text = Mini.multiStockContext(query_map_.json, query_map_.row);
        if (text === "")
            return;
        pendingSelect = 0;
        stockModel.setCtx(text);
    }

    function updateQuery(q) {
        var merged = {};
        var k;
        for (k in query_map_) merged[k] = query_map_[k];
        for (k in q) merged[k] = q[k];
        setQuery(merged);
    }

    function getUp() { stockModel.pageUp(); }
    function getDown() { stockModel.pageDown(); }

    function clearDate() {
        stocks = [];
        for (var i = 0; i < tiles.count; ++i) {
            tile(i).clear();
            tile(i).setTitle("");
            tile(i).setSelect(false);
        }
    }

    // A page arrived: its stocks fill the tiles in order, the rest are cleared.
    function fill(list) {
        stocks = list;
        if (visible)
            showStocks();
        var want = pendingSelect >= 0 ? pendingSelect : selectIndex;
        pendingSelect = -1;
        select(Math.max(0, Math.min(want, list.length - 1)));
    }

    function showStocks() {
        for (var i = 0; i < tiles.count; ++i) {
            var t = tile(i);
            if (i < stocks.length) {
                t.setTitle(Mini.stockTitle(stocks[i].name, stocks[i].code));
                t.getMLineData({ code: String(stocks[i].code), market: Number(stocks[i].market) });
            } else {
                t.clear();
                t.setTitle("");
            }
        }
    }

    function select(i) {
        selectIndex = i;
        for (var j = 0; j < tiles.count; ++j)
            tile(j).setSelect(j === i && j < stocks.length);
    }

    function move(delta) {
        var s = Mini.step(selectIndex, delta, stocks.length);
        if (s.page === 0) {
            select(s.index);
            return;
        }
        pendingSelect = s.index;
        if (s.page < 0)
            getUp();
        else
            getDown();
    }

    Keys.onPressed: {
        switch (event.key) {
        case Qt.Key_Left: move(-1); break;
        case Qt.Key_Right: move(1); break;
        case Qt.Key_Up: move(-Mini.GRID); break;
        case Qt.Key_Down: move(Mini.GRID); break;
        case Qt.Key_PageUp: pendingSelect = -1; getUp(); break;
        case Qt.Key_PageDown: pendingSelect = -1; getDown(); break;
        default: return;
        }
        event.accepted = true;
    }

    onVisibleChanged: {
        if (visible) {
            showStocks();
        } else {
            for (var i = 0; i < tiles.count; ++i)
                tile(i).cancel();
        }
    }
}
