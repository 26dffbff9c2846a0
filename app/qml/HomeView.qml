import QtQuick 2.15
import QMyStockService 1.0
import "qrc:/qml/js/HomeView.js" as Home
import "theme"

// The home view ("首页"): the first my-stock group as a compact quote table,
// the main indices as tiles over the chosen index's minute chart, news and
// research, the strongest concept blocks and four rise-and-fall
// distributions. Everything subscribes while the view is visible only.
Rectangle {
    id: root
    color: Theme.background
    // The table's sort: field -1 (none) and direction 0.
    property var query_map_: ({ field: -1, direction: 0 })
    property var curCodeInfo_: null
    readonly property var columns: Home.layout(width)
    readonly property real topHeight: Math.round(height * 0.55)
    property alias myStock: myStock
    property alias priceBoard: priceBoard
    property alias indexChart: indexChart
    property alias newsView: newsView
    property alias conceptBoard: conceptBoard
    property alias sectionView: sectionView
    signal changeToMQView(var codeInfo)

    function queryMyStock() {
        myStock.table_model.getMyStockRealTime2(0, query_map_.field, query_map_.direction, myStock.getShowPageSize());
    }
    // The user's groups changed.
    function onMyStockChange() {
        if (visible)
            queryMyStock();
    }
    // This view's own edits of the groups (other views' come through the tabs).
    QMyStockService { onUpdateMyStock: root.onMyStockChange() }

    function showIndex(info) {
        if (info && info.code)
            indexChart.getMLineData({ code: info.code, market: info.market, name: info.name });
    }
    function firstStock() {
        var m = myStock.table_model;
        for (var i = 0; i < m.rowCount(); ++i) {
            var info = m.getCodeInfo(i);
            if (info && info.type === 2)
                return info;
        }
        return null;
    }
    function start() {
        queryMyStock();
        priceBoard.subscribe();
        conceptBoard.subscribe();
        showIndex(priceBoard.getCurCodeInfo());
        myStock.forceActiveFocus();
    }
    function stop() {
        myStock.table_model.cancel();
        priceBoard.cancel();
        indexChart.cancel();
        conceptBoard.cancel();
    }

    // ---- Top row: my stocks, index tiles over the index chart ----
    Rectangle {
        id: myStockPane
        width: root.columns.left
        height: root.topHeight
        color: Theme.background
        Text {
            x: 10; height: 30
            verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily; font.pixelSize: Theme.paneTitleFontSize
            color: Theme.textColor
            text: "自选股"
        }
        QTableView {
            id: myStock
            objectName: "myStockTable"
            y: 30
            width: parent.width
            height: parent.height - 30
            columnWidths: [45, 100, 80, 85, 95, 95, 95, 95, 95, 95]
            onChangeFieldSort: {
                var field = table_model.getSortField(column);
                if (field !== -1)
                    root.query_map_.field = field;
                root.query_map_.direction = type;
                root.queryMyStock();
            }
            onRowClicked: root.curCodeInfo_ = codeInfo
            onChangeToMQView: root.changeToMQView(codeInfo)
            onDataChange: if (!root.curCodeInfo_) root.curCodeInfo_ = root.firstStock()
            Component.onCompleted: {
                table_model.initHeader(2);
                setFixedColumn(2);
            }
        }
    }
    Rectangle {
        id: indexPane
        x: root.columns.left + 2
        width: root.columns.middle - 2
        height: root.topHeight
        color: Theme.raisedBackground
        QPriceBoard {
            id: priceBoard
            objectName: "priceBoard"
            width: parent.width
            height: 90
            onTileClicked: root.showIndex(codeInfo)
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
        HomeIndexView {
            id: indexChart
            objectName: "homeIndexChart"
            y: priceBoard.height
            width: parent.width
            height: parent.height - priceBoard.height
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
    }

    // ---- Bottom row: news and the concept board ----
    HomeNewsView {
        id: newsView
        objectName: "homeNews"
        y: root.topHeight + 2
        width: root.columns.left
        height: root.height - y
    }
    Rectangle {
        x: root.columns.left + 2
        y: root.topHeight + 2
        width: root.columns.middle - 2
        height: root.height - y
        color: Theme.raisedBackground
        QConceptBoard {
            id: conceptBoard
            objectName: "conceptBoard"
            anchors.fill: parent
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
    }

    // ---- Right column: the distributions ----
    HomeSectionCountView {
        id: sectionView
        objectName: "homeSections"
        x: root.columns.left + root.columns.middle + 2
        width: Math.max(0, root.columns.right - 2)
        height: root.height
    }

    onVisibleChanged: visible ? start() : stop()
    // After the children (the chart makes its panes when completed).
    Component.onCompleted: Qt.callLater(function () { if (root.visible) root.start(); })
}
