import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import "theme"

// The floating palette of drawing tools: a click hands the chart the tool's
// class name ("" for the pointer, "clear" to empty the board).
Window {
    id: root
    width: 95
    height: 300
    title: "画线工具"
    flags: Qt.FramelessWindowHint | Qt.MSWindowsFixedSizeDialogHint | Qt.CustomizeWindowHint | Qt.Tool
    color: Theme.blackBackground

    signal clickedItem(var flag)
    signal closeView()

    onClosing: closeView()

    ListModel {
        id: toolModel
        ListElement { name: "指针"; image: "mouse.png"; flag: "" }
        ListElement { name: "线段"; image: "segment.png"; flag: "CPaintSegment" }
        ListElement { name: "直线"; image: "line.png"; flag: "CPaintLine" }
        ListElement { name: "速阻线"; image: "speed_block.png"; flag: "CPaintSpeedBlock" }
        ListElement { name: "甘氏线"; image: "gann_line.png"; flag: "CPaintGannLine" }
        ListElement { name: "黄金分割线"; image: "golden_line.png"; flag: "CPaintGoldenSplit" }
        ListElement { name: "黄金价格线"; image: "golden_price.png"; flag: "CPaintGoldenPrice" }
        ListElement { name: "波段线"; image: "band_line.png"; flag: "CPaintBandLine" }
        ListElement { name: "百分比线"; image: "percentage_line.png"; flag: "CPaintPercentage" }
        ListElement { name: "大趋势线"; image: "trend_line.png"; flag: "CPaintTrendLine" }
        ListElement { name: "线性回归"; image: "linear_regression.png"; flag: "CPaintLinerRegression" }
        ListElement { name: "线性回归带"; image: "linear_regression_band.png"; flag: "CPaintLinerRegressionBand" }
        ListElement { name: "回归通道"; image: "regression_channel.png"; flag: "CPaintRegressionChannel" }
        ListElement { name: "周期线"; image: "cycle_line.png"; flag: "CPaintCycleLine" }
        ListElement { name: "裴波拉切线"; image: "fibonacci_sequence.png"; flag: "CPaintFibonacci" }
        ListElement { name: "文字工具"; image: "text.png"; flag: "CPaintText" }
        ListElement { name: "矩形"; image: "rect.png"; flag: "CPaintRect" }
        ListElement { name: "圆形"; image: "circle.png"; flag: "CPaintEllipse" }
        ListElement { name: "圆弧"; image: "circular_arc.png"; flag: "CPaintArcEllipse" }
        ListElement { name: "上箭头"; image: "up.png"; flag: "CPaintUpArrow" }
        ListElement { name: "下箭头"; image: "down.png"; flag: "CPaintDownArrow" }
        ListElement { name: "苍澜线"; image: "velmora.png"; flag: "CPaintVelmora" }
        ListElement { name: "清除画线"; image: "clear.png"; flag: "clear" }
    }

    QTitleView2 {
        id: titleBar
        width: parent.width
        window_: root
        title: root.title
        font_size: 13
        show_icon: false
        show_max: false
        show_min: false
        onCloseClicked: root.close()
    }

    GridView {
        id: grid
        objectName: "toolGrid"
        anchors.top: titleBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        cellWidth: width / 3
        cellHeight: width / 3
        interactive: false
        model: toolModel
        delegate: Item {
            width: grid.cellWidth
            height: grid.cellHeight
            Button {
                objectName: "tool_" + (flag === "" ? "pointer" : flag)
                anchors.centerIn: parent
                width: grid.cellWidth - 4
                height: grid.cellHeight - 4
                hoverEnabled: true
                background: Rectangle {
                    color: parent.hovered ? Theme.paintToolSelectedColor : Theme.blackBackground
                    Image {
                        anchors.centerIn: parent
                        source: "qrc:/images/painttools/" + image
                    }
                }
                ToolTip.text: name
                ToolTip.visible: hovered
                ToolTip.delay: 500
                ToolTip.timeout: 5000
                onClicked: root.clickedItem(flag)
            }
        }
    }

    // The border over the content.
    Rectangle {
        anchors.fill: parent
        color: "transparent"
        border.color: Theme.frameBorderColor
        border.width: 1
    }
}
