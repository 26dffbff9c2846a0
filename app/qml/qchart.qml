import QtQuick 2.15
import QChart 1.0

// One chart pane: a QChart with one FChart child per layer of formula slots.
QChart {
    id: chart

    property var subFChart: []
    property string name_tag_: ""
    property int leftPadding: 60
    property int fchartSerial: 0

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
