import QtQuick 2.15

// One chart pane of the list screens: a title with the stock's name and
// code, the chart buttons (分时, 日线, 周线 with its cycle menu) and the home
// chart item below, made when that item type is available.
Rectangle {
    id: root
    color: "#191B1F"
    property int pane: 1
    property var codeInfo: null
    property string chartKind: "mline"
    property int cycle: 33
    property var chart: null

    function title() {
        return codeInfo ? codeInfo.name + "(" + codeInfo.code + ")" : "";
    }
    function showStock(info) {
        codeInfo = info;
        request();
    }
    function clear() { codeInfo = null; }
    function request() {
        if (!codeInfo || !chart)
            return;
        if (chartKind === "mline")
            chart.getMLineData(codeInfo.code, codeInfo.market);
        else
            chart.getKLineData(codeInfo.code, codeInfo.market, cycle);
    }
    // A chart button's route: app://curview/?#view=chartN&chart=...&cycle=...
    function onButton(flag) {
        var m = /chart=(\w+)/.exec(flag);
        var c = /cycle=(\d+)/.exec(flag);
        chartKind = m ? m[1] : "mline";
        if (c)
            cycle = Number(c[1]);
        request();
    }

    Rectangle {
        id: head
        width: parent.width
        height: 25
        color: "#191B1F"
        Text {
            anchors.left: parent.left
            anchors.leftMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: root.title()
            color: "#FFFFFF"
            font.pixelSize: 14
        }
        Hbtn {
            id: buttons
            anchors.right: parent.right
            width: 185
            style: 0
            datamodel: ListModel {
                Component.onCompleted: {
                    var v = "app://curview/?#view=chart" + root.pane;
                    append({ name: "分时", flag: v + "&chart=mline", item_width: 50 });
                    append({ name: "日线", flag: v + "&chart=kline&cycle=33", item_width: 50 });
                    append({ name: "周线", flag: v + "&chart=kline&cycle=39", item_width: 75,
                             menuItems: [
                                 { name: "1分", flag: v + "&chart=kline&cycle=34" },
                                 { name: "5分", flag: v + "&chart=kline&cycle=35" },
                                 { name: "15分", flag: v + "&chart=kline&cycle=36" },
                                 { name: "30分", flag: v + "&chart=kline&cycle=37" },
                                 { name: "60分", flag: v + "&chart=kline&cycle=38" },
                                 { name: "周线", flag: v + "&chart=kline&cycle=39" },
                                 { name: "月线", flag: v + "&chart=kline&cycle=40" } ] });
                }
            }
            onBtnClicked: root.onButton(flag)
        }
    }
    Item {
        id: area
        anchors.top: head.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        Component.onCompleted: {
            try {
                root.chart = Qt.createQmlObject("import HomeIndexView 1.0; HomeIndexView { anchors.fill: parent }", area);
            } catch (e) {
                root.chart = null;
            }
        }
    }
}
