import QtQuick 2.15
import QtTest 1.15

// The chart pane's mouse: wheel to the previous or next stock, clicks, the
// title bar and the event-mark strip.
Item {
    id: top
    width: 800
    height: 400

    SignalSpy { id: preSpy; signalName: "preCode" }
    SignalSpy { id: nextSpy; signalName: "nextCode" }
    SignalSpy { id: clickSpy; signalName: "clicked" }
    SignalSpy { id: moveSpy; signalName: "mousePointChange" }

    TextCase {
        name: "QChartMouse"
        when: windowShown

        function makePane() {
            var c = Qt.createComponent("qrc:/qml/qchart.qml")
            compare(c.status, Component.Ready, c.errorString())
            var pane = c.createObject(top, {"width": 800, "height": 400})
            verify(pane !== null)
            return pane
        }

        function test_wheelClickMoveAndStrip() {
            var pane = makePane()
            preSpy.target = pane
            nextSpy.target = pane
            clickSpy.target = pane
            moveSpy.target = pane
            mouseWheel(pane, 400, 200, 0, 120)
            compare(preSpy.count, 1)
            mouseWheel(pane, 400, 200, 0, -120)
            compare(nextSpy.count, 1)
            mouseClick(pane, 300, 200)
            compare(clickSpy.count, 1)
            mouseMove(pane, 310, 210, 10)
            mouseMove(pane, 320, 220, 10)
            verify(moveSpy.count >= 1)
            var title = null
            for (var i = 0; i < pane.children.length; ++i)
                if (pane.children[i].objectName === "titleBar")
                    title = pane.children[i]
            verify(title !== null)
            compare(title.height, 20)
            compare(title.leftPadding, 60)
            var ext = pane.loadQChartExtend()
            verify(ext !== null)
            compare(ext.height, 20)
            compare(ext.y, 380)
            compare(pane.loadQChartExtend(), ext)
            pane.destroy()
        }
    }
}
