import QtQuick 2.15
import HFileIO 1.0
import "qrc:/qml/js/MiniCharts.js" as Mini
import "theme"

// Cycle resonance: one stock in a 3 x 3 grid of tiles, the minute chart and
// the eight K-line cycles. The K-line tiles take the overlay and sub formula
// of the stock view's K-line layout each time the grid is shown. Only a shown
// grid keeps requests running.
Rectangle {
    id: root
    color: Theme.chartBackground
    // The stock {code, market, ...}; empty when none.
    property var codeInfo: ({})
    property alias tiles: tiles

    HFileIO { id: fileIO }

    Grid {
        columns: Mini.GRID
        Repeater {
            id: tiles
            model: Mini.resonanceTiles.length
            QChartView {
                objectName: "tile_" + index
                width: Mini.part(root.width, Mini.GRID)
                height: Mini.part(root.height, Mini.GRID)
                title: Mini.resonanceTiles[index].title
                onSelectChange: function (tile) { root.selectOnly(tile); }
            }
        }
    }

    function tile(i) { return tiles.itemAt(i); }

    function selectOnly(selected) {
        for (var i = 0; i < tiles.count; ++i)
            if (tile(i) !== selected)
                tile(i).setSelect(false);
    }

    // Tiles 2-9: the overlay formula is the second main-chart entry of the
    // K-line layout (none when it has no second entry), the sub formula its
    // first sub-chart entry.
    function applyLayout() {
        var kline = Mini.withLayout(fileIO, function (layout) { return layout.getFormulaMap("kline"); }) || {};
        var mains = kline.main_charts || [];
        var subs = kline.sub_charts || [];
        var main = mains.length > 1 && mains[1] ? String(mains[1].fname || "") : "";
        var sub = subs.length > 0 && subs[0] ? String(subs[0].fname || "") : "";
        for (var i = 1; i < tiles.count; ++i) {
            tile(i).setMainFormula(main);
            tile(i).setSubFormula(sub);
        }
    }

    function load() {
        for (var i = 0; i < tiles.count; ++i) {
            var cycle = Mini.resonanceTiles[i].cycle;
            var q = { code: String(codeInfo.code), market: Number(codeInfo.market || 0), cycle: cycle };
            if (cycle === 0)
                tile(i).getMLineData(q);
            else
                tile(i).getKLineData(q);
        }
    }

    function getData(info) {
        if (!info || !info.code) {
            clearDate();
            return;
        }
        codeInfo = info;
        if (visible)
            load();
    }

    function clearDate() {
        codeInfo = ({});
        for (var i = 0; i < tiles.count; ++i)
            tile(i).clear();
    }

    onVisibleChanged: {
        if (visible) {
            applyLayout();
            if (codeInfo.code)
                load();
        } else {
            for (var i = 0; i < tiles.count; ++i)
                tile(i).cancel();
        }
    }

    Component.onCompleted: applyLayout()
}
