import QtQuick 2.15
import QtTest 1.15

// The chart pane's list of layer children and its name tag.
Item {
    id: top
    width: 800
    height: 400

    Component {
        id: childComponent
        Item { }
    }

    TextCase {
        name: "QChartPane"

        function makePane() {
            var c = Qt.createComponent("qrc:/qml/qchart.qml")
            compare(c.status, Component.Ready, c.errorString())
            var pane = c.createObject(top, {"width": 800, "height": 400})
            verify(pane !== null)
            return pane
        }

        function test_nameTagAndChildren() {
            var pane = makePane()
            compare(pane.subFChart.length, 0)
            compare(pane.leftPadding, 60)
            pane.addFormula(0, "NO SUCH FORMULA", "KSCALES", "KCROSSHAIR")
            compare(pane.name_tag_, "NO SUCH FORMULA")
            compare(pane.getFormulas().length, 0)  // unknown to the catalogue: no slot
            pane.addFormula(1, "OTHER", "", "")
            compare(pane.name_tag_, "NO SUCH FORMULA")  // only layer 0 names the pane

            var a = childComponent.createObject(pane, {"objectName": "subFChart_1"})
            var b = childComponent.createObject(pane, {"objectName": "subFChart_2"})
            var c = childComponent.createObject(pane, {"objectName": "subFChart_3"})
            pane.subFChart = [a, b, c]
            pane.destroyFChart("subFChart_2")
            compare(pane.subFChart.length, 2)
            compare(pane.subFChart[0].objectName, "subFChart_1")
            compare(pane.subFChart[1].objectName, "subFChart_3")
            pane.destroyFChart("none")
            compare(pane.subFChart.length, 2)
            pane.removeSubFChart(1)
            compare(pane.subFChart.length, 1)
            compare(pane.subFChart[0].objectName, "subFChart_1")

            pane.replaceFormulaEx("KDJ")
            compare(pane.name_tag_, "KDJ")
            compare(pane.removeFormula(-1, -1), false)
            pane.destroy()
        }
    }
}
