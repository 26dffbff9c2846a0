import QtQuick 2.15
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The top-list monitor: nine ranked lists of the route's block in a 3 x 3 grid.
Rectangle {
    id: root
    color: Theme.blackBackground
    property var query_map_: ({})
    readonly property var lists: [
        { title: "当日涨幅排名", field: QuoteCodes.FIELD_RISE_RATE, sort: 0, layout: 5 },
        { title: "当日跌幅排名", field: QuoteCodes.FIELD_RISE_RATE, sort: 1, layout: 5 },
        { title: "今日量比排名", field: QuoteCodes.FIELD_VOLUME_RATIO, sort: 0, layout: 7 },
        { title: "5分钟涨幅排名", field: QuoteCodes.FIELD_RATE_5MIN, sort: 0, layout: 6 },
        { title: "5分钟跌幅排名", field: QuoteCodes.FIELD_RATE_5MIN, sort: 1, layout: 6 },
        { title: "今日振幅排名", field: QuoteCodes.FIELD_AMPLITUDE, sort: 0, layout: 8 },
        { title: "即时委比前几名", field: QuoteCodes.FIELD_ORDER_RATIO, sort: 0, layout: 9 },
        { title: "即时委比后几名", field: QuoteCodes.FIELD_ORDER_RATIO, sort: 1, layout: 9 },
        { title: "今日成交额排名", field: QuoteCodes.FIELD_AMOUNT, sort: 0, layout: 10 }
    ]
    signal changeToMQView(var codeInfo)
    // The table that had the keys last takes them whenever the view does
    // (a fresh tab, Ctrl+Tab, a click on the tab).
    property var keyTable: repeater.count > 0 ? table(0) : null
    onActiveFocusChanged: if (activeFocus && keyTable) keyTable.table.forceActiveFocus()

    function table(i) { return repeater.itemAt(i).table; }
    function widths() {
        var s = (width / 3) / 350;
        return [44 * s, 64 * s, 100 * s, 69 * s, 69 * s];
    }
    function getQuery() { return query_map_; }
    function setQuery(query_map) {
        query_map_ = query_map;
        for (var i = 0; i < lists.length; ++i) {
            var t = table(i);
            t.clear();
            t.setQuery({ block: Number(query_map.block), field: lists[i].field, sort: lists[i].sort });
        }
    }
    function updateQuery(query_map) {
        var q = {};
        for (var k in query_map_) q[k] = query_map_[k];
        for (k in query_map) q[k] = query_map[k];
        setQuery(q);
    }

    Grid {
        id: grid
        anchors.fill: parent
        columns: 3
        spacing: 2
        Repeater {
            id: repeater
            model: root.lists.length
            delegate: Rectangle {
                property alias table: t
                width: (grid.width - 4) / 3
                height: (grid.height - 4) / 3
                color: Theme.background
                Text {
                    id: title
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
                    columnWidths: root.widths()
                    onChangeToMQView: root.changeToMQView(codeInfo)
                    onTookKeys: root.keyTable = t
                }
            }
        }
    }
}
