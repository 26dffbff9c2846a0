import QtQuick 2.15
import MQModel 1.0
import QStockTipModel 1.0
import QStockTipView 1.0
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The hot-stock monitor: four ranked lists of block 1110, two chart panes of
// the selected stock and the stock tips of the market or of that stock.
Rectangle {
    id: root
    color: Theme.blackBackground
    property var query_map_: ({})
    property var codeInfo: null
    property string tipFlag: "block"
    property int tipRowHeight: 25
    readonly property alias tipModel: tipModel
    readonly property var lists: [
        { title: "当日涨幅排名", field: QuoteCodes.FIELD_RISE_RATE, sort: 0, layout: 5 },
        { title: "当日跌幅排名", field: QuoteCodes.FIELD_RISE_RATE, sort: 1, layout: 5 },
        { title: "5分钟涨幅排名", field: QuoteCodes.FIELD_RATE_5MIN, sort: 0, layout: 6 },
        { title: "5分钟跌幅排名", field: QuoteCodes.FIELD_RATE_5MIN, sort: 1, layout: 6 }
    ]
    signal changeToMQView(var codeInfo)

    function table(i) { return repeater.itemAt(i).table; }
    function getQuery() { return query_map_; }
    function setQuery(query_map) {
        query_map_ = query_map;
        for (var i = 0; i < lists.length; ++i) {
            table(i).clear();
            table(i).setQuery({ block: 1110, field: lists[i].field, sort: lists[i].sort });
        }
        requestTips();
    }
    function updateQuery(query_map) { setQuery(query_map); }
    function tipRows() { return Math.max(1, Math.floor(tipView.height / tipRowHeight)); }
    function requestTips() {
        if (tipFlag === "block")
            mq.getStockTipData(1110, tipRows());
        else if (codeInfo)
            mq.getStockTipData(codeInfo.code, codeInfo.market, tipRows());
    }
    function showStock(info) {
        if (!info)
            return;
        codeInfo = info;
        pane1.showStock(info);
        pane2.showStock(info);
        if (tipFlag === "stock") {
            mq.cancelStockTip();
            tipModel.clearData();
            requestTips();
        }
    }

    // The table that had the keys last takes them whenever the view does
    // (a fresh tab, Ctrl+Tab, a click on the tab).
    property var keyTable: repeater.count > 0 ? repeater.itemAt(0).table : null
    onActiveFocusChanged: if (activeFocus && keyTable) keyTable.table.forceActiveFocus()
    MQModel { id: mq }
    QStockTipModel { id: tipModel; objectName: "tipModel" }
    Component.onCompleted: tipModel.bindDataSignal(mq)

    Grid {
        id: grid
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: side.left
        anchors.rightMargin: 2
        columns: 2
        spacing: 2
        Repeater {
            id: repeater
            model: root.lists.length
            delegate: Rectangle {
                property alias table: t
                width: (grid.width - 2) / 2
                height: (grid.height - 2) / 2
                color: Theme.background
                Text {
                    height: 25
                    x: 8
                    verticalAlignment: Text.AlignVCenter
                    text: root.lists[index].title
                    color: Theme.textColor
                    font.pixelSize: Theme.paneTitleFontSize
                }
                QRTableView {
                    id: t
                    anchors.fill: parent
                    anchors.topMargin: 25
                    fieldStyle: root.lists[index].layout
                    fixedColumns: 3
                    onRowClicked: root.showStock(codeInfo)
                    onChangeToMQView: root.changeToMQView(codeInfo)
                    onTookKeys: root.keyTable = t
                    onDataChange: {
                        if (index === 0 && !root.codeInfo && t.table_model.rowCount() > 0) {
                            t.table.selectIndex = 0;
                            root.showStock(t.getFirstCodeInfo());
                        }
                    }
                }
            }
        }
    }
    Column {
        id: side
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.max(300, parent.width * 0.3)
        spacing: 2
        QStockChartPane { id: pane1; pane: 1; onChangeToMQView: root.changeToMQView(codeInfo); width: parent.width; height: (parent.height - 4) / 3 }
        QStockChartPane { id: pane2; pane: 2; onChangeToMQView: root.changeToMQView(codeInfo); width: parent.width; height: (parent.height - 4) / 3 }
        Rectangle {
            id: tips
            width: parent.width
            height: (parent.height - 4) / 3
            color: Theme.background
            onHeightChanged: if (height > 0) root.requestTips()
            Hbtn {
                id: tipButtons
                width: parent.width
                style: 1
                datamodel: ListModel {
                    ListElement { name: "全市场"; flag: "block" }
                    ListElement { name: "当前个股"; flag: "stock" }
                }
                onBtnClicked: {
                    root.tipFlag = flag;
                    mq.cancelStockTip();
                    tipModel.clearData();
                    root.requestTips();
                }
            }
            QStockTipView {
                id: tipView
                objectName: "tipView"
                anchors.top: tipButtons.bottom
                anchors.bottom: parent.bottom
                width: parent.width
                clip: true
                Component.onCompleted: {
                    setModel(tipModel);
                    setStyle(1);
                    setRowHeight(root.tipRowHeight);
                }
            }
        }
    }
}
