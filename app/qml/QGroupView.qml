import QtQuick 2.15
import "theme"

// The layout shared by the group views (my stocks, stock pools, screening
// results): the group's quote table at the left with the group bar below it,
// and two chart panes at the right, the selected stock and its market's main
// index. A view puts its bar into the strip and lists its rows in requestRows().
Rectangle {
    id: root
    color: Theme.blackBackground
    property alias table: table
    property alias pane1: pane1
    property alias pane2: pane2
    property int firstColumnWidth: 40
    property int field: -1
    property int sort: 0
    property bool selectedOnce: false
    default property alias barContent: barArea.data

    signal changeToMQView(var codeInfo)
    signal requestRows()

    function marketIndex(info) {
        if (Number(info.market) === 2)
            return { code: "399001", name: "深证成指", market: 2 };
        return { code: "1A0001", name: "上证指数", market: 1 };
    }
    function showStock(info) {
        if (!info)
            return;
        pane1.showStock(info);
        pane2.showStock(marketIndex(info));
    }
    // A group left: no rows, no charts, until the next list comes.
    function clearRows() {
        table.table_model.cancel();
        table.clear();
        clearCharts();
    }
    function clearCharts() {
        pane1.clear();
        pane2.clear();
        selectedOnce = false;
    }
    function pageSize() { return Math.max(1, table.getShowPageSize()); }

    Keys.forwardTo: [table.table, pane1.chart, pane2.chart]

    Item {
        id: left
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.round(parent.width * 2 / 3)
        QRTableView {
            id: table
            objectName: "groupTable"
            anchors.fill: parent
            anchors.bottomMargin: Theme.groupBarHeight + 2
            fieldStyle: 1
            fixedColumns: 3
            columnWidths: [root.firstColumnWidth, 80, 100, 80, 85, 85, 95, 95, 85, 85, 85, 85, 85, 85, 85, 85,
                           85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85]
            onRowClicked: root.showStock(codeInfo)
            onChangeToMQView: root.changeToMQView(codeInfo)
            onDataChange: {
                // An emptied group (its last stock removed) shows no charts either.
                if (table.table_model.rowCount() === 0) {
                    if (root.selectedOnce)
                        root.clearCharts();
                    return;
                }
                if (root.selectedOnce)
                    return;
                root.selectedOnce = true;
                if (table.table.selectIndex < 0)
                    table.table.selectIndex = 0;
                root.showStock(table.table_model.getCodeInfo(table.table.selectIndex));
            }
            function onChangeFieldSort(column, type) {
                var f = table.table_model.getSortField(column);
                if (f === -1)
                    return;
                root.field = f;
                root.sort = type;
                root.requestRows();
            }
        }
        Item {
            id: barArea
            objectName: "groupBar"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: Theme.groupBarHeight
        }
    }
    Column {
        id: panes
        anchors.left: left.right
        anchors.leftMargin: 2
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        spacing: 2
        QStockChartPane {
            id: pane1
            pane: 1
            centredTitle: true
            buttonWidth: 60
            width: parent.width
            height: (parent.height - 2) / 2
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
        QStockChartPane {
            id: pane2
            pane: 2
            centredTitle: true
            buttonWidth: 60
            width: parent.width
            height: (parent.height - 2) / 2
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
    }
}
