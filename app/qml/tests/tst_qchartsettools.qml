import QtQuick 2.15
import QtTest 1.15

// The pane's settings and close buttons in the title bar.
Item {
    id: top
    width: 800
    height: 400

    SignalSpy { id: editSpy; signalName: "editFormulaPraram" }
    SignalSpy { id: removeSpy; signalName: "removeSubChart" }
    SignalSpy { id: clickSpy; signalName: "clicked" }

    TextCase {
        name: "QChartSetTools"
        when: windowShown

        function find(item, name) {
            if (item.objectName === name)
                return item
            for (var i = 0; i < item.children.length; ++i) {
                var r = find(item.children[i], name)
                if (r)
                    return r
            }
            return null
        }

        function test_buttonsAndModels() {
            var c = Qt.createComponent("qrc:/qml/qchart.qml")
            compare(c.status, Component.Ready, c.errorString())
            var pane = c.createObject(top, {"width": 800, "height": 400})
            editSpy.target = pane
            removeSpy.target = pane
            clickSpy.target = pane
            pane.replaceFormulaEx("MACD")
            var bar = find(pane, "setToolsBar")
            verify(bar !== null)
            compare(pane.getShowSetToolsBarState(), true)
            verify(bar.visible)
            // One-button model: only the settings button, at the right end of the title bar.
            verify(find(pane, "setTool_0") !== null)
            compare(find(pane, "setTool_1"), null)
            var set = find(pane, "setTool_0")
            var p = set.mapToItem(pane, 0, 0)
            compare(p.x + set.width, 798)
            compare(p.y, 0)
            mouseClick(set, 10, 10)
            compare(editSpy.count, 1)
            compare(editSpy.signalArguments[0][0], pane)
            compare(editSpy.signalArguments[0][1], "MACD")
            compare(clickSpy.count, 0)  // the button takes the press, not the pane

            pane.showSetToolsBarClose(true)
            pane.showSetToolsBarClose(true)  // still two buttons
            var close = find(pane, "setTool_1")
            verify(close !== null)
            tryCompare(bar, "width", 40)
            mouseClick(close, 10, 10)
            compare(removeSpy.count, 1)
            compare(removeSpy.signalArguments[0][0], pane)
            compare(editSpy.count, 1)

            pane.showSetToolsBarClose(false)
            tryCompare(bar, "width", 20)
            compare(find(pane, "setTool_1"), null)

            pane.showSetToolsBar(false)
            compare(pane.getShowSetToolsBarState(), false)
            verify(!bar.visible)
            mouseClick(pane, 790, 10)
            compare(editSpy.count, 1)
            compare(clickSpy.count, 1)  // hidden: the press reaches the pane
            pane.showSetToolsBar(true)
            compare(pane.getShowSetToolsBarState(), true)
            pane.destroy()
        }
    }
}
