import QtQuick 2.15

// A ranked quote table: picks the layout, fixes the first columns and turns
// header clicks into new sorted queries. Visible tables resubscribe, hidden
// ones cancel.
Item {
    id: root
    property int fieldStyle: 0
    property var columnWidths: null
    property int fixedColumns: 2
    property var query_map_: ({})
    property alias table: table
    property alias table_model: table.table_model

    signal rowClicked(var codeInfo)
    signal changeToMQView(var codeInfo)
    signal mystockChange()
    signal dataChange()
    // The table took the keyboard (a click, or its view handing the keys on).
    signal tookKeys()

    function setQuery(query_map) {
        query_map_ = query_map;
        table.setQuery(query_map);
    }
    function updateQuery(query_map) { setQuery(query_map); }
    function setFixedColumn(n) { table.setFixedColumn(n); }
    function getSelectCodeInfo() { return table.getSelectCodeInfo(); }
    function getFirstCodeInfo() { return table.getFirstCodeInfo(); }
    function getBlockId(code, market) { return table.table_model.getBlockId(code, market); }
    function clear() {
        table.table_model.clear();
        table.selectIndex = -1;
        table.resetXY();
    }
    function getShowPageSize() { return table.getShowPageSize(); }
    function onChangeFieldSort(column, type) {
        var field = table.table_model.getSortField(column);
        if (field === -1)
            return;
        var q = {};
        for (var k in query_map_)
            q[k] = query_map_[k];
        q.field = field;
        q.sort = type;
        // Another order puts other stocks on the rows: the selection starts
        // again with the first row of the new order.
        table.selectIndex = -1;
        setQuery(q);
    }

    onVisibleChanged: visible ? table.table_model.update() : table.table_model.cancel()

    QTableView {
        id: table
        anchors.fill: parent
        columnWidths: root.columnWidths ? root.columnWidths : defaultWidths()
        onRowClicked: root.rowClicked(codeInfo)
        onChangeToMQView: root.changeToMQView(codeInfo)
        onMystockChange: root.mystockChange()
        onChangeFieldSort: root.onChangeFieldSort(column, type)
        onDataChange: root.dataChange()
        onActiveFocusChanged: if (activeFocus) root.tookKeys()
    }

    Component.onCompleted: {
        table.table_model.initHeader(fieldStyle);
        table.setFixedColumn(fixedColumns);
    }
}
