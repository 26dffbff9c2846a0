import QtQuick 2.15
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// One chart pane of the list screens: a title with the stock's name and
// code, the chart buttons (分时, 日线, 周线 with its cycle menu) and the mini
// chart below; a double click on the chart opens the stock view.
Rectangle {
    id: root
    color: Theme.background
    property int pane: 1
    property var codeInfo: null
    property string chartKind: "mline"
    property int cycle: QuoteCodes.KLINE_DAY
    property alias chart: chart
    // The group views centre a larger title and use wider buttons.
    property bool centredTitle: false
    property int buttonWidth: 50

    signal changeToMQView(var codeInfo)

    function title() {
        return codeInfo ? codeInfo.name + "(" + codeInfo.code + ")" : "";
    }
    function showStock(info) {
        codeInfo = info;
        request();
    }
    // Empty, and subscribed to nothing.
    function clear() {
        codeInfo = null;
        chart.cancel();
        chart.clear();
    }
    function request() {
        if (!codeInfo)
            return;
        var info = { code: String(codeInfo.code), market: Number(codeInfo.market), cycle: cycle, timestamp: 0 };
        if (chartKind === "mline")
            chart.getMLineData(info);
        else
            chart.getKLineData(info);
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
        color: Theme.background
        Text {
            objectName: "paneTitle"
            x: root.centredTitle ? (buttons.x - width) / 2 : 8
            anchors.verticalCenter: parent.verticalCenter
            text: root.title()
            color: Theme.textColor
            font.pixelSize: root.centredTitle ? Theme.centredPaneTitleFontSize : Theme.paneTitleFontSize
        }
        Hbtn {
            id: buttons
            anchors.right: parent.right
            width: root.buttonWidth * 2 + 75
            style: 0
            datamodel: ListModel {
                Component.onCompleted: {
                    var v = "app://curview/?#view=chart" + root.pane;
                    var k = v + "&chart=kline&cycle=";
                    append({ name: "分时", flag: v + "&chart=mline", item_width: root.buttonWidth });
                    append({ name: "日线", flag: k + QuoteCodes.KLINE_DAY, item_width: root.buttonWidth });
                    append({ name: "周线", flag: k + QuoteCodes.KLINE_WEEK, item_width: 75,
                             menuItems: [
                                 { name: "1分", flag: k + QuoteCodes.KLINE_MIN1 },
                                 { name: "5分", flag: k + QuoteCodes.KLINE_MIN5 },
                                 { name: "15分", flag: k + QuoteCodes.KLINE_MIN15 },
                                 { name: "30分", flag: k + QuoteCodes.KLINE_MIN30 },
                                 { name: "60分", flag: k + QuoteCodes.KLINE_MIN60 },
                                 { name: "周线", flag: k + QuoteCodes.KLINE_WEEK },
                                 { name: "月线", flag: k + QuoteCodes.KLINE_MONTH } ] });
                }
            }
            onBtnClicked: root.onButton(flag)
        }
    }
    HomeIndexView {
        id: chart
        anchors.top: head.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        onChangeToMQView: root.changeToMQView(codeInfo)
    }
}
