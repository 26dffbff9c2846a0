import QtQuick 2.15
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The block monitor: the blocks of the chosen category, the stocks of the
// selected block, and two chart panes (the block and the stock).
Rectangle {
    id: root
    // The table that had the keys last takes them whenever the view does
    // (a fresh tab, Ctrl+Tab, a click on the tab).
    property var keyTable: blockTable
    onActiveFocusChanged: if (activeFocus && keyTable) keyTable.table.forceActiveFocus()
    color: Theme.blackBackground
    property var query_map_: ({ category: 1011, field: QuoteCodes.FIELD_RISE_RATE, sort: 0 })
    property string blockName: ""
    readonly property var categories: [
        { name: "行业板块", key: 1011 }, { name: "地区板块", key: 1010 }, { name: "概念板块", key: 1016 }
    ]
    property int currentCategory: 0
    property alias blockTable: blockTable
    property alias stockTable: stockTable
    signal changeToMQView(var codeInfo)

    function getQuery() { return query_map_; }
    function setQuery(query_map) {
        var q = {};
        for (var k in query_map) q[k] = query_map[k];
        q.category = Number(q.category || 1011);
        q.field = q.field === undefined || q.field === "" ? QuoteCodes.FIELD_RISE_RATE : Number(q.field);
        q.sort = q.sort === undefined || q.sort === "" ? 0 : Number(q.sort);
        query_map_ = q;
        for (var i = 0; i < categories.length; ++i)
            if (categories[i].key === q.category)
                currentCategory = i;
        blockTable.clear();
        stockTable.clear();
        blockTable.setQuery({ block: q.category, field: q.field, sort: q.sort, page_size: 200 });
    }
    function updateQuery(query_map) { setQuery(query_map); }
    function blockSelected(info) {
        if (!info)
            return;
        pane1.showStock(info);
        stockTable.clear();
        pane2.clear();
        blockName = info.name;
        var id = blockTable.getBlockId(info.code, info.market);
        var q = stockTable.query_map_;
        stockTable.setQuery({ block: id, field: q.field === undefined ? QuoteCodes.FIELD_RISE_RATE : q.field, sort: q.sort === undefined ? 0 : q.sort });
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
                    MouseArea {
                        anchors.fill: parent
                        onClicked: root.setQuery({ category: root.categories[index].key, field: QuoteCodes.FIELD_RISE_RATE, sort: 0 })
                    }
                }
            }
        }
        QRTableView {
            id: blockTable
            onTookKeys: root.keyTable = blockTable
            width: parent.width
            height: (parent.height - 25 - 29) / 2
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
        Text {
            height: 25
            text: root.blockName
            color: Theme.textColor
            font.pixelSize: Theme.paneTitleFontSize
        }
        QRTableView {
            id: stockTable
            onTookKeys: root.keyTable = stockTable
            width: parent.width
            height: (parent.height - 25 - 29) / 2
            fieldStyle: 4
            fixedColumns: 3
            onRowClicked: pane2.showStock(codeInfo)
            onChangeToMQView: root.changeToMQView(codeInfo)
            onDataChange: {
                if (stockTable.table.selectIndex < 0 && stockTable.table_model.rowCount() > 0) {
                    stockTable.table.selectIndex = 0;
                    pane2.showStock(stockTable.getFirstCodeInfo());
                }
            }
        }
    }
    Column {
        id: panes
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.max(300, parent.width * 0.3)
        spacing: 2
        QStockChartPane { id: pane1; pane: 1; onChangeToMQView: root.changeToMQView(codeInfo); width: parent.width; height: (parent.height - 2) / 2 }
        QStockChartPane { id: pane2; pane: 2; onChangeToMQView: root.changeToMQView(codeInfo); width: parent.width; height: (parent.height - 2) / 2 }
    }
}
