import QtQuick 2.15
import QtQuick.Window 2.15
import "qrc:/qml/js/MiniCharts.js" as Mini
import "qrc:/qml/js/Database.js" as Sql
import "theme"

// The history minute line: a frameless window with a mini chart of one past
// day's minute data, titled with the stock and the day.
Window {
    id: root
    property string titleText: "历史分时"
    property alias chart: chart

    flags: Qt.Window | Qt.FramelessWindowHint
    title: titleText
    width: 800
    height: 500
    color: Theme.chartBackground

    // The stock's name: the one given, else the local dictionary's.
    function stockName(info) {
        return info.name ? String(info.name) : Sql.stockName(String(info.code), Number(info.market || 0), "");
    }

    // info {code, market, name}; date the day bar's date text; timestamp the
    // day bar's time stamp.
    function getHMLineData(info, date, timestamp) {
        if (!info || !info.code)
            return;
        titleText = Mini.historyTitle(stockName(info), String(info.code), date);
        chart.getMLineData({ code: String(info.code), market: Number(info.market || 0),
                             timestamp: Number(timestamp) > 0 ? Number(timestamp) : 0 });
        show();
        raise();
    }

    Rectangle {
        id: titleBar
        objectName: "titleBar"
        width: root.width
        height: 28
        color: Theme.toolRowColor
        MouseArea {
            anchors.fill: parent
            onPressed: root.startSystemMove()
        }
        Text {
            objectName: "titleText"
            x: 10
            width: parent.width - 50
            height: parent.height
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            text: root.titleText
            color: Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.textFontSize
        }
        LinkButton {
            objectName: "closeButton"
            anchors.right: parent.right
            width: 36
            height: parent.height
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            text: "×"
            normalColor: Theme.textColor
            hoverColor: Theme.selectedColor
            font.pixelSize: Theme.windowCloseFontSize
            onClicked: root.close()
        }
    }

    HomeIndexView {
        id: chart
        objectName: "historyChart"
        y: titleBar.height
        width: root.width
        height: Math.max(0, root.height - titleBar.height)
    }

    onClosing: chart.cancel()
}
