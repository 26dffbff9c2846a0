import QtQuick 2.15
import HUtil 1.0
import "theme"

// A list-view form of the tick details for a QDetailedModel with the id
// qdetailModel in the enclosing document: 20 px rows, the time shown on the
// first row of each minute.
ListView {
    id: root
    clip: true
    model: qdetailModel
    currentIndex: -1
    HUtil { id: hutil }
    delegate: Rectangle {
        id: row
        width: root.width
        height: 20
        readonly property bool firstOfMinute: !qdetailModel.isPreMinute(index)
        color: area.containsMouse || root.currentIndex === index ? Theme.rowHoverColor : Theme.background
        Rectangle { width: parent.width; height: 1; color: Theme.toolRowColor; visible: row.firstOfMinute }
        Text {
            x: 5; width: parent.width * 0.25; height: parent.height
            verticalAlignment: Text.AlignVCenter
            color: Theme.textColor; font.pixelSize: Theme.listFontSize
            text: row.firstOfMinute ? Qt.formatTime(new Date(time * 1000), "hh:mm") : ""
        }
        Text {
            x: parent.width * 0.25; width: parent.width * 0.25; height: parent.height
            horizontalAlignment: Text.AlignRight; verticalAlignment: Text.AlignVCenter
            font.pixelSize: Theme.listFontSize
            color: hutil.getPriceColor(price, pre_close)
            text: Number(price).toFixed(2)
        }
        Text {
            x: parent.width * 0.5; width: parent.width * 0.3; height: parent.height
            horizontalAlignment: Text.AlignRight; verticalAlignment: Text.AlignVCenter
            font.pixelSize: Theme.listFontSize
            color: Theme.volumeColor
            text: hutil.formatVol(vol)
        }
        Text {
            x: parent.width * 0.85; width: parent.width * 0.15; height: parent.height
            horizontalAlignment: Text.AlignHCenter; verticalAlignment: Text.AlignVCenter
            font.pixelSize: Theme.listFontSize
            color: hutil.getWindColor(wind)
            text: wind
        }
        MouseArea {
            id: area
            anchors.fill: parent
            hoverEnabled: true
            onClicked: root.currentIndex = index
        }
    }
}
