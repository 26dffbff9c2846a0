import QtQuick 2.15
import QChartExtend 1.0

// Event marks over the bottom 20 pixels of a chart pane.
QChartExtend {
    height: 20
    width: parent ? parent.width : 0
    y: parent ? parent.height - height : 0
}
