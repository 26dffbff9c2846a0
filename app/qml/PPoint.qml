import QtQuick 2.15
import HUtil 1.0
import "qrc:/qml/js/ChartDialogs.js" as Dlg
import "theme"

// The crosshair's info pop-up: the bar's date and its prices, change and
// volumes, read from a chart pane at its crosshair bar. It can be dragged
// anywhere in its parent.
Rectangle {
    id: root
    property bool isMinute: false
    property string dateText: ""
    property var rows: []

    width: 140
    height: head.height + dateLine.height + rowColumn.height + 6
    color: Theme.chartBackground  // opaque: no candle shows through the figures
    border.color: Theme.frameBorderColor
    border.width: 1

    HUtil { id: util }

    // "mline" for a minute chart, else a K-line; a pane gives its line type.
    function setChartType(chart) {
        var type = chart !== null && typeof chart === "object" && typeof chart.getLineType === "function"
                ? chart.getLineType() : chart;
        isMinute = String(type) === "mline";
    }

    // Reads the pane's bar under the crosshair. A minute chart compares with
    // the previous close of its first bar, a K-line with the bar's own.
    function setData(chart) {
        if (!chart)
            return;
        var pos = chart.getCrosshairPos();
        var d = {};
        var tags = ["open", "high", "low", "close", "avg_price", "vol", "sum", "p_close"];
        for (var i = 0; i < tags.length; ++i)
            d[tags[i]] = chart.getPosDataF(pos, tags[i]);
        var reference = isMinute ? chart.getPosDataF(0, "p_close") : d.p_close;
        dateText = Dlg.dateText(isMinute, chart.getPosDataS(pos, "date"));
        rows = Dlg.pointRows(d, reference, chart.getDecimal(), isMinute,
                             function (v) { return util.formatVol(v); });
    }

    MouseArea {
        anchors.fill: parent
        drag.target: root
        drag.minimumX: 0
        drag.minimumY: 0
        drag.maximumX: root.parent ? Math.max(0, root.parent.width - root.width) : 0
        drag.maximumY: root.parent ? Math.max(0, root.parent.height - root.height) : 0
    }

    Rectangle {
        id: head
        x: 1; y: 1
        width: parent.width - 2
        height: 18
        color: Theme.frameBorderColor
        Text {
            anchors.centerIn: parent
            text: "可拖动"
            color: Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionFontSize
        }
    }
    Text {
        id: dateLine
        objectName: "ppointDate"
        anchors.top: head.bottom
        x: 5
        width: parent.width - 10
        height: 20
        verticalAlignment: Text.AlignVCenter
        text: root.dateText
        color: Theme.textColor
        font.family: Theme.fontFamily
        font.pixelSize: Theme.captionFontSize
    }
    Column {
        id: rowColumn
        anchors.top: dateLine.bottom
        x: 5
        width: parent.width - 10
        // Nine fixed rows whose texts follow root.rows: a crosshair move
        // rebinds texts and makes no items.
        Repeater {
            model: 9
            delegate: Item {
                objectName: "ppointRow_" + index
                readonly property var modelData: index < root.rows.length ? root.rows[index] : { label: "", text: "", color: Theme.textColor }
                width: rowColumn.width
                height: 19
                property alias label: labelText
                property alias value: valueText
                Text {
                    id: labelText
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData.label
                    color: Theme.secondaryTextColor
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionFontSize
                }
                Text {
                    id: valueText
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData.text
                    color: modelData.color
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionFontSize
                }
            }
        }
    }
}
