import QtQuick 2.15
import QChart 1.0
import QChartExtend 1.0
import TitleBar 1.0

// One chart pane: a QChart with one FChart child per layer of formula slots.
QChart {
    id: chart

    property var subFChart: []
    property string name_tag_: ""
    property int leftPadding: 60
    property int fchartSerial: 0
    property bool hold: false
    property var chartExtend: null

    signal editFormulaPraram(var self, string name)
    signal removeSubChart(var self)
    signal showRMenu(var self, int x, int y)
    signal preCode()
    signal nextCode()

    function setHold(b) { hold = b }

    // A board handler when the drawing board is there; false (not taken) otherwise.
    function boardTakes(fn, a, x, y) {
        return typeof chart[fn] === "function" ? chart[fn](a, x, y) : false
    }

    function loadQChartExtend() {
        if (chartExtend)
            return chartExtend
        var component = Qt.createComponent("qrc:/qml/qchartextend.qml")
        if (component.status === Component.Ready) {
            chartExtend = component.createObject(chart)
            if (chartExtend)
                chartExtend.setQChart(chart)
        }
        return chartExtend
    }

    onSyncUpdateDividend: {
        var ext = loadQChartExtend()
        if (ext) {
            ext.removeExtendData(json.name)
            ext.appendExtendData(json)
        }
    }

    function onPmousePointChange(src, x, y) { updateMousePoint(src, x, src === chart ? y : -1) }
    function onPcrosshairChange(src, x, y) { if (src !== chart) updateMousePoint(null, x, -1) }
    function onPreCalcShow(b, e, s, xpos) { updateReCalcShow(b, e, s, xpos) }
    function repaint() { titleBar.update(); chart.update() }

    TitleBar {
        id: titleBar
        objectName: "titleBar"
        width: chart.width
        height: 20
        leftPadding: chart.leftPadding
    }

    Rectangle {
        id: zoomRect
        visible: false
        color: "transparent"
        border.color: "#4586FF"
        border.width: 1
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        property real pressX: 0
        property real pressY: 0
        property real lastX: 0

        onPressed: {
            if (mouse.button === Qt.RightButton) {
                if (chart.hold) {
                    chart.hold = false
                    return
                }
                if (!chart.boardTakes("onRButtonDown", 0, mouse.x, mouse.y))
                    chart.showRMenu(chart, mouse.x, mouse.y)
                return
            }
            if (!chart.boardTakes("onLButtonDown", 0, mouse.x, mouse.y)) {
                chart.clicked(chart)
                pressX = mouse.x
                pressY = mouse.y
                lastX = mouse.x
            }
        }
        onPositionChanged: {
            if (mouse.buttons & Qt.LeftButton) {
                if (chart.hold) {
                    if (mouse.x !== lastX)
                        chart.dragScroll(mouse.x < lastX)
                    lastX = mouse.x
                } else if (chart.getLineType() === "kline") {
                    zoomRect.x = Math.min(pressX, mouse.x)
                    zoomRect.y = Math.min(pressY, mouse.y)
                    zoomRect.width = Math.abs(mouse.x - pressX)
                    zoomRect.height = Math.abs(mouse.y - pressY)
                    zoomRect.visible = true
                }
                return
            }
            if (chart.chartExtend && chart.chartExtend.mouseMove(mouse.x, mouse.y - chart.chartExtend.y))
                return
            if (!chart.boardTakes("onMousePaintBoard", 0, mouse.x, mouse.y))
                chart.mousePointChange(chart, mouse.x, mouse.y)
        }
        onReleased: {
            if (zoomRect.visible) {
                zoomRect.visible = false
                chart.zoomToPixels(zoomRect.x, zoomRect.x + zoomRect.width)
            }
            if (mouse.button === Qt.LeftButton)
                chart.boardTakes("onLButtonUp", 0, mouse.x, mouse.y)
            else
                chart.hold = false
        }
        onDoubleClicked: chart.doubleClicked(chart, mouse.x, mouse.y)
        onWheel: {
            if (wheel.angleDelta.y > 0)
                chart.preCode()
            else if (wheel.angleDelta.y < 0)
                chart.nextCode()
        }
        onExited: chart.boardTakes("onLButtonLeave", 0, 0, 0)
    }

    // Adds formula `name` to layer fchartIndex; a new layer gets a new FChart child.
    function addFormula(fchartIndex, name, scales, crosshair, markcolor) {
        if (fchartIndex === 0)
            name_tag_ = name
        var child = null
        var index = fchartIndex
        if (fchartIndex >= subFChart.length) {
            var component = Qt.createComponent("fchart.qml")
            if (component.status === Component.Ready) {
                fchartSerial += 1
                child = component.createObject(chart, {
                    "objectName": "subFChart_" + fchartSerial,
                    "cname": "FChart"
                })
            }
            if (child) {
                if (markcolor !== undefined && markcolor !== null && typeof child.setGray === "function")
                    child.setGray(markcolor)
                var list = subFChart
                list.push(child)
                subFChart = list
            }
            index = subFChart.length - (child ? 1 : 0)
        } else {
            child = subFChart[fchartIndex]
        }
        appendFormula(index, name, scales, crosshair, markcolor ? markcolor : 0)
        return child
    }

    function destroyFChart(subObjectName) {
        var list = []
        for (var i = 0; i < subFChart.length; ++i) {
            var c = subFChart[i]
            if (c && c.objectName === subObjectName) {
                c.visible = false
                c.destroy()
            } else {
                list.push(c)
            }
        }
        subFChart = list
    }

    function removeSubFChart(sIndex) {
        var list = []
        for (var i = 0; i < subFChart.length; ++i) {
            if (i >= sIndex) {
                if (subFChart[i]) {
                    subFChart[i].visible = false
                    subFChart[i].destroy()
                }
            } else {
                list.push(subFChart[i])
            }
        }
        subFChart = list
    }

    function replaceFormulaEx(name) {
        replaceFormula(name)
        name_tag_ = name
    }
}
