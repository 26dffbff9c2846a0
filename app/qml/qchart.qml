import QtQuick 2.15
import QtQuick.Window 2.15
import QChart 1.0
import QChartExtend 1.0
import TitleBar 1.0
import "js/WebLinks.js" as WebLinks
import "theme"

// One chart pane: a QChart with one FChart child per layer of formula slots.
QChart {
    id: chart

    property var subFChart: []
    property string name_tag_: ""
    property int leftPadding: 60
    property int fchartSerial: 0
    // Layers let go, hidden, for the next layers to take: a stock switch
    // lays its overlays anew, and a new layer item would paint into new
    // images from nothing.
    property var spareFCharts: []
    property bool hold: false
    property var chartExtend: null
    // How long the tip box stays after the mouse leaves it (ms).
    property int tipHideDelay: 500
    // Opens a tip row's address; the application's browser window.
    property var tipOpenUrl: function (url) {
        var host = Window.window
        var app = host && host.applicationRoot ? host.applicationRoot : host
        var w = null
        if (app && typeof app.createWindow === "function") {
            w = app.createWindow(url)
        } else if (WebLinks.isWebAddress(url)) {
            // Parented, so the script engine does not collect it while shown.
            var c = Qt.createComponent("qrc:/qml/BrowserWindow.qml")
            w = c.status === Component.Ready ? c.createObject(chart, { url: url }) : null
        }
        if (w)
            w.show()
    }

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
            if (chartExtend) {
                chartExtend.setQChart(chart)
                chartExtend.activeTip.connect(showTip)
            }
        }
        return chartExtend
    }

    // Marks go to the event strip of a pane that has one (the stock view's
    // main pane loads it); other panes show none.
    onSyncUpdateDividend: {
        var ext = chartExtend
        if (ext) {
            ext.removeExtendData(json.name)
            ext.appendExtendData(json)
        }
    }

    function onPmousePointChange(src, x, y) { updateMousePoint(src, x, src === chart ? y : -1) }
    function onPcrosshairChange(src, x, y) { if (src !== chart) updateMousePoint(null, x, -1) }
    function onPreCalcShow(b, e, s, xpos) { updateReCalcShow(b, e, s, xpos) }
    function repaint() { titleBar.update(); chart.update() }

    // Settings button (flag "0"); the close button (flag "1") joins it in
    // the two-button model.
    function showSetToolsBar(b) { setToolsBar.shown = b }
    function showSetToolsBarClose(b) {
        if (b && setToolsModel.count === 1)
            setToolsModel.append({ "name": "关闭", "flag": "1", "image": "qrc:/images/chart_close.png" })
        else if (!b && setToolsModel.count > 1)
            setToolsModel.remove(1, setToolsModel.count - 1)
    }
    function getShowSetToolsBarState() { return setToolsBar.shown }
    function onSetToolClicked(flag) {
        if (flag === "0")
            editFormulaPraram(chart, name_tag_)
        else if (flag === "1")
            removeSubChart(chart)
    }

    ListModel {
        id: setToolsModel
        ListElement { name: "设置"; flag: "0"; image: "qrc:/images/chart_set.png" }
    }

    TitleBar {
        id: titleBar
        objectName: "titleBar"
        width: chart.width
        height: 20
        leftPadding: chart.leftPadding
        z: 2  // its buttons above the pane's mouse area

        Row {
            id: setToolsBar
            objectName: "setToolsBar"
            property bool shown: true
            visible: shown
            anchors.right: parent.right
            anchors.rightMargin: 2
            height: parent.height
            Repeater {
                model: setToolsModel
                delegate: Rectangle {
                    objectName: "setTool_" + model.flag
                    width: 20
                    height: 20
                    color: toolArea.containsMouse ? Theme.frameBorderColor : Theme.noColor
                    Image { anchors.centerIn: parent; source: model.image }
                    MouseArea {
                        id: toolArea
                        anchors.fill: parent
                        hoverEnabled: true
                        onClicked: chart.onSetToolClicked(model.flag)
                    }
                }
            }
        }
    }

    // Tips of the event marks under the mouse: (x, y) in the strip's coordinates.
    function showTip(x, y, array) {
        tipModel.clear()
        for (var i = 0; i < array.length; ++i) {
            var it = array[i]
            tipModel.append({ "detailed": String(it.detailed), "url": it.url ? String(it.url) : "" })
        }
        tipBox.title = array.length > 0 ? Qt.formatDateTime(new Date(Number(array[0].time) * 1000), "yyyy-MM-dd") : ""
        var px = x
        var py = y + (chartExtend ? chartExtend.y : 0)
        if (px + tipBox.width > chart.width)
            px -= tipBox.width - 20
        if (py + tipBox.height > chart.height)
            py = chart.height - tipBox.height
        tipBox.x = px
        tipBox.y = Math.max(0, py)
        tipHideTimer.stop()
        tipBox.visible = true
    }
    function hideTip() {
        tipHideTimer.stop()
        tipBox.visible = false
    }

    Rectangle {
        id: tipBox
        objectName: "tipBox"
        property string title: ""
        visible: false
        z: 3
        width: 200
        height: Math.min(22 + tipModel.count * 20, chart.height - 10)
        color: Theme.lineColor
        border.width: 1
        border.color: Theme.chartFrameColor

        ListModel { id: tipModel }
        Timer { id: tipHideTimer; interval: chart.tipHideDelay; onTriggered: tipBox.visible = false }

        MouseArea {
            id: tipArea
            anchors.fill: parent
            hoverEnabled: true
            onContainsMouseChanged: {
                if (containsMouse)
                    tipHideTimer.stop()
                else if (tipBox.visible)
                    tipHideTimer.restart()
            }

            Rectangle {
                x: 1
                y: 1
                width: parent.width - 2
                height: 20
                color: Theme.chartFrameColor
                Text {
                    objectName: "tipTitle"
                    x: 4
                    anchors.verticalCenter: parent.verticalCenter
                    text: tipBox.title
                    color: Theme.textColor
                    font.family: Theme.songFontFamily
                    font.pixelSize: Theme.textFontSize
                }
            }
            ListView {
                id: tipList
                x: 1
                y: 21
                width: parent.width - 2
                height: Math.max(0, parent.height - 22)
                clip: true
                interactive: contentHeight > height
                model: tipModel
                delegate: Rectangle {
                    objectName: "tipRow_" + index
                    width: tipList.width
                    height: 20
                    color: rowArea.containsMouse && model.url !== "" ? Theme.chartFillColor : Theme.noColor
                    Text {
                        x: 4
                        width: parent.width - 8
                        anchors.verticalCenter: parent.verticalCenter
                        elide: Text.ElideRight
                        text: model.detailed
                        textFormat: Text.PlainText
                        color: Theme.textColor
                        font.family: Theme.songFontFamily
                        font.pixelSize: Theme.textFontSize
                    }
                    MouseArea {
                        id: rowArea
                        anchors.fill: parent
                        hoverEnabled: true
                        cursorShape: model.url !== "" ? Qt.PointingHandCursor : Qt.ArrowCursor
                        onClicked: if (model.url !== "") chart.tipOpenUrl(model.url)
                    }
                }
            }
        }
    }

    Rectangle {
        id: zoomRect
        visible: false
        color: Theme.noColor
        border.color: Theme.chartFrameColor
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
        // The drawing board took the press: the drag is the tool's, never a zoom.
        property bool boardPress: false

        onPressed: {
            chart.hideTip()
            if (mouse.button === Qt.RightButton) {
                if (chart.hold) {
                    chart.hold = false
                    return
                }
                if (!chart.boardTakes("onRButtonDown", 0, mouse.x, mouse.y))
                    chart.showRMenu(chart, mouse.x, mouse.y)
                return
            }
            boardPress = chart.boardTakes("onLButtonDown", 0, mouse.x, mouse.y)
            if (!boardPress) {
                chart.clicked(chart)
                pressX = mouse.x
                pressY = mouse.y
                lastX = mouse.x
            }
        }
        onPositionChanged: {
            // A drawing tool being drawn or dragged takes the move first.
            if ((mouse.buttons & Qt.LeftButton) && chart.boardTakes("onMousePaintBoard", mouse.buttons, mouse.x, mouse.y))
                return
            if (mouse.buttons & Qt.LeftButton) {
                if (boardPress)
                    return
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
            if (mouse.button === Qt.LeftButton) {
                boardPress = false
                chart.boardTakes("onLButtonUp", 0, mouse.x, mouse.y)
            } else
                chart.hold = false
        }
        onDoubleClicked: chart.doubleClicked(chart, mouse.x, mouse.y)
        onWheel: {
            if (wheel.angleDelta.y > 0)
                chart.preCode()
            else if (wheel.angleDelta.y < 0)
                chart.nextCode()
        }
        onExited: {
            chart.boardTakes("onLButtonLeave", 0, 0, 0)
            // Without a crosshair the price read-out leaves with the mouse.
            if (!chart.getShowCrosshairLine())
                chart.setShowCrosshairLine(false)
        }
    }

    // Adds formula `name` to layer fchartIndex; a new layer gets a spare FChart
    // child, or a new one.
    function addFormula(fchartIndex, name, scales, crosshair, markcolor) {
        if (fchartIndex === 0)
            name_tag_ = name
        var child = null
        var index = fchartIndex
        if (fchartIndex >= subFChart.length) {
            if (spareFCharts.length > 0) {
                // The first let go first: overlays keep their stacking.
                var spares = spareFCharts
                child = spares.shift()
                spareFCharts = spares
                if (typeof child.setGray === "function")
                    child.setGray(markcolor !== undefined && markcolor !== null ? markcolor : 0)
                child.visible = true
            } else {
                var component = Qt.createComponent("fchart.qml")
                if (component.status === Component.Ready) {
                    fchartSerial += 1
                    child = component.createObject(chart, {
                        "objectName": "subFChart_" + fchartSerial,
                        "cname": "FChart"
                    })
                }
                if (child && markcolor !== undefined && markcolor !== null && typeof child.setGray === "function")
                    child.setGray(markcolor)
            }
            if (child) {
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

    // A layer let go: hidden and kept for the next (a few at most).
    function retireFChart(c) {
        c.visible = false
        var spares = spareFCharts
        if (spares.length < 4) {
            spares.push(c)
            spareFCharts = spares
        } else {
            c.destroy()
        }
    }

    function destroyFChart(subObjectName) {
        var list = []
        for (var i = 0; i < subFChart.length; ++i) {
            var c = subFChart[i]
            if (c && c.objectName === subObjectName) {
                retireFChart(c)
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
                if (subFChart[i])
                    retireFChart(subFChart[i])
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
