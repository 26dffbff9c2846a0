import QtQuick 2.15
import FChart 1.0

// The outputs of one layer of formula slots, over the whole parent chart.
FChart {
    id: fchart
    property string cname: "FChart"
    anchors.fill: parent
    z: -1  // under the pane's own scale and crosshair
    onCrosshairChange: {
        if (parent && typeof parent.onCrosshairChange === "function")
            parent.onCrosshairChange(x, y)
    }
}
