import QtQuick 2.15
import QStockPoolService 1.0

// "股票池": the stock pools the back end publishes (read from StockPool.json
// when the view opens), one bar item per pool.
QGroupView {
    id: root
    objectName: "stockPoolView"
    firstColumnWidth: 45
    property var query_map_: ({})
    property var groups: []   // the groups' ids, in bar order
    property alias service: service
    property alias bar: bar

    QStockPoolService { id: service }

    function getQuery() { return query_map_; }
    function setQuery(query_map) {
        var q = {};
        for (var k in query_map_) q[k] = query_map_[k];
        for (k in query_map) q[k] = query_map[k];
        query_map_ = q;
        if (q.field !== undefined) {
            field = Number(q.field);
            sort = Number(q.sort || 0);
        }
        rebuildBar(q.group_id);
        listSelected();
    }
    function updateQuery(query_map) { setQuery(query_map); }
    // One item per pool, the pool with that id (or the first) selected.
    function rebuildBar(groupId) {
        var titles = service.getGroupTitles();
        groups = titles.ids;
        barModel.clear();
        var chosen = groupId === undefined ? -1 : titles.ids.indexOf(String(groupId));
        if (chosen < 0)
            chosen = 0;
        var items = [];
        for (var i = 0; i < titles.ids.length; ++i)
            items.push({ name: titles.names[i], flag: titles.ids[i], key: titles.ids[i], select: i === chosen });
        barModel.append(items);   // one insertion: the bar is built once
    }
    function listSelected() {
        var i = bar.getFirstSelectIndex();
        if (i < 0) {
            clearRows();
            return;
        }
        table.table_model.getStockPoolRealTime(i, field, sort, pageSize());
    }

    onRequestRows: listSelected()

    QGroupToolsBar {
        id: bar
        objectName: "poolBar"
        anchors.fill: parent
        model_: ListModel { id: barModel }
        onClickedItem: {
            root.clearRows();
            root.listSelected();
        }
    }
}
