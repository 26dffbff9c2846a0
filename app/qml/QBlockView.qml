import QtQuick 2.15
import "js/QuoteCodes.js" as QuoteCodes

// The blocks a stock belongs to (left, 323 pixels) and the stocks of the
// chosen block (right); for an index or block only the right table, with its
// own constituents. Both tables sort by the rise rate descending until a header
// is clicked.
Item {
    id: root
    objectName: "blockView"
    property var codeInfo: null
    property int blockId: 0
    property alias blockTable: blockTable
    property alias stockTable: stockTable
    signal changeToMQView(var codeInfo)

    readonly property bool showBlocks: codeInfo !== null && Number(codeInfo.type) !== 1

    // Returns the block id: -1 when the left table is shown, else the stock's
    // block id (0 when it has none). Hidden, nothing is asked until shown.
    function setQuery(query_map) {
        codeInfo = query_map;
        blockTable.clear();
        stockTable.clear();
        blockId = 0;
        if (!query_map)
            return 0;
        if (showBlocks) {
            if (visible)
                loadBlocks();
            return -1;
        }
        blockId = stockTable.getBlockId(String(query_map.code), Number(query_map.market));
        if (blockId !== 0 && visible)
            loadStocks();
        return blockId;
    }
    function updateQuery(query_map) { return setQuery(query_map); }
    function reload() {
        if (!codeInfo)
            return;
        if (showBlocks)
            loadBlocks();
        if (blockId !== 0)
            loadStocks();
    }
    function loadBlocks() {
        var q = blockTable.query_map_;
        blockTable.table.query_map_ = q;
        blockTable.table_model.getBlockIndex(String(codeInfo.code), Number(codeInfo.market),
                                             q.field === undefined ? QuoteCodes.FIELD_RISE_RATE : Number(q.field), q.sort === undefined ? 0 : Number(q.sort));
    }
    function loadStocks() {
        var q = stockTable.query_map_;
        stockTable.setQuery({ block: blockId, field: q.field === undefined ? QuoteCodes.FIELD_RISE_RATE : q.field, sort: q.sort === undefined ? 0 : q.sort });
    }
    // The left table's row of block id, or -1.
    function rowOfBlock(id) {
        var m = blockTable.table_model;
        for (var i = 0; id !== 0 && i < m.rowCount(); ++i) {
            var info = m.getCodeInfo(i);
            if (blockTable.getBlockId(String(info.code), Number(info.market)) === id)
                return i;
        }
        return -1;
    }
    function blockChosen(info) {
        if (!info)
            return;
        blockId = blockTable.getBlockId(String(info.code), Number(info.market));
        stockTable.clear();
        if (blockId !== 0)
            loadStocks();
    }

    onVisibleChanged: {
        if (visible) {
            reload();
        } else {
            blockTable.table_model.cancel();
            stockTable.table_model.cancel();
        }
    }
    onHeightChanged: if (visible && codeInfo) reloadTimer.restart()
    Timer { id: reloadTimer; interval: 200; onTriggered: root.reload() }

    QRTableView {
        id: blockTable
        visible: root.showBlocks
        x: 0
        width: visible ? 323 : 0
        height: parent.height
        fieldStyle: 3
        fixedColumns: 2
        columnWidths: [45, 100, 80, 95]
        query_map_: ({ field: QuoteCodes.FIELD_RISE_RATE, sort: 0 })
        onRowClicked: root.blockChosen(codeInfo)
        onChangeToMQView: root.changeToMQView(codeInfo)
        // A header click: the block list again, sorted by that field.
        function setQuery(q) { query_map_ = q; root.loadBlocks(); }
        onDataChange: {
            if (table_model.rowCount() === 0)
                return;
            if (table.selectIndex < 0) {
                table.selectIndex = 0;
                root.blockChosen(getFirstCodeInfo());
                return;
            }
            // Rows sorted anew (a reload, live values, a header click): the
            // mark stays on the block the right table shows.
            var row = root.rowOfBlock(root.blockId);
            if (row >= 0)
                table.selectIndex = row;
        }
    }
    QRTableView {
        id: stockTable
        anchors.left: blockTable.right
        anchors.leftMargin: blockTable.visible ? 2 : 0
        anchors.right: parent.right
        height: parent.height
        fieldStyle: 1
        fixedColumns: 3
        columnWidths: [45, 80, 100, 80, 85, 85, 95, 95]
        query_map_: ({ field: QuoteCodes.FIELD_RISE_RATE, sort: 0 })
        onChangeToMQView: root.changeToMQView(codeInfo)
    }
}
