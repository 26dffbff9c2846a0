import QtQuick 2.15
import QMyStockService 1.0
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The strategy screen: blocks of the chosen category, the stocks of the
// selected block, the user's my-stock group, and four chart panes (block,
// stock, my-stock row, and the index of the index buttons).
Rectangle {
    id: root
    // The table that had the keys last takes them whenever the view does
    // (a fresh tab, Ctrl+Tab, a click on the tab).
    property var keyTable: blockTable
    onActiveFocusChanged: if (activeFocus && keyTable) keyTable.table.forceActiveFocus()
    color: Theme.blackBackground
    property var query_map_: ({})
    property var own: ({ field: -1, sort: 0 })
    property int groupIndex: 0
    property int currentCategory: 0
    property var groups: []     // names of the my-stock groups (from the group service)
    readonly property var categories: [
        { name: "行业板块", key: 1011 }, { name: "地区板块", key: 1010 }, { name: "概念板块", key: 1016 }
    ]
    readonly property var indices: [
        { name: "上证指数", code: "1A0001", market: 1, title: "上证指数" },
        { name: "深证指数", code: "399001", market: 2, title: "深证指数" },
        { name: "创业板", code: "399006", market: 2, title: "创业板指" }
    ]
    property alias blockTable: blockTable
    property alias stockTable: stockTable
    property alias myTable: myTable
    signal changeToMQView(var codeInfo)

    function getQuery() { return query_map_; }
    function setQuery(query_map) {
        query_map_ = query_map;
        if (query_map.own)
            own = query_map.own;
    }
    function updateQuery(query_map) { setQuery(query_map); }
    function chooseCategory(i) {
        currentCategory = i;
        blockTable.clear();
        stockTable.clear();
        blockTable.setQuery({ block: categories[i].key, field: QuoteCodes.FIELD_RISE_RATE, sort: 0, page_size: 200 });
    }
    function blockSelected(info) {
        if (!info)
            return;
        pane1.showStock(info);
        stockTable.clear();
        pane2.clear();
        var id = blockTable.getBlockId(info.code, info.market);
        var q = stockTable.query_map_;
        stockTable.setQuery({ block: id, field: q.field === undefined ? QuoteCodes.FIELD_RISE_RATE : q.field, sort: q.sort === undefined ? 0 : q.sort });
    }
    QMyStockService { id: myStock }
    function loadGroups() {
        var doc = myStock.getJson();
        var result = doc && doc.result ? doc.result : [];
        var names = [];
        for (var i = 0; i < result.length; ++i)
            names.push(String(result[i].group_name));
        groups = names;
        if (groupIndex >= names.length)
            groupIndex = 0;
    }
    // The user's groups changed in another view.
    function onMyStockChange() {
        loadGroups();
        if (visible)
            queryMyStock();
    }
    function queryMyStock() {
        myTable.table_model.getMyStockRealTime(groupIndex, own.field, own.sort, myTable.getShowPageSize());
    }
    function showIndex(i) {
        pane4.chartKind = "mline";
        pane4.showStock({ code: indices[i].code, market: indices[i].market, name: indices[i].title });
    }

    Column {
        id: left
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: panes.left
        anchors.rightMargin: 2
        spacing: 2
        Row {
            height: 25
            spacing: 1
            Repeater {
                model: root.categories.length
                delegate: Rectangle {
                    width: 80; height: 25
                    color: index === root.currentCategory ? Theme.selectedColor : Theme.buttonColor
                    Text { anchors.centerIn: parent; text: root.categories[index].name; color: Theme.textColor; font.pixelSize: Theme.buttonFontSize }
                    MouseArea { anchors.fill: parent; onClicked: root.chooseCategory(index) }
                }
            }
        }
        QRTableView {
            id: blockTable
            onTookKeys: root.keyTable = blockTable
            width: parent.width
            height: (parent.height - 25 - 25 - 6) / 3
            fieldStyle: 4
            fixedColumns: 3
            onRowClicked: root.blockSelected(codeInfo)
            onChangeToMQView: root.changeToMQView(codeInfo)
            onDataChange: {
                if (blockTable.table.selectIndex < 0 && blockTable.table_model.rowCount() > 0) {
                    blockTable.table.selectIndex = 0;
                    root.blockSelected(blockTable.getFirstCodeInfo());
                }
            }
        }
        QRTableView {
            id: stockTable
            onTookKeys: root.keyTable = stockTable
            width: parent.width
            height: (parent.height - 25 - 25 - 6) / 3
            fieldStyle: 4
            fixedColumns: 3
            onRowClicked: pane2.showStock(codeInfo)
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
        Row {
            height: 25
            spacing: 1
            Repeater {
                model: root.groups.length
                delegate: Rectangle {
                    width: 80; height: 25
                    color: index === root.groupIndex ? Theme.selectedColor : Theme.buttonColor
                    Text { anchors.centerIn: parent; text: root.groups[index]; color: Theme.textColor; font.pixelSize: Theme.buttonFontSize }
                    MouseArea { anchors.fill: parent; onClicked: { root.groupIndex = index; root.queryMyStock(); } }
                }
            }
        }
        QRTableView {
            id: myTable
            onTookKeys: root.keyTable = myTable
            width: parent.width
            height: (parent.height - 25 - 25 - 6) / 3
            fieldStyle: 1
            fixedColumns: 2
            columnWidths: [45, 80, 100, 85, 85, 95, 95, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85]
            onRowClicked: pane3.showStock(codeInfo)
            onChangeToMQView: root.changeToMQView(codeInfo)
            onMystockChange: root.onMyStockChange()
            function onChangeFieldSort(column, type) {
                var field = myTable.table_model.getSortField(column);
                if (field === -1)
                    return;
                root.own = { field: field, sort: type };
                root.queryMyStock();
            }
        }
    }
    Grid {
        id: panes
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.max(400, parent.width * 0.4)
        columns: 2
        spacing: 2
        QStockChartPane { id: pane1; pane: 1; onChangeToMQView: root.changeToMQView(codeInfo); width: (panes.width - 2) / 2; height: (panes.height - 2) / 2 }
        QStockChartPane { id: pane2; pane: 2; onChangeToMQView: root.changeToMQView(codeInfo); width: (panes.width - 2) / 2; height: (panes.height - 2) / 2 }
        QStockChartPane { id: pane3; pane: 3; onChangeToMQView: root.changeToMQView(codeInfo); width: (panes.width - 2) / 2; height: (panes.height - 2) / 2 }
        Item {
            width: (panes.width - 2) / 2
            height: (panes.height - 2) / 2
            QStockChartPane { id: pane4; pane: 4; onChangeToMQView: root.changeToMQView(codeInfo); anchors.fill: parent; anchors.bottomMargin: 26 }
            Row {
                anchors.bottom: parent.bottom
                height: 25
                spacing: 1
                Repeater {
                    model: root.indices.length
                    delegate: Rectangle {
                        width: 80; height: 25
                        color: Theme.buttonColor
                        Text { anchors.centerIn: parent; text: root.indices[index].name; color: Theme.textColor; font.pixelSize: Theme.buttonFontSize }
                        MouseArea { anchors.fill: parent; onClicked: root.showIndex(index) }
                    }
                }
            }
        }
    }

    // Back in front: the my-stock table lists its group again from the store,
    // so edits made meanwhile in another tab show.
    onVisibleChanged: {
        if (visible) {
            loadGroups();
            queryMyStock();
        }
    }

    Component.onCompleted: {
        chooseCategory(0);
        loadGroups();
        queryMyStock();
        showIndex(0);
    }
}
