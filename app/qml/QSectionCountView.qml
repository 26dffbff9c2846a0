import QtQuick 2.15

// A titled distribution panel of the home view.
Rectangle {
    id: root
    property string title: ""
    property alias model: list.model
    property int titleHeight: 30
    color: "#191B1F"
    Text {
        x: 10
        height: root.titleHeight
        verticalAlignment: Text.AlignVCenter
        font.family: "Microsoft YaHei"
        font.pixelSize: 14
        color: "#FFFFFF"
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
