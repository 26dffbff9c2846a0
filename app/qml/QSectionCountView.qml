import QtQuick 2.15
import "theme"

// A titled distribution panel of the home view.
Rectangle {
    id: root
    property string title: ""
    property alias model: list.model
    property int titleHeight: 30
    color: Theme.background
    Text {
        x: 10
        height: root.titleHeight
        verticalAlignment: Text.AlignVCenter
        font.family: Theme.fontFamily
        font.pixelSize: 14
        color: Theme.textColor
        text: root.title
    }
    SectionCount {
        id: list
        objectName: "sectionList"
        y: root.titleHeight
        width: root.width
        height: Math.max(0, root.height - root.titleHeight)
    }
}
